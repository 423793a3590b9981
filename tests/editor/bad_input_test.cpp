// Bad input as a user meets it, on the in-memory controls over real files: files that
// are no resource files, hand-written forms, odd file names, a broken TirvOPC.ini,
// files changed before a save, and permissions as an ordinary user. Every case shows
// its message (or none) and leaves every file that the user did not save as it was.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "editor/texts.h"
#include "editor_rig.h"
#include "platform/text.h"

namespace tirv {
namespace {

using testing::DescribeFolder;
using testing::EditorRig;
using testing::kNo;
using testing::kYes;
using testing::OpcFile;
using testing::WriteBytes;

using Texts = std::vector<std::u16string>;
using Folder = std::map<std::string, std::string>;

const std::u16string kInvalidFile(texts::kInvalidFile);
const std::u16string kSaveFailed(texts::kSaveFailed);
const std::u16string kCannotConvert(texts::kCannotConvert);
const std::u16string kLoadingFailed(texts::kWorkspaceError);

constexpr const char* kCom3 = "V24 3 9600 8 1 0 2000 0";
constexpr const char* kCom3Saved = "V24 3 19200 8 1 0 2000 0";

std::string RandomBytes(std::size_t size, unsigned seed, int lowest) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(lowest, 255);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(random));
  return bytes;
}

std::string File(const std::string& bytes) { return "file 0644: " + bytes; }

// The folder question for `folder`.
std::u16string FolderQuestion(const std::string& folder) {
  return texts::Format(texts::kFolderMissing, Utf8ToUtf16(folder));
}

TEST(BadInputTest, FilesThatAreNoResourceFilesAreEachCalledInvalidAndNeverWritten) {
  const auto bytes = [](std::string content) {
    return [content](const std::string& path) { WriteBytes(path, content); };
  };
  const auto link = [](std::string target) {
    return [target](const std::string& path) {
      ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    };
  };
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;
    const char16_t* why;  ///< the second line of "Invalid File"
  };
  const char16_t* const kBadLine =
      u"a line is neither a [section] header nor a key=value entry in a section";
  const Case cases[] = {
      {"an empty file", bytes(""), u"there is no ComPort"},
      {"random bytes", bytes(RandomBytes(4096, 1, 0)), u"it holds a zero byte"},
      {"random bytes without a zero byte", bytes(RandomBytes(4096, 2, 1)), kBadLine},
      {"one line of a megabyte without \"=\"", bytes(std::string(1 << 20, 'x')), kBadLine},
      // Reading up to the zero byte would drop the lines after it at the next save.
      {"a zero byte after the ComPort",
       bytes(OpcFile(kCom3) + std::string("\0", 1) + "[Tail]\r\nKept=yes\r\n"),
       u"it holds a zero byte"},
      {"a zero byte first", bytes(std::string("\0", 1) + OpcFile(kCom3)), u"it holds a zero byte"},
      {"an entry before any section", bytes("ComPort=V24 1 9600 8 1 0 2000 0\r\n"), kBadLine},
      {"no ComPort", bytes("[Online]\r\nComTeleLength=256\r\n"), u"there is no ComPort"},
      {"a folder", [](const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0); },
       u"Is a directory"},
      {"a link to itself", link("bad.opc"), u"Too many levels of symbolic links"},
      {"a link to nothing", link("missing"), u"No such file or directory"},
      {"a link to a device", link("/dev/zero"), u"not a regular file"},
      {"a FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); },
       u"not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditorRig rig;
    rig.File("Good.opc", kCom3);
    c.make(rig.WsPath("bad.opc"));
    Folder expected = DescribeFolder(rig.ws);

    rig.Open();
    const Texts invalid{kInvalidFile + u"\nbad.opc: " + c.why};
    EXPECT_EQ(rig.ui.BoxTexts(), invalid);
    EXPECT_EQ(rig.ui.Entries(ids::kResource), Texts{u"Good"});
    rig.ui.PickText(ids::kBaud, u"19200");
    rig.ui.Click(ids::kSave);

    EXPECT_EQ(rig.ui.BoxTexts(), invalid);
    expected["Good.opc"] = File(OpcFile(kCom3Saved));
    EXPECT_EQ(DescribeFolder(rig.ws), expected);
  }
}

TEST(BadInputTest, HandWrittenFormsOpenSilentlyAndASaveWritesTheNormalFormKeepingEveryByte) {
  // Every byte but the line ends, zero and the blanks that trimming would take from
  // the ends: the five that Windows-1252 leaves undefined among them.
  std::string everyByte = "A";
  for (int b = 1; b < 256; ++b) {
    if (b != '\r' && b != '\n') everyByte += static_cast<char>(b);
  }
  everyByte += "Z";
  EditorRig rig;
  rig.Raw("Bytes.opc",
          "[GeneralSettings]\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\nDescription=" +
              everyByte + "\n\x81\x8D\x8F\x90\x9D=\x9D\x90\x8F\x8D\x81\n[\x90]\nK=\x81\n" +
              "[Online]\nComTeleLength=1428\nComPort=DLL netdrv.dll -ip10.0.0.1\n");
  rig.Raw("Cr.opc",
          "[GeneralSettings]\rAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\r"
          "[Online]\rComTeleLength=1428\rComPort=SIM SimHost.dll Vsim1.Vsim1\r");
  rig.Raw("Lf.opc",
          "\n  [GeneralSettings]  \nAdaptationComponent\t=\tQB.OPC.AdaptTIRV3x.LE.20\n\n\n"
          "[Online]\n\tComTeleLength = 256\nComPort=  V24 2 4800 7 2 2 1500 0  \n");
  // A link to a hand-written file outside the workspace, which nobody changes here.
  const std::string shared = rig.dir.File("shared");
  ASSERT_EQ(::mkdir(shared.c_str(), 0755), 0);
  const std::string target =
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
      "[Online]\r\nComTeleLength = 1428\r\nComPort = SIM SimHost.dll Vsim2.Vsim2\r\n";
  WriteBytes(shared + "/Target.opc", target);
  ASSERT_EQ(::symlink("../../shared/Target.opc", rig.WsPath("Link.opc").c_str()), 0);
  rig.Open();
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Bytes", u"Cr", u"Lf", u"Link"}));
  // Each is changed, so that the save writes it.
  for (const auto& [entry, alignment] :
       {std::pair{u"Bytes", u"Big Endian"}, std::pair{u"Cr", u"Little Endian"},
        std::pair{u"Lf", u"Big Endian"}}) {
    rig.ui.PickText(ids::kResource, entry);
    rig.ui.PickText(ids::kAlignment, alignment);
  }
  rig.ui.Click(ids::kSave);

  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(DescribeFolder(rig.ws),
            (Folder{{"Bytes.opc",
                     File("[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n"
                          "Description=" +
                          everyByte +
                          "\r\n\x81\x8D\x8F\x90\x9D=\x9D\x90\x8F\x8D\x81\r\n\r\n[\x90]\r\nK="
                          "\x81\r\n\r\n[Online]\r\nComTeleLength=1428\r\n"
                          "ComPort=DLL netdrv.dll -ip10.0.0.1\r\n\r\n")},
                    {"Cr.opc", File("[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x."
                                    "LE.20\r\n\r\n[Online]\r\nComTeleLength=1428\r\n"
                                    "ComPort=SIM SimHost.dll Vsim1.Vsim1\r\n\r\n")},
                    {"Lf.opc", File("[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x."
                                    "BE.20\r\n\r\n[Online]\r\nComTeleLength=256\r\n"
                                    "ComPort=V24 2 4800 7 2 2 1500 0\r\n\r\n")},
                    {"Link.opc", "link to ../../shared/Target.opc"}}));
  EXPECT_EQ(DescribeFolder(shared), (Folder{{"Target.opc", File(target)}}));
}

TEST(BadInputTest, OddFileNamesAreListedByTheirNamesAndSavedInPlace) {
  // A space, letters outside ASCII, letters outside the code page, a name that is not
  // UTF-8 at all (Latin-1 "é", kept as the unit U+DCE9), and names as long as a folder
  // holds (255 bytes with ".opc"), whose saves need temporary names within that limit.
  const std::string cafe = "Caf\xE9";
  const std::string longName = "L" + std::string(229, 'x');
  const std::string longest(251, 'M');
  const std::vector<std::string> names = {cafe,
                                          "Line 1",
                                          "K\xC3\xBChlhaus",
                                          "\xD0\x9D\xD0\xB0\xD1\x81\xD0\xBE\xD1\x81",
                                          "\xE6\xB3\xB5\xE7\xAB\x99",
                                          longName,
                                          longest};
  EditorRig rig;
  for (const std::string& name : names) rig.File(name + ".opc", "DLL netdrv.dll -ip10.0.0.1");
  rig.Open();
  const std::u16string cafeEntry = {u'C', u'a', u'f', static_cast<char16_t>(0xDCE9)};
  EXPECT_EQ(rig.ui.Entries(ids::kResource),
            (Texts{cafeEntry, u"K\u00FChlhaus", u"Line 1", Utf8ToUtf16(longName),
                   Utf8ToUtf16(longest), u"\u041D\u0430\u0441\u043E\u0441", u"\u6CF5\u7AD9"}));

  // Each gets a parameter of its own through the controls, then one save writes all.
  Folder expected;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string parameter = "-ip10.0.1." + std::to_string(i);
    rig.ui.PickText(ids::kResource, Utf8ToUtf16(names[i]));
    rig.ui.Type(ids::kParameter, Utf8ToUtf16(parameter));
    expected[names[i] + ".opc"] = File(OpcFile("DLL netdrv.dll " + parameter));
  }
  rig.ui.Click(ids::kSave);

  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(DescribeFolder(rig.ws), expected);
}

TEST(BadInputTest, AnIniFileThatCannotBeUsedEndsOrEmptiesTheStartWithItsMessage) {
  const std::string longRelative = "./" + std::string(9998, 'a');
  std::string longFull;
  while (longFull.size() < 10000) longFull += "/abc";
  struct Case {
    const char* what;
    std::string ini;  // "folder": a folder of that name
    std::vector<int> answers;
    std::function<Texts(const EditorRig&)> boxes;
    std::vector<int> exitCodes;
  };
  // The refusal, with the ini file and why as its second line.
  const auto refused = [](std::u16string why) {
    return [why](const EditorRig& rig) {
      return Texts{kCannotConvert + u"\n" + Utf8ToUtf16(rig.bin) + u"/TirvOPC.ini: " + why};
    };
  };
  // The value is read whole, however long.
  const auto fullRelative = [&](const EditorRig& rig) {
    return rig.bin + "/" + longRelative.substr(2);
  };
  const Case cases[] = {
      {"random bytes", RandomBytes(2048, 3, 0), {}, refused(u"it holds a zero byte"), {0}},
      {"empty", "", {}, refused(u"there is no CustomWorkspace in [Settings]"), {0}},
      {"a folder", "folder", {}, refused(u"Is a directory"), {0}},
      {"no CustomWorkspace",
       "[Settings]\r\nOther=./ws\r\n",
       {},
       refused(u"there is no CustomWorkspace in [Settings]"),
       {0}},
      {"10,000 characters without \"./\"",
       "[Settings]\r\nCustomWorkspace=" + std::string(10000, 'w'),
       {},
       refused(u"the workspace \"" + std::u16string(80, u'w') +
               u"\u2026\" is neither a full path nor one beginning with ./"),
       {0}},
      {"10,000 characters after \"./\", declined",
       "[Settings]\r\nCustomWorkspace=" + longRelative,
       {kNo},
       [&](const EditorRig& rig) { return Texts{FolderQuestion(fullRelative(rig))}; },
       {0}},
      {"10,000 characters after \"./\", accepted",
       "[Settings]\r\nCustomWorkspace=" + longRelative,
       {kYes},
       [&](const EditorRig& rig) {
         return Texts{
             FolderQuestion(fullRelative(rig)),
             kLoadingFailed + u"\n" + Utf8ToUtf16(fullRelative(rig)) + u": File name too long"};
       },
       {}},
      {"a full path of 10,000 characters, declined",
       "[Settings]\r\nCustomWorkspace=" + longFull,
       {kNo},
       [&](const EditorRig&) { return Texts{FolderQuestion(longFull)}; },
       {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditorRig rig;
    const std::string ini = rig.bin + "/TirvOPC.ini";
    if (c.ini == "folder") {
      ASSERT_EQ(::unlink(ini.c_str()), 0);
      ASSERT_EQ(::mkdir(ini.c_str(), 0755), 0);
    } else {
      WriteBytes(ini, c.ini);
    }
    const Folder before = DescribeFolder(rig.bin);
    for (int answer : c.answers) rig.Answer({answer});

    rig.Open();
    EXPECT_EQ(rig.ui.BoxTexts(), c.boxes(rig));
    EXPECT_EQ(rig.exitCodes, c.exitCodes);
    EXPECT_EQ(rig.ui.Entries(ids::kResource), Texts{});
    EXPECT_EQ(DescribeFolder(rig.bin), before);
  }
}

// A file changed here and also by another program since it was read: the save asks
// before replacing it, and what it cannot take is told. Beta, changed by the other
// program alone, keeps what it wrote.
TEST(BadInputTest, AFileChangedBeforeTheSaveIsReplacedOnlyWhenTheUserSaysSo) {
  const std::string other =
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n"
      "Description=changed elsewhere\r\n\r\n[Online]\r\nComTeleLength=9\r\n"
      "ComPort=DLL netdrv.dll -ip172.16.0.9\r\nRetries=3\r\n\r\n[Alarms]\r\nLimit=80\r\n\r\n";
  const std::string broken = "[Online]\r\nthis is no entry\r\n";
  const std::string alpha = "Alpha.opc";
  const std::string beta = "Beta.opc";
  const std::u16string question = texts::Format(texts::kChangedOnDisk, u"Alpha.opc");
  const std::u16string deleted = texts::Format(texts::kDeletedOnDisk, u"Alpha.opc");
  const auto failed = [](std::u16string why) { return kSaveFailed + u"\nAlpha.opc: " + why; };
  struct Case {
    const char* what;
    std::function<void(const std::string& path)> change;
    int answer;
    Texts boxes;
    Folder after;  // the workspace afterwards
  };
  const Case cases[] = {
      {"deleted, and made again with the whole layout of a new file",
       [](const std::string& path) { ::unlink(path.c_str()); },
       kYes,
       {deleted},
       {{alpha,
         File("[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
              "Description=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n\r\n"
              "[Online]\r\nComTeleLength=256\r\nComPort=V24 3 19200 8 1 0 2000 0\r\n\r\n")}}},
      {"deleted, and left so",
       [](const std::string& path) { ::unlink(path.c_str()); },
       kNo,
       {deleted},
       {}},
      {"given other values and keys, our change set over theirs, their others kept",
       [&](const std::string& path) { WriteBytes(path, other); },
       kYes,
       {question},
       {{alpha, File("[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n"
                     "Description=changed elsewhere\r\n\r\n[Online]\r\nComTeleLength=256\r\n"
                     "ComPort=V24 3 19200 8 1 0 2000 0\r\nRetries=3\r\n\r\n[Alarms]\r\n"
                     "Limit=80\r\n\r\n")}}},
      {"given other values and keys, left so",
       [&](const std::string& path) { WriteBytes(path, other); },
       kNo,
       {question},
       {{alpha, File(other)}}},
      {"made no resource file",
       [&](const std::string& path) { WriteBytes(path, broken); },
       kYes,
       {question,
        failed(u"a line is neither a [section] header nor a key=value entry in a section")},
       {{alpha, File(broken)}}},
      {"replaced by a folder",
       [](const std::string& path) {
         ::unlink(path.c_str());
         ::mkdir(path.c_str(), 0755);
       },
       kYes,
       {failed(u"Is a directory")},
       {{alpha, "folder"}}},
      {"replaced by a FIFO",
       [](const std::string& path) {
         ::unlink(path.c_str());
         ::mkfifo(path.c_str(), 0644);
       },
       kYes,
       {failed(u"not a regular file")},
       {{alpha, "fifo"}}},
      {"gone with its folder",
       [](const std::string& path) { testing::RemoveTree(path.substr(0, path.rfind('/'))); },
       kYes,
       {deleted, failed(u"No such file or directory")},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditorRig rig;
    rig.File(alpha, kCom3);
    rig.File(beta, "DLL netdrv.dll -ip10.0.0.2");
    rig.Open();
    rig.ui.PickText(ids::kBaud, u"19200");
    c.change(rig.WsPath(alpha));
    if (testing::FileExists(rig.ws)) c.change(rig.WsPath(beta));
    Folder after = c.after;
    const Folder changed = DescribeFolder(rig.ws);
    if (changed.count(beta) != 0) after[beta] = changed.at(beta);
    rig.Answer({c.answer});
    rig.ui.Click(ids::kSave);

    EXPECT_EQ(rig.ui.BoxTexts(), c.boxes);
    EXPECT_EQ(DescribeFolder(rig.ws), after);
    EXPECT_EQ(testing::FileExists(rig.ws), !after.empty() || c.answer == kNo)
        << "a save made the folder";
  }
}

// Gives the tree to `uid`:`gid`, links included.
void GiveTree(const std::string& root, uid_t uid, gid_t gid) {
  ASSERT_EQ(::lchown(root.c_str(), uid, gid), 0) << root;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    ASSERT_EQ(::lchown(it->path().c_str(), uid, gid), 0) << it->path();
  }
  ASSERT_FALSE(ec) << ec.message();
}

// Runs `body` in a child process as an ordinary user, who owns the rig's folders: as
// root the child becomes "nobody" first, since permissions change nothing for root.
// Returns what the body reports, or why it could not run.
std::string AsOrdinaryUser(EditorRig& rig, const std::function<std::string()>& body) {
  const bool root = ::geteuid() == 0;
  uid_t uid = 0;
  gid_t gid = 0;
  if (root) {
    const passwd* user = ::getpwnam("nobody");
    const group* group = ::getgrnam("nogroup");
    if (user == nullptr || group == nullptr) return "no user nobody or no group nogroup";
    uid = user->pw_uid;
    gid = group->gr_gid;
    GiveTree(rig.dir.path(), uid, gid);
  }
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    std::string report;
    if (root && (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 ||
                 ::setresuid(uid, uid, uid) != 0)) {
      report = "could not become nobody";
    } else if (::geteuid() == 0) {
      report = "still root";
    } else {
      report = body();
    }
    for (std::size_t done = 0; done < report.size();) {
      const ssize_t n = ::write(fds[1], report.data() + done, report.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
    report.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) report += " (the child did not end normally)";
  return report;
}

TEST(BadInputTest, WhatTheUserMayNotReadOrWriteIsToldAndLeftAsItWas) {
  struct Case {
    const char* what;
    const char* file;  // in the workspace, or "TirvOPC.ini" or "ws" itself
    mode_t mode;
    const char* report;
    bool goodSaved;
  };
  const Case cases[] = {
      {"a resource file no one may read", "Secret.opc", 0,
       "<invalid>\nSecret.opc: Permission denied; exit codes:", true},
      {"a resource file that may only be written", "Secret.opc", 0200,
       "<invalid>\nSecret.opc: Permission denied; exit codes:", true},
      {"a read-only resource file", "Secret.opc", 0444,
       "<not saved>\nSecret.opc: the file is read-only; exit codes:", true},
      {"a read-only workspace folder", "ws", 0555,
       "<not saved>\nGood.opc: Permission denied\nSecret.opc: Permission denied; exit codes:",
       false},
      {"a workspace folder that cannot be listed", "ws", 0300, "<no files>; exit codes:", false},
      {"a workspace folder without any access", "ws", 0, "<no files>; exit codes:", false},
      {"a TirvOPC.ini no one may read", "TirvOPC.ini", 0,
       "<cannot convert>\n<bin>/TirvOPC.ini: Permission denied; exit codes: 0", false},
  };
  // The report's words: the messages of the catalogue, and the program's folder.
  const auto words = [](const EditorRig& rig, std::string report) {
    const std::pair<std::string, std::string> marks[] = {
        {"<invalid>", Utf16ToUtf8(texts::kInvalidFile)},
        {"<not saved>", Utf16ToUtf8(texts::kSaveFailed)},
        {"<no files>", Utf16ToUtf8(texts::kNoOpcFiles)},
        {"<cannot convert>", Utf16ToUtf8(texts::kCannotConvert)},
        {"<bin>", rig.bin}};
    for (const auto& [mark, text] : marks) {
      const std::size_t at = report.find(mark);
      if (at != std::string::npos) report.replace(at, mark.size(), text);
    }
    return report;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditorRig rig;
    rig.File("Good.opc", kCom3);
    // Written by hand, with LF line ends: any save would show in it.
    rig.Raw("Secret.opc", "[Online]\nComTeleLength=256\nComPort=V24 1 4800 8 1 0 2000 0\n");
    const std::string path = std::string(c.file) == "ws"            ? rig.ws
                             : std::string(c.file) == "TirvOPC.ini" ? rig.bin + "/TirvOPC.ini"
                                                                    : rig.WsPath(c.file);
    Folder expected = DescribeFolder(rig.ws);
    if (c.goodSaved) expected["Good.opc"] = File(OpcFile(kCom3Saved));

    const std::string report = AsOrdinaryUser(rig, [&] {
      if (::chmod(path.c_str(), c.mode) != 0) return std::string("chmod failed");
      rig.Open();
      // Every resource shown is changed, so that the save writes it.
      for (const std::u16string& entry : rig.ui.Entries(ids::kResource)) {
        rig.ui.PickText(ids::kResource, entry);
        rig.ui.PickText(ids::kBaud, u"19200");
      }
      rig.ui.Click(ids::kSave);
      std::string text;
      for (const std::u16string& box : rig.ui.BoxTexts()) text += Utf16ToUtf8(box) + "; ";
      text += "exit codes:";
      for (int code : rig.exitCodes) text.append(1, ' ').append(std::to_string(code));
      return text;
    });
    EXPECT_EQ(report, words(rig, c.report));

    ASSERT_EQ(::chmod(path.c_str(), std::string(c.file) == "ws" ? 0755 : 0644), 0);
    EXPECT_EQ(DescribeFolder(rig.ws), expected);
  }
}

}  // namespace
}  // namespace tirv
