// The built tirvane-resources as users meet it: run on real workspaces in temporary
// folders, with what it prints, its exit status, and the bytes of every file after it.
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

#include "support/json_reader.h"
#include "support/resource_texts.h"
#include "support/temp_dir.h"

extern char** environ;

namespace tirv {
namespace {

using testing::DescribeFolder;
using testing::Json;
using testing::JsonReader;
using testing::ListFolder;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using Args = std::vector<std::string>;

constexpr const char* kLittle = "QB.OPC.AdaptTIRV3x.LE.20";
constexpr const char* kBig = "QB.OPC.AdaptTIRV3x.BE.20";
constexpr const char* kLine1 = "V24 1 9600 8 1 0 2000 0";
constexpr const char* kLine2 = "DLL netdrv.dll -ip10.0.0.2";
constexpr const char* kSim1 = "SIM SimHost.dll Vsim1.Vsim1";

// A resource file in the layout the editor leaves when it saves one.
std::string Opc(const std::string& port, const char* adaptation = kLittle) {
  return std::string("[GeneralSettings]\r\nAdaptationComponent=") + adaptation +
         "\r\nDescription=kept as it is\r\n\r\n[Online]\r\nComTeleLength=" +
         (port.starts_with("V24") ? "256" : "1428") + "\r\nComPort=" + port + "\r\n\r\n";
}

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

// True when the file at `path` is still the one `probe` is a hard link to: nothing
// replaced it since the link was made.
bool StillTheSameFile(const std::string& path, const std::string& probe) {
  struct stat file {};
  struct stat linked {};
  return ::stat(path.c_str(), &file) == 0 && ::stat(probe.c_str(), &linked) == 0 &&
         file.st_ino == linked.st_ino;
}

class Cli : public ::testing::Test {
 protected:
  Cli() { ::mkdir(ws_.c_str(), 0755); }

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

TEST_F(Cli, ListAndShowGiveEveryResourceInTheEditorsOrderAsTextAndAsJson) {
  Put("beta.opc", Opc("V24 2 4800 7 2 2 1500 0", kBig));
  Put("Alpha.opc", Opc("DLL netdrv.dll -ip10.0.0.2\t\xB4"));  // a tab and U+00B4
  Put("gamma.x.opc", Opc("SIM SimHost.dll Vsim2.Vsim2"));
  Put("Delta.opc", Opc("V24 9 9600 8 1 0 2000 0", "other"));  // no known port nor order
  Put("Caf\xE9.opc", Opc(kSim1));                             // a name that is not UTF-8
  Put("broken.opc", "[Online]\r\nComPort=nothing\r\n");

  const Outcome list = Tool({"list"});
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_EQ(list.out,
            "Alpha\tAlpha.opc\tTCP/IP\t\t\t\t\t\t-ip10.0.0.2?\xC2\xB4\tLittle Endian\n"
            "beta\tbeta.opc\tCOM2\t4800\t7\t2\tEven\t1500\t\tBig Endian\n"
            "Caf\xE9\tCaf\xE9.opc\tSimulation1\t\t\t\t\t\t\tLittle Endian\n"
            "Delta\tDelta.opc\t\t\t\t\t\t\t\t\n"
            "gamma\tgamma.x.opc\tSimulation2\t\t\t\t\t\t\tLittle Endian\n");
  EXPECT_EQ(list.err, Message("broken.opc: the port text \"nothing\" names no port"));

  const Outcome listJson = Tool({"list", "--json"});
  EXPECT_EQ(listJson.exitCode, 0);
  const std::optional<Json> array = JsonReader::Parse(listJson.out);
  ASSERT_TRUE(array.has_value()) << listJson.out;
  ASSERT_EQ(array->items.size(), 5u);
  const Json& alpha = array->items[0];
  EXPECT_EQ(alpha.Keys(), (Args{"name", "file", "port", "baud", "databits", "stopbits", "parity",
                                "timeout", "parameter", "alignment"}));
  EXPECT_EQ(alpha["parameter"].string, "-ip10.0.0.2\t\xC2\xB4");
  EXPECT_TRUE(alpha["baud"].IsNull() && alpha["timeout"].IsNull());
  EXPECT_EQ(array->items[2]["file"].string, "Caf\xED\xB3\xA9.opc");  // byte 0xE9 as U+DCE9
  EXPECT_TRUE(array->items[3]["port"].IsNull() && array->items[3]["alignment"].IsNull());
  EXPECT_EQ(array->items[4]["port"].string, "Simulation2");

  const Outcome show = Tool({"show", "beta"});
  EXPECT_EQ(show.exitCode, 0);
  EXPECT_EQ(show.out,
            "name=beta\nfile=beta.opc\nport=COM2\nbaud=4800\ndatabits=7\nstopbits=2\nparity=Even\n"
            "timeout=1500\nalignment=Big Endian\n");
  const std::optional<Json> beta = JsonReader::Parse(Tool({"show", "--json", "beta"}).out);
  ASSERT_TRUE(beta.has_value());
  EXPECT_EQ(beta->Keys(), alpha.Keys());
  EXPECT_EQ((*beta)["stopbits"].string, "2");
  EXPECT_TRUE((*beta)["parameter"].IsNull());
  EXPECT_EQ(Tool({"show", "gamma"}).out.substr(0, 28), "name=gamma\nfile=gamma.x.opc\n");

  const Outcome nope = Tool({"show", "Nope"});
  EXPECT_EQ(nope.exitCode, 3);
  EXPECT_EQ(nope.err, Message("Nope: no such resource"));
  const Outcome broken = Tool({"show", "broken"});
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_EQ(broken.err, Message("broken.opc: the port text \"nothing\" names no port"));
}

TEST_F(Cli, SetWritesTheFileAsTheEditorSavesItAndTellsWhetherItChanged) {
  PutThreeResources();
  Put("Delta.opc", Opc("V24 9 4800 7 2 1 300 0"));  // a serial text of no known port
  struct Step {
    Args arguments;
    std::string said;
    std::string file;
    std::string bytes;
  };
  const Step steps[] = {
      {{"Line1", "baud=19200", "parity=odd"},
       "changed",
       "Line1.opc",
       Opc("V24 1 19200 8 1 1 2000 0")},
      {{"Line1", "parity=Odd", "baud=19200"},
       "unchanged",
       "Line1.opc",
       Opc("V24 1 19200 8 1 1 2000 0")},
      {{"Line1", "timeout=500", "port=com3", "alignment=big"},
       "changed",
       "Line1.opc",
       Opc("V24 3 19200 8 1 1 500 0", kBig)},
      // A new kind starts what only it uses with the values its records carry.
      {{"Line1", "port=TCP/IP"}, "changed", "Line1.opc", Opc("DLL netdrv.dll -ip127.0.0.1", kBig)},
      {{"Line2", "port=COM2", "baud=9600"},
       "changed",
       "Line2.opc",
       Opc("V24 2 9600 8 1 0 2000 0", kBig)},
      {{"Line2", "port=TCP/IP", "parameter=-ip10.1.2.3 -p 502"},
       "changed",
       "Line2.opc",
       Opc("DLL netdrv.dll -ip10.1.2.3 -p 502", kBig)},
      {{"Sim", "port=Simulation2", "alignment=Little Endian"},
       "changed",
       "Sim.opc",
       Opc("SIM SimHost.dll Vsim2.Vsim2")},
      {{"Delta", "port=COM4"}, "changed", "Delta.opc", Opc("V24 4 4800 7 2 1 300 0")},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.arguments[1]);
    auto others = DescribeFolder(ws_);
    others.erase(step.file);
    const std::string probe = dir_.File("probe");
    ASSERT_EQ(::link(Path(step.file).c_str(), probe.c_str()), 0);
    Args arguments = {"set"};
    arguments.insert(arguments.end(), step.arguments.begin(), step.arguments.end());
    const Outcome run = Tool(arguments);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, step.said + "\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Bytes(step.file), step.bytes);
    EXPECT_EQ(StillTheSameFile(Path(step.file), probe), step.said == "unchanged");
    ::unlink(probe.c_str());
    auto after = DescribeFolder(ws_);
    after.erase(step.file);
    EXPECT_EQ(after, others);
  }
}

TEST_F(Cli, EveryRefusedSetWritesNothingAndSaysWhy) {
  PutThreeResources();
  struct Refusal {
    Args arguments;
    int exitCode;
    std::string message;
  };
  const Refusal refusals[] = {
      {{"Line1", "baud=12345"},
       2,
       "baud \"12345\" is not one of 110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600"},
      {{"Line1", "databits=9"}, 2, "databits \"9\" is not one of 7, 8"},
      {{"Line1", "parity=Mark"}, 2, "parity \"Mark\" is not one of None, Odd, Even"},
      {{"Line1", "port=COM5"},
       2,
       "port \"COM5\" is not one of COM1, COM2, COM3, COM4, Simulation1, Simulation2, TCP/IP"},
      {{"Line1", "alignment=middle"},
       2,
       "alignment \"middle\" is not one of Little Endian (little), Big Endian (big)"},
      {{"Line1", "timeout=12a"},
       2,
       "timeout \"12a\" is not a time in milliseconds (the digits 0-9 only)"},
      {{"Line2", "parameter="}, 2, "parameter cannot be empty"},
      {{"Line1", "speed=9600"},
       2,
       "unknown key \"speed\" (keys: port, baud, databits, stopbits, parity, timeout, parameter, "
       "alignment)"},
      {{"Line1", "baud"}, 2, "\"baud\" is not KEY=VALUE"},
      {{"Line1", "baud=9600", "BAUD=4800"}, 2, "baud is given twice"},
      {{"Line1", "parameter=x"}, 2, "Line1.opc: parameter is not used by port COM1"},
      {{"Line2", "timeout=100"}, 2, "Line2.opc: timeout is not used by port TCP/IP"},
      // All or nothing: a valid port does not go in without the rest.
      {{"Line1", "port=TCP/IP", "baud=9600"}, 2, "Line1.opc: baud is not used by port TCP/IP"},
      {{"Line2", "parameter=-ip\xCE\xA9"},
       2,
       "Line2.opc: the character \"\xCE\xA9\" (U+03A9) cannot be written in the code page "
       "WINDOWS-1252"},
      {{"Line2", "parameter=-ip1\n-ip2"}, 2, "Line2.opc: a value holds a line break"},
      {{"Nope", "baud=9600"}, 3, "Nope: no such resource"},
      {{"../ws/Line1", "baud=9600"}, 3, "../ws/Line1: no such resource"},
  };
  const auto before = DescribeFolder(ws_);
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.message);
    Args arguments = {"set"};
    arguments.insert(arguments.end(), refusal.arguments.begin(), refusal.arguments.end());
    const Outcome run = Tool(arguments);
    EXPECT_EQ(run.exitCode, refusal.exitCode);
    EXPECT_EQ(run.err, Message(refusal.message));
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(DescribeFolder(ws_), before);
  }
}

TEST_F(Cli, FailuresNameTheFileAndTheSystemsReasonAndLeaveEveryFileAsItWas) {
  PutThreeResources();
  ASSERT_EQ(::chmod(Path("Line1.opc").c_str(), 0444), 0);  // refused even for root
  ASSERT_EQ(::mkdir(Path("Dir.opc").c_str(), 0755), 0);
  const auto before = DescribeFolder(ws_);
  const std::string longName(300, 'n');
  const struct {
    Args arguments;
    std::string message;
  } failures[] = {
      {{"set", "Line1", "baud=19200"}, "Line1.opc: the file is read-only"},
      {{"show", "Dir"}, "Dir.opc: Is a directory"},
      {{"add", longName}, longName + ".opc: File name too long"},
  };
  for (const auto& failure : failures) {
    const Outcome run = Tool(failure.arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, Message(failure.message));
    EXPECT_EQ(DescribeFolder(ws_), before);
  }

  // A workspace its user may not write: as root the tool runs as "nobody".
  Launch ordinaryUser;
  if (::geteuid() == 0) {
    ordinaryUser.prefix = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
  }
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(ws_.c_str(), 0555), 0);
  const struct {
    Args arguments;
    std::string message;
  } refused[] = {
      {{"set", "Line2", "parameter=-ip10.9.9.9"}, "Line2.opc: Permission denied"},
      {{"delete", "Line2", "--yes"}, "Line2.opc: Permission denied"},
      {{"add", "New"}, "New.opc: Permission denied"},
  };
  for (const auto& failure : refused) {
    const Outcome run = Tool(failure.arguments, ordinaryUser);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, Message(failure.message));
    EXPECT_EQ(DescribeFolder(ws_), before);
  }
  // A folder that cannot be listed is not an empty workspace.
  ASSERT_EQ(::chmod(ws_.c_str(), 0311), 0);
  const Outcome unlisted = Tool({"list"}, ordinaryUser);
  EXPECT_EQ(unlisted.exitCode, 1);
  EXPECT_EQ(unlisted.err, Message(ws_ + ": Permission denied"));
}

TEST_F(Cli, AddFollowsTheAddDialogsRulesAndWritesTheEditorsNewFile) {
  Put("Line1.opc", Opc(kLine1));
  Put("Plant.OPC", Opc(kLine2));
  Put("bad.opc", "not a profile line\r\n");
  const std::string forbidden =
      "a resource name cannot hold any of the characters \" . \\ / : * ? < > |";
  const struct {
    std::string name;
    int exitCode;
    std::string message;
  } refusals[] = {
      {" Line5 .", 2, forbidden},
      {"a b?", 2, forbidden},  // a forbidden character is told before a space
      {"Line 5", 2, "a resource name cannot hold spaces"},
      {"   ", 2, "a resource name cannot be empty"},
      {"", 2, "a resource name cannot be empty"},
      {"a\nb", 2, "a resource name cannot hold a line break"},
      {" Line1 ", 1, "Line1: a resource of that name exists (Line1.opc)"},
      {"Plant", 1, "Plant: a resource of that name exists (Plant.OPC)"},
      {"bad", 1, "bad.opc: a file of that name exists"},
  };
  const auto before = DescribeFolder(ws_);
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.name);
    const Outcome run = Tool({"add", "--", refusal.name});
    EXPECT_EQ(run.exitCode, refusal.exitCode);
    EXPECT_EQ(run.err, Message(refusal.message));
    EXPECT_EQ(DescribeFolder(ws_), before);
  }

  const Outcome added = Tool({"add", " Line5 "});
  EXPECT_EQ(added.exitCode, 0);
  EXPECT_EQ(added.out + added.err, "");
  EXPECT_EQ(Bytes("Line5.opc"), testing::kNewResourceFileBytes);
  EXPECT_EQ(Tool({"add", "line1"}).exitCode, 0);  // letter case counts, as in the dialog
  EXPECT_EQ(Tool({"add", "--", "-x"}).exitCode, 0);
  EXPECT_EQ(ListFolder(ws_),
            (Args{"-x.opc", "Line1.opc", "Line5.opc", "Plant.OPC", "bad.opc", "line1.opc"}));
}

TEST_F(Cli, DeleteAsksOnATerminalAndElsewhereDeletesOnlyWithYes) {
  PutThreeResources();
  Put("Plant.OPC", Opc(kLine2));
  const Outcome unasked = Tool({"delete", "Line1"});
  EXPECT_EQ(unasked.exitCode, 2);
  EXPECT_EQ(unasked.err,
            Message("delete asks before it deletes; give --yes where no one can answer"));

  const Outcome declined = Tool({"delete", "Line1"}, {{}, "n\n", true, {}, {}});
  EXPECT_EQ(declined.exitCode, 1);
  EXPECT_EQ(declined.err, "Delete Line1 (Line1.opc)? [y/N] " + Message("Line1: not deleted"));
  EXPECT_TRUE(testing::FileExists(Path("Line1.opc")));

  const Outcome agreed = Tool({"delete", "Line1"}, {{}, "y\n", true, {}, {}});
  EXPECT_EQ(agreed.exitCode, 0);
  EXPECT_EQ(agreed.err, "Delete Line1 (Line1.opc)? [y/N] ");
  EXPECT_EQ(Tool({"delete", "Plant", "--yes"}).exitCode, 0);
  EXPECT_EQ(Tool({"delete", "Nope", "--yes"}).err, Message("Nope: no such resource"));
  EXPECT_EQ(ListFolder(ws_), (Args{"Line2.opc", "Sim.opc"}));
}

TEST_F(Cli, AChangeMadeIsNeverExit1WhenItsReportCannotBeWritten) {
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

TEST_F(Cli, ApplyReadsItsDocumentFromStandardInputAndAClosedInputIsNoDocument) {
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

TEST_F(Cli, ValidateNamesEachInvalidFileWithItsReason) {
  EXPECT_EQ(Tool({"validate", "--json"}).out, "[]\n");
  EXPECT_EQ(Tool({"list", "--json"}).out, "[]\n");
  Put("Good.opc", Opc(kLine1));
  Put("a-noport.opc", "[Online]\r\nComTeleLength=256\r\n");
  Put("b-text.opc", Opc("V42 1"));
  Put("c-zero.opc", Opc(kLine1) + std::string(1, '\0'));
  ASSERT_EQ(::mkdir(Path("d-dir.opc").c_str(), 0755), 0);

  const Outcome text = Tool({"validate"});
  EXPECT_EQ(text.exitCode, 1);
  EXPECT_EQ(text.out,
            "a-noport.opc: there is no ComPort\n"
            "b-text.opc: the port text \"V42 1\" names no port\n"
            "c-zero.opc: it holds a zero byte\n"
            "d-dir.opc: Is a directory\n");
  EXPECT_EQ(text.err, "");

  const Outcome json = Tool({"validate", "--json"});
  EXPECT_EQ(json.exitCode, 1);
  const std::optional<Json> files = JsonReader::Parse(json.out);
  ASSERT_TRUE(files.has_value()) << json.out;
  std::vector<std::string> seen;
  for (const Json& file : files->items) {
    seen.push_back(file["file"].string +
                   (file["valid"].boolean ? " valid" : " " + file["reason"].string));
  }
  EXPECT_EQ(
      seen,
      (Args{"a-noport.opc there is no ComPort", "b-text.opc the port text \"V42 1\" names no port",
            "c-zero.opc it holds a zero byte", "d-dir.opc Is a directory", "Good.opc valid"}));

  for (const char* invalid : {"a-noport.opc", "b-text.opc", "c-zero.opc", "d-dir.opc"}) {
    std::filesystem::remove(Path(invalid));
  }
  const Outcome valid = Tool({"validate"});
  EXPECT_EQ(valid.exitCode, 0);
  EXPECT_EQ(valid.out + valid.err, "");
}

TEST_F(Cli, TheWorkspaceIsTheOneBesideTheProgramOrTheOneNamedAndIsNeverMade) {
  const std::string bin = dir_.File("bin");
  ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
  std::filesystem::copy_file(TIRV_RESOURCES_PATH, bin + "/tirvane-resources");
  std::filesystem::permissions(bin + "/tirvane-resources", std::filesystem::perms::owner_all);
  const std::string program = bin + "/tirvane-resources";
  WriteBytes(bin + "/TirvOPC.ini", "[Settings]\r\nCustomWorkspace=./ws\r\n");
  ASSERT_EQ(::mkdir((bin + "/ws").c_str(), 0755), 0);
  WriteBytes(bin + "/ws/Line1.opc", Opc(kLine1));

  EXPECT_EQ(RunProgram(program, {"set", "Line1", "baud=300"}).out, "changed\n");
  EXPECT_EQ(ReadBytes(bin + "/ws/Line1.opc"), Opc("V24 1 300 8 1 0 2000 0"));

  WriteBytes(bin + "/TirvOPC.ini", "[Settings]\r\nCustomWorkspace=./missing\r\n");
  EXPECT_EQ(RunProgram(program, {"list"}).err,
            Message(bin + "/missing: No such file or directory"));
  WriteBytes(bin + "/TirvOPC.ini", "[Settings]\r\nOther=1\r\n");
  EXPECT_EQ(RunProgram(program, {"list"}).err,
            Message(bin + "/TirvOPC.ini: there is no CustomWorkspace in [Settings]"));
  std::filesystem::remove(bin + "/TirvOPC.ini");
  const Outcome noIni = RunProgram(program, {"list"});
  EXPECT_EQ(noIni.exitCode, 1);
  EXPECT_EQ(noIni.err,
            Message(bin + "/TirvOPC.ini: No such file or directory (give --workspace DIR)"));

  const Outcome missing = RunProgram(program, {"--workspace", dir_.File("nowhere"), "list"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, Message(dir_.File("nowhere") + ": No such file or directory"));
  EXPECT_EQ(RunProgram(program, {"list", "--workspace=" + bin + "/ws/Line1.opc"}).err,
            Message(bin + "/ws/Line1.opc: Not a directory"));
  EXPECT_EQ(ListFolder(dir_.path()), (Args{"bin", "ws"}));

  // The build puts TirvOPC.ini and the sample workspace beside the built program.
  const Outcome built = RunProgram(TIRV_RESOURCES_PATH, {"validate"});
  EXPECT_EQ(built.exitCode, 0) << built.err;
}

TEST(CliCommandLine, UsageErrorsAreOneLineWithStatus2AndHelpAndVersionPrint) {
  const Outcome help = RunProgram(TIRV_RESOURCES_PATH, {"-h"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.substr(0, help.out.find('\n')),
            "Usage: tirvane-resources [--workspace DIR] list [--json]");
  EXPECT_EQ(RunProgram(TIRV_RESOURCES_PATH, {"list", "--help"}).out, help.out);
  EXPECT_EQ(RunProgram(TIRV_RESOURCES_PATH, {"--version"}).out,
            "tirvane-resources " TIRV_EXPECTED_VERSION "\n");
  const struct {
    Args arguments;
    std::string message;
  } cases[] = {
      {{}, "no command given"},
      {{"lst"}, "unknown command \"lst\""},
      {{"two\nlines"}, "unknown command \"two?lines\""},
      {{"list", "--frobnicate"}, "unknown option \"--frobnicate\""},
      {{"list", "Line1"}, "list takes no NAME"},
      {{"show"}, "show needs one NAME"},
      {{"set", "Line1"}, "set needs NAME and at least one KEY=VALUE"},
      {{"set", "--json", "Line1", "baud=300"}, "--json does not go with set"},
      {{"list", "--workspace"}, "--workspace needs a folder"},
  };
  for (const auto& c : cases) {
    const Outcome run = RunProgram(TIRV_RESOURCES_PATH, c.arguments);
    EXPECT_EQ(run.exitCode, 2) << c.message;
    EXPECT_EQ(run.err, Message(c.message + " (try --help)"));
    EXPECT_EQ(run.out, "");
  }
}

TEST_F(Cli, BashCompletionOffersCommandsKeysValuesAndTheWorkspacesNames) {
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
  EXPECT_EQ(complete("tirvane-resources ap"), "apply\n");
  EXPECT_EQ(complete("tirvane-resources apply doc.json --p"), "--prune\n");
}

}  // namespace
}  // namespace tirv
