// Start-up of the editor on large workspaces, and saving every resource, each against
// the bare cost of the same file work.
//
// Start-up runs the real editor dialog on real Qt widgets (offscreen) up to the moment
// the window is shown; its floor reads the same files with LoadResourceFile alone.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor_dialog.h"
#include "file_search.h"
#include "files.h"
#include "resource_file.h"
#include "template_dialog.h"
#include "text.h"

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
struct Workspace {
  BenchFolder dir;
  std::u16string modulePath;
  std::u16string folder;
  explicit Workspace(int count) {
    WriteBytes(dir.File("TirvOPC.ini"), "[Settings]\r\nCustomWorkspace=./ws\r\n\r\n");
    ::mkdir(dir.File("ws").c_str(), 0755);
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "ws/Res%05d.opc", (i * 7919) % count);
      WriteBytes(dir.File(name), ResourceFileBytes(i));
    }
    modulePath = dir.WFile("tirvane-editor");
    folder = dir.WFile("ws");
  }
};

Workspace& SharedWorkspace(int count) {
  static std::map<int, std::unique_ptr<Workspace>> workspaces;
  auto& slot = workspaces[count];
  if (!slot) slot = std::make_unique<Workspace>(count);
  return *slot;
}

class NoEditor : public ResourceEditorLink {
 public:
  void SelectPortKind(std::int32_t) override {}
  void ApplicationMessageBox(std::u16string_view) override {}
};

// Every "*.opc" name of the folder, in the order the file system returns them.
std::vector<std::u16string> ResourceFileNames(const std::u16string& folder) {
  std::vector<std::u16string> names;
  FileSearch search;
  std::u16string name;
  for (bool more = search.First(folder + u"/*.opc", name); more;
       more = search.Next(name) == SearchStep::kFound) {
    names.push_back(name);
  }
  search.Close();
  return names;
}

void BM_StartUpEditor(benchmark::State& state) {
  Workspace& ws = SharedWorkspace(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    EditorEnvironment environment;
    environment.modulePath = [&ws](std::u16string& path) {
      path = ws.modulePath;
      return true;
    };
    environment.endProcess = [](int) { std::abort(); };
    EditorDialog editor(environment);
    TemplateDialog window(editor, nullptr);
    editor.OnInitDialog(window);
    window.show();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(editor.currentName);
    if (editor.resourceList.Count() != static_cast<std::size_t>(state.range(0))) {
      state.SkipWithError("not every resource was loaded");
    }
  }
}

// The floor: the same files read into records, in the same order, with no dialog.
void BM_LoadResourceFilesOnly(benchmark::State& state) {
  Workspace& ws = SharedWorkspace(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ResourceList list;
    NoEditor editor;
    ResourceFiles files(list, ws.folder, editor);
    for (const std::u16string& name : ResourceFileNames(ws.folder)) files.LoadResourceFile(name);
    benchmark::DoNotOptimize(list.Count());
  }
}

void BM_SaveAllResources(benchmark::State& state) {
  Workspace& ws = SharedWorkspace(static_cast<int>(state.range(0)));
  ResourceList list;
  NoEditor editor;
  ResourceFiles files(list, ws.folder, editor);
  for (const std::u16string& name : ResourceFileNames(ws.folder)) files.LoadResourceFile(name);
  for (auto _ : state) {
    if (Failed(files.SaveAllResources())) state.SkipWithError("save failed");
  }
}

// The floor of a save: three safe replaces of each file's bytes, as three one-shot
// writes need at the least.
void BM_ThreeSafeReplacesPerFile(benchmark::State& state) {
  Workspace& ws = SharedWorkspace(static_cast<int>(state.range(0)));
  std::vector<std::pair<std::u16string, std::string>> contents;
  for (const std::u16string& name : ResourceFileNames(ws.folder)) {
    std::string bytes;
    ReadWholeFile(JoinPath(ws.folder, name), bytes);
    contents.emplace_back(JoinPath(ws.folder, name), bytes);
  }
  for (auto _ : state) {
    for (const auto& [path, bytes] : contents) {
      for (int k = 0; k < 3; ++k) ReplaceFileSafely(path, bytes);
    }
  }
}

BENCHMARK(BM_StartUpEditor)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadResourceFilesOnly)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveAllResources)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThreeSafeReplacesPerFile)->Arg(1000)->Unit(benchmark::kMillisecond);

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

  void PrintSummary() const {
    std::printf("\nStart-up to the dialog ready, against reading the same files alone\n");
    PrintRatio("1,000 files ", "BM_StartUpEditor/1000", "BM_LoadResourceFilesOnly/1000", 2.0);
    PrintRatio("10,000 files", "BM_StartUpEditor/10000", "BM_LoadResourceFilesOnly/10000", 3.0);
    std::printf("\nSaving 1,000 resources, against three safe replaces per file\n");
    PrintRatio("SaveAllResources", "BM_SaveAllResources/1000", "BM_ThreeSafeReplacesPerFile/1000",
               0);
  }

 private:
  void PrintRatio(const char* what, const std::string& measured, const std::string& floor,
                  double goal) const {
    const auto m = millis_.find(measured);
    const auto f = millis_.find(floor);
    if (m == millis_.end() || f == millis_.end()) return;  // left out by a filter
    const double ratio = m->second / f->second;
    std::printf("%s: %.1f ms against %.1f ms = %.2fx", what, m->second, f->second, ratio);
    if (goal > 0) std::printf("  (goal at most %.1fx, %s)", goal, ratio <= goal ? "met" : "MISSED");
    std::printf("\n");
  }
  std::map<std::string, double> millis_;
};

}  // namespace
}  // namespace tirv

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tirv::Collector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
