// The real editor under Xvfb on the bad input that only a process meets: a huge sparse
// file and the editor's memory, files and folders of another user's permissions
// (setpriv), a workspace folder that cannot be made after the real boxes, a file-size
// limit (prlimit) and a full disk. Each run must show its message, end normally, and
// leave every file the user did not save byte for byte as it was. What a file holds,
// its name, a broken TirvOPC.ini and files changed behind the editor's back are swept in
// memory (tests/editor/bad_input_test.cpp).
//
// The words of the failed save, of "Invalid File", of the empty workspace's box and of
// the loading's error are written out here alone: every other test names them by the
// constants of editor/texts.h, so a change of their words is caught here.

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "editor_scenario.h"

namespace tirv::testing {
namespace {

namespace at = editor_controls;
using Lines = std::vector<std::string>;

constexpr const char* kIni = "[Settings]\r\nCustomWorkspace=./ws\r\n";

// A COM3 resource in the layout a save leaves behind; the Baud pick below turns its
// 9600 into 19200.
std::string Com3File(const std::string& baud = "9600", const std::string& description = "Good") {
  return "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\nDescription=" +
         description + "\r\n\r\n[Online]\r\nComTeleLength=256\r\nComPort=V24 3 " + baud +
         " 8 1 0 2000 0\r\n\r\n";
}

class BadInput : public EditorScenario {
 protected:
  void SetUp() override {
    EditorScenario::SetUp();
    WriteIni(kIni);
    ::mkdir(dir_.File("ws").c_str(), 0755);
  }

  std::string ws() const { return dir_.File("ws"); }

  /// Opens the editor on Large.opc (a COM3 resource), changes its baud and saves, where
  /// the save cannot be written: the failure is told with `why` and the file keeps `large`.
  void SaveAChangedBaudThatCannotBeWritten(const std::string& large, const std::string& why) {
    ASSERT_TRUE(OpenEditor());
    EXPECT_TRUE(ShowsCheckedRadio(2)) << screen_;
    PickFromDropList(at::kBaud, 1);
    ClickAt(at::kSave);
    AnswerBoxes(1);
    EXPECT_EQ(Close(), 0);

    EXPECT_EQ(BoxLines(), Lines{BoxLine("owned", 64,
                                        "An error has occoured, data may not have been "
                                        "saved\\nLarge.opc: " +
                                            why,
                                        1)});
    EXPECT_TRUE(ReadBytes(WorkspaceFile("Large.opc")) == large) << "Large.opc changed";
  }

  /// Answers `count` boxes of the editor in a row with Enter.
  void AnswerBoxes(int count) {
    for (int i = 0; i < count; ++i) EXPECT_TRUE(AnswerNextWindow({"Return"})) << "box " << i + 1;
  }

  /// As root, the editor runs as the user "nobody", who owns the program folder, so that
  /// permissions apply to it; as anyone else it runs as that user.
  void RunAsOrdinaryUser() {
    if (::geteuid() != 0) return;
    const passwd* user = ::getpwnam("nobody");
    const group* group = ::getgrnam("nogroup");
    ASSERT_NE(user, nullptr) << "no user nobody";
    ASSERT_NE(group, nullptr) << "no group nogroup";
    std::error_code ec;
    ASSERT_EQ(::chown(dir_.path().c_str(), user->pw_uid, group->gr_gid), 0);
    for (auto it = std::filesystem::recursive_directory_iterator(dir_.path(), ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      ASSERT_EQ(::lchown(it->path().c_str(), user->pw_uid, group->gr_gid), 0) << it->path();
    }
    ASSERT_FALSE(ec) << ec.message();
    launcher_ = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
  }

  /// The first value of a line of the running editor's /proc status ("Uid:", "VmHWM:").
  std::string ProcField(const std::string& field) const {
    const std::string status = ReadBytes("/proc/" + std::to_string(editor_->pid()) + "/status");
    const std::size_t at = status.find("\n" + field);
    if (at == std::string::npos) return "?";
    const std::size_t begin = status.find_first_not_of(" \t", at + 1 + field.size());
    const std::size_t end = field == "Uid:" ? status.find('\t', begin) : status.find('\n', begin);
    return status.substr(begin, end - begin);
  }

  void ExpectNotRoot() {
    EXPECT_NE(ProcField("Uid:"), "0") << "permissions prove nothing for root";
  }
};

TEST_F(BadInput, AHugeSparseFileIsRefusedUnreadAndStaysAsItIs) {
  // A colleague's file of 2 GiB and a byte, nearly all holes after a valid start: read
  // whole, it would cost the editor its size in memory, and a read would come back short.
  WriteResource("Good.opc", Com3File());
  WriteResource("Huge.opc", Com3File());
  const std::string huge = WorkspaceFile("Huge.opc");
  ASSERT_EQ(::truncate(huge.c_str(), (off_t{2} << 30) + 1), 0);
  struct stat before {};
  ASSERT_EQ(::stat(huge.c_str(), &before), 0);

  editor_ = Start();
  AnswerBoxes(1);
  ASSERT_TRUE(WaitForEditor());
  const long peakKiB = std::stol(ProcField("VmHWM:"));
  EXPECT_LT(peakKiB, 512L * 1024) << "the huge file was read";
  PickFromDropList(at::kBaud, 1);
  ClickAt(at::kSave);
  EXPECT_EQ(Close(), 0);

  EXPECT_EQ(BoxLines(),
            (Lines{BoxLine("application", 0,
                           "Invalid File\\nHuge.opc: the file is larger than 1048576 bytes", 1)}));
  struct stat after {};
  ASSERT_EQ(::stat(huge.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(ReadBytes(WorkspaceFile("Good.opc")), Com3File("19200"));
}

TEST_F(BadInput, ResourceFilesTheUserMayNotReadOrWriteAreLeftAsTheyAre) {
  WriteResource("Good.opc", Com3File());
  // Written by hand, with LF line ends: any save would show in them.
  WriteResource("Secret.opc", "[Online]\nComTeleLength=256\nComPort=V24 1 4800 8 1 0 2000 0\n");
  WriteResource("Locked.opc", "[Online]\nComTeleLength=256\nComPort=V24 1 1200 8 1 0 2000 0\n");
  RunAsOrdinaryUser();
  ASSERT_EQ(::chmod(WorkspaceFile("Secret.opc").c_str(), 0), 0);
  ASSERT_EQ(::chmod(WorkspaceFile("Locked.opc").c_str(), 0444), 0);
  ::chmod(ws().c_str(), 0777);
  const auto before = DescribeFolder(ws());

  editor_ = Start();
  AnswerBoxes(1);  // Secret.opc
  ASSERT_TRUE(WaitForEditor());
  ExpectNotRoot();
  EXPECT_TRUE(ShowsCheckedRadio(2)) << screen_;  // Good, the first entry
  PickFromDropList(at::kBaud, 1);
  PickFromDropList(at::kResource, 1);  // Locked, changed too
  EXPECT_TRUE(ShowsCheckedRadio(0)) << screen_;
  PickFromDropList(at::kBaud, 1);
  ClickAt(at::kSave);
  AnswerBoxes(1);  // Locked.opc cannot be written
  EXPECT_EQ(Close(), 0);

  EXPECT_EQ(
      BoxLines(),
      (Lines{BoxLine("application", 0,
                     Traced(texts::kInvalidFile) + "\\nSecret.opc: Permission denied", 1),
             BoxLine("owned", 64,
                     Traced(texts::kSaveFailed) + "\\nLocked.opc: the file is read-only", 1)}));
  auto expected = before;
  expected["Good.opc"] = "file 0644: " + Com3File("19200");
  EXPECT_EQ(DescribeFolder(ws()), expected);
}

TEST_F(BadInput, AWorkspaceFolderTheUserMayNotWriteOrListChangesNothing) {
  WriteResource("Good.opc", Com3File());
  RunAsOrdinaryUser();

  // Read-only: the files open, and the save says it failed.
  ASSERT_EQ(::chmod(ws().c_str(), 0555), 0);
  const auto before = DescribeFolder(ws());
  editor_ = Start("read-only");
  ASSERT_TRUE(WaitForEditor());
  ExpectNotRoot();
  EXPECT_TRUE(ShowsCheckedRadio(2)) << screen_;
  PickFromDropList(at::kBaud, 1);
  ClickAt(at::kSave);
  AnswerBoxes(1);
  EXPECT_EQ(Close(), 0);
  EXPECT_EQ(BoxLines("read-only"),
            Lines{BoxLine("owned", 64,
                          Traced(texts::kSaveFailed) + "\\nGood.opc: Permission denied", 1)});
  EXPECT_EQ(DescribeFolder(ws()), before);

  // Not listable: nothing can be found in it.
  ASSERT_EQ(::chmod(ws().c_str(), 0300), 0);
  editor_ = Start("unlisted");
  AnswerBoxes(1);
  ASSERT_TRUE(WaitForEditor());
  ExpectNotRoot();
  ClickAt(at::kSave);  // with nothing listed, nothing happens
  EXPECT_EQ(Close(), 0);
  EXPECT_EQ(
      BoxLines("unlisted"),
      Lines{BoxLine("owned", 64,
                    "There are no files of type .opc, select Add Resource to create one", 1)});
  ASSERT_EQ(::chmod(ws().c_str(), 0755), 0);
  EXPECT_EQ(DescribeFolder(ws()), before);
}

// The folder question answered Yes with the real keys, then the failure to make the
// folder, before the window opens.
TEST_F(BadInput, AWorkspaceFolderThatCannotBeMadeIsToldAndTheEditorOpensEmpty) {
  const std::string longFolder = "./" + std::string(9998, 'a');
  const std::string folder = std::filesystem::canonical(programFolder()).string();
  // The value is read whole, however long.
  const std::string fullFolder = folder + "/" + longFolder.substr(2);
  WriteIni("[Settings]\r\nCustomWorkspace=" + longFolder + "\r\n");
  editor_ = Start();
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  ASSERT_TRUE(WaitForEditor());
  EXPECT_EQ(Close(), 0);
  EXPECT_EQ(
      BoxLines(),
      (Lines{BoxLine("owned", 36,
                     Traced(texts::Format(texts::kFolderMissing, Utf8ToUtf16(fullFolder))), 6),
             BoxLine("application", 0,
                     "An error has occoured while loading the workspace\\n" + fullFolder +
                         ": File name too long",
                     1)}));
  for (const std::string& name : ListFolder(programFolder())) {
    EXPECT_EQ(name.find("aaaa"), std::string::npos) << "a folder was made: " << name;
  }
}

// A resource file of about `size` bytes, in the layout a save leaves behind.
std::string LargeCom3File(std::size_t size) {
  std::string file =
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
      "[Trend]\r\n";
  for (int i = 0; file.size() < size; ++i) {
    file += 'P';
    file += std::to_string(i);
    file += "=0123456789\r\n";
  }
  return file + "\r\n[Online]\r\nComTeleLength=256\r\nComPort=V24 3 9600 8 1 0 2000 0\r\n\r\n";
}

TEST_F(BadInput, ASaveOverTheFileSizeLimitIsToldAndKeepsTheFile) {
  const std::string large = LargeCom3File(256 * 1024);
  WriteResource("Large.opc", large);
  launcher_ = {"prlimit", "--fsize=65536", "--"};

  SaveAChangedBaudThatCannotBeWritten(large, "File too large");
  EXPECT_EQ(ListFolder(ws()), Lines{"Large.opc"});
}

// A small tmpfs mounted on a folder for the length of a test.
class SmallTmpfs {
 public:
  explicit SmallTmpfs(const std::string& folder) : folder_(folder) {
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m,mode=0755") == 0) {
      mounted_ = true;
    } else {
      error_ = std::strerror(errno);
    }
  }
  ~SmallTmpfs() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string error_;
};

// Fills the file system of `path` up, then frees `slack` bytes again.
void FillUp(const std::string& path, off_t slack) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const std::string block(4096, 'f');
  off_t size = 0;
  for (ssize_t n; (n = ::write(fd, block.data(), block.size())) > 0;) size += n;
  EXPECT_EQ(errno, ENOSPC);
  ASSERT_EQ(::ftruncate(fd, size > slack ? size - slack : 0), 0);
  ::close(fd);
}

TEST_F(BadInput, ASaveOntoAFullDiskIsToldAndKeepsTheFile) {
  SmallTmpfs disk(ws());
  if (!disk.mounted()) {
    GTEST_SKIP() << "mounting a small tmpfs was refused (" << disk.error()
                 << "); the full-disk case needs the right to mount";
  }
  const std::string large = LargeCom3File(300 * 1024);
  WriteResource("Large.opc", large);
  FillUp(ws() + "/fill", 64 * 1024);  // room for part of the new version only
  const std::string fill = ReadBytes(ws() + "/fill");

  SaveAChangedBaudThatCannotBeWritten(large, "No space left on device");
  EXPECT_TRUE(ReadBytes(ws() + "/fill") == fill);
  EXPECT_EQ(ListFolder(ws()), (Lines{"Large.opc", "fill"}));
}

}  // namespace
}  // namespace tirv::testing
