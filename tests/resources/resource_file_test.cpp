// Resource files on disk: records saved and read back, keys the editor never touches,
// new files, and saves that fail.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "record_print.h"
#include "resource_file.h"
#include "resource_texts.h"
#include "temp_dir.h"
#include "text.h"

namespace tirv {
namespace {

using namespace std::string_literals;

using testing::ListFolder;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct RecordingLink : ResourceEditorLink {
  void SelectPortKind(std::int32_t kind) override { selected.push_back(kind); }
  void ApplicationMessageBox(std::u16string_view text) override { messages.emplace_back(text); }
  std::vector<int> selected;
  std::vector<std::u16string> messages;
};

// Everything a test needs to read and write records in one real folder.
struct Workspace {
  TempDir dir;
  std::u16string folder = dir.wpath();
  ResourceList list;
  RecordingLink link;
  ResourceFiles files{list, folder, link};

  std::string Path(const char* name) const { return dir.File(name); }
};

TEST(ResourceFileTest, EveryKindIsSavedAndReadBackUnchanged) {
  Workspace ws;
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
    ASSERT_EQ(CreateResourceFile(r.name.substr(0, 2), ws.folder), 0);
    ws.list.Append(r);
  }
  ASSERT_EQ(ws.files.SaveAllResources(), 0);

  EXPECT_NE(ReadBytes(ws.Path("K0.opc")).find("ComTeleLength=256\r\n"), std::string::npos);
  EXPECT_NE(ReadBytes(ws.Path("K4.opc")).find("ComPort=SIM SimHost.dll Vsim1.Vsim1\r\n"),
            std::string::npos);
  EXPECT_NE(ReadBytes(ws.Path("K5.opc")).find("ComPort=SIM SimHost.dll Vsim2.Vsim2\r\n"),
            std::string::npos);
  EXPECT_NE(ReadBytes(ws.Path("K5.opc")).find("ComTeleLength=1428\r\n"), std::string::npos);

  ResourceList reread;
  RecordingLink link;
  ResourceFiles reader(reread, ws.folder, link);
  for (const ResourceRecord& r : records) EXPECT_EQ(reader.LoadResourceFile(r.name), 0);
  EXPECT_EQ(link.selected, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(std::vector<ResourceRecord>(reread.begin(), reread.end()), records);
}

TEST(ResourceFileTest, KeysTheEditorDoesNotWriteSurviveEverySave) {
  Workspace ws;
  // Hand-edited: another order, extra keys and sections, and 8-bit text in Description.
  WriteBytes(ws.Path("Press3.opc"),
             "[GeneralSettings]\r\n"
             "Description=Presse 3 (\xD6lpumpe) PLC\xB4s\r\n"
             "AdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
             "Owner=maintenance\r\n"
             "\r\n"
             "[Online]\r\n"
             "ComPort=V24 1 9600 8 1 0 2000 0\r\n"
             "Retries=3\r\n"
             "ComTeleLength=256\r\n"
             "\r\n"
             "[Extra]\r\n"
             "Note=keep me\r\n"
             "\r\n");
  ASSERT_EQ(ws.files.LoadResourceFile(u"Press3.opc"), 0);
  ResourceRecord& record = *ws.list.begin();
  EXPECT_EQ(record.portKind, kPortCom1);

  record.baud = u"19200";
  record.alignment = u"Big Endian";
  ASSERT_EQ(ws.files.SaveAllResources(), 0);
  const std::string afterSerial =
      "[GeneralSettings]\r\n"
      "Description=Presse 3 (\xD6lpumpe) PLC\xB4s\r\n"
      "AdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n"
      "Owner=maintenance\r\n"
      "\r\n"
      "[Online]\r\n"
      "ComPort=V24 1 19200 8 1 0 2000 0\r\n"
      "Retries=3\r\n"
      "ComTeleLength=256\r\n"
      "\r\n"
      "[Extra]\r\n"
      "Note=keep me\r\n"
      "\r\n";
  EXPECT_EQ(ReadBytes(ws.Path("Press3.opc")), afterSerial);

  // Saving again without a change rewrites the same bytes.
  ASSERT_EQ(ws.files.SaveAllResources(), 0);
  EXPECT_EQ(ReadBytes(ws.Path("Press3.opc")), afterSerial);

  record.portKind = kPortTcpIp;
  record.parameter = u"-ip10.1.1.7";
  ASSERT_EQ(ws.files.SaveAllResources(), 0);
  EXPECT_EQ(ReadBytes(ws.Path("Press3.opc")),
            "[GeneralSettings]\r\n"
            "Description=Presse 3 (\xD6lpumpe) PLC\xB4s\r\n"
            "AdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n"
            "Owner=maintenance\r\n"
            "\r\n"
            "[Online]\r\n"
            "ComPort=DLL netdrv.dll -ip10.1.1.7\r\n"
            "Retries=3\r\n"
            "ComTeleLength=1428\r\n"
            "\r\n"
            "[Extra]\r\n"
            "Note=keep me\r\n"
            "\r\n");
  EXPECT_EQ(ListFolder(ws.dir.path()), std::vector<std::string>{"Press3.opc"});
}

TEST(ResourceFileTest, CreateResourceFileWritesTheEightLinesOfANewResource) {
  Workspace ws;
  ASSERT_EQ(CreateResourceFile(u"Line4", ws.folder), 0);
  EXPECT_EQ(ReadBytes(ws.Path("Line4.opc")), testing::kNewResourceFileBytes);
  EXPECT_EQ(ListFolder(ws.dir.path()), std::vector<std::string>{"Line4.opc"});

  ASSERT_EQ(ws.files.LoadResourceFile(u"Line4.opc"), 0);
  EXPECT_EQ(*ws.list.begin(),
            (ResourceRecord{u"Line4.opc", kPortTcpIp, u"19200", u"1", u"8", u"None", u"2000",
                            u"-ip127.0.0.1", u"Little Endian"}));
}

TEST(ResourceFileTest, CreateResourceFileOverAnExistingFileKeepsItsOtherKeys) {
  Workspace ws;
  WriteBytes(ws.Path("Line4.opc"),
             "[Online]\r\n"
             "ComPort=V24 2 9600 8 1 0 2000 0\r\n"
             "ComTeleLength=256\r\n"
             "Retries=3\r\n"
             "\r\n"
             "[GeneralSettings]\r\n"
             "Owner=ops\r\n"
             "Description=mine\r\n"
             "\r\n");
  ASSERT_EQ(CreateResourceFile(u"Line4", ws.folder), 0);
  EXPECT_EQ(ReadBytes(ws.Path("Line4.opc")),
            "[Online]\r\n"
            "ComPort=DLL netdrv.dll -ip127.0.0.1\r\n"
            "ComTeleLength=1428\r\n"
            "Retries=3\r\n"
            "\r\n"
            "[GeneralSettings]\r\n"
            "Owner=ops\r\n"
            "Description=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n"
            "AdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
            "\r\n");
}

TEST(ResourceFileTest, CreateResourceFileFailsWhereNoFileCanBeWritten) {
  Workspace ws;
  EXPECT_EQ(CreateResourceFile(u"Line4", ws.folder + u"/missing"), kGeneralFailure);
  EXPECT_EQ(ListFolder(ws.dir.path()), std::vector<std::string>{});

  // A file that cannot be loaded stops the first write and keeps its bytes.
  const std::string broken = "[GeneralSettings]\r\nthis line is no entry\r\n";
  WriteBytes(ws.Path("Line5.opc"), broken);
  EXPECT_EQ(CreateResourceFile(u"Line5", ws.folder), kGeneralFailure);
  EXPECT_EQ(ReadBytes(ws.Path("Line5.opc")), broken);
  EXPECT_EQ(ListFolder(ws.dir.path()), std::vector<std::string>{"Line5.opc"});
}

TEST(ResourceFileTest, FilesThatCannotBeReadAreInvalidFiles) {
  Workspace ws;
  WriteBytes(ws.Path("garbage.opc"), "[Online]\r\nComPort=V24 1 9600 8 1 0 2000 0\r\njunk\r\n");
  WriteBytes(ws.Path("zero.opc"), "[Online]\r\nComPort=DLL netdrv.dll x\0\r\n"s);
  ASSERT_EQ(::mkdir(ws.Path("folder.opc").c_str(), 0755), 0);

  for (const char16_t* name : {u"garbage.opc", u"zero.opc", u"folder.opc", u"absent.opc"}) {
    EXPECT_EQ(ws.files.LoadResourceFile(name), kGeneralFailure) << Utf16ToUtf8(name);
  }
  EXPECT_EQ(ws.list.Count(), 0u);
  EXPECT_EQ(ws.link.messages, std::vector<std::u16string>(4, u"Invalid File"));
  EXPECT_EQ(ws.link.selected, std::vector<int>{});
}

TEST(ResourceFileTest, ASaveIntoAFileThatCannotBeLoadedFailsAndLeavesItAsItWas) {
  Workspace ws;
  const std::string garbage = "[Online]\r\nComPort=V24 1 9600 8 1 0 2000 0\r\njunk\r\n";
  const std::string zero = "[Online]\r\nComPort=V24 1\0\r\n"s;
  WriteBytes(ws.Path("garbage.opc"), garbage);
  WriteBytes(ws.Path("zero.opc"), zero);
  ws.list.Append({u"garbage.opc", 0, u"9600", u"1", u"8", u"None", u"2000", u"x", u""});
  EXPECT_EQ(ws.files.SaveAllResources(), kGeneralFailure);
  ws.list.Clear();
  ws.list.Append({u"zero.opc", 6, u"9600", u"1", u"8", u"None", u"2000", u"x", u"Big Endian"});
  EXPECT_EQ(ws.files.SaveAllResources(), kGeneralFailure);

  EXPECT_EQ(ReadBytes(ws.Path("garbage.opc")), garbage);
  EXPECT_EQ(ReadBytes(ws.Path("zero.opc")), zero);
  EXPECT_EQ(ListFolder(ws.dir.path()), (std::vector<std::string>{"garbage.opc", "zero.opc"}));
}

TEST(ResourceFileTest, AFailedRecordFailsTheSaveWhateverComesAfterIt) {
  Workspace ws;
  const std::string broken = "[Online]\r\nnot an entry\r\n";
  ASSERT_EQ(CreateResourceFile(u"Good", ws.folder), 0);
  WriteBytes(ws.Path("Bad.opc"), broken);
  const ResourceRecord good{u"Good.opc", 6,       u"19200",       u"1",         u"8",
                            u"None",     u"2000", u"-ip10.0.0.2", u"Big Endian"};
  const ResourceRecord bad{u"Bad.opc", 1, u"9600", u"1", u"8", u"None", u"2000", u"", u""};
  ResourceRecord badWithoutKind = bad;
  badWithoutKind.portKind = kPortKindUnknown;  // only its AdaptationComponent is written

  struct Order {
    const char* what;
    std::vector<ResourceRecord> records;
    Status expected;
  };
  const Order orders[] = {
      {"a failed record before a good one", {bad, good}, kGeneralFailure},
      {"a failed record after a good one", {good, bad}, kGeneralFailure},
      {"a failed AdaptationComponent write before a good one",
       {badWithoutKind, good},
       kGeneralFailure},
      {"good records only", {good, good}, 0},
  };
  for (const Order& order : orders) {
    SCOPED_TRACE(order.what);
    ws.list.Clear();
    for (const ResourceRecord& r : order.records) ws.list.Append(r);
    EXPECT_EQ(ws.files.SaveAllResources(), order.expected);
    // Every record was still written: the good file holds the good record's values.
    EXPECT_NE(ReadBytes(ws.Path("Good.opc")).find("ComPort=DLL netdrv.dll -ip10.0.0.2\r\n"),
              std::string::npos);
    EXPECT_EQ(ReadBytes(ws.Path("Bad.opc")), broken);
    ASSERT_EQ(CreateResourceFile(u"Good", ws.folder), 0);  // back to the default values
  }
}

TEST(ResourceFileTest, SavingAnEmptyListFailsAndTouchesNothing) {
  Workspace ws;
  ASSERT_EQ(CreateResourceFile(u"Line4", ws.folder), 0);
  EXPECT_EQ(ws.files.SaveAllResources(), kGeneralFailure);
  EXPECT_EQ(ReadBytes(ws.Path("Line4.opc")), testing::kNewResourceFileBytes);
  EXPECT_EQ(ListFolder(ws.dir.path()), std::vector<std::string>{"Line4.opc"});
}

}  // namespace
}  // namespace tirv
