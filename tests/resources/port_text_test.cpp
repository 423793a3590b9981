// The port text under "ComPort" in both directions: one table of file values, the record
// each one reads as, and what saving that record (after an optional edit) writes back.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "record_print.h"
#include "resource_file.h"
#include "temp_dir.h"
#include "text.h"

namespace tirv {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kLe = "QB.OPC.AdaptTIRV3x.LE.20";
constexpr const char* kBe = "QB.OPC.AdaptTIRV3x.BE.20";

// Stands in for the editor: remembers what the reader asked of it.
struct RecordingLink : ResourceEditorLink {
  void SelectPortKind(std::int32_t kind) override { selected.push_back(kind); }
  void ApplicationMessageBox(std::u16string_view text) override { messages.emplace_back(text); }
  std::vector<int> selected;
  std::vector<std::u16string> messages;
};

// Serial fields in port-text order (data bits before stop bits).
ResourceRecord Serial(int kind, const char* baud, const char* data, const char* stop,
                      const char* parity, const char* timeout,
                      const char* alignment = "Little Endian") {
  return ResourceRecord{u"R.opc",    kind,         U16(baud),       U16(stop),     U16(data),
                        U16(parity), U16(timeout), u"-ip127.0.0.1", U16(alignment)};
}

ResourceRecord Tcp(const char* parameter, const char* alignment = "Little Endian") {
  return ResourceRecord{u"R.opc", kPortTcpIp, u"19200",       u"1",          u"8",
                        u"None",  u"2000",    U16(parameter), U16(alignment)};
}

ResourceRecord Sim(int kind, const char* alignment = "Little Endian") {
  return ResourceRecord{u"R.opc", kind,    u"19200",        u"1",          u"8",
                        u"None",  u"2000", u"-ip127.0.0.1", U16(alignment)};
}

struct PortTextCase {
  const char* what;
  std::optional<std::string> comPort;  // the file's ComPort value; none: no such key
  std::string adaptation = kLe;
  Status readStatus = 0;
  std::optional<ResourceRecord> read = std::nullopt;  // the appended record; none: nothing
  std::vector<int> selected = {};  // the editor's SelectPortKind calls while reading
  std::function<void(ResourceRecord&)> edit = nullptr;  // applied before the save
  Status saveStatus = 0;
  std::string savedPort = "";  // ComPort, ComTeleLength, AdaptationComponent after the save
  std::string savedTele = "";
  std::string savedAdaptation = kLe;
  std::optional<ResourceRecord> readBack = std::nullopt;  // none: the saved record itself
};

std::string FileWith(const PortTextCase& c) {
  std::string text = "[GeneralSettings]\r\nAdaptationComponent=" + c.adaptation +
                     "\r\nDescription=kept by hand\r\n\r\n[Online]\r\nComTeleLength=999\r\n";
  if (c.comPort) text += "ComPort=" + *c.comPort + "\r\n";
  return text + "\r\n";
}

// The value of `key` exactly as the file holds it, up to its line end.
std::string ValueLine(const std::string& bytes, const std::string& key) {
  const std::string start = "\n" + key + "=";
  const std::size_t at = bytes.find(start);
  if (at == std::string::npos) return "<no " + key + ">";
  const std::size_t begin = at + start.size();
  return bytes.substr(begin, bytes.find("\r\n", begin) - begin);
}

const PortTextCase kCases[] = {
    {.what = "COM2 with parity Even",
     .comPort = "V24 2 19200 8 1 2 2000 0",
     .read = Serial(1, "19200", "8", "1", "Even", "2000"),
     .selected = {1},
     .savedPort = "V24 2 19200 8 1 2 2000 0",
     .savedTele = "256"},
    {.what = "COM3 with parity Odd on a big-endian target",
     .comPort = "V24 3 9600 8 1 1 2000 0",
     .adaptation = kBe,
     .read = Serial(2, "9600", "8", "1", "Odd", "2000", "Big Endian"),
     .selected = {2},
     .savedPort = "V24 3 9600 8 1 1 2000 0",
     .savedTele = "256",
     .savedAdaptation = kBe},
    {.what = "a run of spaces separates like one",
     .comPort = "V24 4 9600   8 1 0 2000 0",
     .read = Serial(3, "9600", "8", "1", "None", "2000"),
     .selected = {3},
     .savedPort = "V24 4 9600 8 1 0 2000 0",
     .savedTele = "256"},
    {.what = "tokens after the timeout are ignored",
     .comPort = "V24 1 110 7 2 2 50 0 extra more",
     .read = Serial(0, "110", "7", "2", "Even", "50"),
     .selected = {0},
     .savedPort = "V24 1 110 7 2 2 50 0",
     .savedTele = "256"},
    {.what = "missing tokens leave their fields empty, and the empty fields shift on re-reading",
     .comPort = "V24 1 9600",
     .read = Serial(0, "9600", "", "", "", ""),
     .selected = {0},
     .savedPort = "V24 1 9600     0",
     .savedTele = "256",
     .readBack = Serial(0, "9600", "0", "", "", "")},
    {.what = "a tab is part of a token",
     .comPort = "V24 1\t9600 8 1 0 2000 0",
     .read = Serial(0, "8", "1", "0", "2000", "0"),
     .selected = {0},
     .savedPort = "V24 1 8 1 0 2000 0 0",
     .savedTele = "256"},
    {.what = "a tab after a space starts a token",
     .comPort = "V24 3 9600 \t8 1 0 2000 0",
     .read = Serial(2, "9600", "\t8", "1", "None", "2000"),
     .selected = {2},
     .savedPort = "V24 3 9600 \t8 1 0 2000 0",
     .savedTele = "256"},
    {.what = "a parity token other than 0, 1, 2 is kept as it is",
     .comPort = "V24 2 9600 8 1 5 2000 0",
     .read = Serial(1, "9600", "8", "1", "5", "2000"),
     .selected = {1},
     .savedPort = "V24 2 9600 8 1 5 2000 0",
     .savedTele = "256"},
    {.what = "the port comes from the substring tests in order, not from the second token",
     .comPort = "V24 4 9600 8 1 0 2000 0 V24 1",
     .read = Serial(0, "9600", "8", "1", "None", "2000"),
     .selected = {0},
     .savedPort = "V24 1 9600 8 1 0 2000 0",
     .savedTele = "256"},
    {.what = "V24 5 names no port: appended with kind -1, and only its adaptation is saved",
     .comPort = "V24 5 9600 8 1 0 2000 0",
     .readStatus = kGeneralFailure,
     .read = Serial(-1, "9600", "8", "1", "None", "2000"),
     .saveStatus = kGeneralFailure,
     .savedPort = "V24 5 9600 8 1 0 2000 0",
     .savedTele = "999"},
    {.what = "TCP/IP",
     .comPort = "DLL netdrv.dll -ip127.0.0.1",
     .read = Tcp("-ip127.0.0.1"),
     .savedPort = "DLL netdrv.dll -ip127.0.0.1",
     .savedTele = "1428"},
    {.what = "the removed characters are a set: dev7 leaves 7",
     .comPort = "DLL netdrv.dll dev7",
     .read = Tcp("7"),
     .savedPort = "DLL netdrv.dll 7",
     .savedTele = "1428"},
    {.what = "the removed characters are a set, not the driver name as a prefix",
     .comPort = "DLL lend.vert -x",
     .read = Tcp("-x"),
     .savedPort = "DLL netdrv.dll -x",
     .savedTele = "1428"},
    {.what = "an empty parameter is written with the trailing space and reads back empty",
     .comPort = "DLL netdrv.dll",
     .read = Tcp(""),
     .savedPort = "DLL netdrv.dll ",
     .savedTele = "1428"},
    {.what = "a port text is read whole, however long, and saved uncut",
     .comPort = "DLL netdrv.dll " + std::string(5000, 'x'),
     .read = Tcp(std::string(5000, 'x').c_str()),
     .savedPort = "DLL netdrv.dll " + std::string(5000, 'x'),
     .savedTele = "1428"},
    {.what = "DLL is tested before V24",
     .comPort = "DLL netdrv.dll V24 1 9600",
     .read = Tcp("V24 1 9600"),
     .savedPort = "DLL netdrv.dll V24 1 9600",
     .savedTele = "1428"},
    {.what = "Simulation 1",
     .comPort = "SIM SimHost.dll Vsim1.Vsim1",
     .read = Sim(4),
     .savedPort = "SIM SimHost.dll Vsim1.Vsim1",
     .savedTele = "1428"},
    {.what = "Simulation 2 on a big-endian target",
     .comPort = "SIM SimHost.dll Vsim2.Vsim2",
     .adaptation = kBe,
     .read = Sim(5, "Big Endian"),
     .savedPort = "SIM SimHost.dll Vsim2.Vsim2",
     .savedTele = "1428",
     .savedAdaptation = kBe},
    {.what = "SIM is tested before DLL and V24; an inexact simulation text has kind -1",
     .comPort = "SIM DLL netdrv.dll V24 1",
     .read = Sim(-1),
     .saveStatus = kGeneralFailure,
     .savedPort = "SIM DLL netdrv.dll V24 1",
     .savedTele = "999"},
    {.what = "a third simulation text has kind -1",
     .comPort = "SIM SimHost.dll Vsim3.Vsim3",
     .read = Sim(-1),
     .saveStatus = kGeneralFailure,
     .savedPort = "SIM SimHost.dll Vsim3.Vsim3",
     .savedTele = "999"},
    {.what = "lower-case words are an invalid file",
     .comPort = "dll netdrv.dll -ip127.0.0.1",
     .readStatus = kGeneralFailure},
    {.what = "lower-case simulation words are an invalid file",
     .comPort = "sim simhost.dll vsim1.vsim1 v24",
     .readStatus = kGeneralFailure},
    {.what = "an empty ComPort reads as the default text, an invalid file",
     .comPort = "",
     .readStatus = kGeneralFailure},
    {.what = "a missing ComPort reads as the default text, an invalid file",
     .comPort = std::nullopt,
     .readStatus = kGeneralFailure},
    {.what = "an adaptation in other letter case gives an empty alignment, written empty",
     .comPort = "V24 2 9600 8 1 0 2000 0",
     .adaptation = "qb.opc.adapttirv3x.be.20",
     .read = Serial(1, "9600", "8", "1", "None", "2000", ""),
     .selected = {1},
     .savedPort = "V24 2 9600 8 1 0 2000 0",
     .savedTele = "256",
     .savedAdaptation = ""},
    {.what = "an alignment typed in lower case is written as an empty adaptation",
     .comPort = "V24 2 9600 8 1 0 2000 0",
     .adaptation = kBe,
     .read = Serial(1, "9600", "8", "1", "None", "2000", "Big Endian"),
     .selected = {1},
     .edit = [](ResourceRecord& r) { r.alignment = u"big endian"; },
     .savedPort = "V24 2 9600 8 1 0 2000 0",
     .savedTele = "256",
     .savedAdaptation = "",
     .readBack = Serial(1, "9600", "8", "1", "None", "2000", "")},
    {.what = "empty stop bits: two spaces in a row, and the parity digit moves into stop bits",
     .comPort = "V24 1 9600 8 1 0 2000 0",
     .read = Serial(0, "9600", "8", "1", "None", "2000"),
     .selected = {0},
     .edit = [](ResourceRecord& r) { r.stopBits.clear(); },
     .savedPort = "V24 1 9600 8  0 2000 0",
     .savedTele = "256",
     .readBack = Serial(0, "9600", "8", "0", "2000", "0")},
    {.what = "a TCP/IP record switched to COM3 is written with its serial fields",
     .comPort = "DLL netdrv.dll -ip10.0.0.9",
     .read = Tcp("-ip10.0.0.9"),
     .edit = [](ResourceRecord& r) { r.portKind = kPortCom3; },
     .savedPort = "V24 3 19200 8 1 0 2000 0",
     .savedTele = "256",
     .readBack = Serial(2, "19200", "8", "1", "None", "2000")},
};

TEST(PortTextTest, ReadsAndWritesEveryFormOfThePortText) {
  for (const PortTextCase& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = dir.File("R.opc");
    WriteBytes(path, FileWith(c));
    const std::u16string folder = dir.wpath();
    ResourceList list;
    RecordingLink link;
    ResourceFiles files(list, folder, link);

    EXPECT_EQ(files.LoadResourceFile(u"R.opc"), c.readStatus);
    EXPECT_EQ(link.selected, c.selected);
    if (!c.read) {
      EXPECT_EQ(link.messages, std::vector<std::u16string>{u"Invalid File"});
      EXPECT_EQ(list.Count(), 0u);
      const std::string before = ReadBytes(path);
      EXPECT_EQ(files.SaveAllResources(), kGeneralFailure);
      EXPECT_EQ(ReadBytes(path), before);
      continue;
    }
    EXPECT_EQ(link.messages, std::vector<std::u16string>{});
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(*list.begin(), *c.read);

    if (c.edit) c.edit(*list.begin());
    const ResourceRecord saved = *list.begin();
    EXPECT_EQ(files.SaveAllResources(), c.saveStatus);
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(ValueLine(bytes, "ComPort"), c.savedPort);
    EXPECT_EQ(ValueLine(bytes, "ComTeleLength"), c.savedTele);
    EXPECT_EQ(ValueLine(bytes, "AdaptationComponent"), c.savedAdaptation);
    EXPECT_EQ(ValueLine(bytes, "Description"), "kept by hand");

    list.Clear();
    EXPECT_EQ(files.LoadResourceFile(u"R.opc"), c.readStatus);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(*list.begin(), c.readBack.value_or(saved));
  }
}

}  // namespace
}  // namespace tirv
