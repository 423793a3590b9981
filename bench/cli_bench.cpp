// tirvane-resources on large workspaces, each command against the bare cost of the file
// work it cannot avoid: `list --json`, `validate` and `apply` of a document that changes
// nothing (the workspace's own export) against listing the folder and reading each file
// once, `set` of one resource among 100,000 against one safe replace of one file.
//
// The goals are judged on the tool's entry point run in this process: starting a
// program costs a few milliseconds of loading and linking whatever the workspace holds,
// as much as the safe replace that `set` is held against, and says nothing about the
// tool's own work. The real executable runs each command too, the way scripts meet it,
// and its figures are printed beside, for information.
//
// Each ratio is given in elapsed time and in processor time (user and system, the
// child's for the real executable): on a machine that other work keeps busy, elapsed
// times stretch with whatever else runs, while processor time still tells the work done.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/resources_tool.h"
#include "platform/files.h"
#include "platform/text.h"
#include "read_floor.h"

extern char** environ;

namespace tirv {
namespace {

const char* const kPortTexts[] = {"V24 1 9600 8 1 0 2000 0", "V24 3 19200 7 2 1 500 0",
                                  "SIM SimHost.dll Vsim1.Vsim1", "DLL netdrv.dll -ip127.0.0.1"};

std::string ResourceFileBytes(int i) {
  const bool serial = i % 4 < 2;
  return std::string("[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.") +
         (i % 3 == 0 ? "BE" : "LE") +
         ".20\r\nDescription=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n\r\n[Online]\r\n"
         "ComTeleLength=" +
         (serial ? "256" : "1428") + "\r\nComPort=" + kPortTexts[i % 4] + "\r\n\r\n";
}

// A workspace folder of `count` resource files, removed at exit.
class Workspace {
 public:
  explicit Workspace(int count) {
    std::string pattern = "/tmp/tirv-cli-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/Res%06d.opc", (i * 7919) % count);
      std::ofstream(folder_ + name, std::ios::binary) << ResourceFileBytes(i);
    }
  }
  ~Workspace() {
    std::filesystem::remove_all(folder_);
    if (!document_.empty()) std::filesystem::remove(document_);
  }
  const std::string& folder() const { return folder_; }
  /// A file beside the folder with the workspace's export: a document that changes nothing.
  const std::string& UnchangedDocument();

 private:
  std::string folder_;
  std::string document_;
};

Workspace& SharedWorkspace(int count) {
  static std::map<int, std::unique_ptr<Workspace>> workspaces;
  auto& slot = workspaces[count];
  if (!slot) slot = std::make_unique<Workspace>(count);
  return *slot;
}

// The tool in this process; what it prints is counted, not kept.
int RunInProcess(const std::vector<std::string>& arguments, std::size_t& printed) {
  cli::ToolConsole console;
  console.out = [&printed](std::string_view text) { printed += text.size(); };
  console.err = [](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); };
  console.readLine = [](std::string&) { return false; };
  console.modulePath = RunningModulePath();
  return cli::RunResourcesTool(arguments, console);
}

const std::string& Workspace::UnchangedDocument() {
  if (!document_.empty()) return document_;
  std::string text;
  cli::ToolConsole console;
  console.out = [&text](std::string_view part) { text += part; };
  console.err = [](std::string_view part) { std::fwrite(part.data(), 1, part.size(), stderr); };
  console.modulePath = RunningModulePath();
  if (cli::RunResourcesTool({"--workspace", folder_, "export"}, console) != 0) std::abort();
  document_ = folder_ + ".json";
  std::ofstream(document_, std::ios::binary) << text;
  return document_;
}

// The real executable, its output thrown away; its exit status. Its processor time is
// added to `cpuSeconds`.
int RunExecutable(const std::vector<std::string>& arguments, double& cpuSeconds) {
  std::vector<std::string> all = {TIRV_RESOURCES_PATH};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int status = 0;
  rusage usage{};
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)) return -1;
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  cpuSeconds += seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return WEXITSTATUS(status);
}

// Runs the tool one way or the other; the executable's processor time goes into the
// benchmark's "child_cpu" counter.
class ToolRunner {
 public:
  ToolRunner(benchmark::State& state, bool inProcess) : state_(state), inProcess_(inProcess) {}
  ~ToolRunner() {
    if (!inProcess_) {
      state_.counters["child_cpu"] =
          benchmark::Counter(childCpu_, benchmark::Counter::kAvgIterations);
    }
  }
  double childCpu() const { return childCpu_; }
  int Run(const std::vector<std::string>& arguments) {
    std::size_t printed = 0;
    const int code =
        inProcess_ ? RunInProcess(arguments, printed) : RunExecutable(arguments, childCpu_);
    benchmark::DoNotOptimize(printed);
    return code;
  }

 private:
  benchmark::State& state_;
  bool inProcess_;
  double childCpu_ = 0;
};

void BM_ListJson(benchmark::State& state, bool inProcess) {
  const std::string& folder = SharedWorkspace(static_cast<int>(state.range(0))).folder();
  ToolRunner tool(state, inProcess);
  for (auto _ : state) {
    if (tool.Run({"--workspace", folder, "list", "--json"}) != 0) {
      state.SkipWithError("list failed");
    }
  }
}

void BM_Validate(benchmark::State& state, bool inProcess) {
  const std::string& folder = SharedWorkspace(static_cast<int>(state.range(0))).folder();
  ToolRunner tool(state, inProcess);
  for (auto _ : state) {
    if (tool.Run({"--workspace", folder, "validate"}) != 0) {
      state.SkipWithError("validate failed");
    }
  }
}

void BM_ApplyUnchanged(benchmark::State& state, bool inProcess) {
  Workspace& workspace = SharedWorkspace(static_cast<int>(state.range(0)));
  const std::string document = workspace.UnchangedDocument();
  ToolRunner tool(state, inProcess);
  for (auto _ : state) {
    if (tool.Run({"--workspace", workspace.folder(), "apply", document}) != 0) {
      state.SkipWithError("apply failed");
    }
  }
}

double Seconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

// This process's processor time so far, in seconds.
double ProcessorSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One resource's byte order flips each round, so every set writes its file; each round
// also replaces another file of the workspace safely, the floor, so that both meet the
// same disk: a flush takes from one to many milliseconds as other work comes and goes.
// Their times are the counters set_ms, replace_ms, set_cpu_ms and replace_cpu_ms.
void BM_SetOne(benchmark::State& state, bool inProcess) {
  const std::string& folder = SharedWorkspace(static_cast<int>(state.range(0))).folder();
  const std::u16string floorPath = Utf8ToUtf16(folder + "/Res000002.opc");
  std::string floorBytes;
  ReadWholeFile(floorPath, floorBytes);
  ToolRunner tool(state, inProcess);
  double set = 0, replace = 0, setCpu = 0, replaceCpu = 0;
  int round = 0;
  for (auto _ : state) {
    const char* order = ++round % 2 ? "alignment=big" : "alignment=little";
    const auto start = std::chrono::steady_clock::now();
    const double startCpu = inProcess ? ProcessorSeconds() : tool.childCpu();
    if (tool.Run({"--workspace", folder, "set", "Res000001", order}) != 0) {
      state.SkipWithError("set failed");
    }
    const auto between = std::chrono::steady_clock::now();
    setCpu += (inProcess ? ProcessorSeconds() : tool.childCpu()) - startCpu;
    const double betweenCpu = ProcessorSeconds();
    ReplaceFileSafely(floorPath, floorBytes);
    replace += Seconds(std::chrono::steady_clock::now() - between);
    replaceCpu += ProcessorSeconds() - betweenCpu;
    set += Seconds(between - start);
  }
  const auto perRound = [](double seconds) {
    return benchmark::Counter(seconds * 1e3, benchmark::Counter::kAvgIterations);
  };
  state.counters["set_ms"] = perRound(set);
  state.counters["replace_ms"] = perRound(replace);
  state.counters["set_cpu_ms"] = perRound(setCpu);
  state.counters["replace_cpu_ms"] = perRound(replaceCpu);
}

// The floor of list and validate: list the folder and read each file once.
void BM_ListAndReadEveryFile(benchmark::State& state) {
  const std::string folder = SharedWorkspace(static_cast<int>(state.range(0))).folder();
  for (auto _ : state) benchmark::DoNotOptimize(bench::ListAndReadEveryFile(folder));
}

constexpr int kMedium = 10000;
constexpr int kLarge = 100000;

void Register() {
  for (const bool inProcess : {false, true}) {
    const std::string how = inProcess ? "/in_process" : "/executable";
    benchmark::RegisterBenchmark(("BM_ListJson" + how).c_str(), BM_ListJson, inProcess)
        ->Arg(kMedium)
        ->Arg(kLarge)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(("BM_Validate" + how).c_str(), BM_Validate, inProcess)
        ->Arg(kMedium)
        ->Arg(kLarge)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(("BM_ApplyUnchanged" + how).c_str(), BM_ApplyUnchanged, inProcess)
        ->Arg(kMedium)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(("BM_SetOne" + how).c_str(), BM_SetOne, inProcess)
        ->Arg(kLarge)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
  }
  benchmark::RegisterBenchmark("BM_ListAndReadEveryFile", BM_ListAndReadEveryFile)
      ->Arg(kMedium)
      ->Arg(kLarge)
      ->Unit(benchmark::kMillisecond)
      ->Repetitions(3)
      ->ReportAggregatesOnly(true);
}

/* The summary: every ratio next to its goal. */

class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      const std::string name = run.run_name.function_name + "/" + run.run_name.args;
      const auto child = run.counters.find("child_cpu");
      wall_[name] = run.GetAdjustedRealTime();
      for (const auto& [counter, value] : run.counters)
        counters_[name + ":" + counter] = value.value;
      // In milliseconds, the benchmarks' unit.
      cpu_[name] =
          child != run.counters.end() ? child->second.value * 1e3 : run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintSummary() const {
    for (const std::string how : {"in_process", "executable"}) {
      const bool judged = how == "in_process";
      std::printf("\n%s\n", judged ? "The entry point in this process (the goals)"
                                   : "The real executable, program start included "
                                     "(for information)");
      PrintRatio("list --json, 10,000 files ", "BM_ListJson/" + how + "/10000",
                 "BM_ListAndReadEveryFile/10000", judged);
      PrintRatio("list --json, 100,000 files", "BM_ListJson/" + how + "/100000",
                 "BM_ListAndReadEveryFile/100000", judged);
      PrintRatio("validate, 10,000 files    ", "BM_Validate/" + how + "/10000",
                 "BM_ListAndReadEveryFile/10000", judged);
      PrintRatio("validate, 100,000 files   ", "BM_Validate/" + how + "/100000",
                 "BM_ListAndReadEveryFile/100000", judged);
      PrintRatio("apply, unchanged, 10,000  ", "BM_ApplyUnchanged/" + how + "/10000",
                 "BM_ListAndReadEveryFile/10000", judged);
      PrintSetRatio("BM_SetOne/" + how + "/100000", judged);
    }
    std::printf(
        "(floors: listing the folder and reading every file once; one safe replace of\n"
        "another file in the same rounds as the set)\n");
  }

 private:
  static constexpr double kGoal = 2.0;

  void PrintRatio(const char* what, const std::string& measured, const std::string& floor,
                  bool judged) const {
    std::printf("%s:", what);
    for (const auto* times : {&wall_, &cpu_}) {
      const auto m = times->find(measured);
      const auto f = times->find(floor);
      std::printf("  %s ", times == &wall_ ? "elapsed" : "processor");
      if (m == times->end() || f == times->end()) {
        std::printf("not measured");
        continue;
      }
      const double ratio = m->second / f->second;
      std::printf("%.1f/%.1f ms = %.2fx", m->second, f->second, ratio);
      if (judged) std::printf(" (%s)", ratio <= kGoal ? "met" : "MISSED");
    }
    std::printf("  [goal at most %.1fx]\n", kGoal);
  }

  // Set against the safe replaces of the same rounds.
  void PrintSetRatio(const std::string& run, bool judged) const {
    std::printf("set of 1 in 100,000 files :");
    for (const char* kind : {"", "_cpu"}) {
      const auto set = counters_.find(run + ":set" + kind + "_ms");
      const auto floor = counters_.find(run + ":replace" + kind + "_ms");
      std::printf("  %s ", *kind == '\0' ? "elapsed" : "processor");
      if (set == counters_.end() || floor == counters_.end()) {
        std::printf("not measured");
        continue;
      }
      const double ratio = set->second / floor->second;
      std::printf("%.2f/%.2f ms = %.2fx", set->second, floor->second, ratio);
      if (judged) std::printf(" (%s)", ratio <= kGoal ? "met" : "MISSED");
    }
    std::printf("  [goal at most %.1fx]\n", kGoal);
  }

  std::map<std::string, double> wall_;
  std::map<std::string, double> cpu_;
  std::map<std::string, double> counters_;
};

}  // namespace
}  // namespace tirv

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tirv::Register();
  tirv::Collector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
