// list, show, set, add, delete, validate and the command line itself, through the tool's
// entry point in this process, on real workspaces in temporary folders: what each
// prints, its exit status, and the bytes and inode of every file after it. Messages are
// compared with the catalogue's lines and the core's reasons; process_test.cpp keeps
// their exact words for each family.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/settings.h"
#include "platform/files.h"
#include "platform/text.h"
#include "resources/resource_file.h"
#include "support/json_reader.h"
#include "support/resource_texts.h"
#include "tool_rig.h"
#include "workspace/location.h"

namespace tirv::testing {
namespace {

constexpr const char* kLine1 = "V24 1 9600 8 1 0 2000 0";
constexpr const char* kLine2 = "DLL netdrv.dll -ip10.0.0.2";
constexpr const char* kSim1 = "SIM SimHost.dll Vsim1.Vsim1";

// The core's description of a file's problem, as the tool passes it on.
std::string Described(std::u16string_view file, ResourceFault fault, int error = 0,
                      std::u16string detail = {}) {
  return Utf16ToUtf8(DescribeProblem(file, ResourceProblem{fault, error, std::move(detail)}));
}

// True when the file at `path` is still the one `probe` is a hard link to: nothing
// replaced it since the link was made.
bool StillTheSameFile(const std::string& path, const std::string& probe) {
  struct stat file {};
  struct stat linked {};
  return ::stat(path.c_str(), &file) == 0 && ::stat(probe.c_str(), &linked) == 0 &&
         file.st_ino == linked.st_ino;
}

class CliCommands : public ToolRig {
 protected:
  void PutThreeResources() const {
    Put("Line1.opc", Opc(kLine1));
    Put("Line2.opc", Opc(kLine2, kBig));
    Put("Sim.opc", Opc(kSim1));
  }
};

TEST_F(CliCommands, ListAndShowGiveEveryResourceInTheEditorsOrderAsTextAndAsJson) {
  Put("beta.opc", Opc("V24 2 4800 7 2 2 1500 0", kBig));
  Put("Alpha.opc", Opc("DLL netdrv.dll -ip10.0.0.2\t\xB4"));  // a tab and U+00B4
  Put("gamma.x.opc", Opc("SIM SimHost.dll Vsim2.Vsim2"));
  Put("Delta.opc", Opc("V24 9 9600 8 1 0 2000 0", "other"));  // no known port nor order
  Put("Caf\xE9.opc", Opc(kSim1));                             // a name that is not UTF-8
  Put("broken.opc", "[Online]\r\nComPort=nothing\r\n");
  const std::string broken =
      Said(Described(u"broken.opc", ResourceFault::kUnknownPortText, 0, u"nothing"));

  const Ran list = Tool({"list"});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out,
            "Alpha\tAlpha.opc\tTCP/IP\t\t\t\t\t\t-ip10.0.0.2?\xC2\xB4\tLittle Endian\n"
            "beta\tbeta.opc\tCOM2\t4800\t7\t2\tEven\t1500\t\tBig Endian\n"
            "Caf\xE9\tCaf\xE9.opc\tSimulation1\t\t\t\t\t\t\tLittle Endian\n"
            "Delta\tDelta.opc\t\t\t\t\t\t\t\t\n"
            "gamma\tgamma.x.opc\tSimulation2\t\t\t\t\t\t\tLittle Endian\n");
  EXPECT_EQ(list.err, broken);

  const Ran listJson = Tool({"list", "--json"});
  EXPECT_EQ(listJson.status, 0);
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

  const Ran show = Tool({"show", "beta"});
  EXPECT_EQ(show.status, 0);
  EXPECT_EQ(show.out,
            "name=beta\nfile=beta.opc\nport=COM2\nbaud=4800\ndatabits=7\nstopbits=2\nparity=Even\n"
            "timeout=1500\nalignment=Big Endian\n");
  const std::optional<Json> beta = JsonReader::Parse(Tool({"show", "--json", "beta"}).out);
  ASSERT_TRUE(beta.has_value());
  EXPECT_EQ(beta->Keys(), alpha.Keys());
  EXPECT_EQ((*beta)["stopbits"].string, "2");
  EXPECT_TRUE((*beta)["parameter"].IsNull());
  EXPECT_EQ(Tool({"show", "gamma"}).out.substr(0, 28), "name=gamma\nfile=gamma.x.opc\n");
  EXPECT_EQ(Tool({"show", "Delta"}).out, "name=Delta\nfile=Delta.opc\nport=unknown\nalignment=\n");

  for (const char* nowhere : {"Nope", "a.b"}) {
    const Ran nope = Tool({"show", nowhere});
    EXPECT_EQ(nope.status, 3);
    EXPECT_EQ(nope.err, Said(messages::NoSuchResource(nowhere)));
  }
  const Ran unreadable = Tool({"show", "broken"});
  EXPECT_EQ(unreadable.status, 1);
  EXPECT_EQ(unreadable.err, broken);
  EXPECT_FALSE(list.changed || show.changed || unreadable.changed);
}

TEST_F(CliCommands, SetWritesTheFileAsTheEditorSavesItAndTellsWhetherItChanged) {
  PutThreeResources();
  Put("Delta.opc", Opc("V24 9 4800 7 2 1 300 0"));  // a serial text of no known port
  const std::string changed(messages::kChanged);
  const std::string unchanged(messages::kUnchanged);
  struct Step {
    Args arguments;
    std::string said;
    std::string file;
    std::string bytes;
  };
  const Step steps[] = {
      {{"Line1", "baud=19200", "parity=odd"},
       changed,
       "Line1.opc",
       Opc("V24 1 19200 8 1 1 2000 0")},
      {{"Line1", "parity=Odd", "baud=19200"},
       unchanged,
       "Line1.opc",
       Opc("V24 1 19200 8 1 1 2000 0")},
      {{"Line1", "timeout=500", "port=com3", "alignment=big"},
       changed,
       "Line1.opc",
       Opc("V24 3 19200 8 1 1 500 0", kBig)},
      // A new kind starts what only it uses with the values its records carry.
      {{"Line1", "port=TCP/IP"}, changed, "Line1.opc", Opc("DLL netdrv.dll -ip127.0.0.1", kBig)},
      {{"Line2", "port=COM2", "baud=9600"},
       changed,
       "Line2.opc",
       Opc("V24 2 9600 8 1 0 2000 0", kBig)},
      {{"Line2", "port=TCP/IP", "parameter=-ip10.1.2.3 -p 502"},
       changed,
       "Line2.opc",
       Opc("DLL netdrv.dll -ip10.1.2.3 -p 502", kBig)},
      {{"Sim", "port=Simulation2", "alignment=Little Endian"},
       changed,
       "Sim.opc",
       Opc("SIM SimHost.dll Vsim2.Vsim2")},
      {{"Delta", "port=COM4"}, changed, "Delta.opc", Opc("V24 4 4800 7 2 1 300 0")},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.arguments[1]);
    auto others = DescribeFolder(ws_);
    others.erase(step.file);
    const std::string probe = dir_.File("probe");
    ASSERT_EQ(::link(Path(step.file).c_str(), probe.c_str()), 0);
    Args arguments = {"set"};
    arguments.insert(arguments.end(), step.arguments.begin(), step.arguments.end());
    const Ran run = Tool(arguments);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, step.said + "\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.changed, step.said == changed);
    EXPECT_EQ(Bytes(step.file), step.bytes);
    EXPECT_EQ(StillTheSameFile(Path(step.file), probe), step.said == unchanged);
    ::unlink(probe.c_str());
    auto after = DescribeFolder(ws_);
    after.erase(step.file);
    EXPECT_EQ(after, others);
  }
}

TEST_F(CliCommands, SetWritesOnlyTheKeysWhoseValuesChanged) {
  const std::string custom = "QB.OPC.AdaptCustom.XX.21";
  Put("Cust.opc", Opc("DLL netdrv.dll -ip10.0.0.1", custom, "999"));
  Put("Short.opc", Opc("V24 2"));
  Put("Extra.opc", Opc("V24 1 9600 8 1 0 2000 0 more tokens"));
  const std::string changed(messages::kChanged);
  const std::string unchanged(messages::kUnchanged);
  const struct {
    Args arguments;
    std::string said;
    std::string file;
    std::string bytes;
  } steps[] = {
      // Nothing changed: nothing written, not even ComTeleLength=1428 over 999.
      {{"Cust", "parameter=-ip10.0.0.1"},
       unchanged,
       "Cust.opc",
       Opc("DLL netdrv.dll -ip10.0.0.1", custom, "999")},
      // The parameter changed: the port keys are written, the adaptation is kept.
      {{"Cust", "parameter=-ip10.0.0.2"},
       changed,
       "Cust.opc",
       Opc("DLL netdrv.dll -ip10.0.0.2", custom)},
      // The alignment changed: only AdaptationComponent, the short port text stays.
      {{"Short", "alignment=Big Endian"}, changed, "Short.opc", Opc("V24 2", kBig)},
      {{"Extra", "alignment=big"},
       changed,
       "Extra.opc",
       Opc("V24 1 9600 8 1 0 2000 0 more tokens", kBig)},
      // A port value changed: the port text is written whole, as a save writes it.
      {{"Extra", "baud=300"}, changed, "Extra.opc", Opc("V24 1 300 8 1 0 2000 0", kBig)},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.arguments[1]);
    Args arguments = {"set"};
    arguments.insert(arguments.end(), step.arguments.begin(), step.arguments.end());
    const auto before = Snapshot(ws_);
    const Ran ran = Tool(arguments);
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out, step.said + "\n");
    EXPECT_EQ(ran.changed, step.said == changed);
    EXPECT_EQ(Bytes(step.file), step.bytes);
    if (step.said == unchanged) {
      EXPECT_EQ(Snapshot(ws_), before);
    }
  }
}

TEST_F(CliCommands, EveryRefusedSetWritesNothingAndSaysWhy) {
  PutThreeResources();
  const std::string blankEnds =
      Utf16ToUtf8(ReasonOf(ResourceProblem{ResourceFault::kBlankEnds, 0, {}}));
  const struct {
    Args arguments;
    int status;
    std::string message;
  } refusals[] = {
      {{"Line1", "baud=12345"},
       2,
       messages::NotOneOf("baud", "12345",
                          "110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600")},
      {{"Line1", "databits=9"}, 2, messages::NotOneOf("databits", "9", "7, 8")},
      {{"Line1", "stopbits=1.5"}, 2, messages::NotOneOf("stopbits", "1.5", "1, 2")},
      {{"Line1", "parity=Mark"}, 2, messages::NotOneOf("parity", "Mark", "None, Odd, Even")},
      {{"Line1", "port=COM5"},
       2,
       messages::NotOneOf("port", "COM5",
                          "COM1, COM2, COM3, COM4, Simulation1, Simulation2, TCP/IP")},
      {{"Line1", "alignment=middle"},
       2,
       messages::NotOneOf("alignment", "middle", "Little Endian (little), Big Endian (big)")},
      {{"Line1", "timeout=12a"}, 2, messages::NotMilliseconds("timeout", "12a")},
      {{"Line1", "timeout="}, 2, messages::NotMilliseconds("timeout", "")},
      {{"Line2", "parameter="}, 2, messages::CannotBeEmpty("parameter")},
      {{"Line2", "parameter=   "}, 2, messages::CannotBeEmpty("parameter")},
      {{"Line2", "parameter=\t"}, 2, messages::CannotBeEmpty("parameter")},
      {{"Line2", "parameter= -ip10.0.0.8"}, 2, blankEnds},
      {{"Line2", "parameter=-ip10.0.0.8\t"}, 2, blankEnds},
      {{"Line1", "speed=9600"}, 2, messages::UnknownKey("speed", cli::KeyNameList())},
      {{"Line1", "sp\need=1"}, 2, messages::UnknownKey("sp?eed", cli::KeyNameList())},
      {{"Line1", "baud"}, 2, messages::NotAnAssignment("baud")},
      {{"Line1", "baud=9600", "BAUD=4800"}, 2, messages::GivenTwice("baud")},
      {{"Line1", "parameter=x"},
       2,
       messages::OnFile("Line1.opc", messages::NotUsedByPort("parameter", "COM1"))},
      {{"Line2", "timeout=100"},
       2,
       messages::OnFile("Line2.opc", messages::NotUsedByPort("timeout", "TCP/IP"))},
      // All or nothing: a valid port does not go in without the rest.
      {{"Line1", "port=TCP/IP", "baud=9600"},
       2,
       messages::OnFile("Line1.opc", messages::NotUsedByPort("baud", "TCP/IP"))},
      {{"Line2", "parameter=-ip\xCE\xA9"},
       2,
       Described(u"Line2.opc", ResourceFault::kUnencodable, 0, u"\u03A9")},
      {{"Line2", "parameter=-ip1\n-ip2"}, 2, Described(u"Line2.opc", ResourceFault::kLineBreak)},
      {{"Nope", "baud=9600"}, 3, messages::NoSuchResource("Nope")},
      {{"../ws/Line1", "baud=9600"}, 3, messages::NoSuchResource("../ws/Line1")},
  };
  const auto before = Snapshot(ws_);
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.message);
    Args arguments = {"set"};
    arguments.insert(arguments.end(), refusal.arguments.begin(), refusal.arguments.end());
    const Ran run = Tool(arguments);
    EXPECT_EQ(run.status, refusal.status);
    EXPECT_EQ(run.err, Said(refusal.message));
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(run.changed);
    EXPECT_EQ(Snapshot(ws_), before);
  }
}

// A resource whose port text names no known port takes only a port, and then keeps the
// serial values the new port accepts.
TEST_F(CliCommands, AResourceOfNoKnownPortTakesAPortBeforeAnythingElse) {
  Put("Odd.opc", Opc("V24 9 4800 7 9 1 300 0"));
  const auto before = Snapshot(ws_);
  const Ran refused = Tool({"set", "Odd", "baud=9600"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, Said(messages::OnFile("Odd.opc", messages::NotUsedWithoutPort("baud"))));
  EXPECT_EQ(Snapshot(ws_), before);
  EXPECT_EQ(Tool({"set", "Odd", "port=COM2"}).out, std::string(messages::kChanged) + "\n");
  EXPECT_EQ(Bytes("Odd.opc"), Opc("V24 2 4800 7 1 1 300 0"));  // stop bits 9 was no value
}

TEST_F(CliCommands, FailuresNameTheFileAndTheSystemsReasonAndLeaveEveryFileAsItWas) {
  PutThreeResources();
  ASSERT_EQ(::chmod(Path("Line1.opc").c_str(), 0444), 0);  // refused even for root
  ASSERT_EQ(::mkdir(Path("Dir.opc").c_str(), 0755), 0);
  const auto before = DescribeFolder(ws_);
  const std::string longName(300, 'n');
  const struct {
    Args arguments;
    std::string message;
  } failures[] = {
      {{"set", "Line1", "baud=19200"},
       Described(u"Line1.opc", ResourceFault::kSystem, kErrorReadOnlyFile)},
      {{"show", "Dir"}, Described(u"Dir.opc", ResourceFault::kUnreadable, EISDIR)},
      {{"add", longName}, messages::OnFile(longName + ".opc", ErrorText(ENAMETOOLONG))},
  };
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.message);
    const Ran run = Tool(failure.arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Said(failure.message));
    EXPECT_FALSE(run.changed);
    EXPECT_EQ(DescribeFolder(ws_), before);
  }

  // A workspace its user may not write: as root the tool runs as "nobody".
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(ws_.c_str(), 0555), 0);
  const std::string denied = ErrorText(EACCES);
  const struct {
    Args arguments;
    std::string message;
  } refused[] = {
      {{"set", "Line2", "parameter=-ip10.9.9.9"}, messages::OnFile("Line2.opc", denied)},
      {{"delete", "Line2", "--yes"}, messages::OnFile("Line2.opc", denied)},
      {{"add", "New"}, messages::OnFile("New.opc", denied)},
  };
  for (const auto& failure : refused) {
    SCOPED_TRACE(failure.message);
    Args arguments = {"--workspace", ws_};
    arguments.insert(arguments.end(), failure.arguments.begin(), failure.arguments.end());
    const Ran run = RunToolUnprivileged(arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Said(failure.message));
    EXPECT_EQ(DescribeFolder(ws_), before);
  }
  // A folder that cannot be listed is not an empty workspace.
  ASSERT_EQ(::chmod(ws_.c_str(), 0311), 0);
  const Ran unlisted = RunToolUnprivileged({"--workspace", ws_, "list"});
  EXPECT_EQ(unlisted.status, 1);
  EXPECT_EQ(unlisted.err, Said(messages::OnFile(ws_, denied)));
}

TEST_F(CliCommands, AddFollowsTheAddDialogsRulesAndWritesTheEditorsNewFile) {
  Put("Line1.opc", Opc(kLine1));
  Put("Plant.OPC", Opc(kLine2));
  Put("bad.opc", "not a profile line\r\n");
  const std::string forbidden(messages::kNameForbiddenCharacter);
  const struct {
    std::string name;
    int status;
    std::string message;
  } refusals[] = {
      {" Line5 .", 2, forbidden},
      {"a b?", 2, forbidden},  // a forbidden character is told before a space
      {"Line 5", 2, std::string(messages::kNameInnerSpace)},
      {"   ", 2, std::string(messages::kNameEmpty)},
      {"", 2, std::string(messages::kNameEmpty)},
      {"a\nb", 2, std::string(messages::kNameLineBreak)},
      {" Line1 ", 1, messages::NameTaken("Line1", "Line1.opc")},
      {"Plant", 1, messages::NameTaken("Plant", "Plant.OPC")},
      {"bad", 1, Described(u"bad.opc", ResourceFault::kExists)},
  };
  const auto before = DescribeFolder(ws_);
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.name);
    const Ran run = Tool({"add", "--", refusal.name});
    EXPECT_EQ(run.status, refusal.status);
    EXPECT_EQ(run.err, Said(refusal.message));
    EXPECT_FALSE(run.changed);
    EXPECT_EQ(DescribeFolder(ws_), before);
  }

  const Ran added = Tool({"add", " Line5 "});
  EXPECT_EQ(added.status, 0);
  EXPECT_EQ(added.out + added.err, "");
  EXPECT_TRUE(added.changed);
  EXPECT_EQ(Bytes("Line5.opc"), kNewResourceFileBytes);
  EXPECT_EQ(Tool({"add", "line1"}).status, 0);  // letter case counts, as in the dialog
  EXPECT_EQ(Tool({"add", "--", "-x"}).status, 0);
  EXPECT_EQ(ListFolder(ws_),
            (Args{"-x.opc", "Line1.opc", "Line5.opc", "Plant.OPC", "bad.opc", "line1.opc"}));
}

TEST_F(CliCommands, DeleteAsksWhereSomeoneCanAnswerAndElsewhereDeletesOnlyWithYes) {
  PutThreeResources();
  Put("Plant.OPC", Opc(kLine2));
  const auto before = Snapshot(ws_);
  const std::string question = messages::DeleteQuestion(messages::DeleteItem("Line1", "Line1.opc"));
  const Ran unasked = Tool({"delete", "Line1"});
  EXPECT_EQ(unasked.status, 2);
  EXPECT_EQ(unasked.err, Said(messages::AsksBeforeDeleting(messages::kDeleteCommand)));

  for (const Args& answers : {Args{"n"}, Args{"yess"}, Args{}}) {  // {}: the input ended
    Console terminal;
    terminal.terminal = true;
    terminal.answers = answers;
    const Ran declined = Tool({"delete", "Line1"}, terminal);
    EXPECT_EQ(declined.status, 1);
    EXPECT_EQ(declined.err, question + Said(messages::NotDeleted("Line1")));
    EXPECT_FALSE(declined.changed);
  }
  EXPECT_EQ(Snapshot(ws_), before);

  Console terminal;
  terminal.terminal = true;
  terminal.answers = {" YES\r"};
  const Ran agreed = Tool({"delete", "Line1"}, terminal);
  EXPECT_EQ(agreed.status, 0);
  EXPECT_EQ(agreed.err, question);
  EXPECT_TRUE(agreed.changed);
  EXPECT_EQ(Tool({"delete", "Plant", "--yes"}).status, 0);
  const Ran nope = Tool({"delete", "Nope", "--yes"});
  EXPECT_EQ(nope.status, 3);
  EXPECT_EQ(nope.err, Said(messages::NoSuchResource("Nope")));
  EXPECT_EQ(ListFolder(ws_), (Args{"Line2.opc", "Sim.opc"}));
}

TEST_F(CliCommands, ValidateNamesEachInvalidFileWithItsReason) {
  EXPECT_EQ(Tool({"validate", "--json"}).out, "[]\n");
  EXPECT_EQ(Tool({"list", "--json"}).out, "[]\n");
  Put("Good.opc", Opc(kLine1));
  Put("a-noport.opc", "[Online]\r\nComTeleLength=256\r\n");
  Put("b-text.opc", Opc("V42 1"));
  Put("c-zero.opc", Opc(kLine1) + std::string(1, '\0'));
  ASSERT_EQ(::mkdir(Path("d-dir.opc").c_str(), 0755), 0);
  const struct {
    std::u16string file;
    ResourceProblem problem;
  } invalid[] = {
      {u"a-noport.opc", {ResourceFault::kNoComPort, 0, {}}},
      {u"b-text.opc", {ResourceFault::kUnknownPortText, 0, u"V42 1"}},
      {u"c-zero.opc", {ResourceFault::kZeroByte, 0, {}}},
      {u"d-dir.opc", {ResourceFault::kUnreadable, EISDIR, {}}},
  };

  const Ran text = Tool({"validate"});
  EXPECT_EQ(text.status, 1);
  std::string lines;
  for (const auto& file : invalid)
    lines += Utf16ToUtf8(DescribeProblem(file.file, file.problem)) + "\n";
  EXPECT_EQ(text.out, lines);
  EXPECT_EQ(text.err, "");

  const Ran json = Tool({"validate", "--json"});
  EXPECT_EQ(json.status, 1);
  const std::optional<Json> files = JsonReader::Parse(json.out);
  ASSERT_TRUE(files.has_value()) << json.out;
  Args seen;
  for (const Json& file : files->items) {
    EXPECT_EQ(file.Keys(), (Args{"file", "valid", "reason"}));
    seen.push_back(file["file"].string +
                   (file["valid"].boolean ? " valid" : " " + file["reason"].string));
  }
  Args expected;
  for (const auto& file : invalid) {
    expected.push_back(Utf16ToUtf8(file.file) + " " + Utf16ToUtf8(ReasonOf(file.problem)));
  }
  expected.push_back("Good.opc valid");
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(files->items.back()["reason"].IsNull());

  for (const auto& file : invalid) std::filesystem::remove(Path(Utf16ToUtf8(file.file)));
  const Ran valid = Tool({"validate"});
  EXPECT_EQ(valid.status, 0);
  EXPECT_EQ(valid.out + valid.err, "");
}

TEST_F(CliCommands, TheWorkspaceIsTheOneBesideTheProgramOrTheOneNamedAndIsNeverMade) {
  const std::string bin = dir_.File("bin");
  ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
  Console beside;
  beside.programPath = bin + "/tirvane-resources";
  WriteBytes(bin + "/TirvOPC.ini", "[Settings]\r\nCustomWorkspace=./ws\r\n");
  ASSERT_EQ(::mkdir((bin + "/ws").c_str(), 0755), 0);
  WriteBytes(bin + "/ws/Line1.opc", Opc(kLine1));

  EXPECT_EQ(RunTool({"set", "Line1", "baud=300"}, beside).out,
            std::string(messages::kChanged) + "\n");
  EXPECT_EQ(ReadBytes(bin + "/ws/Line1.opc"), Opc("V24 1 300 8 1 0 2000 0"));

  // Where the ini leads nowhere, the tool says what the core found, and the status is 1.
  const auto locatedHere = [&beside] {
    return Utf16ToUtf8(DescribeLocation(LocateWorkspace([&beside](std::u16string& module) {
      module = Utf8ToUtf16(beside.programPath);
      return true;
    })));
  };
  for (const char* ini :
       {"[Settings]\r\nCustomWorkspace=./missing\r\n", "[Settings]\r\nOther=1\r\n"}) {
    WriteBytes(bin + "/TirvOPC.ini", ini);
    const Ran run = RunTool({"list"}, beside);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Said(locatedHere()));
  }
  std::filesystem::remove(bin + "/TirvOPC.ini");
  const Ran noIni = RunTool({"list"}, beside);
  EXPECT_EQ(noIni.status, 1);
  EXPECT_EQ(noIni.err,
            Said(messages::NoIniFile(messages::OnFile(bin + "/TirvOPC.ini", ErrorText(ENOENT)))));
  EXPECT_EQ(RunTool({"list"}).status, 1);  // no program folder to look in

  const Ran missing = RunTool({"--workspace", dir_.File("nowhere"), "list"}, beside);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, Said(messages::OnFile(dir_.File("nowhere"), ErrorText(ENOENT))));
  const Ran file = RunTool({"list", "--workspace=" + bin + "/ws/Line1.opc"}, beside);
  EXPECT_EQ(file.status, 1);
  EXPECT_EQ(file.err, Said(messages::OnFile(bin + "/ws/Line1.opc", ErrorText(ENOTDIR))));
  EXPECT_EQ(ListFolder(dir_.path()), (Args{"bin", "ws"}));
}

TEST(CliCommandLine, UsageErrorsAreOneLineWithStatus2AndHelpAndVersionPrint) {
  const Ran help = RunTool({"-h"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.substr(0, help.out.find('\n')),
            "Usage: tirvane-resources [--workspace DIR] list [--json]");
  EXPECT_EQ(help.out, cli::UsageText());
  EXPECT_EQ(RunTool({"list", "--help"}).out, help.out);
  EXPECT_EQ(RunTool({"--version", "list"}).out, messages::VersionLine("9.8.7"));
  const struct {
    Args arguments;
    std::string message;
  } cases[] = {
      {{}, std::string(messages::kNoCommand)},
      {{"lst"}, messages::UnknownCommand("lst")},
      {{"two\nlines"}, messages::UnknownCommand("two?lines")},
      {{"list", "--frobnicate"}, messages::UnknownOption("--frobnicate")},
      {{"list", "Line1"}, messages::TakesNoName("list")},
      {{"export", "Line1"}, messages::TakesNoName("export")},
      {{"show"}, messages::NeedsOneName("show")},
      {{"delete", "a", "b"}, messages::NeedsOneName("delete")},
      {{"set", "Line1"}, std::string(messages::kSetNeedsAssignments)},
      {{"apply"}, std::string(messages::kApplyNeedsFile)},
      {{"set", "--json", "Line1", "baud=300"}, messages::DoesNotGoWith("--json", "set")},
      {{"show", "a", "--prune"}, messages::DoesNotGoWith("--prune", "show")},
      {{"list", "--workspace"}, std::string(messages::kWorkspaceNeedsFolder)},
      {{"list", "--workspace="}, std::string(messages::kWorkspaceNeedsFolder)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const Ran run = RunTool(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, Said(c.message + std::string(messages::kTryHelp)));
    EXPECT_EQ(run.out, "");
  }
}

// The keys of the usage text come from the key table: each with what it takes, and the
// ports that use it when not every port does.
TEST(CliCommandLine, TheUsageListsEveryKeyWithItsValuesAndPorts) {
  const std::string usage = cli::UsageText();
  const std::string heading =
      "Keys of set (several apply together or not at all), and of a document's resources:\n";
  const std::size_t keys = usage.find(heading);
  ASSERT_NE(keys, std::string::npos);
  EXPECT_EQ(
      usage.substr(keys + heading.size(), usage.find("\n\n", keys) + 1 - keys - heading.size()),
      "  port       COM1, COM2, COM3, COM4, Simulation1, Simulation2, TCP/IP\n"
      "  baud       110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600 (COM ports)\n"
      "  databits   7, 8 (COM ports)\n"
      "  stopbits   1, 2 (COM ports)\n"
      "  parity     None, Odd, Even (COM ports)\n"
      "  timeout    milliseconds, digits only (COM ports)\n"
      "  parameter  the driver parameter, such as -ip127.0.0.1 (TCP/IP)\n"
      "  alignment  Little Endian (little), Big Endian (big)\n");
}

}  // namespace
}  // namespace tirv::testing
