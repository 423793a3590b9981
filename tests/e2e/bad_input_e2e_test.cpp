// The real editor under Xvfb on the bad input a user meets: files that are no resource
// files, files in unusual forms, files and folders the user may not read or write,
// links, odd file names, a broken TirvOPC.ini, files changed behind the editor's back,
// a file-size limit and a full disk. Each run must show its message (or none), end
// normally, and leave every file the user did not save byte for byte as it was.

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "editor_scenario.h"

namespace tirv::testing {
namespace {

namespace at = editor_controls;
using Lines = std::vector<std::string>;

constexpr const char* kIni = "[Settings]\r\nCustomWorkspace=./ws\r\n";
constexpr const char* kSaveFailed = "An error has occoured, data may not have been saved";

// A COM3 resource in the layout a save leaves behind; the Baud pick below turns its
// 9600 into 19200.
std::string Com3File(const std::string& baud = "9600", const std::string& description = "Good") {
  return "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\nDescription=" +
         description + "\r\n\r\n[Online]\r\nComTeleLength=256\r\nComPort=V24 3 " + baud +
         " 8 1 0 2000 0\r\n\r\n";
}

std::string TcpFile(const std::string& parameter) {
  return "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
         "[Online]\r\nComTeleLength=1428\r\nComPort=DLL netdrv.dll " +
         parameter + "\r\n\r\n";
}

std::string RandomBytes(std::size_t size, unsigned seed, int lowest) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(lowest, 255);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(random));
  return bytes;
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

    EXPECT_EQ(BoxLines(),
              Lines{BoxLine("owned", 64, std::string(kSaveFailed) + "\\nLarge.opc: " + why, 1)});
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

TEST_F(BadInput, FilesThatAreNoResourceFilesAreEachCalledInvalidAndLeftAlone) {
  WriteResource("Good.opc", Com3File());
  WriteResource("random.opc", RandomBytes(4096, 6, 0));
  WriteResource("noise.opc", RandomBytes(4096, 7, 1));  // no zero byte in it
  // A zero byte after a valid ComPort: reading on to it would drop what follows.
  WriteResource("zero.opc", Com3File() + std::string("\0", 1) + "[Tail]\r\nKept=yes\r\n");
  ASSERT_EQ(::mkdir((ws() + "/x.opc").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("y.opc", (ws() + "/y.opc").c_str()), 0);
  ASSERT_EQ(::mkfifo((ws() + "/z.opc").c_str(), 0644), 0);
  const auto before = DescribeFolder(ws());

  editor_ = Start();
  AnswerBoxes(6);
  ASSERT_TRUE(WaitForEditor());
  EXPECT_TRUE(ShowsCheckedRadio(2)) << screen_;
  PickFromDropList(at::kBaud, 1);
  ClickAt(at::kSave);
  EXPECT_EQ(Close(), 0);

  // Each file is named with why; the boxes come in the order the folder lists the files.
  Lines seen = BoxLines();
  std::sort(seen.begin(), seen.end());
  const auto invalid = [](const std::string& why) {
    return BoxLine("application", 0, "Invalid File\\n" + why, 1);
  };
  Lines expectedBoxes = {
      invalid("noise.opc: a line is neither a [section] header nor a key=value entry in a section"),
      invalid("random.opc: it holds a zero byte"),
      invalid("x.opc: Is a directory"),
      invalid("y.opc: Too many levels of symbolic links"),
      invalid("z.opc: not a regular file"),
      invalid("zero.opc: it holds a zero byte")};
  std::sort(expectedBoxes.begin(), expectedBoxes.end());
  EXPECT_EQ(seen, expectedBoxes);
  auto expected = before;
  expected["Good.opc"] = "file 0644: " + Com3File("19200");
  EXPECT_EQ(DescribeFolder(ws()), expected);
}

TEST_F(BadInput, FilesInUnusualFormsOpenSilentlyAndASaveRewritesTheChangedOneInPlace) {
  // Every byte that Windows-1252 leaves undefined, in a section name, a key and values.
  const std::string undefinedBytes =
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
      "Description=PLC\xB4s \x81\x8D\x8F\x90\x9D end\r\n\x90Key\x9D=\x8F\r\n\r\n"
      "[\x81"
      "Extra\x8D]\r\nK=\x80\x9F\xFF\r\n\r\n"
      "[Online]\r\nComTeleLength=1428\r\nComPort=DLL netdrv.dll -ip10.1.1.1\r\n\r\n";
  WriteResource("Bytes.opc", undefinedBytes);
  const std::string lf =
      "[GeneralSettings]\nAdaptationComponent = QB.OPC.AdaptTIRV3x.BE.20\n"
      "Description=written by hand\n\n[Online]\n  ComTeleLength=256\n"
      "ComPort=V24 2 4800 7 2 2 1500 0\n";
  WriteResource("Lf.opc", lf);
  // A link to a file outside the workspace, written by hand with blanks around "=".
  ASSERT_EQ(::mkdir(dir_.File("shared").c_str(), 0755), 0);
  const std::string target =
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
      "[Online]\r\nComTeleLength = 1428\r\nComPort = SIM SimHost.dll Vsim2.Vsim2\r\n";
  WriteBytes(dir_.File("shared/Target.opc"), target);
  ASSERT_EQ(::symlink("../shared/Target.opc", (ws() + "/Link.opc").c_str()), 0);

  ASSERT_TRUE(OpenEditor());
  EXPECT_TRUE(ShowsCheckedRadio(6)) << screen_;  // Bytes, the first entry
  ReplaceEditText(at::kParameter, "-ip10.1.1.2");
  ClickAt(at::kSave);
  EXPECT_EQ(Close(), 0);

  EXPECT_EQ(BoxLines(), Lines{});
  std::string bytesSaved = undefinedBytes;
  bytesSaved.replace(bytesSaved.find("-ip10.1.1.1"), 11, "-ip10.1.1.2");
  EXPECT_EQ(DescribeFolder(ws()),
            (std::map<std::string, std::string>{{"Bytes.opc", "file 0644: " + bytesSaved},
                                                {"Lf.opc", "file 0644: " + lf},
                                                {"Link.opc", "link to ../shared/Target.opc"}}));
  // What nobody changed here is not written at all.
  EXPECT_EQ(DescribeFolder(dir_.File("shared")),
            (std::map<std::string, std::string>{{"Target.opc", "file 0644: " + target}}));
}

TEST_F(BadInput, OddFileNamesAreListedAndSavedUnderTheirOwnNames) {
  // A space, letters outside ASCII, letters outside the code page, and a name that is
  // not UTF-8 at all (Latin-1 "é"). Each file is written by hand with LF line ends,
  // so the save shows in every one of them.
  const std::vector<std::string> names = {"Line 1.opc", "K\xC3\xBChlhaus.opc",
                                          "\xD0\x9D\xD0\xB0\xD1\x81\xD0\xBE\xD1\x81.opc",
                                          "\xE6\xB3\xB5\xE7\xAB\x99.opc", "Caf\xE9.opc"};
  std::map<std::string, std::string> expected;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string parameter = "-ip10.0.0." + std::to_string(i + 1);
    const std::string handWritten =
        "[GeneralSettings]\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\n"
        "[Online]\nComTeleLength=1428\nComPort=DLL netdrv.dll " +
        parameter + "\n";
    WriteResource(names[i], handWritten);
    expected[names[i]] = "file 0644: " + handWritten;  // unchanged, so not written
  }
  // The first entry, "Caf?", is shown and its edit goes into its own file.
  expected["Caf\xE9.opc"] = "file 0644: " + TcpFile("-ip10.9.9.9");

  ASSERT_TRUE(OpenEditor());
  EXPECT_TRUE(ShowsCheckedRadio(6)) << screen_;
  ReplaceEditText(at::kParameter, "-ip10.9.9.9");
  ClickAt(at::kSave);
  EXPECT_EQ(Close(), 0);

  EXPECT_EQ(BoxLines(), Lines{});
  EXPECT_EQ(DescribeFolder(ws()), expected);
}

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

  EXPECT_EQ(BoxLines(),
            (Lines{BoxLine("application", 0, "Invalid File\\nSecret.opc: Permission denied", 1),
                   BoxLine("owned", 64,
                           std::string(kSaveFailed) + "\\nLocked.opc: the file is read-only", 1)}));
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
  EXPECT_EQ(
      BoxLines("read-only"),
      Lines{BoxLine("owned", 64, std::string(kSaveFailed) + "\\nGood.opc: Permission denied", 1)});
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

TEST_F(BadInput, ABrokenIniFileEndsTheStartWithItsMessage) {
  const std::string longFolder = "./" + std::string(9998, 'a');
  struct Case {
    const char* what;
    std::string ini;
    const char* keys;  // the answer to the one box
    std::string box;
    int exitCode;
  };
  const std::string folder = std::filesystem::canonical(programFolder()).string();
  // The value is read whole, however long.
  const std::string fullFolder = folder + "/" + longFolder.substr(2);
  const std::string question = " does not exist, \\n\\n would you like it to be created for you?";
  const std::string refused =
      "Error converting workspace path, this program will now shut down\\n" + folder +
      "/TirvOPC.ini: ";
  const Case cases[] = {
      {"random bytes", RandomBytes(2048, 9, 0), "Return",
       BoxLine("application", 0, refused + "it holds a zero byte", 1), 0},
      {"empty", "", "Return",
       BoxLine("application", 0, refused + "there is no CustomWorkspace in [Settings]", 1), 0},
      {"10,000 characters, declined", "[Settings]\r\nCustomWorkspace=" + longFolder + "\r\n",
       "alt+n", BoxLine("owned", 36, "The folder " + fullFolder + question, 7), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteIni(c.ini);
    editor_ = Start(c.what);
    EXPECT_TRUE(AnswerNextWindow({c.keys}));
    EXPECT_EQ(ExitCode(*editor_), c.exitCode);
    EXPECT_EQ(BoxLines(c.what), Lines{c.box});
    EXPECT_EQ(ReadBytes(dir_.File("TirvOPC.ini")), c.ini);
  }

  // Accepted, the folder cannot be made: the editor says so and opens empty.
  WriteIni("[Settings]\r\nCustomWorkspace=" + longFolder + "\r\n");
  editor_ = Start("accepted");
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  ASSERT_TRUE(WaitForEditor());
  EXPECT_EQ(Close(), 0);
  EXPECT_EQ(BoxLines("accepted"),
            (Lines{BoxLine("owned", 36, "The folder " + fullFolder + question, 6),
                   BoxLine("application", 0,
                           "An error has occoured while loading the workspace\\n" + fullFolder +
                               ": File name too long",
                           1)}));
  for (const std::string& name : ListFolder(programFolder())) {
    EXPECT_EQ(name.find("aaaa"), std::string::npos) << "a folder was made: " << name;
  }
}

// What another program did to a file is undone only where the user changed the same
// resource and agrees; a file nobody changed here is left exactly as it is.
TEST_F(BadInput, FilesChangedBehindTheEditorsBackAreReplacedOnlyWhenTheUserSaysSo) {
  WriteResource("Alpha.opc", Com3File());
  WriteResource("Beta.opc", TcpFile("-ip10.0.0.2"));
  WriteResource("Gamma.opc", TcpFile("-ip10.0.0.3"));
  ASSERT_TRUE(OpenEditor());
  EXPECT_TRUE(ShowsCheckedRadio(2)) << screen_;  // Alpha
  PickFromDropList(at::kBaud, 1);

  // Another program deletes Alpha, adds keys to Beta and writes no resource into Gamma.
  ASSERT_EQ(::unlink(WorkspaceFile("Alpha.opc").c_str()), 0);
  const std::string beta =
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
      "Description=changed elsewhere\r\nOwner=line 2\r\n\r\n[Online]\r\n"
      "ComTeleLength=1428\r\nComPort=DLL netdrv.dll -ip172.16.0.9\r\nRetries=3\r\n\r\n"
      "[Alarms]\r\nLimit=80\r\n\r\n";
  WriteBytes(WorkspaceFile("Beta.opc"), beta);
  const std::string gamma = "[Online]\r\nthis is no entry\r\n";
  WriteBytes(WorkspaceFile("Gamma.opc"), gamma);
  ClickAt(at::kSave);
  EXPECT_TRUE(AnswerNextWindow({"Return"}));  // Yes: make Alpha again
  PressKeys({"F1"});                          // the About box opens once the save is done
  EXPECT_TRUE(AnswerNextWindow({"Return"}, "", "About Lintrel"));
  EXPECT_EQ(ReadBytes(WorkspaceFile("Alpha.opc")),
            "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
            "Description=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n\r\n"
            "[Online]\r\nComTeleLength=256\r\nComPort=V24 3 19200 8 1 0 2000 0\r\n\r\n");

  // Alpha changes on disk again and here again: this time the user keeps theirs.
  const std::string theirs = Com3File("600", "theirs");
  WriteBytes(WorkspaceFile("Alpha.opc"), theirs);
  PickFromDropList(at::kBaud, 1);
  ClickAt(at::kSave);
  EXPECT_TRUE(AnswerNextWindow({"alt+n"}));
  EXPECT_EQ(Close(), 0);

  const std::string deleted =
      "Alpha.opc was deleted by another program since it was loaded. Create it again with your "
      "values?";
  const std::string changed =
      "Alpha.opc was changed by another program since it was loaded. Replace it with your "
      "values?";
  EXPECT_EQ(BoxLines(),
            (Lines{BoxLine("owned", 36, deleted, 6), BoxLine("owned", 36, changed, 7)}));
  EXPECT_EQ(ReadBytes(WorkspaceFile("Alpha.opc")), theirs);
  EXPECT_EQ(ReadBytes(WorkspaceFile("Beta.opc")), beta);
  EXPECT_EQ(ReadBytes(WorkspaceFile("Gamma.opc")), gamma);
  EXPECT_EQ(ListFolder(ws()), (Lines{"Alpha.opc", "Beta.opc", "Gamma.opc"}));
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
