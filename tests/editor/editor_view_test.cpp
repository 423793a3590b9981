// The editor dialog as it opens, its port-kind state, the display of one record and the
// listing of the records in the Resource combo.
#include <gtest/gtest.h>

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

constexpr const char16_t* kTitle = u"Tirvane OPC-Server 2.0 Resource Editor";

TEST(EditorViewTest, AnEmptyWorkspaceOpensInTheTcpIpStateWithTheDefaults) {
  EditorRig rig;
  rig.Open();

  ASSERT_EQ(rig.ui.session().boxes.size(), 1u);
  const testing::RecordedBox& box = rig.ui.session().boxes[0];
  EXPECT_EQ(box.kind, BoxKind::kOwned);
  EXPECT_EQ(box.text, u"There are no files of type .opc, select Add Resource to create one");
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.type, 64);

  EXPECT_EQ(rig.ui.Entries(ids::kResource), Texts{});
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), -1);
  EXPECT_EQ(rig.editor.currentName(), u"");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);
  EXPECT_EQ(rig.Enabled(), "-----x");  // only the Parameter edit of the six
  EXPECT_EQ(rig.Values(),
            (Texts{u"9600", u"1", u"8", u"None", u"2000", u"-ip127.0.0.1", u"Little Endian"}));
  EXPECT_EQ(rig.editor.portKind(), kPortTcpIp);

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
  EXPECT_EQ(created.ui.BoxTexts(),
            Texts{U16("The folder " + created.ws +
                      " does not exist, \n\n would you like it to be created for you?")});
  Seen expected = rig.Now();
  expected.boxes = created.ui.BoxTexts();
  EXPECT_EQ(created.Now(), expected);
}

TEST(EditorViewTest, EachPortKindSetsItsControlsFromAnyOtherAndChangesNoValue) {
  const char* const enabledByKind[7] = {"xxxxx-", "xxxxx-", "xxxxx-", "xxxxx-",
                                        "------", "------", "-----x"};
  EditorRig rig;
  rig.File("Line1.opc", "V24 3 4800 7 2 1 750 0", "QB.OPC.AdaptTIRV3x.BE.20");
  rig.Open();
  const Texts shown = rig.Values();
  ASSERT_EQ(shown, (Texts{u"4800", u"2", u"7", u"Odd", u"750", u"-ip127.0.0.1", u"Big Endian"}));

  for (int from = 0; from < 7; ++from) {
    for (int to = 0; to < 7; ++to) {
      SCOPED_TRACE(::testing::Message() << "from " << from << " to " << to);
      rig.editor.SelectPortKind(from);
      rig.editor.SelectPortKind(to);
      EXPECT_EQ(rig.Enabled(), enabledByKind[to]);
      EXPECT_EQ(rig.ui.CheckedRadio(), 1000 + to);
      EXPECT_EQ(rig.editor.portKind(), to);
      EXPECT_EQ(rig.Values(), shown);
    }
  }

  // The user's radio buttons do the same; the simulation ones cannot be picked.
  for (int kind : {6, 0, 1, 2, 3}) {
    rig.ui.Click(1000 + kind);
    EXPECT_EQ(rig.Enabled(), enabledByKind[kind]);
    EXPECT_EQ(rig.ui.CheckedRadio(), 1000 + kind);
  }
  EXPECT_EQ(rig.Values(), shown);
  EXPECT_EQ(*rig.Record(u"Line1.opc"), (ResourceRecord{u"Line1.opc", 2, u"4800", u"2", u"7", u"Odd",
                                                       u"750", u"-ip127.0.0.1", u"Big Endian"}));
}

TEST(EditorViewTest, ShowResourceShowsEveryKindWithItsControls) {
  EditorRig rig;
  rig.File("Com2.opc", "V24 2 4800 7 2 1 500 0", "QB.OPC.AdaptTIRV3x.BE.20");
  rig.File("Sim1.opc", "SIM SimHost.dll Vsim1.Vsim1");
  rig.File("Sim2.opc", "SIM SimHost.dll Vsim2.Vsim2", "QB.OPC.AdaptTIRV3x.BE.20");
  rig.File("Tcp.opc", "DLL netdrv.dll -ip10.0.0.7");
  rig.Open();
  ASSERT_EQ(rig.editor.currentName(), u"Com2");

  EXPECT_EQ(rig.editor.ShowResource(u"Tcp"), 0);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);
  EXPECT_EQ(rig.Enabled(), "-----x");
  EXPECT_EQ(rig.Values(),
            (Texts{u"19200", u"1", u"8", u"None", u"2000", u"-ip10.0.0.7", u"Little Endian"}));

  // A serial record leaves the previous parameter in the disabled Parameter edit.
  EXPECT_EQ(rig.editor.ShowResource(u"Com2"), 0);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1001);
  EXPECT_EQ(rig.Enabled(), "xxxxx-");
  EXPECT_EQ(rig.Values(),
            (Texts{u"4800", u"2", u"7", u"Odd", u"500", u"-ip10.0.0.7", u"Big Endian"}));

  EXPECT_EQ(rig.editor.ShowResource(u"Sim1"), 0);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1004);
  EXPECT_EQ(rig.Enabled(), "------");
  EXPECT_EQ(rig.Values(),
            (Texts{u"19200", u"1", u"8", u"None", u"2000", u"-ip10.0.0.7", u"Little Endian"}));

  EXPECT_EQ(rig.editor.ShowResource(u"Sim2"), 0);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1005);
  EXPECT_EQ(rig.ui.GetText(ids::kAlignment), u"Big Endian");
  EXPECT_EQ(rig.editor.portKind(), kPortSimulation2);

  // Showing is not switching: the selection and the current name stay.
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), 0);
  EXPECT_EQ(rig.editor.currentName(), u"Com2");
}

TEST(EditorViewTest, ShowResourceOfANameWithoutARecordChangesNothing) {
  EditorRig rig;
  rig.File("Line1.opc", "V24 1 4800 7 2 1 500 0");
  rig.Open();
  const Seen before = rig.Now();
  for (const char16_t* name : {u"Line2", u"line1", u"Line1.opc", u"Line1 ", u""}) {
    EXPECT_EQ(rig.editor.ShowResource(name), kGeneralFailure) << Utf16ToUtf8(name);
    EXPECT_EQ(rig.Now(), before) << Utf16ToUtf8(name);
  }
}

TEST(EditorViewTest, ARecordOfAnotherPortKindShowsItsValuesButKeepsThePortKindState) {
  EditorRig rig;
  rig.File("Com1.opc", "V24 1 9600 8 1 0 2000 0");
  rig.File("Odd.opc", "V24 5 1200 7 2 2 100 0");  // read with port kind -1
  rig.Open();
  ASSERT_EQ(rig.editor.currentName(), u"Com1");
  ASSERT_EQ(rig.Record(u"Odd.opc")->portKind, -1);

  EXPECT_EQ(rig.editor.ShowResource(u"Odd"), kGeneralFailure);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1000);
  EXPECT_EQ(rig.Enabled(), "xxxxx-");
  EXPECT_EQ(rig.editor.portKind(), kPortCom1);
  EXPECT_EQ(rig.Values(),
            (Texts{u"1200", u"2", u"7", u"Even", u"100", u"-ip127.0.0.1", u"Little Endian"}));

  rig.editor.records().Append(
      {u"Nine.opc", 9, u"600", u"1", u"8", u"Odd", u"5", u"-ipx", u"Big Endian"});
  rig.editor.SelectPortKind(6);
  EXPECT_EQ(rig.editor.ShowResource(u"Nine"), kGeneralFailure);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);
  EXPECT_EQ(rig.Values(),
            (Texts{u"600", u"1", u"8", u"Odd", u"5", u"-ip127.0.0.1", u"Big Endian"}));
}

TEST(EditorViewTest, TheResourceListShowsTheFirstPartOfEachNameSortedAndShowsTheFirst) {
  EditorRig rig;
  rig.Open();
  auto& list = rig.editor.records();
  list.Append({u"Line1.opc", 2, u"4800", u"1", u"8", u"Odd", u"10", u"-ip1", u"Big Endian"});
  list.Append({u"a.b.opc", 6, u"19200", u"1", u"8", u"None", u"2000", u"-ip2", u""});
  list.Append({u"Plant.OPC", 1, u"600", u"2", u"7", u"Even", u"20", u"-ip3", u""});
  list.Append({u"..cfg.x.opc", 0, u"300", u"2", u"7", u"Even", u"30", u"-ip4", u""});

  // The first entry, a, has no a.opc: it stands for the file it was listed from, whose
  // empty alignment is shown as it is.
  EXPECT_EQ(rig.editor.RefreshResourceList(), 0);
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"a", u"cfg", u"Line1", u"Plant"}));
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), 0);
  EXPECT_EQ(rig.editor.currentName(), u"a");
  EXPECT_EQ(rig.Values(), (Texts{u"19200", u"1", u"8", u"None", u"2000", u"-ip2", u""}));

  list.Remove(list.FindByName(u"a.b.opc"));
  list.Remove(list.FindByName(u"..cfg.x.opc"));
  EXPECT_EQ(rig.editor.RefreshResourceList(), 0);
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Line1", u"Plant"}));
  EXPECT_EQ(rig.editor.currentName(), u"Line1");
  EXPECT_EQ(rig.ui.CheckedRadio(), 1002);
  EXPECT_EQ(rig.Values(), (Texts{u"4800", u"1", u"8", u"Odd", u"10", u"-ip2", u"Big Endian"}));
  // Plant stands for Plant.OPC, the file of its own.
  EXPECT_EQ(rig.editor.ShowResource(u"Plant"), 0);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1001);

  // Nothing left: the combo empties, the rest stays as it was.
  list.Clear();
  const Texts shown = rig.Values();
  EXPECT_EQ(rig.editor.RefreshResourceList(), 0);
  EXPECT_EQ(rig.ui.Entries(ids::kResource), Texts{});
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), -1);
  EXPECT_EQ(rig.editor.currentName(), u"Line1");
  EXPECT_EQ(rig.Values(), shown);
}

TEST(EditorViewTest, AWorkspaceWhoseFirstEntryCannotBeShownOpensWithTheLoadingError) {
  EditorRig rig;
  rig.File("Aaa.opc", "V24 5 1200 7 2 2 100 0");  // read with port kind -1
  rig.File("Plant.OPC", "V24 2 600 7 2 2 20 0");
  rig.Raw("broken.opc", "[Online]\r\nComPort=nothing known\r\n");
  rig.Open();
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Aaa", u"Plant"}));
  EXPECT_EQ(rig.editor.currentName(), u"Aaa");
  ASSERT_EQ(rig.ui.session().boxes.size(), 2u);
  for (const testing::RecordedBox& box : rig.ui.session().boxes) {
    EXPECT_EQ(box.kind, BoxKind::kApplication);
    EXPECT_EQ(box.caption, kTitle);
  }
  // "Invalid File" with the file and why, then the loading's error once the dialog is
  // set up.
  EXPECT_EQ(rig.ui.BoxTexts(),
            (Texts{u"Invalid File\nbroken.opc: the port text \"nothing known\" names no port",
                   u"An error has occoured while loading the workspace"}));
  // Reading Plant.OPC selected COM2; showing Aaa kept the port and showed its values.
  EXPECT_EQ(rig.ui.CheckedRadio(), 1001);
  EXPECT_EQ(rig.Enabled(), "xxxxx-");
  EXPECT_EQ(rig.Values(),
            (Texts{u"1200", u"2", u"7", u"Even", u"100", u"-ip127.0.0.1", u"Little Endian"}));
  EXPECT_EQ(rig.ui.ended(), false);
}

}  // namespace
}  // namespace tirv
