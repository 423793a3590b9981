// Resource files on disk: reading them and why a file names no resource, the store that
// writes only changed records with one safe replace each, files changed by someone else
// meanwhile, values no file can hold, and new and deleted files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "profile/profile_calls.h"
#include "resources/resource_file.h"
#include "support/failing_syscalls.h"
#include "support/record_print.h"
#include "support/resource_texts.h"
#include "support/temp_dir.h"
#include "support/workspace_files.h"
#include "workspace/resource_store.h"

namespace tirv {
namespace {

using namespace std::string_literals;

using testing::Call;
using testing::FailingSysCalls;
using testing::FileExists;
using testing::ListFolder;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kSerialFile =
    "[GeneralSettings]\r\n"
    "AdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
    "\r\n"
    "[Online]\r\n"
    "ComTeleLength=256\r\n"
    "ComPort=V24 1 9600 8 1 0 2000 0\r\n"
    "\r\n";

// One workspace folder and the store on it.
struct Folder {
  TempDir dir;
  std::u16string folder = dir.wpath();
  ResourceStore store{folder};

  std::string Path(const std::string& name) const { return dir.File(name); }
  // Reads a file that names a resource into the store.
  ResourceList::Position Read(std::u16string_view name) {
    const ResourceFileReading reading = ReadResourceFile(folder, name);
    EXPECT_TRUE(reading.problem.ok()) << Utf16ToUtf8(DescribeProblem(name, reading.problem));
    return store.Adopt(reading);
  }
};

// A file's inode and modification time. The time is first set far back, so that a
// write within the same clock tick changes it too; a safe replace changes the inode.
using FileStamp = std::pair<ino_t, time_t>;
FileStamp StampOf(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return {st.st_ino, st.st_mtim.tv_sec};
}
FileStamp Stamp(const std::string& path) {
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), old, AT_SYMLINK_NOFOLLOW);
  return StampOf(path);
}

std::vector<std::string> Described(const SaveReport& report) {
  std::vector<std::string> texts;
  for (const auto& [name, problem] : report.failures) {
    texts.push_back(Utf16ToUtf8(DescribeProblem(name, problem)));
  }
  return texts;
}

// What one-shot writes of the values that changed from `was` to `r` (AdaptationComponent,
// then ComTeleLength and ComPort; never the port of a record of unknown kind) leave in a
// file that held `bytes`.
std::string AfterOneShotWrites(const std::string& bytes, const ResourceRecord& was,
                               const ResourceRecord& r) {
  TempDir elsewhere;
  const std::string copy = elsewhere.File("copy.opc");
  WriteBytes(copy, bytes);
  const std::u16string file = U16(copy);
  if (AdaptationOf(r.alignment) != AdaptationOf(was.alignment)) {
    EXPECT_EQ(WriteProfileString(schema::kGeneralSettings, schema::kAdaptationComponent,
                                 AdaptationOf(r.alignment), file),
              1);
  }
  if (IsPortKind(r.portKind) &&
      (r.portKind != was.portKind || FormatPortText(r) != FormatPortText(was))) {
    EXPECT_EQ(
        WriteProfileString(schema::kOnline, schema::kComTeleLength, TeleLengthOf(r.portKind), file),
        1);
    EXPECT_EQ(WriteProfileString(schema::kOnline, schema::kComPort, FormatPortText(r), file), 1);
  }
  return ReadBytes(copy);
}

TEST(ReadResourceFileTest, EveryReasonAFileNamesNoResourceIsTold) {
  struct Case {
    const char* name;
    std::string bytes;  // "<folder>": a folder of that name; "<absent>": nothing
    ResourceFault fault;
    std::string text;
  };
  const std::string longText(100, 'x');
  const Case cases[] = {
      {"garbage.opc", "[Online]\r\nComPort=V24 1 9600 8 1 0 2000 0\r\njunk\r\n",
       ResourceFault::kBadLine,
       "garbage.opc: a line is neither a [section] header nor a key=value entry in a section"},
      {"zero.opc", "[Online]\r\nComPort=DLL netdrv.dll x\0\r\n"s, ResourceFault::kZeroByte,
       "zero.opc: it holds a zero byte"},
      {"folder.opc", "<folder>", ResourceFault::kUnreadable, "folder.opc: Is a directory"},
      {"absent.opc", "<absent>", ResourceFault::kUnreadable,
       "absent.opc: No such file or directory"},
      {"nokey.opc", "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n",
       ResourceFault::kNoComPort, "nokey.opc: there is no ComPort"},
      {"empty.opc", "[Online]\r\nComPort=  \r\n", ResourceFault::kNoComPort,
       "empty.opc: there is no ComPort"},
      {"elsewhere.opc", "[GeneralSettings]\r\nComPort=V24 1 9600 8 1 0 2000 0\r\n",
       ResourceFault::kNoComPort, "elsewhere.opc: there is no ComPort"},
      {"lower.opc", "[Online]\r\nComPort=dll netdrv.dll -ip127.0.0.1\r\n",
       ResourceFault::kUnknownPortText,
       "lower.opc: the port text \"dll netdrv.dll -ip127.0.0.1\" names no port"},
      {"long.opc", "[Online]\r\nComPort=" + longText + "\r\n", ResourceFault::kUnknownPortText,
       "long.opc: the port text \"" + longText.substr(0, 80) + "\u2026\" names no port"},
  };
  Folder ws;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.bytes == "<folder>") {
      ASSERT_EQ(::mkdir(ws.Path(c.name).c_str(), 0755), 0);
    } else if (c.bytes != "<absent>") {
      WriteBytes(ws.Path(c.name), c.bytes);
    }
    const ResourceFileReading reading = ReadResourceFile(ws.folder, U16(c.name));
    EXPECT_EQ(reading.problem.fault, c.fault);
    EXPECT_EQ(Utf16ToUtf8(DescribeProblem(U16(c.name), reading.problem)), c.text);
  }
}

TEST(ReadResourceFileTest, ALongPortTextIsReadWholeAndWrittenBackUncut) {
  Folder ws;
  const std::string parameter(5000, 'x');
  WriteBytes(ws.Path("R.opc"), "[Online]\r\nComPort=DLL netdrv.dll " + parameter + "\r\n");
  const auto record = ws.Read(u"R.opc");
  EXPECT_EQ(record->parameter, U16(parameter));

  record->alignment = alignment::kBigEndian;
  EXPECT_EQ(ws.store.Write(record, false).outcome, WriteOutcome::kWritten);
  EXPECT_EQ(ReadResourceFile(ws.folder, u"R.opc").record, *record);
}

TEST(ReadResourceFileTest, ASerialTextOfNoKnownPortIsReadButOnlyItsAdaptationIsWritten) {
  Folder ws;
  const std::string online = "[Online]\r\nComTeleLength=999\r\nComPort=V24 5 9600 8 1 0 2000 0\r\n";
  WriteBytes(ws.Path("R.opc"), online);
  const ResourceFileReading reading = ReadResourceFile(ws.folder, u"R.opc");
  EXPECT_TRUE(reading.problem.ok());
  EXPECT_EQ(reading.status, kGeneralFailure);
  EXPECT_EQ(reading.record.portKind, kPortKindUnknown);

  const auto record = ws.store.Adopt(reading);
  record->alignment = alignment::kBigEndian;
  EXPECT_EQ(ws.store.Write(record, false).outcome, WriteOutcome::kWritten);
  EXPECT_EQ(ReadBytes(ws.Path("R.opc")),
            "[Online]\r\nComTeleLength=999\r\nComPort=V24 5 9600 8 1 0 2000 0\r\n\r\n"
            "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n\r\n");
}

TEST(ResourceStoreTest, EveryKindIsWrittenAndReadBackUnchanged) {
  Folder ws;
  const std::vector<ResourceRecord> records = {
      {u"K0.opc", 0, u"110", u"2", u"7", u"Odd", u"100", u"-ip127.0.0.1", u"Big Endian"},
      {u"K1.opc", 1, u"57600", u"1", u"8", u"Even", u"65000", u"-ip127.0.0.1", u"Little Endian"},
      {u"K2.opc", 2, u"9600", u"1", u"8", u"None", u"2000", u"-ip127.0.0.1", u""},
      {u"K3.opc", 3, u"38400", u"2", u"8", u"Odd", u"1", u"-ip127.0.0.1", u"Big Endian"},
      {u"K4.opc", 4, u"19200", u"1", u"8", u"None", u"2000", u"-ip127.0.0.1", u"Little Endian"},
      {u"K5.opc", 5, u"19200", u"1", u"8", u"None", u"2000", u"-ip127.0.0.1", u"Big Endian"},
      {u"K6.opc", 6, u"19200", u"1", u"8", u"None", u"2000", u"-ip10.0.0.1 -t5", u""},
  };
  for (const ResourceRecord& r : records) {
    RecordBaseline created;
    ASSERT_TRUE(ws.store.CreateFile(r.name.substr(0, 2), &created).ok());
    ws.store.Append(r, created);
  }
  const SaveReport report = ws.store.SaveChanged([](const ResourceRecord&, bool) { return false; });
  EXPECT_EQ(report.status, 0);
  EXPECT_EQ(Described(report), std::vector<std::string>{});
  for (const ResourceRecord& r : records) {
    const ResourceFileReading reading = ReadResourceFile(ws.folder, r.name);
    EXPECT_EQ(reading.status, 0);
    EXPECT_EQ(reading.record, r);
  }
}

TEST(ResourceStoreTest, AWriteLeavesWhatOneShotWritesOfTheChangedValuesLeaveInOneWrite) {
  struct Case {
    const char* what;
    std::string bytes;
    std::function<void(ResourceRecord&)> edit;
  };
  const Case cases[] = {
      {"a hand-edited file: other order, extra keys and sections, 8-bit text, a wrong tele "
       "length",
       "[GeneralSettings]\r\nDescription=Presse 3 (\xD6lpumpe) PLC\xB4s\r\n"
       "AdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\nOwner=maintenance\r\n\r\n"
       "[Online]\r\nComPort=V24 1 9600 8 1 0 2000 0\r\nRetries=3\r\nComTeleLength=999\r\n\r\n"
       "[Extra]\r\nNote=keep me\r\n\r\n",
       [](ResourceRecord& r) {
         r.portKind = kPortTcpIp;
         r.parameter = u"-ip10.1.1.7";
         r.alignment = alignment::kBigEndian;
       }},
      {"line feeds only, blanks around the equals signs, names in other letter case",
       "[online]\ncomport = V24 2 9600 8 1 0 2000 0\n[generalsettings]\n"
       "adaptationcomponent = QB.OPC.AdaptTIRV3x.BE.20\n",
       [](ResourceRecord& r) { r.timeout = u"3000"; }},
      {"the first Online section lacks the keys that a later one holds",
       "[Online]\r\nRetries=3\r\n[GeneralSettings]\r\n[Online]\r\nComPort=SIM SimHost.dll "
       "Vsim1.Vsim1\r\nComTeleLength=1428\r\n",
       [](ResourceRecord& r) { r.portKind = kPortCom2; }},
      {"no GeneralSettings section, and a long value before the keys",
       "[Online]\r\nNote=" + std::string(3000, 'n') + "\r\nComPort=DLL netdrv.dll -ip1\r\n",
       [](ResourceRecord& r) { r.parameter = u"-ip2 -t5"; }},
      {"a record of unknown kind sets only its adaptation",
       "[Online]\r\nComPort=SIM SimHost.dll Vsim9.Vsim9\r\n",
       [](ResourceRecord& r) { r.alignment = alignment::kBigEndian; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder ws;
    WriteBytes(ws.Path("R.opc"), c.bytes);
    const auto record = ws.Read(u"R.opc");
    const ResourceRecord was = *record;
    c.edit(*record);
    {
      FailingSysCalls layer;
      layer.FailNth(Call::kWrite, 2, EIO);  // a second write of the file
      EXPECT_EQ(ws.store.Write(record, false).outcome, WriteOutcome::kWritten);
      EXPECT_FALSE(layer.fired()) << "the file was written more than once";
    }
    EXPECT_EQ(ReadBytes(ws.Path("R.opc")), AfterOneShotWrites(c.bytes, was, *record));
  }
}

TEST(ResourceStoreTest, ARecordIsWrittenOnlyWhenItChangedAndItsBytesAreNotOnDiskAlready) {
  Folder ws;
  WriteBytes(ws.Path("R.opc"), kSerialFile);
  const auto ours = ws.Read(u"R.opc");
  ResourceStore colleague(ws.folder);
  const auto theirs = colleague.Adopt(ReadResourceFile(ws.folder, u"R.opc"));

  const FileStamp before = Stamp(ws.Path("R.opc"));
  EXPECT_EQ(ws.store.Write(ours, false).outcome, WriteOutcome::kUnchanged);
  ours->baud = u"19200";
  ours->baud = u"9600";  // changed back: nothing to write
  EXPECT_FALSE(ws.store.IsChanged(ours));
  EXPECT_EQ(ws.store.Write(ours, false).outcome, WriteOutcome::kUnchanged);
  EXPECT_EQ(StampOf(ws.Path("R.opc")), before);

  // Both make the same change; the colleague saves first.
  theirs->baud = u"19200";
  ours->baud = u"19200";
  EXPECT_TRUE(ws.store.IsChanged(ours));
  EXPECT_EQ(colleague.Write(theirs, false).outcome, WriteOutcome::kWritten);
  const FileStamp written = Stamp(ws.Path("R.opc"));
  EXPECT_NE(written.first, before.first);
  EXPECT_EQ(ws.store.Write(ours, false).outcome, WriteOutcome::kConflict);
  EXPECT_EQ(ws.store.Write(ours, true).outcome, WriteOutcome::kOnDisk);
  EXPECT_EQ(StampOf(ws.Path("R.opc")), written);
  EXPECT_FALSE(ws.store.IsChanged(ours));

  // What was found on disk, and then what was written, is what a later change starts from.
  for (const char16_t* timeout : {u"3000", u"4000"}) {
    ours->timeout = timeout;
    EXPECT_EQ(ws.store.Write(ours, false).outcome, WriteOutcome::kWritten);
  }
}

TEST(ResourceStoreTest, AColleaguesChangeToAnotherFileSurvivesOurSave) {
  Folder ws;
  WriteBytes(ws.Path("A.opc"), kSerialFile);
  WriteBytes(ws.Path("B.opc"), kSerialFile);
  const auto ourA = ws.Read(u"A.opc");
  ws.Read(u"B.opc");
  ResourceStore colleague(ws.folder);
  colleague.Adopt(ReadResourceFile(ws.folder, u"A.opc"));
  const auto theirB = colleague.Adopt(ReadResourceFile(ws.folder, u"B.opc"));

  theirB->timeout = u"5000";
  EXPECT_EQ(colleague.SaveChanged([](const ResourceRecord&, bool) { return true; }).status, 0);
  const std::string theirs = ReadBytes(ws.Path("B.opc"));
  ourA->baud = u"38400";
  int asked = 0;
  const SaveReport report = ws.store.SaveChanged([&asked](const ResourceRecord&, bool) {
    ++asked;
    return true;
  });
  EXPECT_EQ(report.status, 0);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(ReadBytes(ws.Path("B.opc")), theirs);
  EXPECT_EQ(ReadResourceFile(ws.folder, u"A.opc").record, *ourA);
}

TEST(ResourceStoreTest, AFileChangedOrDeletedOnDiskIsReplacedOnlyWhenTheCallerAgrees) {
  const std::string theirs =
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\nOwner=ops\r\n\r\n"
      "[Online]\r\nComTeleLength=256\r\nComPort=V24 1 110 8 1 0 2000 0\r\n\r\n";
  struct Case {
    const char* what;
    bool deleted;
    bool agree;
    std::string after;  // "<absent>": no file
  };
  const Case cases[] = {
      {"changed, agreed: ours over theirs, their other keys kept", false, true,
       "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\nOwner=ops\r\n\r\n"
       "[Online]\r\nComTeleLength=256\r\nComPort=V24 1 9600 8 1 0 4000 0\r\n\r\n"},
      {"changed, declined: theirs byte for byte", false, false, theirs},
      {"deleted, agreed: made anew, with the layout of a new file", true, true,
       "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
       "Description=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n\r\n"
       "[Online]\r\nComTeleLength=256\r\nComPort=V24 1 9600 8 1 0 4000 0\r\n\r\n"},
      {"deleted, declined: stays deleted", true, false, "<absent>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder ws;
    WriteBytes(ws.Path("R.opc"), kSerialFile);
    const auto record = ws.Read(u"R.opc");
    if (c.deleted) {
      ASSERT_EQ(::unlink(ws.Path("R.opc").c_str()), 0);
    } else {
      WriteBytes(ws.Path("R.opc"), theirs);
    }
    record->timeout = u"4000";
    EXPECT_EQ(ws.store.Write(record, false).outcome, WriteOutcome::kConflict);

    std::vector<std::u16string> asked;
    const SaveReport report = ws.store.SaveChanged([&](const ResourceRecord& r, bool vanished) {
      asked.push_back(r.name + (vanished ? u" (deleted)" : u""));
      return c.agree;
    });
    EXPECT_EQ(asked, std::vector<std::u16string>{c.deleted ? u"R.opc (deleted)" : u"R.opc"});
    EXPECT_EQ(Described(report), std::vector<std::string>{});
    EXPECT_EQ(report.keptOnDisk,
              c.agree ? std::vector<std::u16string>{} : std::vector<std::u16string>{u"R.opc"});
    EXPECT_EQ(ws.store.IsChanged(record), !c.agree);
    if (c.after == "<absent>") {
      EXPECT_FALSE(FileExists(ws.Path("R.opc")));
    } else {
      EXPECT_EQ(ReadBytes(ws.Path("R.opc")), c.after);
    }
  }
}

TEST(ResourceStoreTest, AValueNoFileCanHoldIsRefusedAndNothingIsWritten) {
  struct Case {
    const char* what;
    std::function<void(ResourceRecord&)> edit;
    std::string text;
  };
  const Case cases[] = {
      {"characters outside the code page",
       [](ResourceRecord& r) { r.parameter = u"-ip\u0142\u2192\u20AC"; },
       "R.opc: the character \"\u0142\" (U+0142) cannot be written in the code page "
       "WINDOWS-1252"},
      {"a character beyond the 16-bit units, named whole",
       [](ResourceRecord& r) { r.parameter = u"-ip\U0001F600"; },
       "R.opc: the character \"\U0001F600\" (U+1F600) cannot be written in the code page "
       "WINDOWS-1252"},
      {"a pasted line break that would add a section",
       [](ResourceRecord& r) { r.parameter = u"-ipA\r\n[Injected]\r\nEvil=1"; },
       "R.opc: a value holds a line break"},
      {"a zero character", [](ResourceRecord& r) { r.parameter = u"-ip\0x"s; },
       "R.opc: a value holds a line break"},
      {"a line feed in a serial field",
       [](ResourceRecord& r) {
         r.portKind = kPortCom1;
         r.timeout = u"2000\n";
       },
       "R.opc: a value holds a line break"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder ws;
    WriteBytes(ws.Path("R.opc"), testing::kNewResourceFileBytes);
    const auto record = ws.Read(u"R.opc");
    c.edit(*record);
    const FileStamp before = Stamp(ws.Path("R.opc"));
    const SaveReport report =
        ws.store.SaveChanged([](const ResourceRecord&, bool) { return true; });
    EXPECT_EQ(report.status, kGeneralFailure);
    EXPECT_EQ(Described(report), std::vector<std::string>{c.text});
    EXPECT_EQ(ReadBytes(ws.Path("R.opc")), testing::kNewResourceFileBytes);
    EXPECT_EQ(StampOf(ws.Path("R.opc")), before);
    EXPECT_TRUE(ws.store.IsChanged(record));
  }
}

TEST(ResourceStoreTest, AFailedWriteTellsWhyAndLeavesTheFileAndTheRecordChanged) {
  struct Case {
    const char* what;
    std::string bytes;  // "<folder>": a folder of that name
    bool failWrite;
    std::string text;
  };
  const Case cases[] = {
      {"a line that is no entry", "[Online]\r\nComPort=V24 1 9600 8 1 0 2000 0\r\njunk\r\n", false,
       "R.opc: a line is neither a [section] header nor a key=value entry in a section"},
      {"a zero byte", "[Online]\r\nComPort=V24 1\0\r\n"s, false, "R.opc: it holds a zero byte"},
      {"a folder of the file's name", "<folder>", false, "R.opc: Is a directory"},
      {"a full disk", kSerialFile, true, "R.opc: No space left on device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder ws;
    if (c.bytes == "<folder>") {
      ASSERT_EQ(::mkdir(ws.Path("R.opc").c_str(), 0755), 0);
    } else {
      WriteBytes(ws.Path("R.opc"), c.bytes);
    }
    const auto record = ws.store.Append(
        {u"R.opc", 6, u"9600", u"1", u"8", u"None", u"2000", u"-ip10.0.0.3", u"Big Endian"},
        ReadResourceFile(ws.folder, u"R.opc").baseline);
    FailingSysCalls layer;
    if (c.failWrite) layer.FailNth(Call::kWrite, 1, ENOSPC);
    const WriteResult result = ws.store.Write(record, false);
    EXPECT_EQ(result.outcome, WriteOutcome::kFailed);
    EXPECT_EQ(Utf16ToUtf8(DescribeProblem(u"R.opc", result.problem)), c.text);
    if (c.bytes != "<folder>") {
      EXPECT_EQ(ReadBytes(ws.Path("R.opc")), c.bytes);
    }
    EXPECT_EQ(ListFolder(ws.dir.path()), std::vector<std::string>{"R.opc"});
    EXPECT_TRUE(ws.store.IsChanged(record));
  }
}

TEST(ResourceStoreTest, SaveChangedGoesOnAfterAFailureAndFailsForEveryFailedRecord) {
  const std::string broken = "[Online]\r\nnot an entry\r\n";
  const ResourceRecord created{
      u"Good.opc", 6, u"19200", u"1", u"8", u"None", u"2000", u"-ip127.0.0.1", u"Little Endian"};
  const ResourceRecord good{u"Good.opc", 6,       u"19200",       u"1",         u"8",
                            u"None",     u"2000", u"-ip10.0.0.2", u"Big Endian"};
  const ResourceRecord bad{u"Bad.opc", 1, u"9600", u"1", u"8", u"None", u"2000", u"", u""};
  ResourceRecord badWithoutKind = bad;
  badWithoutKind.portKind = kPortKindUnknown;  // only its AdaptationComponent is written
  badWithoutKind.alignment = alignment::kBigEndian;
  ResourceRecord unknownKind = good;
  unknownKind.portKind = kPortKindUnknown;
  ResourceRecord createdBigEndian = created;
  createdBigEndian.alignment = alignment::kBigEndian;
  const std::string badText =
      "Bad.opc: a line is neither a [section] header nor a key=value entry in a section";

  struct Order {
    const char* what;
    std::vector<ResourceRecord> records;
    Status status;
    std::vector<std::string> failures;
    ResourceRecord goodAfter;  // what Good.opc reads as afterwards
  };
  const Order orders[] = {
      {"a failed record before a good one", {bad, good}, kGeneralFailure, {badText}, good},
      {"a failed record after a good one", {good, bad}, kGeneralFailure, {badText}, good},
      {"a failed adaptation write before a good one",
       {badWithoutKind, good},
       kGeneralFailure,
       {badText},
       good},
      {"good records only", {good}, 0, {}, good},
      {"records of unknown kind only", {unknownKind}, kGeneralFailure, {}, createdBigEndian},
      {"no records", {}, kGeneralFailure, {}, created},
  };
  for (const Order& order : orders) {
    SCOPED_TRACE(order.what);
    Folder ws;
    RecordBaseline baseline;
    ASSERT_TRUE(ws.store.CreateFile(u"Good", &baseline).ok());
    WriteBytes(ws.Path("Bad.opc"), broken);
    for (const ResourceRecord& r : order.records) {
      ws.store.Append(
          r, r.name == u"Good.opc" ? baseline : ReadResourceFile(ws.folder, r.name).baseline);
    }
    const SaveReport report =
        ws.store.SaveChanged([](const ResourceRecord&, bool) { return true; });
    EXPECT_EQ(report.status, order.status);
    EXPECT_EQ(Described(report), order.failures);
    EXPECT_EQ(ReadBytes(ws.Path("Bad.opc")), broken);
    EXPECT_EQ(ReadResourceFile(ws.folder, u"Good.opc").record, order.goodAfter);
  }
}

TEST(ResourceStoreTest, CreateFileWritesTheEightLinesOfANewResourceAndTellsWhatItHolds) {
  Folder ws;
  RecordBaseline baseline;
  ASSERT_TRUE(ws.store.CreateFile(u"Line4", &baseline).ok());
  EXPECT_EQ(ReadBytes(ws.Path("Line4.opc")), testing::kNewResourceFileBytes);
  EXPECT_EQ(ListFolder(ws.dir.path()), std::vector<std::string>{"Line4.opc"});

  const ResourceRecord read = ReadResourceFile(ws.folder, u"Line4.opc").record;
  EXPECT_EQ(read, (ResourceRecord{u"Line4.opc", kPortTcpIp, u"19200", u"1", u"8", u"None", u"2000",
                                  u"-ip127.0.0.1", u"Little Endian"}));
  // The baseline matches the file: the record needs no write, and its change no consent.
  const auto record = ws.store.Append(read, baseline);
  EXPECT_FALSE(ws.store.IsChanged(record));
  record->parameter = u"-ip10.0.0.4";
  EXPECT_EQ(ws.store.Write(record, false).outcome, WriteOutcome::kWritten);
}

TEST(ResourceStoreTest, CreateFileRefusesEveryTakenNameAndLeavesItUntouched) {
  struct Case {
    const char* what;
    std::function<void(const TempDir&)> prepare;
    std::string folder;  // below the workspace: the store's folder
    std::string text;
  };
  const Case cases[] = {
      {"a file",
       [](const TempDir& d) { WriteBytes(d.File("Line4.opc"), "[Online]\r\nOwner=ops\r\n"); }, "",
       "Line4.opc: a file of that name exists"},
      {"a dangling symbolic link",
       [](const TempDir& d) { ASSERT_EQ(::symlink("gone.opc", d.File("Line4.opc").c_str()), 0); },
       "", "Line4.opc: a file of that name exists"},
      {"a folder",
       [](const TempDir& d) { ASSERT_EQ(::mkdir(d.File("Line4.opc").c_str(), 0755), 0); }, "",
       "Line4.opc: a file of that name exists"},
      {"a workspace folder that is missing", [](const TempDir&) {}, "/missing",
       "Line4.opc: No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    c.prepare(dir);
    const auto before = testing::DescribeFolder(dir.path());
    ResourceStore store(U16(dir.path() + c.folder));
    RecordBaseline baseline;
    EXPECT_EQ(Utf16ToUtf8(DescribeProblem(u"Line4.opc", store.CreateFile(u"Line4", &baseline))),
              c.text);
    EXPECT_EQ(testing::DescribeFolder(dir.path()), before);
  }
}

TEST(ResourceStoreTest, DeleteFileRemovesThatFileOnlyAndTellsWhyItCannot) {
  Folder ws;
  WriteBytes(ws.Path("Line1.opc"), kSerialFile);
  WriteBytes(ws.Path("Line2.opc"), kSerialFile);
  ws.Read(u"Line1.opc");
  EXPECT_TRUE(ws.store.DeleteFile(u"Line1.opc").ok());
  EXPECT_EQ(ListFolder(ws.dir.path()), std::vector<std::string>{"Line2.opc"});
  EXPECT_EQ(ws.store.records().Count(), 1u);
  EXPECT_EQ(Utf16ToUtf8(DescribeProblem(u"Line1.opc", ws.store.DeleteFile(u"Line1.opc"))),
            "Line1.opc: No such file or directory");
}

}  // namespace
}  // namespace tirv
