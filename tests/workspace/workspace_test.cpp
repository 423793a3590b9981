// The workspace on real folders: the configured text resolved beside the program, what
// every kind of ini file locates, and the "*.opc" entries in the file system's order.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/failing_syscalls.h"
#include "support/temp_dir.h"
#include "workspace/workspace.h"

namespace tirv {
namespace {

using testing::Call;
using testing::FailingSysCalls;
using testing::FileExists;
using testing::TempDir;
using testing::WriteBytes;

ModulePathSource ModuleAt(const std::string& path) {
  return [path](std::u16string& out) {
    out = U16(path);
    return true;
  };
}

// The order in which the file system lists `folder`, "." and ".." included.
std::vector<std::string> DirectoryOrder(const std::string& folder) {
  std::vector<std::string> order;
  DIR* dir = ::opendir(folder.c_str());
  while (const dirent* entry = ::readdir(dir)) order.push_back(entry->d_name);
  ::closedir(dir);
  return order;
}

std::vector<std::string> Only(const std::vector<std::string>& order,
                              const std::set<std::string>& names) {
  std::vector<std::string> kept;
  for (const std::string& name : order) {
    if (names.count(name) != 0) kept.push_back(name);
  }
  return kept;
}

std::vector<std::string> Names(const ResourceFileListing& listing) {
  std::vector<std::string> names;
  for (const std::u16string& name : listing.names) names.push_back(Utf16ToUtf8(name));
  return names;
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
  for (const Case& c : cases) {
    std::u16string text = c.text;
    EXPECT_EQ(ResolveWorkspacePath(text, ModuleAt("/apps/ed/tirvane-editor")), c.status)
        << Utf16ToUtf8(c.text);
    EXPECT_EQ(text, c.resolved) << Utf16ToUtf8(c.text);
  }

  // Without the module's path a relative text stays as it is, and counts as resolved.
  std::u16string text = u"./ws";
  EXPECT_EQ(ResolveWorkspacePath(text, [](std::u16string&) { return false; }), 0);
  EXPECT_EQ(text, u"./ws");
}

TEST(FindProgramFolderTest, KeepsTheFolderWithItsSeparatorAndNothingWithoutOne) {
  std::u16string folder;
  EXPECT_EQ(FindProgramFolder(ModuleAt("/apps/ed/tirvane-editor"), folder), 0);
  EXPECT_EQ(folder, u"/apps/ed/");
  EXPECT_EQ(FindProgramFolder(ModuleAt("tirvane-editor"), folder), kGeneralFailure);
  EXPECT_EQ(folder, u"/apps/ed/");

  // By default the folder of the running executable, links resolved.
  std::u16string own;
  EXPECT_EQ(FindProgramFolder(RunningModulePath(), own), 0);
  char* exe = ::realpath("/proc/self/exe", nullptr);
  const std::string exePath(exe);
  std::free(exe);
  EXPECT_EQ(Utf16ToUtf8(own), exePath.substr(0, exePath.rfind('/') + 1));
}

TEST(LocateWorkspaceTest, TellsWhatEveryKindOfIniFileLocates) {
  const std::string longName(150, 'w');
  struct Case {
    const char* what;
    std::optional<std::string> ini;  // none: no TirvOPC.ini; "<folder>": a folder of that name
    WorkspaceOutcome outcome;
    std::string configured = "";
    // The resolved folder below the program folder "bin", or a full path; a refused text.
    std::string folder = "";
    int error = 0;
    std::string listed = "";  // the one name the located folder lists, if any
  };
  const Case cases[] = {
      {"no ini file", std::nullopt, WorkspaceOutcome::kNoIniFile},
      {"an ini that is a folder", "<folder>", WorkspaceOutcome::kUnresolvable, "", "", EISDIR},
      {"a line that is no entry", "[Settings]\r\nCustomWorkspace=./ws\r\nno entry\r\n",
       WorkspaceOutcome::kUnresolvable},
      {"an empty file", "", WorkspaceOutcome::kUnresolvable, "file not found", "file not found"},
      {"a missing key", "[Settings]\r\nOther=./ws\r\n", WorkspaceOutcome::kUnresolvable,
       "file not found", "file not found"},
      {"the key in another section", "[Elsewhere]\r\nCustomWorkspace=./ws\r\n",
       WorkspaceOutcome::kUnresolvable, "file not found", "file not found"},
      {"an empty value", "[Settings]\r\nCustomWorkspace=\r\n", WorkspaceOutcome::kUnresolvable,
       "file not found", "file not found"},
      {"a rooted Windows path", "[Settings]\r\nCustomWorkspace=\\Temp\\ws\r\n",
       WorkspaceOutcome::kUnresolvable, "\\Temp\\ws", "\\Temp\\ws"},
      {"a bare name", "[Settings]\r\nCustomWorkspace=ws\r\n", WorkspaceOutcome::kUnresolvable, "ws",
       "ws"},
      {"a missing folder", "[Settings]\r\nCustomWorkspace=.\\missing\r\n",
       WorkspaceOutcome::kFolderMissing, ".\\missing", "missing"},
      {"a folder beside the program", "[Settings]\r\nCustomWorkspace=./ws\r\n",
       WorkspaceOutcome::kReady, "./ws", "ws", 0, "a.opc"},
      {"a full path, used as written", "[Settings]\r\nCustomWorkspace=/<root>/shared ws\r\n",
       WorkspaceOutcome::kReady, "/<root>/shared ws", "/<root>/shared ws", 0, "s.opc"},
      {"the program folder itself", "[Settings]\r\nCustomWorkspace=.\\\r\n",
       WorkspaceOutcome::kReady, ".\\", "", 0, "only.opc"},
      {"a text of 150 characters, used whole",
       "[Settings]\r\nCustomWorkspace=./" + longName + "\r\n", WorkspaceOutcome::kReady,
       "./" + longName, longName, 0, "deep.opc"},
      {"a file where the folder should be", "[Settings]\r\nCustomWorkspace=./plain\r\n",
       WorkspaceOutcome::kReady, "./plain", "plain"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string bin = dir.File("bin");
    ::mkdir(bin.c_str(), 0755);
    WriteBytes(bin + "/only.opc", "");
    ::mkdir((bin + "/ws").c_str(), 0755);
    WriteBytes(bin + "/ws/a.opc", "");
    ::mkdir((bin + "/" + longName).c_str(), 0755);
    WriteBytes(bin + "/" + longName + "/deep.opc", "");
    WriteBytes(bin + "/plain", "");
    ::mkdir(dir.File("shared ws").c_str(), 0755);
    WriteBytes(dir.File("shared ws/s.opc"), "");
    const auto rooted = [&dir](std::string text) {
      const std::size_t at = text.find("/<root>");
      return at == std::string::npos ? text : text.replace(at, 7, dir.path());
    };
    if (c.ini == "<folder>") {
      ::mkdir((bin + "/TirvOPC.ini").c_str(), 0755);
    } else if (c.ini) {
      WriteBytes(bin + "/TirvOPC.ini", rooted(*c.ini));
    }

    const WorkspaceLocation location = LocateWorkspace(ModuleAt(bin + "/tirvane-editor"));
    EXPECT_EQ(location.outcome, c.outcome);
    EXPECT_EQ(Utf16ToUtf8(location.programFolder), bin + "/");
    EXPECT_EQ(Utf16ToUtf8(location.iniPath), bin + "/TirvOPC.ini");
    EXPECT_EQ(Utf16ToUtf8(location.configured), rooted(c.configured));
    if (c.outcome == WorkspaceOutcome::kNoIniFile) continue;
    const bool resolved =
        c.outcome == WorkspaceOutcome::kReady || c.outcome == WorkspaceOutcome::kFolderMissing;
    EXPECT_EQ(Utf16ToUtf8(location.folder),
              resolved && !c.folder.starts_with("/") ? bin + "/" + c.folder : rooted(c.folder));
    EXPECT_EQ(location.error, c.error);
    if (c.outcome == WorkspaceOutcome::kReady) {
      EXPECT_EQ(Names(ListResourceFiles(location.folder)),
                c.listed.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.listed});
    }
  }
}

TEST(CreateWorkspaceFolderTest, CreatesOneFolderAndNoIntermediateOnes) {
  TempDir dir;
  int error = 0;
  EXPECT_TRUE(CreateWorkspaceFolder(dir.WFile("ws"), error));
  struct stat st;
  ASSERT_EQ(::stat(dir.File("ws").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  EXPECT_FALSE(CreateWorkspaceFolder(dir.WFile("missing/ws"), error));
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(FileExists(dir.File("missing")));
}

TEST(ListResourceFilesTest, ListsTheOpcEntriesInTheFileSystemsOrderFoldersIncluded) {
  TempDir dir;
  for (const char* name : {"a.opc", "b.opc", "c.opc", "Plant.OPC", "notes.txt", "c.opc.old",
                           "Line1.opc.bak", ".a.opc.tmp-1"}) {
    WriteBytes(dir.File(name), "[Online]\r\n");
  }
  ::mkdir(dir.File("x.opc").c_str(), 0755);
  const ResourceFileListing listing = ListResourceFiles(dir.wpath());
  const std::vector<std::string> expected =
      Only(DirectoryOrder(dir.path()), {"a.opc", "b.opc", "c.opc", "Plant.OPC", "x.opc"});
  ASSERT_EQ(expected.size(), 5u);
  EXPECT_EQ(Names(listing), expected);
  EXPECT_FALSE(listing.failed);
}

TEST(ListResourceFilesTest, AFolderThatCannotBeListedGivesNoNamesAndNoFailure) {
  struct Case {
    const char* what;
    const char* folder;
    Call failing;  // kCount: none
    int error;
  };
  const Case cases[] = {
      {"no opc entries", "", Call::kCount, 0},
      {"a missing folder", "/missing", Call::kCount, 0},
      {"a file instead of a folder", "/notes.txt", Call::kCount, 0},
      {"a folder that cannot be opened", "", Call::kOpendir, EACCES},
      {"a folder whose first read fails", "", Call::kReaddir, EIO},
  };
  TempDir dir;
  WriteBytes(dir.File("notes.txt"), "");
  WriteBytes(dir.File("Line1.opc.bak"), "");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.failing == Call::kCount) {
      const ResourceFileListing listing = ListResourceFiles(U16(dir.path() + c.folder));
      EXPECT_EQ(Names(listing), std::vector<std::string>{});
      EXPECT_FALSE(listing.failed);
      continue;
    }
    WriteBytes(dir.File("a.opc"), "");
    FailingSysCalls layer;
    layer.FailNth(c.failing, 1, c.error);
    const ResourceFileListing listing = ListResourceFiles(U16(dir.path() + c.folder));
    EXPECT_TRUE(layer.fired());
    EXPECT_EQ(Names(listing), std::vector<std::string>{});
    EXPECT_FALSE(listing.failed);
  }
}

TEST(ListResourceFilesTest, ASearchThatBreaksPartWayOrCannotCloseFails) {
  TempDir dir;
  for (const char* name : {"a.opc", "b.opc", "c.opc"}) WriteBytes(dir.File(name), "");
  const std::vector<std::string> order = DirectoryOrder(dir.path());
  std::size_t firstOpc = 0;
  while (!order[firstOpc].ends_with(".opc")) ++firstOpc;
  {
    // The read after the first name fails; later reads would work, but the search ends.
    FailingSysCalls layer;
    layer.FailNth(Call::kReaddir, static_cast<int>(firstOpc) + 2, EIO);
    const ResourceFileListing listing = ListResourceFiles(dir.wpath());
    EXPECT_EQ(Names(listing), std::vector<std::string>{order[firstOpc]});
    EXPECT_TRUE(listing.failed);
    EXPECT_EQ(listing.error, EIO);
  }
  FailingSysCalls layer;
  layer.FailNth(Call::kClosedir, 1, EBADF);
  const ResourceFileListing listing = ListResourceFiles(dir.wpath());
  EXPECT_EQ(Names(listing), Only(order, {"a.opc", "b.opc", "c.opc"}));
  EXPECT_TRUE(listing.failed);
  EXPECT_EQ(listing.error, EBADF);
}

}  // namespace
}  // namespace tirv
