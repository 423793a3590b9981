// Adding a resource: the name dialog's checks, the new file, and what the editor shows
// and saves afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "editor/texts.h"
#include "editor_rig.h"
#include "platform/text.h"

namespace tirv {
namespace {

using testing::BoxKind;
using testing::EditorRig;
using testing::FakeControls;
using testing::kNewResourceFileBytes;
using testing::kYes;
using testing::ListFolder;
using testing::OpcFile;

using Texts = std::vector<std::u16string>;

const std::u16string kTitle(texts::kApplicationTitle);

TEST(AddResourceTest, EveryRefusedNameKeepsTheDialogOpenAndCancelCreatesNothing) {
  struct Refusal {
    const char16_t* typed;
    std::u16string_view message;
  };
  constexpr std::u16string_view kForbidden = texts::kForbiddenCharacters;
  const Refusal refusals[] = {
      {u"Line5.", kForbidden},
      {u"Line5.opc", kForbidden},
      {u"a\\b", kForbidden},
      {u"a/b", kForbidden},
      {u"a:b", kForbidden},
      {u"a*b", kForbidden},
      {u"a?b", kForbidden},
      {u"a<b", kForbidden},
      {u"a>b", kForbidden},
      {u"a|b", kForbidden},
      {u"a\"b", kForbidden},
      {u"a b?", kForbidden},  // a space and a forbidden character: only the latter is told
      {u" Line5 .", kForbidden},
      {u"Line 5", texts::kNoSpaces},
      {u"  Line 5  ", texts::kNoSpaces},
      {u"   ", texts::kEnterName},
      {u"", texts::kEnterName},
      {u"Line1", texts::kAlreadyExists},
      {u" Line1 ", texts::kAlreadyExists},
  };
  EditorRig rig;
  rig.File("Line1.opc", "V24 1 9600 8 1 0 2000 0");
  rig.Open();
  const auto before = rig.Now();

  rig.ui.session().modalScripts.push_back([&refusals](FakeControls& dialog) {
    EXPECT_EQ(dialog.GetText(ids::kNewName), u"");
    for (const Refusal& r : refusals) {
      SCOPED_TRACE(Utf16ToUtf8(r.typed));
      const std::size_t shown = dialog.session().boxes.size();
      dialog.Type(ids::kNewName, r.typed);
      dialog.PressEnter();
      EXPECT_FALSE(dialog.ended());
      ASSERT_EQ(dialog.session().boxes.size(), shown + 1);
      const testing::RecordedBox& box = dialog.session().boxes.back();
      EXPECT_EQ(box.text, r.message);
      EXPECT_EQ(box.kind, BoxKind::kOwned);
      EXPECT_EQ(box.type, 64);
      EXPECT_EQ(box.caption, kTitle);
      EXPECT_EQ(box.templateId, ids::kNewResourceDialog);
      EXPECT_EQ(dialog.GetText(ids::kNewName), r.typed);
    }
    dialog.PressEscape();
  });
  rig.ClickAdd();

  EXPECT_EQ(rig.ui.session().modalRuns, std::vector<int>{ids::kNewResourceDialog});
  EXPECT_EQ(rig.ui.session().boxes.size(), std::size(refusals));
  EXPECT_EQ(ListFolder(rig.ws), std::vector<std::string>{"Line1.opc"});
  auto after = rig.Now();
  after.boxes = before.boxes;
  EXPECT_EQ(after, before);  // still COM1: the port kind is left alone after a Cancel
}

TEST(AddResourceTest, ANameThatSortsAfterTheFirstKeepsTheFirstEntrysValuesOnShow) {
  EditorRig rig;
  rig.File("Alpha.opc", "V24 2 4800 7 2 1 500 0", "QB.OPC.AdaptTIRV3x.BE.20");
  rig.Open();
  const std::string alpha = rig.Bytes("Alpha.opc");

  rig.ScriptNewResource({u"  Zulu  "});
  rig.ClickAdd();

  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(ListFolder(rig.ws), (std::vector<std::string>{"Alpha.opc", "Zulu.opc"}));
  EXPECT_EQ(rig.Bytes("Zulu.opc"), kNewResourceFileBytes);
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Alpha", u"Zulu"}));
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), 1);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);
  EXPECT_EQ(rig.Enabled(), "-----x");
  EXPECT_EQ(rig.Values(),
            (Texts{u"4800", u"2", u"7", u"Odd", u"500", u"-ip127.0.0.1", u"Big Endian"}));

  // Save writes the shown values, with TCP/IP, into the new resource.
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Bytes("Zulu.opc"),
            "[GeneralSettings]\r\n"
            "AdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n"
            "Description=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n"
            "\r\n"
            "[Online]\r\n"
            "ComTeleLength=1428\r\n"
            "ComPort=DLL netdrv.dll -ip127.0.0.1\r\n"
            "\r\n");
  EXPECT_EQ(rig.Bytes("Alpha.opc"), alpha);
}

TEST(AddResourceTest, ANameThatSortsFirstIsShownWithItsOwnValues) {
  EditorRig rig;
  rig.File("Zulu.opc", "V24 2 4800 7 2 1 500 0", "QB.OPC.AdaptTIRV3x.BE.20");
  rig.Open();
  rig.ScriptNewResource({u"alpha"});
  rig.ClickAdd();
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"alpha", u"Zulu"}));
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), 0);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);
  // The values its file holds, Little Endian included; nothing of Zulu's.
  EXPECT_EQ(rig.Values(),
            (Texts{u"19200", u"1", u"8", u"None", u"2000", u"-ip127.0.0.1", u"Little Endian"}));
  // Shown, it is not changed: another program's change to its file is neither asked
  // about nor overwritten when OK saves.
  const std::string theirs = OpcFile("DLL netdrv.dll -ip10.0.0.3");
  rig.Raw("alpha.opc", theirs);
  rig.ui.PressEnter();
  EXPECT_EQ(rig.ui.endCode(), kEndOk);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Bytes("alpha.opc"), theirs);
}

TEST(AddResourceTest, TheFirstResourceOfAnEmptyWorkspaceIsSavedAsCreated) {
  EditorRig rig;
  rig.Open();
  rig.ScriptNewResource({u"Line5"});
  rig.ClickAdd();
  EXPECT_EQ(rig.ui.Entries(ids::kResource), Texts{u"Line5"});
  EXPECT_EQ(rig.Selected(), u"Line5");
  EXPECT_EQ(rig.Values(),
            (Texts{u"19200", u"1", u"8", u"None", u"2000", u"-ip127.0.0.1", u"Little Endian"}));

  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.Bytes("Line5.opc"), kNewResourceFileBytes);
  rig.ui.PressEnter();
  EXPECT_EQ(rig.ui.endCode(), kEndOk);
  EXPECT_EQ(rig.Bytes("Line5.opc"), kNewResourceFileBytes);
}

TEST(AddResourceTest, AddIsRefusedWhileTheShownValuesCannotBeCollected) {
  EditorRig rig;
  rig.File("Line1.opc", "V24 1 9600 8 1 0 2000 0");
  rig.Open();
  rig.ui.Type(ids::kTimeout, u"");
  rig.ClickAdd();
  ASSERT_EQ(rig.ui.session().boxes.size(), 1u);
  EXPECT_EQ(rig.ui.session().boxes[0].kind, BoxKind::kOwned);
  EXPECT_EQ(rig.ui.session().boxes[0].type, 64);
  EXPECT_EQ(rig.ui.session().boxes[0].text, texts::kAddCollectFailed);
  EXPECT_EQ(rig.ui.session().modalRuns, std::vector<int>{});
  EXPECT_EQ(ListFolder(rig.ws), std::vector<std::string>{"Line1.opc"});
}

TEST(AddResourceTest, ANameDifferingOnlyInLetterCaseIsANewFile) {
  EditorRig rig;
  rig.File("Line1.opc", "V24 1 9600 8 1 0 2000 0");
  rig.Open();
  const std::string line1 = rig.Bytes("Line1.opc");
  rig.ScriptNewResource({u"line1"});
  rig.ClickAdd();
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(ListFolder(rig.ws), (std::vector<std::string>{"Line1.opc", "line1.opc"}));
  EXPECT_EQ(rig.Bytes("line1.opc"), kNewResourceFileBytes);
  EXPECT_EQ(rig.Bytes("Line1.opc"), line1);
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Line1", u"line1"}));

  // The new resource is the one selected, so a save gives Line1 nothing of it.
  EXPECT_EQ(rig.ui.Combo(ids::kResource).CurrentIndex(), 1);
  EXPECT_EQ(rig.Selected(), u"line1");
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Bytes("Line1.opc"), line1);
}

TEST(AddResourceTest, AFileThatCannotBeCreatedIsToldLeavesNothingAndTheResourceIsAdded) {
  EditorRig rig;
  rig.File("Line1.opc", "V24 1 9600 8 1 0 2000 0");
  rig.Open();
  const std::u16string tooLong(260, u'x');  // no file system takes a name this long

  rig.ScriptNewResource({tooLong});
  rig.ClickAdd();
  ASSERT_EQ(rig.ui.session().boxes.size(), 1u);
  const testing::RecordedBox& box = rig.ui.session().boxes[0];
  EXPECT_EQ(box.text,
            std::u16string(texts::kCreateFailed) + u"\n" + tooLong + u".opc: File name too long");
  EXPECT_EQ(box.kind, BoxKind::kApplication);
  EXPECT_EQ(box.templateId, ids::kNewResourceDialog);
  EXPECT_EQ(ListFolder(rig.ws), std::vector<std::string>{"Line1.opc"});
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Line1", tooLong}));
  EXPECT_EQ(rig.Selected(), tooLong);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);

  // Its file does not exist, so Delete says so and keeps it.
  auto before = rig.Now();
  rig.Answer({kYes});
  rig.ui.Click(ids::kDeleteResource);
  before.boxes.emplace_back(texts::kConfirmDelete);
  before.boxes.push_back(std::u16string(texts::kDeleteFailed) + u"\n" + tooLong +
                         u".opc: File name too long");
  EXPECT_EQ(rig.Now(), before);
  EXPECT_EQ(ListFolder(rig.ws), std::vector<std::string>{"Line1.opc"});
}

// A name that is not listed but whose file appeared on disk after start-up is refused
// like a listed one; what is there stays untouched.
TEST(AddResourceTest, ANameWhoseFileAppearedSinceStartUpIsRefused) {
  EditorRig rig;
  rig.File("Line1.opc", "V24 1 9600 8 1 0 2000 0");
  rig.Open();
  const std::string late = OpcFile("V24 4 300 7 2 1 10 0");
  rig.Raw("Late.opc", late);
  ASSERT_EQ(::mkdir(rig.WsPath("x.opc").c_str(), 0755), 0);

  rig.ScriptNewResource({u"Late", u"x"});
  rig.ClickAdd();
  EXPECT_EQ(rig.ui.BoxTexts(),
            (Texts{std::u16string(texts::kAlreadyExists), std::u16string(texts::kAlreadyExists)}));
  EXPECT_EQ(rig.ui.Entries(ids::kResource), Texts{u"Line1"});
  EXPECT_EQ(rig.Bytes("Late.opc"), late);
  EXPECT_EQ(ListFolder(rig.ws), (std::vector<std::string>{"Late.opc", "Line1.opc", "x.opc"}));
}

}  // namespace
}  // namespace tirv
