// The real editor under Xvfb, driven as a person drives it: the mouse on combos, radio
// buttons and buttons, the keyboard in edits and boxes. The outcome is read from the
// resource files and the exit code.
//
// The words of the questions of Delete and of a save over a file changed or deleted on
// disk, and of the new name's refusals, are written out here alone: every other test
// names them by the constants of editor/texts.h, so a change of their words is caught
// here.

#include <unistd.h>

#include <algorithm>

#include "editor_scenario.h"
#include "support/resource_texts.h"

namespace tirv::testing {
namespace {

namespace at = editor_controls;

constexpr const char* kIni = "[Settings]\r\nCustomWorkspace=./ws\r\n";
constexpr const char* kLine1Com1 =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
    "Description=Line one\r\n\r\n"
    "[Online]\r\nComTeleLength=256\r\nComPort=V24 1 9600 8 1 0 2000 0\r\n";
constexpr const char* kLine2Tcp =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n\r\n"
    "[Online]\r\nComTeleLength=1428\r\nComPort=DLL netdrv.dll -ip10.0.0.2\r\n";

class EditorEditing : public EditorScenario {
 protected:
  void SetUp() override {
    EditorScenario::SetUp();
    WriteIni(kIni);
    WriteResource("Line1.opc", kLine1Com1);
    WriteResource("Line2.opc", kLine2Tcp);
  }
  /// Waits until the file holds `text` (a save has run); false after 10 s.
  bool FileComesToHold(const std::string& name, const std::string& text) {
    return PollUntil([&] { return ReadBytes(WorkspaceFile(name)).find(text) != std::string::npos; },
                     Millis(10000));
  }
};

TEST_F(EditorEditing, ChangedBaudAndParityAreSavedIntoTheComPortText) {
  ASSERT_TRUE(OpenEditor());
  PickFromDropList(at::kBaud, 1);  // 9600 -> 19200
  Wheel(at::kParity, 1);           // None -> Odd
  // Meanwhile a colleague adds a section to Line1: the save asks, then keeps it.
  WriteResource("Line1.opc", std::string(kLine1Com1) + "[Colleague]\r\nNote=kept\r\n");
  ClickAt(at::kSave);
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  EXPECT_TRUE(FileComesToHold("Line1.opc", "\r\nComPort=V24 1 19200 8 1 1 2000 0\r\n"))
      << ReadBytes(WorkspaceFile("Line1.opc"));
  const std::string line1 = ReadBytes(WorkspaceFile("Line1.opc"));
  EXPECT_NE(line1.find("\r\nComTeleLength=256\r\n"), std::string::npos) << line1;
  EXPECT_NE(line1.find("\r\nDescription=Line one\r\n"), std::string::npos) << line1;
  EXPECT_NE(line1.find("\r\n[Colleague]\r\nNote=kept\r\n"), std::string::npos) << line1;
  EXPECT_NE(
      ReadBytes(WorkspaceFile("Line2.opc")).find("\r\nComPort=DLL netdrv.dll -ip10.0.0.2\r\n"),
      std::string::npos);

  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(BoxLines(), std::vector<std::string>{
                            BoxLine("owned", 36,
                                    "Line1.opc was changed by another program since it was loaded. "
                                    "Replace it with your values?",
                                    6)});
}

TEST_F(EditorEditing, AddedResourceGetsItsFileAndDeleteRemovesIt) {
  ASSERT_TRUE(OpenEditor());
  ClickAt(at::kAddResource);
  // Refused names keep the name dialog open, a box over it saying why.
  const std::string nameDialog = WaitForWindow(editor_->pid(), kTitle, {window_});
  ASSERT_NE(nameDialog, "");
  for (const char* refused : {"Line 5", "a/b", "Line1"}) {
    SCOPED_TRACE(refused);
    EXPECT_TRUE(display_.Type(nameDialog, refused));
    EXPECT_TRUE(display_.Keys(nameDialog, {"Return"}));
    EXPECT_TRUE(AnswerNextBoxOver(nameDialog, {"Return"}));
    EXPECT_TRUE(display_.Keys(nameDialog, {"ctrl+a", "BackSpace"}));
  }
  EXPECT_TRUE(display_.Type(nameDialog, "Line5"));
  EXPECT_TRUE(display_.Keys(nameDialog, {"Return"}));
  EXPECT_TRUE(PollUntil(
      [&] {
        const auto windows = display_.WindowsOf(editor_->pid());
        return std::find(windows.begin(), windows.end(), nameDialog) == windows.end();
      },
      Millis(10000)))
      << "the name dialog stayed open";
  EXPECT_TRUE(FolderComesToHold(programFolder() + "/ws",
                                (std::vector<std::string>{"Line1.opc", "Line2.opc", "Line5.opc"})))
      << screen_;
  EXPECT_EQ(ReadBytes(WorkspaceFile("Line5.opc")), kNewResourceFileBytes);
  EXPECT_TRUE(ShowsCheckedRadio(6)) << screen_;

  // Line5 is selected after the Add.
  ClickAt(at::kDeleteResource);
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  EXPECT_TRUE(FolderComesToHold(programFolder() + "/ws",
                                (std::vector<std::string>{"Line1.opc", "Line2.opc"})))
      << screen_;

  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(BoxLines(),
            (std::vector<std::string>{
                BoxLine("owned", 64, "You cannot have spaces in the file name", 1),
                BoxLine("owned", 64,
                        "The file name cannot contain any of the following characters "
                        "\\\". \\\\ / : * ? < > |",
                        1),
                BoxLine("owned", 64, "A file with that name already exists", 1),
                BoxLine("owned", 36, "Are you sure you want to delete this resource?", 6)}));
}

TEST_F(EditorEditing, EditsThenEscapeLeaveEveryFileByteIdentical) {
  const auto before = FilesIn(programFolder() + "/ws");
  ASSERT_TRUE(OpenEditor());
  Wheel(at::kBaud, 2);
  Wheel(at::kParity, 1);
  ReplaceEditText(at::kTimeout, "5000");
  ClickAt(at::kRadios[2]);
  EXPECT_TRUE(ShowsCheckedRadio(2)) << screen_;
  Wheel(at::kResource, 1);  // to Line2: Line1's edits go into memory only
  EXPECT_TRUE(ShowsCheckedRadio(6)) << screen_;

  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(FilesIn(programFolder() + "/ws"), before);
  EXPECT_EQ(BoxLines(), std::vector<std::string>{});
}

TEST_F(EditorEditing, EditsThenEnterAreSavedAndTheEditorCloses) {
  ASSERT_TRUE(OpenEditor());
  PickFromDropList(at::kBaud, 3);  // 9600 -> 57600
  Wheel(at::kStopBits, 1);         // 1 -> 2
  Wheel(at::kAlignment, -1);       // Little Endian -> Big Endian
  ReplaceEditText(at::kTimeout, "4500");
  // Meanwhile another program deletes Line1: Enter asks, then makes it again.
  ASSERT_EQ(::unlink(WorkspaceFile("Line1.opc").c_str()), 0);
  PressKeys({"Return"});
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  EXPECT_EQ(ExitCode(*editor_), 0);

  const std::string line1 = ReadBytes(WorkspaceFile("Line1.opc"));
  EXPECT_NE(line1.find("\r\nComPort=V24 1 57600 8 2 0 4500 0\r\n"), std::string::npos) << line1;
  EXPECT_NE(line1.find("\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n"), std::string::npos)
      << line1;
  EXPECT_NE(
      ReadBytes(WorkspaceFile("Line2.opc")).find("\r\nComPort=DLL netdrv.dll -ip10.0.0.2\r\n"),
      std::string::npos);
  EXPECT_EQ(BoxLines(), std::vector<std::string>{
                            BoxLine("owned", 36,
                                    "Line1.opc was deleted by another program since it was loaded. "
                                    "Create it again with your values?",
                                    6)});
}

// A line break in the clipboard would have written a section and a key of its own into
// the file: the Parameter edit takes the paste without it.
TEST_F(EditorEditing, APastedLineBreakNeverReachesTheFile) {
  ASSERT_TRUE(OpenEditor());
  PickFromDropList(at::kResource, 1);  // Line2, TCP/IP
  ASSERT_TRUE(ShowsCheckedRadio(6)) << screen_;
  const std::string pasted = "-ipA\r\n[Injected]\r\nEvil=1";
  const std::string clip = dir_.File("clip");
  WriteBytes(clip, pasted);
  Child clipboard(
      display_.ClientOptions({"xclip", "-quiet", "-selection", "clipboard", "-i", clip}));
  ASSERT_GT(clipboard.pid(), 0) << clipboard.error();
  ASSERT_TRUE(PollUntil(
      [&] {
        return display_.Run({"xclip", "-o", "-selection", "clipboard"}).out == pasted;
      },
      Millis(10000)))
      << "the clipboard does not hold the text";
  ReplaceEditText(at::kParameter, "");
  PressKeys({"ctrl+v"});
  ClickAt(at::kSave);
  EXPECT_TRUE(FileComesToHold("Line2.opc", "\r\nComPort=DLL netdrv.dll -ipA[Injected]Evil=1\r\n"))
      << ReadBytes(WorkspaceFile("Line2.opc"));
  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(ReadBytes(WorkspaceFile("Line2.opc")).find("\r\n[Injected]"), std::string::npos);

  // The next start finds nothing to call invalid.
  ASSERT_TRUE(OpenEditor());
  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(BoxLines(), std::vector<std::string>{});
}

// Twins that differ only in letter case, one of them shown when its switch is refused:
// the save gives the shown one its values and leaves the other exactly as it was.
TEST_F(EditorEditing, ARefusedSwitchBetweenTwinsKeepsEachOneItsOwnValues) {
  WriteResource("line1.opc", kLine2Tcp);
  ASSERT_EQ(::unlink(WorkspaceFile("Line2.opc").c_str()), 0);
  ASSERT_TRUE(OpenEditor());
  // Show the second twin: the one a search from the top of the list would miss.
  const bool tcpFirst = ShowsCheckedRadio(6);
  PickFromDropList(at::kResource, 1);
  ASSERT_TRUE(ShowsCheckedRadio(tcpFirst ? 0 : 6)) << screen_;
  const std::string shown = tcpFirst ? "Line1.opc" : "line1.opc";
  const std::string other = tcpFirst ? "line1.opc" : "Line1.opc";
  const std::string otherBytes = ReadBytes(WorkspaceFile(other));

  // Its own edit emptied, the switch back to the other twin is refused.
  const DialogRect& edit = tcpFirst ? at::kTimeout : at::kParameter;
  ReplaceEditText(edit, "");
  ClickAt(at::kResource);
  ASSERT_TRUE(
      PollUntil([&] { return display_.WindowsOf(editor_->pid()).size() > 1; }, Millis(10000)))
      << "the drop list did not open";
  EXPECT_EQ(display_.Run({"xdotool", "key", "--delay", "40", "Up", "Return"}).exitCode, 0);
  EXPECT_TRUE(AnswerNextWindow({"Return"}));  // the refusal
  ReplaceEditText(edit, tcpFirst ? "2500" : "-ip10.0.0.9");
  ClickAt(at::kSave);
  const std::string saved = tcpFirst ? "\r\nComPort=V24 1 9600 8 1 0 2500 0\r\n"
                                     : "\r\nComPort=DLL netdrv.dll -ip10.0.0.9\r\n";
  EXPECT_TRUE(FileComesToHold(shown, saved)) << ReadBytes(WorkspaceFile(shown));
  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(ReadBytes(WorkspaceFile(other)), otherBytes);
}

}  // namespace
}  // namespace tirv::testing
