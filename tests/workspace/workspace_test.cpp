// The workspace on real folders: the configured text resolved beside the program, what
// every kind of ini file locates, and the "*.opc" entries in the file system's order.
#include <dirent.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/failing_syscalls.h"
#include "support/log_socket.h"
#include "support/temp_dir.h"
#include "workspace/location.h"
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

// The names a workspace lists, and how its search ended.
struct Listing {
  std::vector<std::string> names;
  SearchEnd end;
};
Listing ListOf(const Workspace& workspace) {
  Listing listing;
  listing.end = workspace.ForEachResourceFile(
      [&](std::u16string_view name) { listing.names.push_back(Utf16ToUtf8(name)); });
  return listing;
}
Listing ListOf(std::u16string_view folder) {
  Workspace workspace;
  EXPECT_EQ(workspace.Open(folder), 0);
  return ListOf(workspace);
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
      {u".\\ws\\sub", 0, u"/apps/ed/ws/sub"},         // "\\" separates here, and here alone
      {u" \t\r\n\v\f./ws \t", 0, u"/apps/ed/ws \t"},  // white space at the end stays
      {u".\\", 0, u"/apps/ed/"},
      {u"C:\\ws", 0, u"C:/ws"},
      {u".\\a:b", 0, u"./a:b"},
      {u"  D:\\ws", 0, u"D:/ws"},
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
    if (c.outcome == WorkspaceOutcome::kReady && !c.listed.empty()) {
      EXPECT_EQ(ListOf(location.folder).names,
                c.listed.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.listed});
    }
  }
}

TEST(DescribeLocationTest, NamesTheFileTheLineAndWhy) {
  struct Case {
    const char* ini;  // nullptr: no TirvOPC.ini
    const char* reason;
  };
  const std::string longText(100, 'w');
  const Case cases[] = {
      {nullptr, "<bin>/TirvOPC.ini: No such file or directory"},
      {"; the workspace of line 3\r\n[Settings]\r\nCustomWorkspace=./ws\r\n",
       "<bin>/TirvOPC.ini, line 1: it is neither a [section] header nor a key=value entry"},
      {"CustomWorkspace=./ws\r\n[Settings]\r\n",
       "<bin>/TirvOPC.ini, line 1: a key=value entry comes before the first [section]"},
      {"[Settings]\r\n\r\nCustomWorkspace=./ws\r\n# note\r\n",
       "<bin>/TirvOPC.ini, line 4: it is neither a [section] header nor a key=value entry"},
      {"[Settings]\r\nOther=./ws\r\n",
       "<bin>/TirvOPC.ini: there is no CustomWorkspace in [Settings]"},
      {"[Settings]\r\nCustomWorkspace=ws\r\n",
       "<bin>/TirvOPC.ini: the workspace \"ws\" is neither a full path nor one beginning with ./"},
      {"[Settings]\r\nCustomWorkspace=./missing\r\n", "<bin>/missing: No such file or directory"},
      {"[Settings]\r\nCustomWorkspace=./ws\r\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    TempDir dir;
    const std::string bin = dir.File("bin");
    ::mkdir(bin.c_str(), 0755);
    ::mkdir((bin + "/ws").c_str(), 0755);
    if (c.ini != nullptr) WriteBytes(bin + "/TirvOPC.ini", c.ini);
    std::string expected = c.reason;
    if (expected.starts_with("<bin>")) expected.replace(0, 5, bin);
    EXPECT_EQ(Utf16ToUtf8(DescribeLocation(LocateWorkspace(ModuleAt(bin + "/tirvane-editor")))),
              expected);
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

TEST(WorkspaceListingTest, ListsTheOpcEntriesInTheFileSystemsOrderFoldersIncluded) {
  TempDir dir;
  for (const char* name : {"a.opc", "b.opc", "c.opc", "Plant.OPC", "notes.txt", "c.opc.old",
                           "Line1.opc.bak", ".a.opc.tmp-1", "Y.\\..\\evil\\Y.opc"}) {
    WriteBytes(dir.File(name), "[Online]\r\n");
  }
  ::mkdir(dir.File("x.opc").c_str(), 0755);
  const Listing listing = ListOf(dir.wpath());
  const std::vector<std::string> expected =
      Only(DirectoryOrder(dir.path()),
           {"a.opc", "b.opc", "c.opc", "Plant.OPC", "x.opc", "Y.\\..\\evil\\Y.opc"});
  ASSERT_EQ(expected.size(), 6u);
  EXPECT_EQ(listing.names, expected);
  EXPECT_FALSE(listing.end.failed);
}

TEST(WorkspaceListingTest, AFolderThatCannotBeOpenedOrListedIsToldWhy) {
  TempDir dir;
  WriteBytes(dir.File("notes.txt"), "");
  Workspace workspace;
  EXPECT_EQ(workspace.Open(U16(dir.path() + "/missing")), ENOENT);
  EXPECT_EQ(ListOf(workspace).names, std::vector<std::string>{});
  EXPECT_EQ(workspace.Open(U16(dir.path() + "/notes.txt")), ENOTDIR);
  EXPECT_FALSE(workspace.Create(u"New").ok());
  EXPECT_FALSE(FileExists(dir.File("New.opc")));

  EXPECT_EQ(ListOf(dir.wpath()).names, std::vector<std::string>{});  // empty, no failure
  WriteBytes(dir.File("a.opc"), "");
  for (const Call failing : {Call::kOpendir, Call::kReaddir}) {
    SCOPED_TRACE(CallName(failing));
    ASSERT_EQ(workspace.Open(dir.wpath()), 0);
    FailingSysCalls layer;
    layer.FailNth(failing, 1, EACCES);
    const Listing listing = ListOf(workspace);
    EXPECT_TRUE(layer.fired());
    EXPECT_EQ(listing.names, std::vector<std::string>{});
    EXPECT_TRUE(listing.end.failed);
    EXPECT_EQ(listing.end.error, EACCES);
  }
}

TEST(WorkspaceListingTest, AFolderNamedByDotsOrATrailingSlashIsThatFolder) {
  TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("ws").c_str(), 0755), 0);
  WriteBytes(dir.File("ws/a.opc"), "");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.File("ws"));
  std::vector<std::vector<std::string>> listed;
  for (const char16_t* folder : {u".", u"./", u"../ws", u"../ws/", u"../ws/."}) {
    listed.push_back(ListOf(folder).names);
  }
  std::filesystem::current_path(before);
  EXPECT_EQ(listed, std::vector<std::vector<std::string>>(5, std::vector<std::string>{"a.opc"}));
}

TEST(WorkspaceListingTest, ASearchThatBreaksPartWayOrCannotCloseFails) {
  TempDir dir;
  for (const char* name : {"a.opc", "b.opc", "c.opc"}) WriteBytes(dir.File(name), "");
  const std::vector<std::string> order = DirectoryOrder(dir.path());
  std::size_t firstOpc = 0;
  while (!order[firstOpc].ends_with(".opc")) ++firstOpc;
  Workspace workspace;
  ASSERT_EQ(workspace.Open(dir.wpath()), 0);
  {
    // The read after the first name fails; later reads would work, but the search ends.
    FailingSysCalls layer;
    layer.FailNth(Call::kReaddir, static_cast<int>(firstOpc) + 2, EIO);
    const Listing listing = ListOf(workspace);
    EXPECT_EQ(listing.names, std::vector<std::string>{order[firstOpc]});
    EXPECT_TRUE(listing.end.failed);
    EXPECT_EQ(listing.end.error, EIO);
  }
  FailingSysCalls layer;
  layer.FailNth(Call::kClosedir, 1, EBADF);
  const Listing listing = ListOf(workspace);
  EXPECT_EQ(listing.names, Only(order, {"a.opc", "b.opc", "c.opc"}));
  EXPECT_TRUE(listing.end.failed);
  EXPECT_EQ(listing.end.error, EBADF);
}

TEST(WorkspaceReadTest, AFileAboveTheLimitIsRefusedUnreadWhateverItsHoles) {
  TempDir dir;
  const std::string text = "[Online]\r\nComPort=DLL netdrv.dll -ip1\r\n";
  WriteBytes(dir.File("edge.opc"), text + std::string(schema::kMaxFileSize - text.size(), ' '));
  WriteBytes(dir.File("over.opc"), text);
  ASSERT_EQ(::truncate(dir.File("over.opc").c_str(), schema::kMaxFileSize + 1), 0);
  WriteBytes(dir.File("huge.opc"), text);
  ASSERT_EQ(::truncate(dir.File("huge.opc").c_str(), (off_t{2} << 30) + 1), 0);
  Workspace workspace;
  ASSERT_EQ(workspace.Open(dir.wpath()), 0);
  EXPECT_TRUE(workspace.Read(u"edge.opc").problem.ok());
  for (const char16_t* name : {u"over.opc", u"huge.opc"}) {
    FailingSysCalls layer;  // counts the reads: none may be made
    int reads = 0;
    layer.SetHook([&](Call call, int) { reads += call == Call::kPread || call == Call::kRead; });
    const ResourceProblem problem = workspace.Read(name).problem;
    EXPECT_EQ(problem.fault, ResourceFault::kTooLarge);
    EXPECT_EQ(Utf16ToUtf8(ReasonOf(problem)), "the file is larger than 1048576 bytes");
    EXPECT_EQ(reads, 0);
  }
}

TEST(WorkspaceChangeLogTest, EachChangeIsLoggedWithTheFullPathOfItsFile) {
  TempDir dir;
  testing::LogSocket log(dir);
  ASSERT_TRUE(log.bound());
  ASSERT_EQ(::mkdir(dir.File("ws").c_str(), 0755), 0);
  WriteBytes(dir.File("ws/A.opc"),
             "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
             "[Online]\r\nComTeleLength=256\r\nComPort=V24 1 9600 8 1 0 2000 0\r\n\r\n");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  Workspace workspace;
  const int opened = workspace.Open(u"ws");  // relative, as --workspace ws gives it
  std::filesystem::current_path(before);
  ASSERT_EQ(opened, 0);

  const ResourceFileReading reading = workspace.Read(u"A.opc");
  RecordBaseline baseline = reading.baseline;
  ResourceRecord record = reading.record;
  record.alignment = u"Big Endian";
  ASSERT_EQ(workspace.Write(record, baseline, false).outcome, WriteOutcome::kWritten);
  ASSERT_TRUE(workspace.Create(u"B").ok());
  ASSERT_TRUE(workspace.Delete(u"B.opc").ok());
  const std::string folder = std::filesystem::canonical(dir.File("ws")).string();
  const auto body = [](const std::string& line) { return line.substr(line.find("]: ") + 3); };
  const std::string user = " by " + std::string(::getpwuid(::getuid())->pw_name) + ": ";
  EXPECT_EQ(body(log.Next()), "changed " + folder + "/A.opc" + user +
                                  "AdaptationComponent \"QB.OPC.AdaptTIRV3x.LE.20\" -> "
                                  "\"QB.OPC.AdaptTIRV3x.BE.20\"");
  EXPECT_EQ(body(log.Next()), "added " + folder + "/B.opc" + user + "DLL netdrv.dll -ip127.0.0.1");
  EXPECT_EQ(body(log.Next()), "deleted " + folder + "/B.opc" + user + "the file is gone");
  EXPECT_FALSE(workspace.logFailed());
}

}  // namespace
}  // namespace tirv
