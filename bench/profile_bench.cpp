// Speed of the profile engine, side by side with the bare cost of the same work.
//
// Load throughput on a typical resource file (8 lines), a 1 MB file (100 sections of
// about 500 keys) and a 50 MB file, CR LF line ends, against inih, SimpleIni and a bare
// memchr line split in memory (the floor); one ReadProfileString and one
// WriteProfileString on the small file against bare open/read/close and a bare safe
// replace. After the run a summary prints each ratio next to its goal, and the peak
// memory of loading 50 MB files of the costliest shapes, counted by replacing the global
// operator new (which costs every benchmark here alike a few nanoseconds per allocation).
#define SI_CONVERT_ICU
#include <SimpleIni.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <ini.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "../tests/profile/counting_allocator.h"
#include "../tests/profile/profile_shapes.h"
#include "platform/text.h"
#include "profile/profile_calls.h"
#include "profile/profile_document.h"

namespace tirv {
namespace {

struct Input {
  const char* label;
  std::string bytes;
  std::string path;
};

std::string TypicalResourceFile() {
  return "[GeneralSettings]\r\n"
         "AdaptationComponent=TirvAdaptS7\r\n"
         "Description=Press line 1 \xB4main hall\xB4\r\n"
         "ComTeleLength=256\r\n"
         "\r\n"
         "[Online]\r\n"
         "ComPort=COM1:19200,1,8,N,3000\r\n"
         "\r\n";
}

// `sections` sections of `keys` entries each, about 20 bytes per entry line.
std::string GeneratedFile(int sections, int keys) {
  std::string out;
  char line[96];
  for (int s = 0; s < sections; ++s) {
    out += "[Section" + std::to_string(s) + "]\r\n";
    for (int k = 0; k < keys; ++k) {
      const int n = std::snprintf(line, sizeof line, "Key%04d=Value%06d\r\n", k, s * keys + k);
      out.append(line, static_cast<std::size_t>(n));
    }
    out += "\r\n";
  }
  return out;
}

std::string gFolder;
std::vector<Input> gInputs;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fclose(f);
}

void PrepareInputs() {
  char pattern[] = "/tmp/tirv-bench-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  gFolder = pattern;
  gInputs.push_back({"8 lines", TypicalResourceFile(), gFolder + "/small.opc"});
  gInputs.push_back({"1 MB", GeneratedFile(100, 500), gFolder + "/1mb.ini"});
  gInputs.push_back({"50 MB", GeneratedFile(5000, 500), gFolder + "/50mb.ini"});
  for (const Input& input : gInputs) WriteFile(input.path, input.bytes);
}

/* Throughput: the floor, the engine, and the two libraries. */

void Floor(benchmark::State& state, const Input* input) {
  const char* data = input->bytes.data();
  const std::size_t size = input->bytes.size();
  for (auto _ : state) {
    std::size_t lines = 0;
    for (const char* p = data; const char* lf = static_cast<const char*>(
                                   std::memchr(p, '\n', static_cast<std::size_t>(data + size - p)));
         p = lf + 1) {
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void Load(benchmark::State& state, const Input* input) {
  const std::u16string path = Utf8ToUtf16(input->path);
  for (auto _ : state) {
    ProfileDocument document;
    if (document.Load(path) != 0) state.SkipWithError("Load failed");
    benchmark::DoNotOptimize(&document);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input->bytes.size()));
}

int CountEntry(void* user, const char*, const char*, const char*) {
  ++*static_cast<std::size_t*>(user);
  return 1;
}

void Inih(benchmark::State& state, const Input* input) {
  for (auto _ : state) {
    std::size_t entries = 0;
    if (ini_parse(input->path.c_str(), CountEntry, &entries) != 0) state.SkipWithError("inih");
    benchmark::DoNotOptimize(entries);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input->bytes.size()));
}

void SimpleIni(benchmark::State& state, const Input* input) {
  for (auto _ : state) {
    CSimpleIniA ini(/*isUtf8=*/false, /*multiKey=*/true, /*multiLine=*/false);
    if (ini.LoadFile(input->path.c_str()) < 0) state.SkipWithError("SimpleIni");
    benchmark::DoNotOptimize(&ini);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input->bytes.size()));
}

/* One-shot calls on the small file, and the bare I/O they cannot avoid. Each pair runs
   in turns inside one loop, so that a change in the machine's load or the disk's
   flushing weighs on both alike; the counters give each side's mean time. */

using Clock = std::chrono::steady_clock;

bool EngineRead(const std::u16string& path) {
  char16_t buffer[300];
  const std::int32_t n = ReadProfileString(u"GeneralSettings", u"AdaptationComponent",
                                           u"file not found", buffer, 300, path);
  benchmark::DoNotOptimize(buffer);
  return n == 11;
}

bool BareRead(const std::string& path) {
  char buffer[4096];
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  benchmark::DoNotOptimize(buffer);
  return n > 0;
}

bool EngineWrite(const std::u16string& path, bool flip) {
  return WriteProfileString(u"Online", u"ComPort",
                            flip ? u"COM2:19200,1,8,N,3000" : u"COM1:19200,1,8,N,3000", path) == 1;
}

// Temporary file, write, flush, rename over the file, flush the folder.
bool BareSafeReplace(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                  ::fsync(fd) == 0 && ::close(fd) == 0 && ::rename(temp.c_str(), path.c_str()) == 0;
  const int dir = ::open(gFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool flushed = ::fsync(dir) == 0;
  ::close(dir);
  return ok && flushed;
}

template <typename Engine, typename Bare>
void Paired(benchmark::State& state, Engine engine, Bare bare) {
  double engineNs = 0;
  double bareNs = 0;
  bool engineFirst = true;
  for (auto _ : state) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool runEngine = (turn == 0) == engineFirst;
      const auto start = Clock::now();
      if (!(runEngine ? engine() : bare())) state.SkipWithError("a call failed");
      const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
      (runEngine ? engineNs : bareNs) += ns;
    }
    engineFirst = !engineFirst;
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["engine_ns"] = engineNs / n;
  state.counters["bare_ns"] = bareNs / n;
}

void ReadPair(benchmark::State& state) {
  const std::u16string path = Utf8ToUtf16(gInputs[0].path);
  Paired(
      state, [&] { return EngineRead(path); }, [&] { return BareRead(gInputs[0].path); });
}

void WritePair(benchmark::State& state) {
  const std::string enginePath = gFolder + "/write.opc";
  const std::string barePath = gFolder + "/bare.opc";
  WriteFile(enginePath, gInputs[0].bytes);
  const std::u16string path = Utf8ToUtf16(enginePath);
  bool flip = false;
  Paired(
      state, [&] { return EngineWrite(path, flip = !flip); },
      [&] { return BareSafeReplace(barePath, gInputs[0].bytes); });
}

/* The summary: every ratio next to its goal. A ratio whose benchmarks did not run (left
   out by a filter, or failed) is "not measured", never met. */

// One ratio against its goal: "at least" when `atLeast`, else "at most".
struct Goal {
  double limit;
  bool atLeast;
};

void PrintRatio(const std::string& what, double numerator, double denominator, Goal goal,
                const char* unit, double scale, const std::string& detail = "") {
  const char* direction = goal.atLeast ? "at least" : "at most";
  if (!(numerator > 0) || !(denominator > 0)) {
    std::printf("%-42s %12s  (goal %s %g%s)\n", what.c_str(), "not measured", direction,
                goal.limit * scale, unit);
    return;
  }
  const double ratio = numerator / denominator;
  const bool met = goal.atLeast ? ratio >= goal.limit : ratio <= goal.limit;
  char figure[32];
  std::snprintf(figure, sizeof figure, "%.2f%s", ratio * scale, unit);
  std::printf("%-42s %12s  (goal %s %g%s, %s%s)\n", what.c_str(), figure, direction,
              goal.limit * scale, unit, met ? "met" : "MISSED", detail.c_str());
}

class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      // Repeated benchmarks (the ones that flush to disk) count by their median.
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      const auto bytes = run.counters.find("bytes_per_second");
      Result& r = results_[run.run_name.function_name];
      r.nsPerIteration = run.GetAdjustedRealTime();
      r.bytesPerSecond = bytes != run.counters.end() ? bytes->second.value : 0;
      const auto engine = run.counters.find("engine_ns");
      const auto bare = run.counters.find("bare_ns");
      if (engine != run.counters.end() && bare != run.counters.end()) {
        r.engineNs = engine->second.value;
        r.bareNs = bare->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintSummary() const {
    std::printf("\nLoad throughput, MB/s (0: not measured)\n");
    std::printf("%-8s %10s %10s %10s %10s\n", "file", "floor", "Load", "inih", "SimpleIni");
    for (const Input& input : gInputs) {
      const std::string l = input.label;
      std::printf("%-8s %10.0f %10.1f %10.1f %10.1f\n", l.c_str(), Rate("Floor/" + l) / 1e6,
                  Rate("Load/" + l) / 1e6, Rate("inih/" + l) / 1e6, Rate("SimpleIni/" + l) / 1e6);
    }
    std::printf("\nGoals\n");
    const Goal share[] = {{0, true}, {0.15, true}, {0.10, true}};
    for (std::size_t i = 1; i < gInputs.size(); ++i) {
      const std::string l = gInputs[i].label;
      PrintRatio("Load / memchr floor, " + l, Rate("Load/" + l), Rate("Floor/" + l), share[i], "%",
                 100);
    }
    for (std::size_t i = 1; i < gInputs.size(); ++i) {
      const std::string l = gInputs[i].label;
      PrintRatio("Load / inih, " + l, Rate("Load/" + l), Rate("inih/" + l), {3, true}, "x", 1);
      PrintRatio("Load / SimpleIni, " + l, Rate("Load/" + l), Rate("SimpleIni/" + l), {10, true},
                 "x", 1);
    }
    PrintPair("ReadProfileString / open-read-close", "ReadProfileString vs bare read", 1.30);
    PrintPair("WriteProfileString / bare safe replace", "WriteProfileString vs bare safe replace",
              1.10);
  }

 private:
  struct Result {
    double nsPerIteration = 0;
    double bytesPerSecond = 0;
    double engineNs = 0;
    double bareNs = 0;
  };
  double Rate(const std::string& name) const {
    const auto it = results_.find(name);
    return it != results_.end() ? it->second.bytesPerSecond : 0;
  }
  void PrintPair(const char* what, const std::string& name, double goal) const {
    const auto it = results_.find(name);
    const Result r = it != results_.end() ? it->second : Result{};
    char detail[64];
    std::snprintf(detail, sizeof detail, "; %.1f us against %.1f us", r.engineNs / 1e3,
                  r.bareNs / 1e3);
    PrintRatio(what, r.engineNs, r.bareNs, {goal, false}, "", 1, detail);
  }
  std::map<std::string, Result> results_;
};

/* Peak memory of a load, counted exactly, for 50 MB files of the costliest shapes and
   of resource files. */

void PrintPeakMemory() {
  constexpr std::size_t kSize = std::size_t{50} << 20;
  std::printf("\nPeak memory of a load, multiple of the file's size (%zu MB files)\n", kSize >> 20);
  const std::string path = gFolder + "/shape.ini";
  const std::u16string wpath = Utf8ToUtf16(path);
  for (const testing::ProfileShape& shape : testing::ProfileShapes()) {
    std::size_t fileSize = 0;
    {
      const std::string bytes = testing::ShapedFile(shape, kSize);
      fileSize = bytes.size();
      WriteFile(path, bytes);
    }
    ProfileDocument document;
    counting::PeakMeter meter;
    const Status status = document.Load(wpath);
    const double peak = static_cast<double>(meter.Peak());
    document.Discard();
    PrintRatio(std::string("  ") + shape.label, status == 0 ? peak : 0,
               static_cast<double>(fileSize), {8, false}, "x", 1);
  }
  std::remove(path.c_str());
}

void RegisterAll() {
  for (const Input& input : gInputs) {
    const std::string l = input.label;
    // The machine is shared: the median of three runs of each keeps one slow run out.
    for (auto* b : {benchmark::RegisterBenchmark(("Floor/" + l).c_str(), Floor, &input),
                    benchmark::RegisterBenchmark(("Load/" + l).c_str(), Load, &input),
                    benchmark::RegisterBenchmark(("inih/" + l).c_str(), Inih, &input),
                    benchmark::RegisterBenchmark(("SimpleIni/" + l).c_str(), SimpleIni, &input)}) {
      b->Repetitions(3)->ReportAggregatesOnly(true);
    }
  }
  benchmark::RegisterBenchmark("ReadProfileString vs bare read", ReadPair)
      ->Repetitions(5)
      ->ReportAggregatesOnly(true);
  benchmark::RegisterBenchmark("WriteProfileString vs bare safe replace", WritePair)
      ->MinTime(2.0)
      ->Repetitions(5)
      ->ReportAggregatesOnly(true);
}

}  // namespace
}  // namespace tirv

int main(int argc, char** argv) {
  tirv::PrepareInputs();
  tirv::RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tirv::Collector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  tirv::PrintPeakMemory();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(tirv::gFolder, ec);
  return 0;
}
