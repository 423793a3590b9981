// The editor dialog as it opens, its port-kind state, the display of one record and the
// listing of the records in the Resource combo, as a person sees them.
#include <gtest/gtest.h>

#include "editor/texts.h"
#include "editor_rig.h"
#include "platform/text.h"

namespace tirv {
namespace {

using testing::BoxKind;
using testing::EditorRig;
using testing::kYes;
using testing::ListFolder;
using testing::Seen;

using Texts = std::vector<std::u16string>;

const std::u16string kTitle(texts::kApplicationTitle);

TEST(EditorViewTest, AnEmptyWorkspaceOpensInTheTcpIpStateWithTheDefaults) {
  EditorRig rig;
  rig.Open();

  ASSERT_EQ(rig.ui.session().boxes.size(), 1u);
  const testing::RecordedBox& box = rig.ui.session().boxes[0];
  EXPECT_EQ(box.kind, BoxKind::kOwned);
  EXPECT_EQ(box.text, texts::kNoOpcFiles);
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.type, 64);

  EXPECT_EQ(rig.ui.Entries(ids::kResource), Texts{});
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), -1);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);
  EXPECT_EQ(rig.Enabled(), "-----x");  // only the Parameter edit of the six
  EXPECT_EQ(rig.Values(),
            (Texts{u"9600", u"1", u"8", u"None", u"2000", u"-ip127.0.0.1", u"Little Endian"}));

  // The fixed lists, as shown.
  EXPECT_EQ(rig.ui.Entries(ids::kBaud), (Texts{u"110", u"300", u"600", u"1200", u"2400", u"4800",
                                               u"9600", u"19200", u"38400", u"57600"}));
  EXPECT_EQ(rig.ui.Entries(ids::kStopBits), (Texts{u"1", u"2"}));
  EXPECT_EQ(rig.ui.Entries(ids::kDataBits), (Texts{u"7", u"8"}));
  EXPECT_EQ(rig.ui.Entries(ids::kParity), (Texts{u"Even", u"None", u"Odd"}));
  EXPECT_EQ(rig.ui.Entries(ids::kAlignment), (Texts{u"Big Endian", u"Little Endian"}));
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kAlignment), 1);
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kBaud), 6);

  EXPECT_TRUE(rig.ui.IsEnabled(ids::kResource));
  EXPECT_TRUE(rig.ui.IsEnabled(ids::kAlignment));
  EXPECT_FALSE(rig.ui.IsEnabled(ids::kRadioSimulation1));
  EXPECT_FALSE(rig.ui.IsEnabled(ids::kRadioSimulation2));
  EXPECT_EQ(rig.ui.windowIcon, 138);
  EXPECT_EQ(rig.ui.setUpCount, 1);
  EXPECT_EQ(rig.exitCodes, std::vector<int>{});
  EXPECT_EQ(ListFolder(rig.ws), std::vector<std::string>{});

  // A workspace folder created on request opens the same way, with only the question.
  EditorRig created;
  testing::RemoveTree(created.ws);
  created.Answer({kYes});
  created.Open();
  EXPECT_EQ(created.ui.BoxTexts(), Texts{texts::Format(texts::kFolderMissing, U16(created.ws))});
  Seen expected = rig.Now();
  expected.boxes = created.ui.BoxTexts();
  EXPECT_EQ(created.Now(), expected);
}

// Each kind is reached as a person reaches it: by showing a resource of that kind (the
// simulation buttons cannot be clicked) after a resource of any other.
TEST(EditorViewTest, EachPortKindSetsItsControlsFromAnyOtherAndChangesNoValue) {
  const char* const enabledByKind[7] = {"xxxxx-", "xxxxx-", "xxxxx-", "xxxxx-",
                                        "------", "------", "-----x"};
  const char* const portByKind[7] = {"V24 1 9600 8 1 0 2000 0",     "V24 2 4800 7 2 1 500 0",
                                     "V24 3 600 8 2 2 100 0",       "V24 4 1200 7 1 0 50 0",
                                     "SIM SimHost.dll Vsim1.Vsim1", "SIM SimHost.dll Vsim2.Vsim2",
                                     "DLL netdrv.dll -ip10.0.0.7"};
  {
    EditorRig rig;
    for (int kind = 0; kind < 7; ++kind) {
      rig.File("Kind" + std::to_string(kind) + ".opc", portByKind[kind]);
    }
    rig.Open();
    ASSERT_EQ(rig.ui.ComboCount(ids::kResource), 7);
    for (int from = 0; from < 7; ++from) {
      for (int to = 0; to < 7; ++to) {
        SCOPED_TRACE(::testing::Message() << "from " << from << " to " << to);
        rig.ui.Pick(ids::kResource, from);
        rig.ui.Pick(ids::kResource, to);
        EXPECT_EQ(rig.Enabled(), enabledByKind[to]);
        EXPECT_EQ(rig.ui.CheckedRadio(), 1000 + to);
      }
    }
    EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  }

  // The user's radio buttons do the same and change no value; the simulation ones
  // cannot be picked. Save writes the last one picked with the values shown.
  EditorRig rig;
  rig.File("Line1.opc", "V24 3 4800 7 2 1 750 0", "QB.OPC.AdaptTIRV3x.BE.20");
  rig.Open();
  const Texts shown = rig.Values();
  ASSERT_EQ(shown, (Texts{u"4800", u"2", u"7", u"Odd", u"750", u"-ip127.0.0.1", u"Big Endian"}));
  for (int kind : {6, 0, 4, 1, 5, 2, 3}) {
    SCOPED_TRACE(kind);
    const int before = rig.ui.CheckedRadio();
    rig.ui.Click(1000 + kind);
    const bool pickable = kind != kPortSimulation1 && kind != kPortSimulation2;
    EXPECT_EQ(rig.ui.CheckedRadio(), pickable ? 1000 + kind : before);
    if (pickable) {
      EXPECT_EQ(rig.Enabled(), enabledByKind[kind]);
    }
    EXPECT_EQ(rig.Values(), shown);
  }
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  EXPECT_EQ(rig.Bytes("Line1.opc"),
            testing::OpcFile("V24 4 4800 7 2 1 750 0", "QB.OPC.AdaptTIRV3x.BE.20"));
}

TEST(EditorViewTest, APickedResourceShowsItsKindWithItsControls) {
  EditorRig rig;
  rig.File("Com2.opc", "V24 2 4800 7 2 1 500 0", "QB.OPC.AdaptTIRV3x.BE.20");
  rig.File("Sim1.opc", "SIM SimHost.dll Vsim1.Vsim1");
  rig.File("Sim2.opc", "SIM SimHost.dll Vsim2.Vsim2", "QB.OPC.AdaptTIRV3x.BE.20");
  rig.File("Tcp.opc", "DLL netdrv.dll -ip10.0.0.7");
  rig.Open();
  ASSERT_EQ(rig.Selected(), u"Com2");

  rig.ui.PickText(ids::kResource, u"Tcp");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);
  EXPECT_EQ(rig.Enabled(), "-----x");
  EXPECT_EQ(rig.Values(),
            (Texts{u"19200", u"1", u"8", u"None", u"2000", u"-ip10.0.0.7", u"Little Endian"}));

  // A serial record leaves the previous parameter in the disabled Parameter edit.
  rig.ui.PickText(ids::kResource, u"Com2");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1001);
  EXPECT_EQ(rig.Enabled(), "xxxxx-");
  EXPECT_EQ(rig.Values(),
            (Texts{u"4800", u"2", u"7", u"Odd", u"500", u"-ip10.0.0.7", u"Big Endian"}));

  rig.ui.PickText(ids::kResource, u"Sim1");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1004);
  EXPECT_EQ(rig.Enabled(), "------");
  EXPECT_EQ(rig.Values(),
            (Texts{u"19200", u"1", u"8", u"None", u"2000", u"-ip10.0.0.7", u"Little Endian"}));

  rig.ui.PickText(ids::kResource, u"Sim2");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1005);
  EXPECT_EQ(rig.ui.GetText(ids::kAlignment), u"Big Endian");
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
}

TEST(EditorViewTest, ARecordOfNoKnownPortKindShowsItsValuesButKeepsThePortKindState) {
  EditorRig rig;
  rig.File("Com1.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("Odd.opc", "V24 5 1200 7 2 2 100 0");  // names none of COM1..COM4
  rig.Open();
  ASSERT_EQ(rig.Selected(), u"Com1");
  const Texts odd{u"1200", u"2", u"7", u"Even", u"100", u"-ip127.0.0.1", u"Little Endian"};

  rig.ui.PickText(ids::kResource, u"Odd");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1000);
  EXPECT_EQ(rig.Enabled(), "xxxxx-");
  EXPECT_EQ(rig.Values(), odd);

  // From a resource the user put on TCP/IP, that state stays in turn.
  rig.ui.PickText(ids::kResource, u"Com1");
  rig.ui.Click(ids::kRadioLast);
  rig.ui.PickText(ids::kResource, u"Odd");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);
  EXPECT_EQ(rig.Enabled(), "-----x");
  EXPECT_EQ(rig.Values(), odd);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
}

TEST(EditorViewTest, TheResourceListShowsTheFirstPartOfEachNameSortedAndShowsTheFirst) {
  EditorRig rig;
  rig.File("Line1.opc", "V24 3 4800 8 1 1 10 0", "QB.OPC.AdaptTIRV3x.BE.20");
  rig.File("a.b.opc", "DLL netdrv.dll -ip2", "QB.OPC.AdaptOther.XX.20");
  rig.File("Plant.OPC", "V24 2 600 7 2 2 20 0");
  rig.File("..cfg.x.opc", "V24 1 300 7 2 2 30 0");
  rig.Open();

  // The first entry, a, has no a.opc: it stands for the file it was listed from, whose
  // alignment of no known adaptation is shown empty.
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"a", u"cfg", u"Line1", u"Plant"}));
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), 0);
  EXPECT_EQ(rig.Values(), (Texts{u"19200", u"1", u"8", u"None", u"2000", u"-ip2", u""}));

  // Each deletion lists the rest again and shows the first of them.
  rig.Answer({kYes, kYes});
  rig.ui.Click(ids::kDeleteResource);
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"cfg", u"Line1", u"Plant"}));
  EXPECT_EQ(rig.ui.CheckedRadio(), 1000);
  rig.ui.Click(ids::kDeleteResource);
  EXPECT_EQ(ListFolder(rig.ws), (std::vector<std::string>{"Line1.opc", "Plant.OPC"}));
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Line1", u"Plant"}));
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), 0);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1002);
  EXPECT_EQ(rig.Values(), (Texts{u"4800", u"1", u"8", u"Odd", u"10", u"-ip2", u"Big Endian"}));
  // Plant stands for Plant.OPC, the file of its own.
  rig.ui.PickText(ids::kResource, u"Plant");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1001);
  EXPECT_EQ(rig.ui.GetText(ids::kBaud), u"600");
  const std::u16string question(texts::kConfirmDelete);
  EXPECT_EQ(rig.ui.BoxTexts(), (Texts{question, question}));
}

TEST(EditorViewTest, AWorkspaceWhoseFirstEntryCannotBeShownOpensWithTheLoadingError) {
  EditorRig rig;
  rig.File("Aaa.opc", "V24 5 1200 7 2 2 100 0");  // names none of COM1..COM4
  rig.File("Plant.OPC", "V24 2 600 7 2 2 20 0");
  rig.Raw("broken.opc", "[Online]\r\nComPort=nothing known\r\n");
  rig.Open();
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Aaa", u"Plant"}));
  EXPECT_EQ(rig.Selected(), u"Aaa");
  ASSERT_EQ(rig.ui.session().boxes.size(), 2u);
  for (const testing::RecordedBox& box : rig.ui.session().boxes) {
    EXPECT_EQ(box.kind, BoxKind::kApplication);
    EXPECT_EQ(box.caption, kTitle);
  }
  // "Invalid File" with the file and why, then the loading's error once the dialog is
  // set up.
  EXPECT_EQ(rig.ui.BoxTexts(),
            (Texts{std::u16string(texts::kInvalidFile) +
                       u"\nbroken.opc: the port text \"nothing known\" names no port",
                   std::u16string(texts::kWorkspaceError)}));
  // Reading Plant.OPC selected COM2; showing Aaa kept the port and showed its values.
  EXPECT_EQ(rig.ui.CheckedRadio(), 1001);
  EXPECT_EQ(rig.Enabled(), "xxxxx-");
  EXPECT_EQ(rig.Values(),
            (Texts{u"1200", u"2", u"7", u"Even", u"100", u"-ip127.0.0.1", u"Little Endian"}));
  EXPECT_EQ(rig.ui.ended(), false);
}

}  // namespace
}  // namespace tirv
