// Start-up of the editor and its Save on large workspaces, each against the bare cost of
// the file work it cannot avoid.
//
// Start-up runs the real editor dialog on real Qt widgets (offscreen) up to the moment
// the window is shown; its floor lists the folder and reads each file once, without
// parsing anything. A save of changed records is held against one safe replace per
// file; a save of one changed record among many against reading the whole workspace.
// The peak memory of a start-up is measured in a fresh process of this program.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_dialog.h"
#include "editor/templates.h"
#include "gui/template_dialog.h"
#include "platform/files.h"
#include "platform/text.h"
#include "read_floor.h"
#include "resources/resource_file.h"
#include "workspace/workspace.h"

extern char** environ;

namespace tirv {
namespace {

// A folder for the whole run, removed at exit.
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = "/tmp/tirv-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~BenchFolder() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::u16string WFile(const std::string& name) const { return Utf8ToUtf16(File(name)); }

 private:
  std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

const char* const kPortTexts[] = {"V24 1 9600 8 1 0 2000 0", "V24 3 19200 7 2 1 500 0",
                                  "SIM SimHost.dll Vsim1.Vsim1", "DLL netdrv.dll -ip127.0.0.1"};

std::string ResourceFileBytes(int i) {
  return std::string("[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.") +
         (i % 3 == 0 ? "BE" : "LE") +
         ".20\r\nDescription=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n\r\n[Online]\r\n"
         "ComTeleLength=1428\r\nComPort=" +
         kPortTexts[i % 4] + "\r\n\r\n";
}

// A program folder with TirvOPC.ini and a workspace of `count` resource files.
struct SampleWorkspace {
  BenchFolder dir;
  std::u16string modulePath;
  std::u16string folder;
  std::string programFolder() const {
    std::string folder = dir.File("");
    folder.pop_back();
    return folder;
  }
  explicit SampleWorkspace(int count) {
    WriteBytes(dir.File("TirvOPC.ini"), "[Settings]\r\nCustomWorkspace=./ws\r\n\r\n");
    ::mkdir(dir.File("ws").c_str(), 0755);
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "ws/Res%06d.opc", (i * 7919) % count);
      WriteBytes(dir.File(name), ResourceFileBytes(i));
    }
    modulePath = dir.WFile("tirvane-editor");
    folder = dir.WFile("ws");
  }
};

SampleWorkspace& SharedWorkspace(int count) {
  static std::map<int, std::unique_ptr<SampleWorkspace>> workspaces;
  auto& slot = workspaces[count];
  if (!slot) slot = std::make_unique<SampleWorkspace>(count);
  return *slot;
}

// The editor's environment for a program folder holding TirvOPC.ini and "ws".
EditorEnvironment EnvironmentFor(const std::u16string& modulePath) {
  EditorEnvironment environment;
  environment.modulePath = [modulePath](std::u16string& path) {
    path = modulePath;
    return true;
  };
  environment.endProcess = [](int) { std::abort(); };
  return environment;
}

// The editor up to its shown window; how many resources its Resource combo lists.
std::size_t StartEditor(const std::u16string& modulePath) {
  EditorDialog editor(EnvironmentFor(modulePath));
  TemplateDialog window(editor, nullptr);
  editor.OnInitDialog(window);
  window.show();
  QCoreApplication::processEvents();
  return static_cast<std::size_t>(window.ComboCount(ids::kResource));
}

void BM_StartUpEditor(benchmark::State& state) {
  SampleWorkspace& ws = SharedWorkspace(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    if (StartEditor(ws.modulePath) != static_cast<std::size_t>(state.range(0))) {
      state.SkipWithError("not every resource was loaded");
    }
  }
}

// The floor: list the folder and read each file once, nothing parsed.
void BM_ListAndReadEveryFile(benchmark::State& state) {
  const std::string folder = Utf16ToUtf8(SharedWorkspace(static_cast<int>(state.range(0))).folder);
  for (auto _ : state) benchmark::DoNotOptimize(bench::ListAndReadEveryFile(folder));
}

// A store holding every resource of the workspace, as the editor's start-up leaves it.
void LoadStore(ResourceStore& store) {
  const Workspace& workspace = store.workspace();
  workspace.ForEachResourceFile([&](std::u16string_view name) {
    const ResourceFileReading reading = workspace.Read(name);
    if (reading.problem.ok()) store.Adopt(reading);
  });
}

std::vector<ResourceList::Position> FirstRecords(ResourceStore& store, std::size_t count) {
  std::vector<ResourceList::Position> records;
  for (auto it = store.records().begin(); it != store.records().end() && records.size() < count;
       ++it) {
    records.push_back(it);
  }
  return records;
}

// Every record changed, so each is written: one safe replace per file at the least.
void BM_SaveChangedRecords(benchmark::State& state) {
  SampleWorkspace& ws = SharedWorkspace(static_cast<int>(state.range(0)));
  ResourceStore store(ws.folder);
  LoadStore(store);
  const auto records = FirstRecords(store, store.records().Count());
  int round = 0;
  for (auto _ : state) {
    ++round;
    for (const auto& record : records) record->alignment = round % 2 ? u"Big Endian" : u"";
    if (Failed(store.SaveChanged([](const ResourceRecord&, bool) { return true; }).status)) {
      state.SkipWithError("save failed");
    }
  }
}

// The floor of a save: one safe replace of each file with its own bytes.
void BM_OneSafeReplacePerFile(benchmark::State& state) {
  SampleWorkspace& ws = SharedWorkspace(static_cast<int>(state.range(0)));
  std::vector<std::pair<std::u16string, std::string>> contents;
  Workspace workspace;
  workspace.Open(ws.folder);
  workspace.ForEachResourceFile([&](std::u16string_view name) {
    std::string bytes;
    const std::u16string path = ws.folder + u"/" + std::u16string(name);
    ReadWholeFile(path, bytes);
    contents.emplace_back(path, bytes);
  });
  for (auto _ : state) {
    for (const auto& [path, bytes] : contents) ReplaceFileSafely(path, bytes);
  }
}

// One record changed among all: the save writes one file and reads no other.
void BM_SaveOneChangedRecord(benchmark::State& state) {
  SampleWorkspace& ws = SharedWorkspace(static_cast<int>(state.range(0)));
  ResourceStore store(ws.folder);
  LoadStore(store);
  const auto record = FirstRecords(store, 1).front();
  int round = 0;
  for (auto _ : state) {
    record->alignment = ++round % 2 ? u"Big Endian" : u"";
    if (Failed(store.SaveChanged([](const ResourceRecord&, bool) { return true; }).status)) {
      state.SkipWithError("save failed");
    }
  }
}

constexpr int kSmall = 1000;
constexpr int kMedium = 10000;
constexpr int kLarge = 100000;

BENCHMARK(BM_StartUpEditor)
    ->Arg(kSmall)
    ->Arg(kMedium)
    ->Arg(kLarge)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ListAndReadEveryFile)
    ->Arg(kSmall)
    ->Arg(kMedium)
    ->Arg(kLarge)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveChangedRecords)->Arg(kSmall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneSafeReplacePerFile)->Arg(kSmall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOneChangedRecord)->Arg(kLarge)->Unit(benchmark::kMillisecond);

/* The peak memory of one start-up, in a process of its own. */

// The child's part: one start-up on the program folder `folder`, then how many records it
// loaded and its peak resident size.
int ReportPeakMemory(const char* folder) {
  const std::size_t loaded = StartEditor(Utf8ToUtf16(std::string(folder) + "/tirvane-editor"));
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) std::printf("%zu %s\n", loaded, line.c_str() + 6);
  }
  return 0;
}

// Runs this program with --peak-memory on a workspace of `count` files and returns the
// peak of its start-up in MB, or -1.
double PeakMemoryOfStartUp(int count) {
  const std::string folder = SharedWorkspace(count).programFolder();
  char exe[4096];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return -1;
  exe[n] = '\0';
  char out[] = "/tmp/tirv-bench-peak-XXXXXX";
  const int fd = ::mkstemp(out);
  if (fd < 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fd, 1);
  char* argv[] = {exe, const_cast<char*>("--peak-memory"), const_cast<char*>(folder.c_str()),
                  nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, exe, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fd);
  int status = 0;
  double megabytes = -1;
  if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    std::ifstream report(out);
    std::size_t loaded = 0;
    double kilobytes = 0;
    if (report >> loaded >> kilobytes && loaded == static_cast<std::size_t>(count)) {
      megabytes = kilobytes / 1024.0;
    }
  }
  ::unlink(out);
  return megabytes;
}

/* The summary: every ratio next to its goal. */

class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      std::string name = run.run_name.function_name + "/" + run.run_name.args;
      millis_[name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintSummary(double peakMegabytes) const {
    std::printf("\nStart-up to the window shown, against listing and reading every file once\n");
    PrintRatio("1,000 files  ", "BM_StartUpEditor/1000", "BM_ListAndReadEveryFile/1000", 2.0);
    PrintRatio("10,000 files ", "BM_StartUpEditor/10000", "BM_ListAndReadEveryFile/10000", 2.0);
    PrintRatio("100,000 files", "BM_StartUpEditor/100000", "BM_ListAndReadEveryFile/100000", 2.0);
    PrintRatio("100,000 against 10,000", "BM_StartUpEditor/100000", "BM_StartUpEditor/10000", 12.0);
    std::printf("\nSaving\n");
    PrintRatio("1,000 changed records, against one safe replace per file",
               "BM_SaveChangedRecords/1000", "BM_OneSafeReplacePerFile/1000", 1.2);
    PrintRatio("1 changed record of 100,000, against reading every file",
               "BM_SaveOneChangedRecord/100000", "BM_ListAndReadEveryFile/100000", 2.0);
    std::printf("\nPeak memory of a start-up on 100,000 files: ");
    if (peakMegabytes < 0) {
      std::printf("not measured\n");
    } else {
      std::printf("%.1f MB  (goal at most 100 MB, %s)\n", peakMegabytes,
                  peakMegabytes <= 100 ? "met" : "MISSED");
    }
  }

 private:
  void PrintRatio(const char* what, const std::string& measured, const std::string& floor,
                  double goal) const {
    const auto m = millis_.find(measured);
    const auto f = millis_.find(floor);
    std::printf("%s: ", what);
    if (m == millis_.end() || f == millis_.end()) {
      std::printf("not measured  (goal at most %.1fx)\n", goal);
      return;
    }
    const double ratio = m->second / f->second;
    std::printf("%.1f ms against %.1f ms = %.2fx  (goal at most %.1fx, %s)\n", m->second, f->second,
                ratio, goal, ratio <= goal ? "met" : "MISSED");
  }
  std::map<std::string, double> millis_;
};

// Takes `flag` out of the arguments; true when it was there.
bool TakeFlag(int& argc, char** argv, const char* flag) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], flag) != 0) continue;
    for (int j = i; j < argc; ++j) argv[j] = argv[j + 1];
    --argc;
    return true;
  }
  return false;
}

}  // namespace
}  // namespace tirv

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc == 3 && std::strcmp(argv[1], "--peak-memory") == 0) {
    return tirv::ReportPeakMemory(argv[2]);
  }
  const bool withoutPeak = tirv::TakeFlag(argc, argv, "--no-peak-memory");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tirv::Collector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary(withoutPeak ? -1 : tirv::PeakMemoryOfStartUp(tirv::kLarge));
  benchmark::Shutdown();
  return 0;
}
