// The port text under "ComPort" in both directions: one table of texts, the record each
// one reads as, and the texts that saving that record (after an optional edit) writes
// and that read back.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/text.h"
#include "resources/port_text.h"
#include "support/record_print.h"

namespace tirv {
namespace {

constexpr const char* kLe = "QB.OPC.AdaptTIRV3x.LE.20";
constexpr const char* kBe = "QB.OPC.AdaptTIRV3x.BE.20";

// Serial fields in port-text order (data bits before stop bits).
ResourceRecord Serial(int kind, const char* baud, const char* data, const char* stop,
                      const char* parity, const char* timeout,
                      const char* alignment = "Little Endian") {
  return ResourceRecord{u"",         kind,         U16(baud),       U16(stop),     U16(data),
                        U16(parity), U16(timeout), u"-ip127.0.0.1", U16(alignment)};
}

ResourceRecord Tcp(const char* parameter, const char* alignment = "Little Endian") {
  return ResourceRecord{u"",     kPortTcpIp, u"19200",       u"1",          u"8",
                        u"None", u"2000",    U16(parameter), U16(alignment)};
}

ResourceRecord Sim(int kind, const char* alignment = "Little Endian") {
  return ResourceRecord{u"",     kind,    u"19200",        u"1",          u"8",
                        u"None", u"2000", u"-ip127.0.0.1", U16(alignment)};
}

struct PortTextCase {
  const char* what;
  std::string portText;
  std::string adaptation = kLe;
  bool namesResource = true;
  Status status = 0;
  ResourceRecord read = {};                             // the record read, without a name
  std::function<void(ResourceRecord&)> edit = nullptr;  // applied before saving
  // What saving writes: the port text ("" for a kind without one, whose file keeps its
  // ComPort and ComTeleLength), the tele length and the adaptation.
  std::string savedPort = "";
  std::string savedTele = "";
  std::string savedAdaptation = kLe;
  std::optional<ResourceRecord> readBack = std::nullopt;  // none: the saved record itself
};

const PortTextCase kCases[] = {
    {.what = "COM2 with parity Even",
     .portText = "V24 2 19200 8 1 2 2000 0",
     .read = Serial(1, "19200", "8", "1", "Even", "2000"),
     .savedPort = "V24 2 19200 8 1 2 2000 0",
     .savedTele = "256"},
    {.what = "COM3 with parity Odd on a big-endian target",
     .portText = "V24 3 9600 8 1 1 2000 0",
     .adaptation = kBe,
     .read = Serial(2, "9600", "8", "1", "Odd", "2000", "Big Endian"),
     .savedPort = "V24 3 9600 8 1 1 2000 0",
     .savedTele = "256",
     .savedAdaptation = kBe},
    {.what = "a run of spaces separates like one",
     .portText = "V24 4 9600   8 1 0 2000 0",
     .read = Serial(3, "9600", "8", "1", "None", "2000"),
     .savedPort = "V24 4 9600 8 1 0 2000 0",
     .savedTele = "256"},
    {.what = "tokens after the timeout are ignored",
     .portText = "V24 1 110 7 2 2 50 0 extra more",
     .read = Serial(0, "110", "7", "2", "Even", "50"),
     .savedPort = "V24 1 110 7 2 2 50 0",
     .savedTele = "256"},
    {.what = "missing tokens leave their fields empty, and the empty fields shift on re-reading",
     .portText = "V24 1 9600",
     .read = Serial(0, "9600", "", "", "", ""),
     .savedPort = "V24 1 9600     0",
     .savedTele = "256",
     .readBack = Serial(0, "9600", "0", "", "", "")},
    {.what = "a tab is part of a token",
     .portText = "V24 1\t9600 8 1 0 2000 0",
     .read = Serial(0, "8", "1", "0", "2000", "0"),
     .savedPort = "V24 1 8 1 0 2000 0 0",
     .savedTele = "256"},
    {.what = "a tab after a space starts a token",
     .portText = "V24 3 9600 \t8 1 0 2000 0",
     .read = Serial(2, "9600", "\t8", "1", "None", "2000"),
     .savedPort = "V24 3 9600 \t8 1 0 2000 0",
     .savedTele = "256"},
    {.what = "a parity token other than 0, 1, 2 is kept as it is",
     .portText = "V24 2 9600 8 1 5 2000 0",
     .read = Serial(1, "9600", "8", "1", "5", "2000"),
     .savedPort = "V24 2 9600 8 1 5 2000 0",
     .savedTele = "256"},
    {.what = "the port comes from the substring tests in order, not from the second token",
     .portText = "V24 4 9600 8 1 0 2000 0 V24 1",
     .read = Serial(0, "9600", "8", "1", "None", "2000"),
     .savedPort = "V24 1 9600 8 1 0 2000 0",
     .savedTele = "256"},
    {.what = "V24 5 names no port: kind -1, a failure, and only its adaptation is saved",
     .portText = "V24 5 9600 8 1 0 2000 0",
     .status = kGeneralFailure,
     .read = Serial(-1, "9600", "8", "1", "None", "2000")},
    {.what = "V24 before DLL is serial",
     .portText = "V24 2 9600 8 1 0 2000 0 DLL",
     .read = Serial(1, "9600", "8", "1", "None", "2000"),
     .savedPort = "V24 2 9600 8 1 0 2000 0",
     .savedTele = "256"},
    {.what = "V24 before SIM is serial",
     .portText = "V24 3 9600 8 1 0 2000 0 SIM",
     .read = Serial(2, "9600", "8", "1", "None", "2000"),
     .savedPort = "V24 3 9600 8 1 0 2000 0",
     .savedTele = "256"},
    {.what = "TCP/IP",
     .portText = "DLL netdrv.dll -ip127.0.0.1",
     .read = Tcp("-ip127.0.0.1"),
     .savedPort = "DLL netdrv.dll -ip127.0.0.1",
     .savedTele = "1428"},
    {.what = "DLL before SIM is TCP/IP: a SIMATIC parameter stays TCP/IP and round-trips",
     .portText = "DLL netdrv.dll -ipSIMATIC-S7",
     .read = Tcp("-ipSIMATIC-S7"),
     .savedPort = "DLL netdrv.dll -ipSIMATIC-S7",
     .savedTele = "1428"},
    {.what = "after the driver's exact prefix the parameter is kept whole: localhost",
     .portText = "DLL netdrv.dll localhost",
     .read = Tcp("localhost"),
     .savedPort = "DLL netdrv.dll localhost",
     .savedTele = "1428"},
    {.what = "after the driver's exact prefix the parameter is kept whole: dev7",
     .portText = "DLL netdrv.dll dev7",
     .read = Tcp("dev7"),
     .savedPort = "DLL netdrv.dll dev7",
     .savedTele = "1428"},
    {.what = "without the exact prefix the removed characters are a set",
     .portText = "DLL lend.vert -x",
     .read = Tcp("-x"),
     .savedPort = "DLL netdrv.dll -x",
     .savedTele = "1428"},
    {.what = "an empty parameter is written with the trailing space and reads back empty",
     .portText = "DLL netdrv.dll",
     .read = Tcp(""),
     .savedPort = "DLL netdrv.dll ",
     .savedTele = "1428"},
    {.what = "DLL before V24 is TCP/IP",
     .portText = "DLL netdrv.dll V24 1 9600",
     .read = Tcp("V24 1 9600"),
     .savedPort = "DLL netdrv.dll V24 1 9600",
     .savedTele = "1428"},
    {.what = "Simulation 1",
     .portText = "SIM SimHost.dll Vsim1.Vsim1",
     .read = Sim(4),
     .savedPort = "SIM SimHost.dll Vsim1.Vsim1",
     .savedTele = "1428"},
    {.what = "Simulation 2 on a big-endian target",
     .portText = "SIM SimHost.dll Vsim2.Vsim2",
     .adaptation = kBe,
     .read = Sim(5, "Big Endian"),
     .savedPort = "SIM SimHost.dll Vsim2.Vsim2",
     .savedTele = "1428",
     .savedAdaptation = kBe},
    {.what = "SIM before DLL and V24; an inexact simulation text has kind -1",
     .portText = "SIM DLL netdrv.dll V24 1",
     .read = Sim(-1)},
    {.what = "a third simulation text has kind -1",
     .portText = "SIM SimHost.dll Vsim3.Vsim3",
     .read = Sim(-1)},
    {.what = "lower-case words name no resource",
     .portText = "dll netdrv.dll -ip127.0.0.1",
     .namesResource = false,
     .status = kGeneralFailure},
    {.what = "lower-case simulation words name no resource",
     .portText = "sim simhost.dll vsim1.vsim1 v24",
     .namesResource = false,
     .status = kGeneralFailure},
    {.what = "an empty text names no resource",
     .portText = "",
     .namesResource = false,
     .status = kGeneralFailure},
    {.what = "an adaptation in other letter case gives an empty alignment, written empty",
     .portText = "V24 2 9600 8 1 0 2000 0",
     .adaptation = "qb.opc.adapttirv3x.be.20",
     .read = Serial(1, "9600", "8", "1", "None", "2000", ""),
     .savedPort = "V24 2 9600 8 1 0 2000 0",
     .savedTele = "256",
     .savedAdaptation = ""},
    {.what = "an alignment typed in lower case is written as an empty adaptation",
     .portText = "V24 2 9600 8 1 0 2000 0",
     .adaptation = kBe,
     .read = Serial(1, "9600", "8", "1", "None", "2000", "Big Endian"),
     .edit = [](ResourceRecord& r) { r.alignment = u"big endian"; },
     .savedPort = "V24 2 9600 8 1 0 2000 0",
     .savedTele = "256",
     .savedAdaptation = "",
     .readBack = Serial(1, "9600", "8", "1", "None", "2000", "")},
    {.what = "empty stop bits: two spaces in a row, and the parity digit moves into stop bits",
     .portText = "V24 1 9600 8 1 0 2000 0",
     .read = Serial(0, "9600", "8", "1", "None", "2000"),
     .edit = [](ResourceRecord& r) { r.stopBits.clear(); },
     .savedPort = "V24 1 9600 8  0 2000 0",
     .savedTele = "256",
     .readBack = Serial(0, "9600", "8", "0", "2000", "0")},
    {.what = "a TCP/IP record switched to COM3 is written with its serial fields",
     .portText = "DLL netdrv.dll -ip10.0.0.9",
     .read = Tcp("-ip10.0.0.9"),
     .edit = [](ResourceRecord& r) { r.portKind = kPortCom3; },
     .savedPort = "V24 3 19200 8 1 0 2000 0",
     .savedTele = "256",
     .readBack = Serial(2, "19200", "8", "1", "None", "2000")},
};

TEST(PortTextTest, ReadsAndWritesEveryFormOfThePortText) {
  for (const PortTextCase& c : kCases) {
    SCOPED_TRACE(c.what);
    const PortReading reading = ParsePortText(U16(c.portText), U16(c.adaptation));
    EXPECT_EQ(reading.namesResource, c.namesResource);
    EXPECT_EQ(reading.status, c.status);
    if (!c.namesResource) continue;
    EXPECT_EQ(reading.record, c.read);

    ResourceRecord saved = reading.record;
    if (c.edit) c.edit(saved);
    EXPECT_EQ(Utf16ToUtf8(FormatPortText(saved)), c.savedPort);
    EXPECT_EQ(Utf16ToUtf8(AdaptationOf(saved.alignment)), c.savedAdaptation);
    if (!IsPortKind(saved.portKind)) continue;
    EXPECT_EQ(Utf16ToUtf8(TeleLengthOf(saved.portKind)), c.savedTele);
    const PortReading back = ParsePortText(FormatPortText(saved), AdaptationOf(saved.alignment));
    EXPECT_EQ(back.record, c.readBack.value_or(saved));
  }
}

}  // namespace
}  // namespace tirv
