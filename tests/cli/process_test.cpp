// The built tirvane-resources where only a process shows what it does: the exit status
// and the words of each family of messages as the shell sees them, a standard output
// that is closed or full, a standard input that is closed, a question on a terminal, the
// TirvOPC.ini beside the program, and the bash completion. Everything else about the
// commands is tested in process (commands_test.cpp, documents_test.cpp).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/settings.h"
#include "platform/text.h"
#include "support/temp_dir.h"
#include "tool_rig.h"

extern char** environ;

namespace tirv {
namespace {

using testing::Args;
using testing::DescribeFolder;
using testing::kBig;
using testing::Opc;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kLine1 = "V24 1 9600 8 1 0 2000 0";
constexpr const char* kLine2 = "DLL netdrv.dll -ip10.0.0.2";
constexpr const char* kSim1 = "SIM SimHost.dll Vsim1.Vsim1";

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

struct Launch {
  std::vector<std::string> prefix;  ///< put before the program, such as setpriv
  std::string input;                ///< standard input
  bool terminal = false;            ///< standard input is a terminal holding `input`
  std::vector<std::string> env;     ///< "NAME=value" entries added
  /// Standard output: a file read back afterwards when empty, "closed", or a path such
  /// as /dev/full.
  std::string output;
};

Outcome RunProgram(const std::string& program, const Args& arguments, const Launch& launch = {}) {
  TempDir io;
  WriteBytes(io.File("in"), launch.input);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int terminal = -1;
  if (launch.terminal) {
    terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_TRUE(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
    EXPECT_EQ(::write(terminal, launch.input.data(), launch.input.size()),
              static_cast<ssize_t>(launch.input.size()));
    posix_spawn_file_actions_addopen(&actions, 0, ::ptsname(terminal), O_RDWR | O_NOCTTY, 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, io.File("in").c_str(), O_RDONLY, 0);
  }
  if (launch.output == "closed") {
    posix_spawn_file_actions_addclose(&actions, 1);
  } else {
    const std::string out = launch.output.empty() ? io.File("out") : launch.output;
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0600);
  }
  posix_spawn_file_actions_addopen(&actions, 2, io.File("err").c_str(), O_WRONLY | O_CREAT, 0600);

  Args all = launch.prefix;
  all.push_back(program);
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> extra = launch.env;
  std::vector<char*> envp;
  for (char** entry = environ; *entry != nullptr; ++entry) envp.push_back(*entry);
  for (std::string& entry : extra) envp.push_back(entry.data());
  envp.push_back(nullptr);

  Outcome run;
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(spawned);
  } else if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    run.exitCode = WEXITSTATUS(status);
  }
  if (terminal >= 0) ::close(terminal);
  run.out = ReadBytes(io.File("out"));
  run.err = ReadBytes(io.File("err"));
  return run;
}

std::string Message(const std::string& text) { return "tirvane-resources: " + text + "\n"; }

class CliProcess : public ::testing::Test {
 protected:
  CliProcess() { ::mkdir(ws_.c_str(), 0755); }

  void Put(const std::string& name, const std::string& bytes) const {
    WriteBytes(Path(name), bytes);
  }
  std::string Path(const std::string& name) const { return ws_ + "/" + name; }
  std::string Bytes(const std::string& name) const { return ReadBytes(Path(name)); }
  void PutThreeResources() const {
    Put("Line1.opc", Opc(kLine1));
    Put("Line2.opc", Opc(kLine2, kBig));
    Put("Sim.opc", Opc(kSim1));
  }
  Outcome Tool(Args arguments, const Launch& launch = {}) const {
    arguments.insert(arguments.begin(), {"--workspace", ws_});
    return RunProgram(TIRV_RESOURCES_PATH, arguments, launch);
  }

  TempDir dir_;
  std::string ws_ = dir_.File("ws");
};

// One check of each family of messages in its exact words, with the exit status the
// shell sees; the in-process tests compare every other line with the catalogue.
TEST_F(CliProcess, EachFamilyOfMessagesReachesTheShellInItsWordsWithItsExitStatus) {
  PutThreeResources();
  ASSERT_EQ(::mkdir(Path("Dir.opc").c_str(), 0755), 0);
  const std::string refused =
      R"({"version": 1, "resources": [{"name": "Line1", "speed": "1"}, {"name": "Line2", )"
      R"("parity": "mark"}]})";
  const struct {
    Args arguments;
    std::string input;
    int exitCode;
    std::string out;
    std::string err;
  } cases[] = {
      {{"--version"}, "", 0, "tirvane-resources " TIRV_EXPECTED_VERSION "\n", ""},
      {{"list"},
       "",
       0,
       "Line1\tLine1.opc\tCOM1\t9600\t8\t1\tNone\t2000\t\tLittle Endian\n"
       "Line2\tLine2.opc\tTCP/IP\t\t\t\t\t\t-ip10.0.0.2\tBig Endian\n"
       "Sim\tSim.opc\tSimulation1\t\t\t\t\t\t\tLittle Endian\n",
       "tirvane-resources: Dir.opc: Is a directory\n"},
      // Usage errors.
      {{"lst"}, "", 2, "", "tirvane-resources: unknown command \"lst\" (try --help)\n"},
      {{"delete", "Line1"},
       "",
       2,
       "",
       "tirvane-resources: delete asks before it deletes; give --yes where no one can answer\n"},
      // Refusals of a value.
      {{"set", "Line1", "baud=12345"},
       "",
       2,
       "",
       "tirvane-resources: baud \"12345\" is not one of 110, 300, 600, 1200, 2400, 4800, 9600, "
       "19200, 38400, 57600\n"},
      {{"set", "Line1", "parameter=x"},
       "",
       2,
       "",
       "tirvane-resources: Line1.opc: parameter is not used by port COM1\n"},
      // Failures that name a file or a resource.
      {{"show", "Dir"}, "", 1, "", "tirvane-resources: Dir.opc: Is a directory\n"},
      {{"show", "Nope"}, "", 3, "", "tirvane-resources: Nope: no such resource\n"},
      // apply's refusals of a document, every one told.
      {{"apply", "-"},
       refused,
       2,
       "",
       "tirvane-resources: standard input: resources[0] (Line1): unknown member \"speed\" "
       "(members: name, file, port, baud, databits, stopbits, parity, timeout, parameter, "
       "alignment)\n"
       "tirvane-resources: standard input: resources[1] (Line2): parity \"mark\" is not one of "
       "None, Odd, Even\n"},
      // The words of results.
      {{"set", "Line1", "baud=19200"}, "", 0, "changed\n", ""},
      {{"set", "Line1", "baud=19200"}, "", 0, "unchanged\n", ""},
      {{"apply", "-"},
       R"({"version": 1, "resources": [{"name": "Line1"}, {"name": "New", "port": "COM2"}]})",
       0,
       "Line1\tunchanged\nNew\tadded\n",
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[0] + (c.arguments.size() > 1 ? " " + c.arguments[1] : ""));
    const auto before = DescribeFolder(ws_);
    Launch launch;
    launch.input = c.input;
    const Outcome run = Tool(c.arguments, launch);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    if (c.exitCode != 0) {
      EXPECT_EQ(DescribeFolder(ws_), before);
    }
  }
  EXPECT_EQ(Bytes("Line1.opc"), Opc("V24 1 19200 8 1 0 2000 0"));
}

TEST_F(CliProcess, DeleteAsksItsQuestionOnATerminal) {
  PutThreeResources();
  const Outcome declined = Tool({"delete", "Line1"}, {{}, "n\n", true, {}, {}});
  EXPECT_EQ(declined.exitCode, 1);
  EXPECT_EQ(declined.err,
            "Delete Line1 (Line1.opc)? [y/N] tirvane-resources: Line1: not deleted\n");
  EXPECT_TRUE(testing::FileExists(Path("Line1.opc")));

  const Outcome agreed = Tool({"delete", "Line1"}, {{}, "y\n", true, {}, {}});
  EXPECT_EQ(agreed.exitCode, 0);
  EXPECT_EQ(agreed.err, "Delete Line1 (Line1.opc)? [y/N] ");
  EXPECT_FALSE(testing::FileExists(Path("Line1.opc")));
}

TEST_F(CliProcess, AChangeMadeIsNeverExit1WhenItsReportCannotBeWritten) {
  PutThreeResources();
  const std::string made = Message("the change was made, but its report could not be written");
  const std::string lost = Message("the output could not be written");
  const struct {
    Args arguments;
    std::string output;
    int exitCode;
    std::string err;
  } cases[] = {
      {{"set", "Line1", "baud=300"}, "closed", 0, made},
      {{"set", "Line1", "baud=600"}, "/dev/full", 0, made},
      {{"set", "Line1", "baud=600"}, "/dev/full", 1, lost},  // unchanged: nothing was made
      {{"list"}, "closed", 1, lost},
      {{"apply", "-", "--json"}, "/dev/full", 0, made},
      {{"apply", "-", "--json"}, "/dev/full", 1, lost},
      {{"show", "Nope"}, "closed", 3, Message("Nope: no such resource")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[0] + " " + c.output);
    Launch launch;
    launch.output = c.output;
    launch.input = R"({"version": 1, "resources": [{"name": "Line2", "alignment": "little"}]})";
    const Outcome run = Tool(c.arguments, launch);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.err, c.err);
  }
  EXPECT_EQ(Bytes("Line1.opc"), Opc("V24 1 600 8 1 0 2000 0"));
  EXPECT_EQ(Bytes("Line2.opc"), Opc(kLine2));
}

TEST_F(CliProcess, ApplyReadsItsDocumentFromStandardInputAndAClosedInputIsNoDocument) {
  PutThreeResources();
  Launch launch;
  launch.input = R"({"version": 1, "resources": [{"name": "Line1", "baud": "300"}]})";
  const Outcome applied = Tool({"apply", "-"}, launch);
  EXPECT_EQ(applied.exitCode, 0) << applied.err;
  EXPECT_EQ(applied.out, "Line1\tchanged\n");
  EXPECT_EQ(Bytes("Line1.opc"), Opc("V24 1 300 8 1 0 2000 0"));
  // A closed standard input reads as nothing: no file the program opens can stand in.
  const auto before = DescribeFolder(ws_);
  Launch closed;
  closed.prefix = {"bash", "-c", "exec \"$@\" <&-", "bash"};
  const Outcome nothing = Tool({"apply", "-"}, closed);
  EXPECT_EQ(nothing.exitCode, 2);
  EXPECT_EQ(nothing.err,
            Message("standard input: it is not JSON: line 1, column 1: a value was expected, and "
                    "the text ends"));
  EXPECT_EQ(DescribeFolder(ws_), before);
}

// The program finds TirvOPC.ini beside the executable that runs, and the build puts one
// there.
TEST_F(CliProcess, FindsTheWorkspaceBesideItselfAndTheBuildPutsOneThere) {
  const std::string bin = dir_.File("bin");
  ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
  std::filesystem::copy_file(TIRV_RESOURCES_PATH, bin + "/tirvane-resources");
  std::filesystem::permissions(bin + "/tirvane-resources", std::filesystem::perms::owner_all);
  WriteBytes(bin + "/TirvOPC.ini", "[Settings]\r\nCustomWorkspace=./ws\r\n");
  ASSERT_EQ(::mkdir((bin + "/ws").c_str(), 0755), 0);
  WriteBytes(bin + "/ws/Line1.opc", Opc(kLine1));

  EXPECT_EQ(RunProgram(bin + "/tirvane-resources", {"set", "Line1", "baud=300"}).out, "changed\n");
  EXPECT_EQ(ReadBytes(bin + "/ws/Line1.opc"), Opc("V24 1 300 8 1 0 2000 0"));

  const Outcome built = RunProgram(TIRV_RESOURCES_PATH, {"validate"});
  EXPECT_EQ(built.exitCode, 0) << built.err;
}

// The completion the build wrote, run by bash as it completes a line.
TEST_F(CliProcess, BashCompletionOffersCommandsKeysValuesAndTheWorkspacesNames) {
  PutThreeResources();
  const std::string folder = std::filesystem::path(TIRV_RESOURCES_PATH).parent_path();
  const auto complete = [&](const std::string& line) {
    const std::string script = std::string("source '") + TIRV_COMPLETION_PATH +
                               "'; COMP_WORDBREAKS=$' \\t\\n\"\\'@><=;|&(:'; COMP_LINE=\"$1\"; "
                               "COMP_POINT=${#COMP_LINE}; _tirvane_resources; "
                               "printf '%s\\n' \"${COMPREPLY[@]}\"";
    return RunProgram("bash", {"-c", script, "bash", line},
                      {{}, "", false, {"PATH=" + folder + ":" + std::getenv("PATH")}, {}})
        .out;
  };
  EXPECT_EQ(complete("tirvane-resources --workspace " + ws_ + " show L"), "Line1\nLine2\n");
  EXPECT_EQ(complete("tirvane-resources --workspace=" + ws_ + " set "), "Line1\nLine2\nSim\n");
  EXPECT_EQ(complete("tirvane-resources set Line1 par"), "parity=\nparameter=\n");
  EXPECT_EQ(complete("tirvane-resources set Line1 port=Sim"), "Simulation1\nSimulation2\n");
  EXPECT_EQ(complete("tirvane-resources set Line1 alignment="), "little\nbig\n");
  EXPECT_EQ(complete("tirvane-resources ap"), "apply\n");
  EXPECT_EQ(complete("tirvane-resources apply doc.json --p"), "--prune\n");

  // Every key of the key table, and each fixed value as it is typed.
  std::string keys;
  for (cli::SettingKey key : cli::SettingKeys()) {
    keys += std::string(cli::KeyName(key)) + "=\n";
    const cli::KeyFacts facts = cli::FactsOf(key);
    std::string values;
    for (std::size_t i = 0; i < facts.choices.size(); ++i) {
      values += Utf16ToUtf8(facts.aliases.empty() ? facts.choices[i] : facts.aliases[i]) + "\n";
    }
    // printf prints one empty line for no values at all.
    EXPECT_EQ(complete("tirvane-resources set Line1 " + std::string(facts.name) + "="),
              values.empty() ? "\n" : values)
        << facts.name;
  }
  EXPECT_EQ(complete("tirvane-resources set Line1 "), keys);
}

}  // namespace
}  // namespace tirv
