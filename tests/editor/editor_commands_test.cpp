// The editor's commands as a person uses them: switching resources, Save, OK, Cancel and
// Delete Resource, on real resource files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "editor/texts.h"
#include "editor_rig.h"
#include "platform/text.h"

namespace tirv {
namespace {

using testing::BoxKind;
using testing::EditorRig;
using testing::kNo;
using testing::kYes;
using testing::ListFolder;
using testing::OpcFile;

using Texts = std::vector<std::u16string>;

const std::u16string kTitle(texts::kApplicationTitle);
constexpr const char* kLe = "QB.OPC.AdaptTIRV3x.LE.20";
constexpr const char* kBe = "QB.OPC.AdaptTIRV3x.BE.20";

TEST(EditorCommandsTest, ASwitchKeepsTheShownValuesInTheShownRecordAndCancelDropsThem) {
  EditorRig rig;
  rig.File("Alpha.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("Beta.opc", "DLL netdrv.dll -ip10.0.0.5", kBe);
  rig.File("Gamma.opc", "V24 2 600 7 2 2 100 0");
  rig.Open();
  const auto files = rig.Files();
  ASSERT_EQ(rig.Selected(), u"Alpha");

  // Edits on Alpha, then TCP/IP for it: the serial combos go grey but keep their values.
  rig.ui.PickText(ids::kBaud, u"4800");
  rig.ui.PickText(ids::kParity, u"Even");
  rig.ui.Type(ids::kTimeout, u"750");
  rig.ui.Type(ids::kAlignment, u"big endian");
  rig.ui.Click(1006);
  rig.ui.Type(ids::kParameter, u"-ip10.9.9.9");
  rig.ui.PickText(ids::kResource, u"Beta");
  EXPECT_EQ(rig.Selected(), u"Beta");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);
  EXPECT_EQ(rig.Values(),
            (Texts{u"19200", u"1", u"8", u"None", u"2000", u"-ip10.0.0.5", u"Big Endian"}));

  // Gamma is serial: its disabled Parameter edit still shows Beta's parameter.
  rig.ui.PickText(ids::kResource, u"Gamma");
  EXPECT_EQ(rig.Values(),
            (Texts{u"600", u"2", u"7", u"Even", u"100", u"-ip10.0.0.5", u"Little Endian"}));
  EXPECT_EQ(rig.Enabled(), "xxxxx-");
  // Alpha shows what was shown when it was left: TCP/IP, and the typed alignment, which
  // differs from Big Endian only in letter case, as the alignment it names.
  rig.ui.PickText(ids::kResource, u"Alpha");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);
  EXPECT_EQ(rig.Values(),
            (Texts{u"4800", u"1", u"8", u"Even", u"750", u"-ip10.9.9.9", u"Big Endian"}));
  rig.ui.PickText(ids::kResource, u"Gamma");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1001);
  EXPECT_EQ(rig.Values(),
            (Texts{u"600", u"2", u"7", u"Even", u"100", u"-ip10.9.9.9", u"Little Endian"}));

  rig.ui.PressEscape();
  EXPECT_EQ(rig.ui.endCode(), kEndCancel);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Files(), files);
}

TEST(EditorCommandsTest, ASwitchWithAnEmptyTimeoutIsRefusedAndThePreviousEntryStays) {
  EditorRig rig;
  rig.File("Line1.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("Line10.opc", "V24 2 19200 7 2 1 3000 0");
  rig.Open();
  const std::string line10 = rig.Bytes("Line10.opc");

  rig.ui.PickText(ids::kBaud, u"4800");
  rig.ui.Type(ids::kTimeout, u"");
  rig.ui.PickText(ids::kResource, u"Line10");

  ASSERT_EQ(rig.ui.session().boxes.size(), 1u);
  EXPECT_EQ(rig.ui.session().boxes[0].kind, BoxKind::kApplication);
  EXPECT_EQ(rig.ui.session().boxes[0].text, texts::kSwitchRefused);
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), 0);
  EXPECT_EQ(rig.Selected(), u"Line1");
  // Still Line1 on show; the bound values are pushed again, so the uncollected baud goes.
  EXPECT_EQ(rig.ui.CheckedRadio(), 1000);
  EXPECT_EQ(rig.Values(),
            (Texts{u"9600", u"1", u"8", u"None", u"", u"-ip127.0.0.1", u"Little Endian"}));

  rig.ui.Type(ids::kTimeout, u"2500");
  rig.ui.PickText(ids::kResource, u"Line10");
  EXPECT_EQ(rig.Selected(), u"Line10");
  EXPECT_EQ(rig.Values(),
            (Texts{u"19200", u"2", u"7", u"Odd", u"3000", u"-ip127.0.0.1", u"Little Endian"}));
  EXPECT_EQ(rig.ui.session().boxes.size(), 1u);
  // Line1 got the timeout typed after the refusal, and nothing of the refused switch.
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.session().boxes.size(), 1u);
  EXPECT_EQ(rig.Bytes("Line1.opc"), OpcFile("V24 1 9600 8 1 0 2500 0"));
  EXPECT_EQ(rig.Bytes("Line10.opc"), line10);
}

// A file whose name is not its entry + ".opc" is still the resource its entry stands for.
TEST(EditorCommandsTest, FilesNamedUnlikeTheirEntryAreShownAndSavedInPlace) {
  EditorRig rig;
  rig.File("a.b.opc", "DLL netdrv.dll -ip10.0.0.1");
  rig.File("Plant.OPC", "V24 2 600 7 2 2 20 0");
  rig.Open();
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"a", u"Plant"}));
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.ui.GetText(ids::kParameter), u"-ip10.0.0.1");

  rig.ui.Type(ids::kParameter, u"-ip10.0.0.2");
  rig.ui.PickText(ids::kResource, u"Plant");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1001);
  EXPECT_EQ(rig.ui.GetText(ids::kBaud), u"600");
  rig.ui.PickText(ids::kBaud, u"4800");
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(ListFolder(rig.ws), (std::vector<std::string>{"Plant.OPC", "a.b.opc"}));
  EXPECT_EQ(rig.Bytes("Plant.OPC"), OpcFile("V24 2 4800 7 2 2 20 0"));
  EXPECT_EQ(rig.Bytes("a.b.opc"), OpcFile("DLL netdrv.dll -ip10.0.0.2"));
}

// Twins that differ only in letter case: a refused switch selects the very entry that was
// shown, so the next save cannot give its values to the other twin.
TEST(EditorCommandsTest, ARefusedSwitchSelectsTheExactTwinAgain) {
  EditorRig rig;
  rig.File("Line1.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("line1.opc", "DLL netdrv.dll -ip10.0.0.1");
  rig.Open();
  const Texts entries = rig.ui.Entries(ids::kResource);
  ASSERT_EQ(entries.size(), 2u);
  // The second twin in the list is the one a search from the top would miss.
  rig.ui.Pick(ids::kResource, 1);
  const std::string shown = Utf16ToUtf8(entries[1]) + ".opc";
  const std::string other = Utf16ToUtf8(entries[0]) + ".opc";
  const std::string otherBytes = rig.Bytes(other);
  // The serial twin's Timeout, or the TCP/IP twin's Parameter: the edit it uses.
  const bool serialShown = shown == "Line1.opc";
  const int edit = serialShown ? ids::kTimeout : ids::kParameter;

  rig.ui.Type(edit, u"");
  rig.ui.Pick(ids::kResource, 0);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{std::u16string(texts::kSwitchRefused)});
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), 1);

  rig.ui.Type(edit, serialShown ? u"2500" : u"-ip10.0.0.9");
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.Bytes(other), otherBytes);
  EXPECT_EQ(rig.Bytes(shown), serialShown ? OpcFile("V24 1 9600 8 1 0 2500 0")
                                          : OpcFile("DLL netdrv.dll -ip10.0.0.9"));
}

TEST(EditorCommandsTest, ARecordWithoutAlignmentShowsAnEmptyAlignmentAfterASwitch) {
  EditorRig rig;
  rig.File("Alpha.opc", "V24 1 9600 8 1 0 2000 0", kBe);
  rig.File("Beta.opc", "V24 2 9600 8 1 0 2000 0", "QB.OPC.AdaptTIRV3x.XX.20");
  rig.Open();
  const auto files = rig.Files();
  ASSERT_EQ(rig.ui.GetText(ids::kAlignment), u"Big Endian");

  // Showing leaves the combo as it was; the values pushed after the switch empty it.
  rig.ui.PickText(ids::kResource, u"Beta");
  EXPECT_EQ(rig.ui.GetText(ids::kAlignment), u"");
  rig.ui.PickText(ids::kResource, u"Alpha");
  EXPECT_EQ(rig.ui.GetText(ids::kAlignment), u"Big Endian");
  // Nothing was changed here, so nothing is written: the unknown adaptation stays.
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Files(), files);

  // A port value changed: only the port is written, and the unknown adaptation stays.
  rig.ui.PickText(ids::kResource, u"Beta");
  rig.ui.PickText(ids::kBaud, u"600");
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.Bytes("Beta.opc"), OpcFile("V24 2 600 8 1 0 2000 0", "QB.OPC.AdaptTIRV3x.XX.20"));
  EXPECT_EQ(rig.Bytes("Alpha.opc"), OpcFile("V24 1 9600 8 1 0 2000 0", kBe));
}

TEST(EditorCommandsTest, WithAnEmptyListSaveDoesNothingAndOkCloses) {
  EditorRig rig;
  rig.Open();
  const std::size_t boxes = rig.ui.session().boxes.size();
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.session().boxes.size(), boxes);
  EXPECT_FALSE(rig.ui.ended());
  rig.ui.Click(ids::kDeleteResource);
  EXPECT_EQ(rig.ui.BoxTexts().back(), texts::kSelectToDelete);
  EXPECT_EQ(rig.ui.session().boxes.back().kind, BoxKind::kApplication);
  rig.ui.PressEnter();
  EXPECT_TRUE(rig.ui.ended());
  EXPECT_EQ(rig.ui.endCode(), kEndOk);
  EXPECT_EQ(ListFolder(rig.ws), std::vector<std::string>{});
}

TEST(EditorCommandsTest, SaveWritesEveryRecordIntoItsFile) {
  EditorRig rig;
  rig.File("Alpha.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("Beta.opc", "DLL netdrv.dll -ip10.0.0.5", kBe);
  rig.File("Gamma.opc", "SIM SimHost.dll Vsim2.Vsim2");
  rig.Open();
  const std::string gamma = rig.Bytes("Gamma.opc");

  rig.ui.PickText(ids::kBaud, u"19200");
  rig.ui.PickText(ids::kStopBits, u"2");
  rig.ui.PickText(ids::kResource, u"Beta");
  rig.ui.Type(ids::kParameter, u"-ip10.1.1.1 -t3");
  rig.ui.PickText(ids::kAlignment, u"Little Endian");
  rig.ui.Click(ids::kSave);

  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Bytes("Alpha.opc"), OpcFile("V24 1 19200 8 2 0 2000 0"));
  EXPECT_EQ(rig.Bytes("Beta.opc"), OpcFile("DLL netdrv.dll -ip10.1.1.1 -t3", kLe));
  EXPECT_EQ(rig.Bytes("Gamma.opc"), gamma);
  EXPECT_FALSE(rig.ui.ended());
}

TEST(EditorCommandsTest, SaveOfValuesThatCannotBeCollectedSaysTheDataWasNotSaved) {
  EditorRig rig;
  rig.File("Alpha.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("Beta.opc", "DLL netdrv.dll -ip10.0.0.5");
  rig.Open();
  const auto files = rig.Files();
  const std::u16string notSaved(texts::kNotSaved);

  rig.ui.PickText(ids::kBaud, u"110");
  rig.ui.Type(ids::kTimeout, u"");
  rig.ui.Click(ids::kSave);
  ASSERT_EQ(rig.ui.session().boxes.size(), 1u);
  EXPECT_EQ(rig.ui.session().boxes[0].kind, BoxKind::kApplication);
  EXPECT_EQ(rig.ui.session().boxes[0].text, notSaved);
  EXPECT_EQ(rig.ui.GetText(ids::kResource), u"Alpha");
  EXPECT_EQ(rig.Files(), files);

  rig.ui.Type(ids::kTimeout, u"2000");
  rig.ui.PickText(ids::kResource, u"Beta");
  rig.ui.Type(ids::kParameter, u"");
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts(), (Texts{notSaved, notSaved}));
  EXPECT_EQ(rig.ui.GetText(ids::kResource), u"Beta");
  EXPECT_EQ(rig.Files(), files);
}

TEST(EditorCommandsTest, OkStaysOpenUntilEverythingIsSaved) {
  EditorRig rig;
  rig.File("Alpha.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("Beta.opc", "DLL netdrv.dll -ip10.0.0.5");
  rig.Open();

  rig.ui.Type(ids::kTimeout, u"");
  rig.ui.PressEnter();
  EXPECT_FALSE(rig.ui.ended());
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{std::u16string(texts::kNotSaved)});

  // Beta, changed here, turns unloadable behind the editor's back. Replacing it is
  // asked; the file cannot take Beta's values without losing what it holds, so it stays
  // as it is, and the failure names it. Alpha is saved.
  rig.ui.Type(ids::kTimeout, u"900");
  rig.ui.PickText(ids::kResource, u"Beta");
  rig.ui.Type(ids::kParameter, u"-ip10.0.0.6");
  rig.ui.PickText(ids::kResource, u"Alpha");
  const std::string broken = rig.Bytes("Beta.opc") + "garbage\r\n";
  rig.Raw("Beta.opc", broken);
  rig.Answer({kYes});
  rig.ui.PressEnter();
  EXPECT_FALSE(rig.ui.ended());
  ASSERT_EQ(rig.ui.session().boxes.size(), 3u);
  EXPECT_EQ(rig.ui.session().boxes[1].text, texts::Format(texts::kChangedOnDisk, u"Beta.opc"));
  EXPECT_EQ(rig.ui.session().boxes[1].type, 36);
  const testing::RecordedBox& box = rig.ui.session().boxes[2];
  EXPECT_EQ(box.kind, BoxKind::kOwned);
  EXPECT_EQ(box.type, 64);
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(
      box.text,
      std::u16string(texts::kSaveFailed) +
          u"\nBeta.opc: a line is neither a [section] header nor a key=value entry in a section");
  EXPECT_EQ(rig.Bytes("Alpha.opc"), OpcFile("V24 1 9600 8 1 0 900 0"));
  EXPECT_EQ(rig.Bytes("Beta.opc"), broken);

  // Put back as it was read, the file takes Beta's values without a question.
  rig.File("Beta.opc", "DLL netdrv.dll -ip10.0.0.5");
  rig.ui.PressEnter();
  EXPECT_TRUE(rig.ui.ended());
  EXPECT_EQ(rig.ui.endCode(), kEndOk);
  EXPECT_EQ(rig.ui.session().boxes.size(), 3u);
  EXPECT_EQ(rig.Bytes("Beta.opc"), OpcFile("DLL netdrv.dll -ip10.0.0.6"));
  EXPECT_EQ(rig.Bytes("Alpha.opc"), OpcFile("V24 1 9600 8 1 0 900 0"));
}

TEST(EditorCommandsTest, DeletingTheOnlyResourceEmptiesTheListAndKeepsTheControls) {
  EditorRig rig;
  rig.File("Only.opc", "V24 3 1200 7 2 2 100 0", kBe);
  rig.Open();
  const Texts shown = rig.Values();

  rig.Answer({kYes});
  rig.ui.Click(ids::kDeleteResource);
  ASSERT_EQ(rig.ui.session().boxes.size(), 1u);
  const testing::RecordedBox& question = rig.ui.session().boxes[0];
  EXPECT_EQ(question.text, texts::kConfirmDelete);
  EXPECT_EQ(question.type, 36);
  EXPECT_EQ(question.caption, kTitle);
  EXPECT_EQ(ListFolder(rig.ws), std::vector<std::string>{});
  EXPECT_EQ(rig.ui.Entries(ids::kResource), Texts{});
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), -1);
  EXPECT_EQ(rig.Values(), shown);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1002);

  // Nothing is left to delete or save: the next Delete says so, Save and OK write nothing.
  rig.ui.Click(ids::kDeleteResource);
  EXPECT_EQ(rig.ui.BoxTexts().back(), texts::kSelectToDelete);
  EXPECT_EQ(rig.ui.session().boxes.size(), 2u);
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.session().boxes.size(), 2u);
  rig.ui.PressEnter();
  EXPECT_EQ(rig.ui.endCode(), kEndOk);
  EXPECT_EQ(ListFolder(rig.ws), std::vector<std::string>{});
}

TEST(EditorCommandsTest, DeleteAnsweredNoChangesNothing) {
  EditorRig rig;
  rig.File("Alpha.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("Beta.opc", "DLL netdrv.dll -ip10.0.0.5");
  rig.Open();
  rig.ui.PickText(ids::kResource, u"Beta");
  const auto files = rig.Files();
  auto before = rig.Now();

  rig.Answer({kNo});
  rig.ui.Click(ids::kDeleteResource);
  before.boxes.emplace_back(texts::kConfirmDelete);
  EXPECT_EQ(rig.Now(), before);
  EXPECT_EQ(rig.Files(), files);

  // Each entry still shows its own resource, and a save has nothing to write.
  rig.ui.PickText(ids::kResource, u"Alpha");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1000);
  rig.ui.PickText(ids::kResource, u"Beta");
  EXPECT_EQ(rig.Now(), before);
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.Now(), before);
  EXPECT_EQ(rig.Files(), files);
}

TEST(EditorCommandsTest, AFileThatCannotBeDeletedKeepsItsRecordAndSelection) {
  EditorRig rig;
  rig.File("Alpha.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("Beta.opc", "DLL netdrv.dll -ip10.0.0.5");
  rig.Open();
  rig.ui.PickText(ids::kResource, u"Beta");
  // Beta.opc is now a folder, which cannot be deleted as a file.
  ASSERT_EQ(::unlink(rig.WsPath("Beta.opc").c_str()), 0);
  ASSERT_EQ(::mkdir(rig.WsPath("Beta.opc").c_str(), 0755), 0);
  auto before = rig.Now();

  rig.Answer({kYes});
  rig.ui.Click(ids::kDeleteResource);
  before.boxes.emplace_back(texts::kConfirmDelete);
  before.boxes.push_back(std::u16string(texts::kDeleteFailed) + u"\nBeta.opc: Is a directory");
  EXPECT_EQ(rig.Now(), before);
  EXPECT_EQ(rig.ui.GetText(ids::kResource), u"Beta");
  EXPECT_EQ(ListFolder(rig.ws), (std::vector<std::string>{"Alpha.opc", "Beta.opc"}));

  // A file that another program deleted meanwhile is told the same way.
  ASSERT_EQ(::rmdir(rig.WsPath("Beta.opc").c_str()), 0);
  rig.Answer({kYes});
  rig.ui.Click(ids::kDeleteResource);
  EXPECT_EQ(rig.ui.BoxTexts().back(),
            std::u16string(texts::kDeleteFailed) + u"\nBeta.opc: No such file or directory");
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Alpha", u"Beta"}));
  EXPECT_EQ(rig.ui.GetText(ids::kResource), u"Beta");
  // Beta's entry still stands for Beta: a change to it is saved into a new Beta.opc.
  rig.Answer({kYes});
  rig.ui.Type(ids::kParameter, u"-ip10.0.0.6");
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts().back(), texts::Format(texts::kDeletedOnDisk, u"Beta.opc"));
  EXPECT_EQ(rig.Bytes("Beta.opc"),
            "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
            "Description=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n\r\n"
            "[Online]\r\nComTeleLength=1428\r\nComPort=DLL netdrv.dll -ip10.0.0.6\r\n\r\n");
}

}  // namespace
}  // namespace tirv
