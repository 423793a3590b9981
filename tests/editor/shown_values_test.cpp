// Showing a resource never changes it: every value is shown as its file holds it, so
// that reading the controls back gives the very record read, and only what the user
// changes is ever written.
#include <gtest/gtest.h>

#include "editor/texts.h"
#include "editor_rig.h"
#include "platform/text.h"

namespace tirv {
namespace {

using testing::EditorRig;
using testing::kYes;
using testing::OpcFile;

using Texts = std::vector<std::u16string>;

constexpr const char* kCustom = "QB.OPC.AdaptCustom.XX.21";
const std::u16string kNotSaved(texts::kNotSaved);
const std::u16string kLoadingError(texts::kWorkspaceError);
const std::u16string kSaveFailed(texts::kSaveFailed);

// What another program writes into each of `names` while the editor runs. A file the
// editor takes for unchanged keeps it through a save, without a question.
void ChangeBehindTheEditor(const EditorRig& rig, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    rig.Raw(name, rig.Bytes(name) + "[Colleague]\r\nNote=kept\r\n");
  }
}
// Files that hold values the editor's lists do not offer, or that it cannot name.
struct OddFile {
  const char* name;
  std::string bytes;
  bool knownKind = true;  ///< false: shown first, it is the loading's error
};
std::vector<OddFile> OddFiles() {
  return {
      {"Baud14400.opc", OpcFile("V24 2 14400 7 2 2 500 0")},
      {"BaudOne.opc", OpcFile("V24 3 1 8 1 3 2000 0")},  // "1" begins "110"; parity 3
      {"Custom.opc", OpcFile("V24 1 9600 8 1 0 2000 0", kCustom)},
      {"LowerCase.opc", OpcFile("V24 4 600 7 1.5 none 100 0", "qb.opc.adapttirv3x.be.20")},
      {"Mark.opc", OpcFile("V24 1 19200 9 2 Mark 10 0")},
      {"Long.opc", OpcFile("DLL netdrv.dll -ip" + std::string(40000, '7'))},
      {"Extra.opc", OpcFile("V24 2 9600 8 1 0 2000 0 7 spare")},
      {"NoPort.opc", OpcFile("V24 9 1200 7 2 2 100 0"), false},  // no COM1..COM4
      {"Sim3.opc", OpcFile("SIM SimHost.dll Vsim3.Vsim3"), false},
      {"Spaced.opc", OpcFile("DLL  netdrv.dll -ip10.0.0.1")},
  };
}

TEST(ShownValuesTest, OpenThenOkLeavesEveryFileAsItWasWhateverItHolds) {
  // Each file alone, shown first and closed with Enter at once.
  for (const OddFile& file : OddFiles()) {
    SCOPED_TRACE(file.name);
    EditorRig rig;
    rig.Raw(file.name, file.bytes);
    rig.Open();
    ASSERT_EQ(rig.ui.ComboCount(ids::kResource), 1);
    rig.ui.PressEnter();
    if (file.knownKind) {
      EXPECT_EQ(rig.ui.endCode(), kEndOk);
      EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
    } else {
      // A workspace of no resource with a port kind has nothing a save could write.
      EXPECT_EQ(rig.ui.BoxTexts(), (Texts{kLoadingError, kSaveFailed}));
      rig.ui.PressEscape();
      EXPECT_EQ(rig.ui.endCode(), kEndCancel);
    }
    EXPECT_EQ(rig.Bytes(file.name), file.bytes);
  }

  // All of them, each shown and collected by a switch, then Save and Enter.
  EditorRig rig;
  for (const OddFile& file : OddFiles()) rig.Raw(file.name, file.bytes);
  rig.File("Zulu.opc", "V24 1 9600 8 1 0 2000 0");
  rig.Open();
  const int count = rig.ui.ComboCount(ids::kResource);
  ASSERT_EQ(count, static_cast<int>(OddFiles().size()) + 1);
  for (int entry = 1; entry < count; ++entry) rig.ui.Pick(ids::kResource, entry);
  for (int entry = count - 2; entry >= 0; --entry) rig.ui.Pick(ids::kResource, entry);
  // Shown and collected, none of them is changed: what another program writes into
  // each meanwhile is neither asked about nor overwritten.
  std::vector<std::string> names;
  for (const auto& [name, bytes] : rig.Files()) names.push_back(name);
  ChangeBehindTheEditor(rig, names);
  const auto files = rig.Files();
  rig.ui.Click(ids::kSave);
  rig.ui.PressEnter();
  EXPECT_EQ(rig.ui.endCode(), kEndOk);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Files(), files);
}

TEST(ShownValuesTest, AValueOutsideItsListIsAnEntryOfItsOwnUntilAnotherResourceIsShown) {
  const Texts bauds{u"110",  u"300",  u"600",   u"1200",  u"2400",
                    u"4800", u"9600", u"19200", u"38400", u"57600"};
  const Texts parities{u"Even", u"None", u"Odd"};
  EditorRig rig;
  rig.File("BaudOne.opc", "V24 3 1 8 1 3 2000 0");
  rig.File("Plain.opc", "V24 1 9600 8 1 0 2000 0");
  rig.Open();

  // The unsorted Baud list gets it at its end, the sorted ones in sorted place.
  Texts withOne = bauds;
  withOne.push_back(u"1");
  EXPECT_EQ(rig.ui.Entries(ids::kBaud), withOne);
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kBaud), 10);
  EXPECT_EQ(rig.ui.Entries(ids::kParity), (Texts{u"3", u"Even", u"None", u"Odd"}));
  EXPECT_EQ(rig.Values(),
            (Texts{u"1", u"1", u"8", u"3", u"2000", u"-ip127.0.0.1", u"Little Endian"}));

  // Picking a list entry replaces the value; the entry stays until the next resource.
  rig.ui.PickText(ids::kBaud, u"4800");
  EXPECT_EQ(rig.ui.GetText(ids::kBaud), u"4800");
  EXPECT_EQ(rig.ui.Entries(ids::kBaud), withOne);
  rig.ui.PickText(ids::kResource, u"Plain");
  EXPECT_EQ(rig.ui.Entries(ids::kBaud), bauds);
  EXPECT_EQ(rig.ui.Entries(ids::kParity), parities);
  EXPECT_EQ(rig.Values(),
            (Texts{u"9600", u"1", u"8", u"None", u"2000", u"-ip127.0.0.1", u"Little Endian"}));

  // Back again: the picked baud is a list entry now, the parity still is not.
  rig.ui.PickText(ids::kResource, u"BaudOne");
  EXPECT_EQ(rig.ui.Entries(ids::kBaud), bauds);
  EXPECT_EQ(rig.ui.Entries(ids::kParity), (Texts{u"3", u"Even", u"None", u"Odd"}));
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Bytes("BaudOne.opc"), OpcFile("V24 3 4800 8 1 3 2000 0"));
  EXPECT_EQ(rig.Bytes("Plain.opc"), OpcFile("V24 1 9600 8 1 0 2000 0"));

  // Values cut short select nothing; others are entries of their own, matched exactly
  // (no prefix, letter case counts), and a typed alignment that names none of the two
  // is shown as typed.
  EditorRig more;
  more.File("Cut.opc", "V24 1 12345 9");  // no stop bits, parity or timeout
  more.File("Short.opc", "V24 1 1 7 3 e 9 0", "QB.OPC.AdaptTIRV3x.BE.20");
  more.Open();
  EXPECT_EQ(more.Values(),
            (Texts{u"12345", u"", u"9", u"", u"", u"-ip127.0.0.1", u"Little Endian"}));
  EXPECT_EQ(more.ui.ComboCurrentIndex(ids::kStopBits), -1);
  EXPECT_EQ(more.ui.ComboCurrentIndex(ids::kParity), -1);
  EXPECT_EQ(more.ui.Entries(ids::kStopBits), (Texts{u"1", u"2"}));
  EXPECT_EQ(more.ui.Entries(ids::kDataBits), (Texts{u"7", u"8", u"9"}));
  more.ui.Type(ids::kTimeout, u"5");
  more.ui.Type(ids::kAlignment, u"big");
  more.ui.PickText(ids::kResource, u"Short");
  EXPECT_EQ(more.Values(), (Texts{u"1", u"3", u"7", u"e", u"9", u"-ip127.0.0.1", u"Big Endian"}));
  EXPECT_EQ(more.ui.ComboCurrentIndex(ids::kBaud), 10);
  EXPECT_EQ(more.ui.Entries(ids::kStopBits), (Texts{u"1", u"2", u"3"}));
  EXPECT_EQ(more.ui.Entries(ids::kDataBits), (Texts{u"7", u"8"}));
  EXPECT_EQ(more.ui.Entries(ids::kParity), (Texts{u"e", u"Even", u"None", u"Odd"}));
  more.ui.PickText(ids::kResource, u"Cut");
  EXPECT_EQ(more.Values(), (Texts{u"12345", u"", u"9", u"", u"5", u"-ip127.0.0.1", u"big"}));
  EXPECT_EQ(more.ui.ComboCurrentIndex(ids::kAlignment), -1);
  EXPECT_EQ(more.ui.BoxTexts(), Texts{});
}

TEST(ShownValuesTest, AnAdaptationOfNoKnownAlignmentIsKeptUntilTheUserSetsOne) {
  EditorRig rig;
  rig.File("Custom.opc", "V24 1 9600 8 1 0 2000 0", kCustom);
  rig.File("Typed.opc", "V24 2 9600 8 1 0 2000 0", kCustom);
  rig.Open();
  EXPECT_EQ(rig.ui.GetText(ids::kAlignment), u"");
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kAlignment), -1);

  // A port value changed: the port is written, the adaptation stays.
  rig.ui.PickText(ids::kBaud, u"600");
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.Bytes("Custom.opc"), OpcFile("V24 1 600 8 1 0 2000 0", kCustom));

  // A picked alignment replaces it; a typed one too, in any letter case, with blanks.
  rig.ui.PickText(ids::kAlignment, u"Big Endian");
  rig.ui.PickText(ids::kResource, u"Typed");
  EXPECT_EQ(rig.ui.GetText(ids::kAlignment), u"");
  rig.ui.Type(ids::kAlignment, u" little ENDIAN ");
  rig.ui.PickText(ids::kResource, u"Custom");
  EXPECT_EQ(rig.ui.GetText(ids::kAlignment), u"Big Endian");
  rig.ui.PressEnter();
  EXPECT_EQ(rig.ui.endCode(), kEndOk);
  EXPECT_EQ(rig.Bytes("Custom.opc"), OpcFile("V24 1 600 8 1 0 2000 0", "QB.OPC.AdaptTIRV3x.BE.20"));
  EXPECT_EQ(rig.Bytes("Typed.opc"), OpcFile("V24 2 9600 8 1 0 2000 0", "QB.OPC.AdaptTIRV3x.LE.20"));
}

// The radio button still checked when a record of no known port kind is shown is another
// record's; only the user's pick gives the record a kind.
TEST(ShownValuesTest, ARecordOfNoKnownPortKindKeepsItUntilTheUserPicksOne) {
  EditorRig rig;
  rig.File("Aaa.opc", "V24 9 1200 7 2 2 100 0");
  rig.File("Plant.opc", "V24 2 600 7 2 2 20 0");
  rig.Open();
  ASSERT_EQ(rig.ui.BoxTexts(), Texts{kLoadingError});  // Aaa, shown first, has no port kind
  rig.ui.session().boxes.clear();
  const std::string aaa = rig.Bytes("Aaa.opc");
  ASSERT_EQ(rig.ui.CheckedRadio(), 1001);  // Plant's, the serial file read
  rig.ui.PickText(ids::kBaud, u"4800");    // a change, but no port kind
  rig.ui.PickText(ids::kResource, u"Plant");
  rig.ui.PickText(ids::kResource, u"Aaa");
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Bytes("Aaa.opc"), aaa);
  // Shown again, it still keeps the radio button that was checked before.
  rig.ui.PickText(ids::kResource, u"Plant");
  rig.ui.Click(1000);
  rig.ui.PickText(ids::kResource, u"Aaa");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1000);
  EXPECT_EQ(rig.ui.GetText(ids::kBaud), u"4800");
  rig.ui.PickText(ids::kResource, u"Plant");
  rig.ui.PickText(ids::kResource, u"Aaa");
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Bytes("Aaa.opc"), aaa);

  rig.ui.Click(1003);
  rig.ui.PressEnter();
  EXPECT_EQ(rig.ui.endCode(), kEndOk);
  EXPECT_EQ(rig.Bytes("Aaa.opc"), OpcFile("V24 4 4800 7 2 2 100 0"));
}

TEST(ShownValuesTest, AParameterOfBlanksIsEmptyAndBlanksAtItsEndsAreRefusedAtSave) {
  EditorRig rig;
  rig.File("Plant.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("Tcp.opc", "DLL netdrv.dll -ip10.0.0.1");
  rig.Open();
  rig.ui.PickText(ids::kResource, u"Tcp");
  const auto files = rig.Files();

  for (const char16_t* blanks : {u"   ", u"\t", u" \t "}) {
    SCOPED_TRACE(Utf16ToUtf8(blanks));
    rig.ui.session().boxes.clear();
    rig.ui.Type(ids::kParameter, blanks);
    rig.ui.Click(ids::kSave);
    rig.ui.PickText(ids::kResource, u"Plant");
    rig.ui.PressEnter();
    EXPECT_EQ(rig.ui.BoxTexts(),
              (Texts{kNotSaved, std::u16string(texts::kSwitchRefused), kNotSaved}));
    EXPECT_EQ(rig.Selected(), u"Tcp");
    EXPECT_FALSE(rig.ui.ended());
    EXPECT_EQ(rig.Files(), files);
  }

  const std::u16string refused =
      kSaveFailed +
      u"\nTcp.opc: the parameter begins or ends with a blank, which the file cannot keep (blanks "
      u"at the ends of a value are dropped when it is read)";
  for (const char16_t* parameter : {u" -ip10.0.0.2", u"-ip10.0.0.2\t", u"  -ip10.0.0.2  "}) {
    SCOPED_TRACE(Utf16ToUtf8(parameter));
    rig.ui.session().boxes.clear();
    rig.ui.Type(ids::kParameter, parameter);
    rig.ui.Click(ids::kSave);
    rig.ui.PressEnter();
    EXPECT_EQ(rig.ui.BoxTexts(), (Texts{refused, refused}));
    EXPECT_FALSE(rig.ui.ended());
    EXPECT_EQ(rig.Files(), files);
  }

  // Blanks inside are the parameter's own.
  rig.ui.Type(ids::kParameter, u"-ip10.0.0.2 -t 3");
  rig.ui.PressEnter();
  EXPECT_EQ(rig.ui.endCode(), kEndOk);
  EXPECT_EQ(rig.Bytes("Tcp.opc"), OpcFile("DLL netdrv.dll -ip10.0.0.2 -t 3"));
}

// A file deleted by another program is made again only for values changed here, and only
// when the user says so; closing with Enter asks as Save does.
TEST(ShownValuesTest, AFileDeletedBehindTheEditorIsMadeAgainOnlyForChangedValuesWhenAsked) {
  const std::u16string question = texts::Format(texts::kDeletedOnDisk, u"Alpha.opc");
  for (const int answer : {testing::kNo, kYes}) {
    SCOPED_TRACE(answer);
    EditorRig rig;
    rig.File("Alpha.opc", "V24 3 9600 8 1 0 2000 0");
    rig.File("Beta.opc", "DLL netdrv.dll -ip10.0.0.5");
    rig.Open();
    ASSERT_EQ(::unlink(rig.WsPath("Alpha.opc").c_str()), 0);
    rig.ui.Click(ids::kSave);
    EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
    EXPECT_EQ(testing::ListFolder(rig.ws), std::vector<std::string>{"Beta.opc"});

    rig.ui.PickText(ids::kBaud, u"19200");
    rig.Answer({answer});
    rig.ui.PressEnter();
    EXPECT_EQ(rig.ui.BoxTexts(), Texts{question});
    EXPECT_EQ(rig.ui.endCode(), kEndOk);
    if (answer == kYes) {
      EXPECT_EQ(rig.Bytes("Alpha.opc"),
                "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
                "Description=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n\r\n"
                "[Online]\r\nComTeleLength=256\r\nComPort=V24 3 19200 8 1 0 2000 0\r\n\r\n");
    } else {
      EXPECT_EQ(testing::ListFolder(rig.ws), std::vector<std::string>{"Beta.opc"});
    }
  }
}

}  // namespace
}  // namespace tirv
