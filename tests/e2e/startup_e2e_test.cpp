// The real editor under Xvfb, from its start: the window and its title, the refusal of
// a second start, the About box, and every way the workspace set-up can end.
//
// The start-up boxes, the title, the About box's caption and the refusal of a Delete
// with nothing listed are written out here, each once: every other test names them by
// the constants of editor/texts.h, so a change of their words is caught here alone.

#include <filesystem>

#include "editor_scenario.h"

namespace tirv::testing {
namespace {

namespace at = editor_controls;

constexpr const char* kIni = "[Settings]\r\nCustomWorkspace=./ws\r\n";

constexpr const char* kBeltCom2 =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
    "[Online]\r\nComTeleLength=256\r\nComPort=V24 2 4800 7 2 2 1500 0\r\n";
constexpr const char* kMixerSimulation =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n\r\n"
    "[Online]\r\nComTeleLength=1428\r\nComPort=SIM SimHost.dll Vsim1.Vsim1\r\n";
constexpr const char* kPressTcp =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
    "[Online]\r\nComTeleLength=1428\r\nComPort=DLL netdrv.dll -ip192.168.0.7\r\n";

class EditorStartUp : public EditorScenario {
 protected:
  /// TirvOPC.ini as the editor names it: in the program's real folder.
  std::string IniPath() const {
    return std::filesystem::canonical(programFolder()).string() + "/TirvOPC.ini";
  }
  std::string NoIniFileLine() const {
    return BoxLine("application", 0,
                   "There is no ini file\\n" + IniPath() + ": No such file or directory", 1);
  }
};

TEST_F(EditorStartUp, WindowBearsTheTitleAndF1OpensTheAboutBox) {
  WriteIni(kIni);
  WriteResource("Belt.opc", kBeltCom2);
  ASSERT_TRUE(OpenEditor());
  EXPECT_EQ(display_.Run({"xdotool", "getwindowname", window_}).out,
            "Tirvane OPC-Server 2.0 Resource Editor\n");

  PressKeys({"F1"});
  EXPECT_TRUE(AnswerNextWindow({"Return"}, "", "About Lintrel"));
  EXPECT_TRUE(editor_->Running()) << "closing the About box returns to the editor";
  EXPECT_EQ(display_.WindowsTitled(kTitle, editor_->pid()), std::vector<std::string>{window_});

  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(BoxLines(), std::vector<std::string>{});
}

TEST_F(EditorStartUp, SecondStartIsRefusedWhileTheFirstRuns) {
  WriteIni(kIni);
  WriteResource("Belt.opc", kBeltCom2);
  ASSERT_TRUE(OpenEditor());

  std::unique_ptr<Child> second = Start("second");
  const std::string box = WaitForWindow(second->pid(), kTitle);
  ASSERT_NE(box, "");
  EXPECT_TRUE(display_.Keys(box, {"Return"}));
  EXPECT_EQ(ExitCode(*second), 1);
  EXPECT_EQ(BoxLines("second"), std::vector<std::string>{
                                    BoxLine("unowned", 64, "Resource Editor already started!", 1)});

  EXPECT_TRUE(editor_->Running());
  EXPECT_EQ(display_.WindowsTitled(kTitle, editor_->pid()), std::vector<std::string>{window_});
  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
}

TEST_F(EditorStartUp, SecondStartIsRefusedUnderAWindowManager) {
  // The window manager puts the editor's window into a frame of its own: the lookup
  // must see through it.
  Child manager(display_.ClientOptions({"openbox", "--sm-disable"}));
  ASSERT_GT(manager.pid(), 0) << manager.error();
  ASSERT_TRUE(PollUntil(
      [&] {
        return display_.Run({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).out.find("window id") !=
               std::string::npos;
      },
      Millis(15000)))
      << "openbox did not start";
  WriteIni(kIni);
  WriteResource("Belt.opc", kBeltCom2);
  ASSERT_TRUE(OpenEditor());
  const std::string tree = display_.Run({"xwininfo", "-tree", "-id", window_}).out;
  const std::string root = display_.Run({"xwininfo", "-root"}).out;
  const auto idAfter = [](const std::string& text, const std::string& label) {
    const std::size_t at = text.find(label);
    return at == std::string::npos ? std::string() : text.substr(at + label.size(), 10);
  };
  EXPECT_NE(idAfter(tree, "Parent window id: "), idAfter(root, "Window id: "))
      << "the editor's window is not inside a frame";

  std::unique_ptr<Child> second = Start("second");
  const std::string box = WaitForWindow(second->pid(), kTitle);
  ASSERT_NE(box, "");
  EXPECT_TRUE(display_.Keys(box, {"Return"}));
  EXPECT_EQ(ExitCode(*second), 1);
  EXPECT_TRUE(editor_->Running());
  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
}

TEST_F(EditorStartUp, SecondStartIsRefusedWhileTheFirstShowsOnlyAMessageBox) {
  // No TirvOPC.ini: the first instance stops at its message, titled like the editor.
  std::unique_ptr<Child> first = Start("first");
  const std::string firstBox = WaitForWindow(first->pid(), kTitle);
  ASSERT_NE(firstBox, "");

  std::unique_ptr<Child> second = Start("second");
  const std::string box = WaitForWindow(second->pid(), kTitle);
  ASSERT_NE(box, "");
  EXPECT_TRUE(display_.Keys(box, {"Return"}));
  EXPECT_EQ(ExitCode(*second), 1);

  EXPECT_TRUE(first->Running());
  EXPECT_TRUE(display_.Keys(firstBox, {"Return"}));
  EXPECT_EQ(ExitCode(*first), 0);
  EXPECT_EQ(BoxLines("first"), std::vector<std::string>{NoIniFileLine()});
}

TEST_F(EditorStartUp, ForeignWindowWithTheTitleRefusesTheStart) {
  WriteIni(kIni);
  WriteResource("Belt.opc", kBeltCom2);
  Child foreign(display_.ClientOptions({"xmessage", "-title", kTitle, "not the editor"}));
  ASSERT_GT(foreign.pid(), 0) << foreign.error();
  ASSERT_TRUE(PollUntil([&] { return !display_.WindowsTitled(kTitle).empty(); }, Millis(10000)))
      << "xmessage shows no window";

  editor_ = Start();
  const std::string box = WaitForWindow(editor_->pid(), kTitle);
  ASSERT_NE(box, "");
  EXPECT_TRUE(display_.Keys(box, {"Return"}));
  EXPECT_EQ(ExitCode(*editor_), 1);
  EXPECT_EQ(BoxLines(),
            std::vector<std::string>{BoxLine("unowned", 64, Traced(texts::kAlreadyStarted), 1)});
  EXPECT_TRUE(foreign.Running());
}

TEST_F(EditorStartUp, WithoutIniFileItSaysSoAndEndsWithExitCodeZero) {
  WriteResource("Belt.opc", kBeltCom2);
  editor_ = Start();
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(BoxLines(), std::vector<std::string>{NoIniFileLine()});
}

TEST_F(EditorStartUp, RefusedWorkspaceTextEndsWithExitCodeZero) {
  WriteIni("[Settings]\r\nCustomWorkspace=\\Temp\\ws\r\n");
  editor_ = Start();
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(BoxLines(),
            std::vector<std::string>{BoxLine(
                "application", 0,
                "Error converting workspace path, this program will now shut down\\n" + IniPath() +
                    ": the workspace \\\"\\\\Temp\\\\ws\\\" is neither a full path nor one "
                    "beginning with ./",
                1)});
}

TEST_F(EditorStartUp, MissingFolderDeclinedEndsWithExitCodeZero) {
  WriteIni("[Settings]\r\nCustomWorkspace=./missing\r\n");
  editor_ = Start();
  EXPECT_TRUE(AnswerNextWindow({"alt+n"}));
  EXPECT_EQ(ExitCode(*editor_), 0);
  const std::string folder = std::filesystem::canonical(programFolder()).string() + "/missing";
  EXPECT_EQ(BoxLines(), std::vector<std::string>{BoxLine(
                            "owned", 36,
                            "The folder " + folder +
                                " does not exist, \\n\\n would you like it to be created for you?",
                            7)});
  EXPECT_FALSE(FileExists(folder));
}

TEST_F(EditorStartUp, MissingFolderCreatedOpensAnEmptyEditorInTheTcpIpState) {
  WriteIni("[Settings]\r\nCustomWorkspace=./missing\r\n");
  editor_ = Start();
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  window_ = WaitForWindow(editor_->pid(), kTitle);
  ASSERT_NE(window_, "");
  geometry_ = display_.GeometryOf(window_).value_or(geometry_);
  const std::string folder = std::filesystem::canonical(programFolder()).string() + "/missing";
  EXPECT_EQ(ListFolder(folder), std::vector<std::string>{});

  EXPECT_TRUE(ShowsCheckedRadio(6)) << screen_;
  EXPECT_TRUE(ShowsEditEnabled(at::kParameter, true)) << screen_;
  EXPECT_TRUE(ShowsEditEnabled(at::kTimeout, false)) << screen_;
  // Nothing is listed, so nothing can be deleted.
  ClickAt(at::kDeleteResource);
  EXPECT_TRUE(AnswerNextWindow({"Return"}));

  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  ASSERT_EQ(BoxLines().size(), 2u);
  EXPECT_EQ(BoxLines()[1], BoxLine("application", 0, "You must select a resource to delete", 1));
}

TEST_F(EditorStartUp, WorkspaceOpensOnTheFirstResourceInListOrder) {
  WriteIni(kIni);
  WriteResource("Press.opc", kPressTcp);
  WriteResource("Mixer.opc", kMixerSimulation);
  WriteResource("Belt.opc", kBeltCom2);
  ASSERT_TRUE(OpenEditor());

  // Belt, on COM2, lists first and is shown: its serial settings can be edited.
  EXPECT_TRUE(ShowsCheckedRadio(1)) << screen_;
  EXPECT_TRUE(ShowsEditEnabled(at::kTimeout, true)) << screen_;
  EXPECT_TRUE(ShowsEditEnabled(at::kParameter, false)) << screen_;

  // The selected entry is Belt: deleting removes its file, and Mixer comes first.
  ClickAt(at::kDeleteResource);
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  EXPECT_TRUE(FolderComesToHold(programFolder() + "/ws",
                                (std::vector<std::string>{"Mixer.opc", "Press.opc"})))
      << screen_;
  EXPECT_TRUE(ShowsCheckedRadio(4)) << screen_;
  EXPECT_TRUE(ShowsEditEnabled(at::kTimeout, false)) << screen_;
  EXPECT_TRUE(ShowsEditEnabled(at::kParameter, false)) << screen_;

  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(BoxLines(),
            std::vector<std::string>{BoxLine("owned", 36, Traced(texts::kConfirmDelete), 6)});
}

}  // namespace
}  // namespace tirv::testing
