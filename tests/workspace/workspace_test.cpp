// Workspace loading on real folders: the configured text resolved beside the program,
// the start-up outcomes that end the process, and the enumeration of "*.opc" entries.
#include <dirent.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "files.h"
#include "syscalls.h"
#include "temp_dir.h"
#include "text.h"
#include "workspace.h"

namespace tirv {
namespace {

using testing::FileExists;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kTitle = "Tirvane OPC-Server 2.0 Resource Editor";

// Stands in for the editor dialog and writes down what the loading did, in order.
struct RecordingHost : WorkspaceHost {
  int ResourceEntryCount() override { return 0; }
  void ClearResourceEntries() override { events.push_back("clear"); }
  void SelectPortKind(std::int32_t kind) override {
    events.push_back("select " + std::to_string(kind));
  }
  Status LoadResourceFile(std::u16string_view fileName) override {
    events.push_back("load " + Utf16ToUtf8(fileName));
    loaded.push_back(Utf16ToUtf8(fileName));
    return kGeneralFailure;  // the loading goes on whatever a file gives
  }
  Status RefreshResourceList() override {
    events.push_back("refresh");
    if (refreshStatuses.empty()) return 0;
    const Status s = refreshStatuses.front();
    refreshStatuses.pop_front();
    return s;
  }
  void ApplicationMessageBox(std::u16string_view text) override {
    events.push_back("app: " + Utf16ToUtf8(text));
  }
  int OwnedMessageBox(std::u16string_view text, std::u16string_view caption, int type) override {
    events.push_back("box " + std::to_string(type) + " [" + Utf16ToUtf8(caption) +
                     "]: " + Utf16ToUtf8(text));
    return answer;
  }
  void EndProcess(int exitCode) override { events.push_back("exit " + std::to_string(exitCode)); }

  std::vector<std::string> events;
  std::vector<std::string> loaded;
  std::deque<Status> refreshStatuses;
  int answer = kAnswerNo;
};

// A program folder "bin" with its TirvOPC.ini; the executable's path is injected.
struct Rig {
  TempDir dir;
  std::string bin = dir.File("bin");
  RecordingHost host;
  WorkspaceFolders folders;
  WorkspaceLoader loader{host, folders, [this](std::u16string& path) {
                           path = U16(bin + "/tirvane-editor");
                           return true;
                         }};

  Rig() { ::mkdir(bin.c_str(), 0755); }
  void Ini(const std::string& bytes) const { WriteBytes(bin + "/TirvOPC.ini", bytes); }
  void Workspace(const std::string& text) const {
    Ini("[Settings]\r\nCustomWorkspace=" + text + "\r\n\r\n");
  }
};

std::vector<std::string> Prologue() { return {"select 6", "clear"}; }

std::vector<std::string> With(std::vector<std::string> events,
                              const std::vector<std::string>& more) {
  events.insert(events.end(), more.begin(), more.end());
  return events;
}

// The order in which the file system lists `folder`, restricted to `names`.
std::vector<std::string> DirectoryOrder(const std::string& folder,
                                        const std::set<std::string>& names) {
  std::vector<std::string> order;
  DIR* dir = ::opendir(folder.c_str());
  while (const dirent* entry = ::readdir(dir)) {
    if (names.count(entry->d_name) != 0) order.push_back(entry->d_name);
  }
  ::closedir(dir);
  return order;
}

TEST(ResolveWorkspacePathTest, ResolvesRelativeColonAndFullPathsAndRefusesTheRest) {
  struct Case {
    const char16_t* text;
    Status status;
    const char16_t* resolved;
  };
  const Case cases[] = {
      {u".\\ws", 0, u"/apps/ed/ws"},
      {u"./ws", 0, u"/apps/ed/ws"},
      {u"./ws/sub", 0, u"/apps/ed/ws/sub"},
      {u".\\ws\\sub", 0, u"/apps/ed/ws\\sub"},        // only the first two characters are replaced
      {u" \t\r\n\v\f./ws \t", 0, u"/apps/ed/ws \t"},  // white space at the end stays
      {u".\\", 0, u"/apps/ed/"},
      {u"C:\\ws", 0, u"C:\\ws"},
      {u".\\a:b", 0, u".\\a:b"},
      {u"  D:\\ws", 0, u"D:\\ws"},
      {u"/srv/opc/ws", 0, u"/srv/opc/ws"},
      {u" /srv/opc/ws", 0, u"/srv/opc/ws"},
      {u"\\Temp\\ws", kGeneralFailure, u"\\Temp\\ws"},
      {u"file not found", kGeneralFailure, u"file not found"},
      {u"ws", kGeneralFailure, u"ws"},
      {u"../ws", kGeneralFailure, u"../ws"},
      {u".ws", kGeneralFailure, u".ws"},
      {u"", kGeneralFailure, u""},
  };
  RecordingHost host;
  WorkspaceFolders folders;
  WorkspaceLoader loader(host, folders, [](std::u16string& path) {
    path = u"/apps/ed/tirvane-editor";
    return true;
  });
  for (const Case& c : cases) {
    std::u16string text = c.text;
    EXPECT_EQ(loader.ResolveWorkspacePath(text), c.status) << Utf16ToUtf8(c.text);
    EXPECT_EQ(text, c.resolved) << Utf16ToUtf8(c.text);
  }

  // Without the module's path a relative text stays as it is, and counts as resolved.
  WorkspaceLoader blind(host, folders, [](std::u16string&) { return false; });
  std::u16string text = u"./ws";
  EXPECT_EQ(blind.ResolveWorkspacePath(text), 0);
  EXPECT_EQ(text, u"./ws");
}

TEST(FindProgramFolderTest, KeepsTheFolderWithItsSeparatorAndNothingWithoutOne) {
  RecordingHost host;
  WorkspaceFolders folders;
  std::u16string module = u"/apps/ed/tirvane-editor";
  WorkspaceLoader loader(host, folders, [&module](std::u16string& path) {
    path = module;
    return true;
  });
  EXPECT_EQ(loader.FindProgramFolder(), 0);
  EXPECT_EQ(folders.programFolder, u"/apps/ed/");

  module = u"tirvane-editor";
  EXPECT_EQ(loader.FindProgramFolder(), kGeneralFailure);
  EXPECT_EQ(folders.programFolder, u"/apps/ed/");

  // By default the folder of the running executable, links resolved.
  WorkspaceFolders own;
  WorkspaceLoader running(host, own);
  EXPECT_EQ(running.FindProgramFolder(), 0);
  char* exe = ::realpath("/proc/self/exe", nullptr);
  const std::string exePath(exe);
  std::free(exe);
  EXPECT_EQ(Utf16ToUtf8(own.programFolder), exePath.substr(0, exePath.rfind('/') + 1));
}

TEST(LoadWorkspaceTest, WithoutTheIniFileTheProcessEndsWithCodeZero) {
  Rig rig;
  ::mkdir((rig.bin + "/ws").c_str(), 0755);
  EXPECT_EQ(rig.loader.LoadWorkspace(), kProcessEnded);
  EXPECT_EQ(rig.host.events, With(Prologue(), {"app: There is no ini file", "exit 0"}));
  EXPECT_EQ(rig.folders.programFolder, U16(rig.bin + "/"));
}

TEST(LoadWorkspaceTest, AWorkspaceTextThatCannotBeResolvedEndsTheProcess) {
  const std::string refused =
      "app: Error converting workspace path, this program will now shut down";
  const char* inis[] = {
      "[Settings]\r\nCustomWorkspace=\\Temp\\ws\r\n",
      "[Settings]\r\nCustomWorkspace=ws\r\n",
      "[Settings]\r\nCustomWorkspace=\r\n",
      "[Settings]\r\nOther=./ws\r\n",
      "[Elsewhere]\r\nCustomWorkspace=./ws\r\n",
      "[Settings]\r\nCustomWorkspace=./ws\r\nthis line is no entry\r\n",  // cannot be loaded
      "",
  };
  for (const char* ini : inis) {
    SCOPED_TRACE(ini);
    Rig rig;
    ::mkdir((rig.bin + "/ws").c_str(), 0755);
    rig.Ini(ini);
    EXPECT_EQ(rig.loader.LoadWorkspace(), kProcessEnded);
    EXPECT_EQ(rig.host.events, With(Prologue(), {refused, "exit 0"}));
  }
}

TEST(LoadWorkspaceTest, AMissingFolderDeclinedEndsTheProcessAndCreatesNothing) {
  Rig rig;
  rig.Workspace(".\\ws");
  EXPECT_EQ(rig.loader.LoadWorkspace(), kProcessEnded);
  EXPECT_EQ(rig.host.events,
            With(Prologue(), {"box 36 [" + std::string(kTitle) + "]: The folder " + rig.bin +
                                  "/ws does not exist, \n\n would you like it to be created for "
                                  "you?",
                              "exit 0"}));
  EXPECT_FALSE(FileExists(rig.bin + "/ws"));
}

TEST(LoadWorkspaceTest, AMissingFolderAcceptedIsCreatedAndNothingElseHappens) {
  Rig rig;
  rig.Workspace("./ws");
  rig.host.answer = kAnswerYes;
  EXPECT_GE(rig.loader.LoadWorkspace(), 0);
  ASSERT_EQ(rig.host.events.size(), 3u);
  EXPECT_EQ(rig.host.events[2].substr(0, 8), "box 36 [");
  struct stat st;
  ASSERT_EQ(::stat((rig.bin + "/ws").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(rig.folders.workspaceFolder, U16(rig.bin + "/ws"));
}

TEST(LoadWorkspaceTest, AFolderThatCannotBeCreatedFailsWithoutEndingTheProcess) {
  Rig rig;
  rig.Workspace("./ws/sub");  // only one folder is created: ws is missing too
  rig.host.answer = kAnswerYes;
  EXPECT_EQ(rig.loader.LoadWorkspace(), kGeneralFailure);
  ASSERT_EQ(rig.host.events.size(), 3u);
  EXPECT_NE(rig.host.events[2].find("The folder " + rig.bin + "/ws/sub does not exist"),
            std::string::npos);
  EXPECT_FALSE(FileExists(rig.bin + "/ws"));
}

TEST(LoadWorkspaceTest, AFolderWithoutOpcEntriesIsReportedAndLoadsNothing) {
  const std::string noFiles =
      "box 64 [" + std::string(kTitle) +
      "]: There are no files of type .opc, select Add Resource to create one";
  Rig rig;
  ::mkdir((rig.bin + "/ws").c_str(), 0755);
  WriteBytes(rig.bin + "/ws/notes.txt", "[a]\r\n");
  WriteBytes(rig.bin + "/ws/Line1.opc.bak", "[a]\r\n");
  rig.Workspace("./ws");
  EXPECT_GE(rig.loader.LoadWorkspace(), 0);
  EXPECT_EQ(rig.host.events, With(Prologue(), {noFiles}));
  EXPECT_EQ(rig.folders.customWorkspace, U16(rig.bin + "/ws/*.opc"));

  // A workspace path that names a file exists, but its search finds nothing.
  Rig onFile;
  WriteBytes(onFile.bin + "/plain", "");
  onFile.Workspace("./plain");
  EXPECT_GE(onFile.loader.LoadWorkspace(), 0);
  EXPECT_EQ(onFile.host.events, With(Prologue(), {noFiles}));
}

TEST(LoadWorkspaceTest, EveryOpcEntryIsLoadedInSearchOrderWithARefreshAfterEach) {
  Rig rig;
  const std::string ws = rig.dir.File("shared ws");  // a full path, used as written
  ::mkdir(ws.c_str(), 0755);
  for (const char* name : {"a.opc", "b.opc", "c.opc", "Plant.OPC", "notes.txt", "c.opc.old"}) {
    WriteBytes(ws + "/" + name, "[Online]\r\n");
  }
  ::mkdir((ws + "/x.opc").c_str(), 0755);  // a folder is handed on like a file
  rig.Workspace(ws);
  rig.host.refreshStatuses = {kGeneralFailure, kGeneralFailure, 0, kGeneralFailure, 7};

  EXPECT_EQ(rig.loader.LoadWorkspace(), 7);  // the status of the last refresh
  const std::vector<std::string> order =
      DirectoryOrder(ws, {"a.opc", "b.opc", "c.opc", "Plant.OPC", "x.opc"});
  ASSERT_EQ(order.size(), 5u);
  std::vector<std::string> expected = Prologue();
  for (const std::string& name : order) expected = With(expected, {"load " + name, "refresh"});
  EXPECT_EQ(rig.host.events, expected);
  EXPECT_EQ(rig.folders.workspaceFolder, U16(ws));
  EXPECT_EQ(rig.folders.customWorkspace, U16(ws + "/*.opc"));

  // A failed last refresh is the loading's failure.
  Rig again;
  again.Workspace(ws);
  again.host.refreshStatuses = {0, 0, 0, 0, kGeneralFailure};
  EXPECT_EQ(again.loader.LoadWorkspace(), kGeneralFailure);
  EXPECT_EQ(again.host.loaded, order);
}

TEST(LoadWorkspaceTest, TheProgramFolderItselfCanBeTheWorkspace) {
  Rig rig;
  rig.Workspace(".\\");
  WriteBytes(rig.bin + "/only.opc", "[Online]\r\n");
  EXPECT_EQ(rig.loader.LoadWorkspace(), 0);
  EXPECT_EQ(rig.folders.workspaceFolder, U16(rig.bin + "/"));
  EXPECT_EQ(rig.folders.customWorkspace, U16(rig.bin + "//*.opc"));
  EXPECT_EQ(rig.host.loaded, std::vector<std::string>{"only.opc"});
}

TEST(LoadWorkspaceTest, AWorkspaceTextLongerThanAHundredCharactersIsUsedWhole) {
  Rig rig;
  const std::string name(150, 'w');
  ::mkdir((rig.bin + "/" + name).c_str(), 0755);
  WriteBytes(rig.bin + "/" + name + "/deep.opc", "[Online]\r\n");
  rig.Workspace("./" + name);
  EXPECT_EQ(rig.loader.LoadWorkspace(), 0);
  EXPECT_EQ(rig.folders.workspaceFolder, U16(rig.bin + "/" + name));
  EXPECT_EQ(rig.host.loaded, std::vector<std::string>{"deep.opc"});
}

// Fails the directory reading after the first ".opc" entry, or the closing of it.
class FailingSearch : public SysCalls {
 public:
  bool failReading = false;
  bool failClosing = false;
  int readsAfterFailure = 0;

  struct dirent* Readdir(DIR* dir) override {
    if (failed_) {
      ++readsAfterFailure;
      errno = EIO;
      return nullptr;
    }
    struct dirent* entry = SysCalls::Readdir(dir);
    if (failReading && entry != nullptr && std::string(entry->d_name).ends_with(".opc")) {
      failed_ = true;
    }
    return entry;
  }
  int Closedir(DIR* dir) override {
    const int rc = SysCalls::Closedir(dir);
    return failClosing ? -1 : rc;
  }

 private:
  bool failed_ = false;
};

// Puts the failing layer in place for one scope.
struct Installed {
  explicit Installed(SysCalls& layer) : previous(InstallSysCalls(&layer)) {}
  ~Installed() { InstallSysCalls(previous); }
  SysCalls* previous;
};

TEST(LoadWorkspaceTest, ASearchThatBreaksOrCannotCloseFailsTheLoading) {
  Rig rig;
  ::mkdir((rig.bin + "/ws").c_str(), 0755);
  for (const char* name : {"a.opc", "b.opc", "c.opc"}) {
    WriteBytes(rig.bin + "/ws/" + name, "[Online]\r\n");
  }
  rig.Workspace("./ws");
  {
    FailingSearch layer;
    layer.failReading = true;
    Installed installed(layer);
    EXPECT_EQ(rig.loader.LoadWorkspace(), kGeneralFailure);
    EXPECT_EQ(layer.readsAfterFailure, 1);  // the enumeration ends at the failure
  }
  ASSERT_EQ(rig.host.loaded.size(), 1u);
  EXPECT_EQ(rig.host.events, With(Prologue(), {"load " + rig.host.loaded[0], "refresh"}));

  Rig closing;
  closing.Workspace(rig.bin + "/ws");
  {
    FailingSearch layer;
    layer.failClosing = true;
    Installed installed(layer);
    EXPECT_EQ(closing.loader.LoadWorkspace(), kGeneralFailure);
  }
  EXPECT_EQ(closing.host.loaded.size(), 3u);
}

}  // namespace
}  // namespace tirv
