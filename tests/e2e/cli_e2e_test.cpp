// The command line and the editor on one workspace: what tirvane-resources sets is what
// the editor shows when it opens, and what the editor saves is what the command line
// shows. Both run from the same program folder, through the same TirvOPC.ini.

#include <filesystem>

#include "editor_scenario.h"

namespace tirv::testing {
namespace {

namespace at = editor_controls;

class CommandLineWithEditor : public EditorScenario {
 protected:
  void SetUp() override {
    EditorScenario::SetUp();
    const std::filesystem::path built =
        std::filesystem::path(TIRV_EDITOR_EXECUTABLE).parent_path() / "tirvane-resources";
    std::error_code ec;
    std::filesystem::copy_file(built, dir_.File("tirvane-resources"), ec);
    ASSERT_FALSE(ec) << "cannot copy " << built << ": " << ec.message();
    WriteIni("[Settings]\r\nCustomWorkspace=./ws\r\n");
    WriteResource("Line1.opc",
                  "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
                  "[Online]\r\nComTeleLength=256\r\nComPort=V24 1 9600 8 1 0 2000 0\r\n");
  }

  /// Runs the copied tirvane-resources; its standard output, with its exit code checked.
  std::string Resources(const std::vector<std::string>& arguments) {
    Child::Options options;
    options.argv = {dir_.File("tirvane-resources")};
    options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
    options.stdoutPath = dir_.File("resources.out");
    options.stderrPath = dir_.File("resources.err");
    Child child(options);
    EXPECT_EQ(ExitCode(child), 0) << ReadBytes(dir_.File("resources.err"));
    return ReadBytes(dir_.File("resources.out"));
  }
};

TEST_F(CommandLineWithEditor, WhatOneSavesTheOtherShows) {
  EXPECT_EQ(Resources({"set", "Line1", "port=COM3", "baud=19200"}), "changed\n");

  ASSERT_TRUE(OpenEditor());
  EXPECT_TRUE(ShowsCheckedRadio(2)) << screen_;  // COM3
  PickFromDropList(at::kBaud, 1);                // the entry below the one shown: 38400
  Wheel(at::kParity, 1);                         // None -> Odd
  ReplaceEditText(at::kTimeout, "4500");
  ClickAt(at::kSave);
  EXPECT_TRUE(PollUntil(
      [&] {
        return ReadBytes(WorkspaceFile("Line1.opc")).find("ComPort=V24 3 38400 8 1 1 4500 0") !=
               std::string::npos;
      },
      Millis(10000)))
      << ReadBytes(WorkspaceFile("Line1.opc"));
  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);

  EXPECT_EQ(Resources({"show", "Line1"}),
            "name=Line1\nfile=Line1.opc\nport=COM3\nbaud=38400\ndatabits=8\nstopbits=1\n"
            "parity=Odd\ntimeout=4500\nalignment=Little Endian\n");
  EXPECT_EQ(BoxLines(), std::vector<std::string>{});
}

// A second workspace, named to both programs by --workspace: the configured one is
// neither read nor written.
TEST_F(CommandLineWithEditor, BothWorkOnTheWorkspaceGivenInsteadOfTheConfiguredOne) {
  const std::string configured = ReadBytes(WorkspaceFile("Line1.opc"));
  const std::string second = dir_.File("second");
  std::filesystem::create_directory(second);
  EXPECT_EQ(Resources({"--workspace", second, "add", "Spare"}), "");
  EXPECT_EQ(Resources({"--workspace", second, "set", "Spare", "port=COM2"}), "changed\n");

  editorArguments_ = {"--workspace", second};
  ASSERT_TRUE(OpenEditor());
  EXPECT_TRUE(ShowsCheckedRadio(1)) << screen_;  // COM2
  Wheel(at::kParity, 1);                         // None -> Odd
  ClickAt(at::kSave);
  EXPECT_TRUE(PollUntil(
      [&] {
        return Resources({"--workspace", second, "show", "Spare"}).find("parity=Odd") !=
               std::string::npos;
      },
      Millis(10000)))
      << Resources({"--workspace", second, "show", "Spare"});
  PressKeys({"Escape"});
  EXPECT_EQ(ExitCode(*editor_), 0);

  EXPECT_EQ(FilesIn(dir_.File("ws")),
            (std::map<std::string, std::string>{{"Line1.opc", configured}}));
  EXPECT_EQ(BoxLines(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tirv::testing
