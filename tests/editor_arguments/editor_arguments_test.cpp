// The built tirvane-editor's command line: what it prints, where, and its exit code.
// Every run has no display in its environment, so an argument that slipped through to
// the window would end in the no-display message instead of the expected output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace tirv {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

bool IsDisplayVariable(const char* entry) {
  for (const char* name : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}) {
    if (std::strncmp(entry, name, std::strlen(name)) == 0) return true;
  }
  return false;
}

// Runs the editor (the built one, or `program`) with `arguments` and this process's
// environment minus the display, plus `display` ("NAME=value" entries).
Outcome RunEditor(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& display = {},
                  const std::string& program = TIRV_EDITOR_PATH) {
  TempDir dir;
  const std::string outPath = dir.File("out");
  const std::string errPath = dir.File("err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);

  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!IsDisplayVariable(*entry)) envp.push_back(*entry);
  }
  for (const std::string& entry : display) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);

  Outcome run;
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(spawned);
    return run;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  run.out = ReadBytes(outPath);
  run.err = ReadBytes(errPath);
  return run;
}

TEST(CommandLineTest, HelpAndVersionPrintAndEndWithoutOpeningAWindow) {
  const Outcome help = RunEditor({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.substr(0, help.out.find('\n')),
            "Usage: tirvane-editor [--workspace DIR | --help | --version]");
  EXPECT_NE(help.out.find("TirvOPC.ini"), std::string::npos) << help.out;
  EXPECT_EQ(help.err, "");

  const Outcome version = RunEditor({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "tirvane-editor " TIRV_EXPECTED_VERSION "\n");
  EXPECT_EQ(version.err, "");
}

std::string RealPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string text(resolved);
  std::free(resolved);
  return text;
}

// The lines of the usage text between its first paragraph's head and "Each resource".
std::string ConfigurationLines(const std::string& help) {
  const std::string head = "of the configuration file\n";
  const std::size_t from = help.find(head);
  const std::size_t to = help.find("Each resource");
  if (from == std::string::npos || to == std::string::npos || to < from) return help;
  return help.substr(from + head.size(), to - from - head.size());
}

// --help names the file the editor will read: TirvOPC.ini in the real program folder,
// and, when that is a link (as the package's, to /etc), the file it leads to.
TEST(CommandLineTest, HelpNamesTheConfigurationFileTheEditorReads) {
  const std::string built = RealPath(TIRV_EDITOR_PATH);
  const std::string builtFolder = built.substr(0, built.rfind('/'));
  EXPECT_EQ(ConfigurationLines(RunEditor({"--help"}).out), "  " + builtFolder + "/TirvOPC.ini\n");

  // A program folder of its own, reached through a link as from /usr/bin, whose
  // TirvOPC.ini links to a configuration elsewhere.
  TempDir dir;
  const std::string root = RealPath(dir.path());
  namespace fs = std::filesystem;
  fs::create_directories(root + "/lib/editor");
  fs::create_directories(root + "/etc");
  fs::create_directories(root + "/bin");
  fs::copy_file(built, root + "/lib/editor/tirvane-editor");
  ASSERT_EQ(::symlink("../lib/editor/tirvane-editor", (root + "/bin/tirvane-editor").c_str()), 0);

  EXPECT_EQ(ConfigurationLines(RunEditor({"--help"}, {}, root + "/bin/tirvane-editor").out),
            "  " + root + "/lib/editor/TirvOPC.ini (missing)\n");

  ASSERT_EQ(
      ::symlink((root + "/etc/TirvOPC.ini").c_str(), (root + "/lib/editor/TirvOPC.ini").c_str()),
      0);
  EXPECT_EQ(ConfigurationLines(RunEditor({"--help"}, {}, root + "/bin/tirvane-editor").out),
            "  " + root + "/lib/editor/TirvOPC.ini (a link that leads to no file)\n");

  WriteBytes(root + "/etc/TirvOPC.ini", "[Settings]\r\nCustomWorkspace=/srv/ws\r\n");
  const Outcome linked = RunEditor({"--help"}, {}, root + "/bin/tirvane-editor");
  EXPECT_EQ(linked.exitCode, 0);
  EXPECT_EQ(ConfigurationLines(linked.out), "  " + root + "/etc/TirvOPC.ini\n(through the link " +
                                                root + "/lib/editor/TirvOPC.ini)\n");
}

TEST(CommandLineTest, AnyOtherArgumentIsRefusedInOneLineWithExitCode2) {
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--frobnicate"}, "tirvane-editor: unknown argument \"--frobnicate\" (try --help)\n"},
      {{"-h"}, "tirvane-editor: unknown argument \"-h\" (try --help)\n"},
      {{"--HELP"}, "tirvane-editor: unknown argument \"--HELP\" (try --help)\n"},
      {{"--help="}, "tirvane-editor: unknown argument \"--help=\" (try --help)\n"},
      {{""}, "tirvane-editor: unknown argument \"\" (try --help)\n"},
      // Qt's own options are not taken either: the program passes no arguments to Qt.
      {{"-platform", "offscreen"}, "tirvane-editor: unknown argument \"-platform\" (try --help)\n"},
      {{"two\nlines\r"}, "tirvane-editor: unknown argument \"two?lines?\" (try --help)\n"},
      {{"--help", "extra"},
       "tirvane-editor: unexpected argument \"extra\" after --help (try --help)\n"},
      {{"--version", "--help"},
       "tirvane-editor: unexpected argument \"--help\" after --version (try --help)\n"},
      {{"--workspace"}, "tirvane-editor: --workspace needs a folder (try --help)\n"},
      {{"--workspace", ""}, "tirvane-editor: --workspace needs a folder (try --help)\n"},
      {{"--workspace="}, "tirvane-editor: --workspace needs a folder (try --help)\n"},
      {{"--workspace", "ws", "--help"},
       "tirvane-editor: unexpected argument \"--help\" after --workspace (try --help)\n"},
      {{"--workspace=ws", "other"},
       "tirvane-editor: unexpected argument \"other\" after --workspace (try --help)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const Outcome run = RunEditor(c.arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(run.out, "");
  }
}

// A workspace folder given is taken, and the run goes on to the window like one
// without arguments.
TEST(CommandLineTest, WithoutDisplayItSaysSoAndEndsWith2) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{}, {"--workspace", "ws"}, {"--workspace=/srv/ws"}}) {
    const Outcome run = RunEditor(arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "tirvane-editor: no display; set DISPLAY, or run it under xvfb-run\n");
    EXPECT_EQ(run.out, "");
  }
}

// A stale DISPLAY (an SSH session's, an X server that went away) and a Wayland session
// without XWayland must not end in Qt's abort and a core dump.
TEST(CommandLineTest, ADisplayThatCannotBeReachedIsNamedInOneLineWithExitCode2) {
  struct Case {
    std::vector<std::string> display;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"DISPLAY=:77"}, "tirvane-editor: no display; cannot open the X display \":77\"\n"},
      {{"DISPLAY=:77", "WAYLAND_DISPLAY=wayland-0"},
       "tirvane-editor: no display; cannot open the X display \":77\"\n"},
      {{"WAYLAND_DISPLAY=wayland-0"},
       "tirvane-editor: no display; the editor needs an X11 display (DISPLAY), and only the "
       "Wayland display \"wayland-0\" is set\n"},
      {{"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=wayland-0"},
       "tirvane-editor: no display; the editor needs an X11 display, and QT_QPA_PLATFORM names "
       "\"wayland\"\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const Outcome run = RunEditor({}, c.display);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
}  // namespace tirv
