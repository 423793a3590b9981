// export, apply and the other commands through the tool's entry point in this process,
// on real workspaces in temporary folders: what they print, their exit status, and
// every file's inode and bytes after them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "cli/json_value.h"
#include "cli/line_diff.h"
#include "cli/resources_tool.h"
#include "platform/text.h"
#include "support/json_reader.h"
#include "support/resource_texts.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::DescribeFolder;
using testing::Json;
using testing::JsonReader;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using Args = std::vector<std::string>;

constexpr const char* kLittle = "QB.OPC.AdaptTIRV3x.LE.20";
constexpr const char* kBig = "QB.OPC.AdaptTIRV3x.BE.20";

// A resource file as another program might leave it: a description of its own, and the
// ComTeleLength given.
std::string Opc(const std::string& port, const std::string& adaptation = kLittle,
                const std::string& teleLength = "") {
  const std::string tele = !teleLength.empty()       ? teleLength
                           : port.starts_with("V24") ? "256"
                                                     : "1428";
  return "[GeneralSettings]\r\nAdaptationComponent=" + adaptation +
         "\r\nDescription=kept as it is\r\n\r\n[Online]\r\nComTeleLength=" + tele +
         "\r\nComPort=" + port + "\r\n\r\n";
}

// The file of a resource that apply made: the new file's layout with these values.
std::string NewOpc(const std::string& port, const std::string& adaptation = kLittle) {
  std::string bytes = testing::kNewResourceFileBytes;
  const auto replace = [&bytes](const std::string& from, const std::string& to) {
    bytes.replace(bytes.find(from), from.size(), to);
  };
  replace("ComPort=DLL netdrv.dll -ip127.0.0.1", "ComPort=" + port);
  replace(kLittle, adaptation);
  if (port.starts_with("V24")) replace("ComTeleLength=1428", "ComTeleLength=256");
  return bytes;
}

struct Ran {
  int status = -1;
  std::string out;
  std::string err;
  bool changed = false;
};

std::string Message(const std::string& text) { return "tirvane-resources: " + text + "\n"; }

// Each file of a folder with its inode and bytes: a file replaced by the same bytes, or
// touched at all, shows.
std::map<std::string, std::pair<ino_t, std::string>> Snapshot(const std::string& folder) {
  std::map<std::string, std::pair<ino_t, std::string>> files;
  for (const std::string& name : testing::ListFolder(folder)) {
    struct stat st {};
    ::lstat((folder + "/" + name).c_str(), &st);
    files[name] = {st.st_ino, ReadBytes(folder + "/" + name)};
  }
  return files;
}

class Documents : public ::testing::Test {
 protected:
  Documents() { ::mkdir(ws_.c_str(), 0755); }

  void Put(const std::string& name, const std::string& bytes) const {
    WriteBytes(Path(name), bytes);
  }
  std::string Path(const std::string& name) const { return ws_ + "/" + name; }
  std::string Bytes(const std::string& name) const { return ReadBytes(Path(name)); }

  /// The tool on the workspace `folder` (default ws_), with `input` on standard input and
  /// `answers` for its questions on a terminal when `terminal`.
  Ran Tool(Args arguments, const std::string& input = "", bool terminal = false,
           std::vector<std::string> answers = {}, const std::string& folder = "") const {
    arguments.insert(arguments.begin(), {"--workspace", folder.empty() ? ws_ : folder});
    Ran ran;
    cli::ToolConsole console;
    console.out = [&ran](std::string_view text) { ran.out += text; };
    console.err = [&ran](std::string_view text) { ran.err += text; };
    console.interactive = terminal;
    console.readLine = [&answers](std::string& line) {
      if (answers.empty()) return false;
      line = answers.front();
      answers.erase(answers.begin());
      return true;
    };
    console.readAll = [&input](std::string& text) {
      text = input;
      return true;
    };
    ran.status = cli::RunResourcesTool(arguments, console, &ran.changed);
    return ran;
  }
  Ran Apply(const std::string& document, Args options = {}) const {
    Args arguments = {"apply", "-"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return Tool(arguments, document);
  }

  TempDir dir_;
  std::string ws_ = dir_.File("ws");
};

TEST_F(Documents, ExportListsEveryResourceInListOrderWithOnlyTheKeysItsPortUses) {
  Put("beta.opc", Opc("V24 2 4800 7 2 2 1500 0", kBig));
  Put("Alpha.opc", Opc("DLL netdrv.dll -ip10.0.0.2\t\"x\""));
  Put("gamma.x.opc", Opc("SIM SimHost.dll Vsim2.Vsim2", "QB.OPC.AdaptCustom.XX.21"));
  Put("Delta.opc", Opc("V24 9 9600 8 1 0 2000 0"));  // a serial text of no known port
  Put("Caf\xE9.opc", Opc("SIM SimHost.dll Vsim1.Vsim1"));
  Put("broken.opc", "[Online]\r\nComPort=nothing\r\n");

  const Ran exported = Tool({"export"});
  EXPECT_EQ(exported.status, 0);
  EXPECT_EQ(
      exported.out,
      "{\"version\": 1, \"resources\": [\n"
      "  {\"name\": \"Alpha\", \"file\": \"Alpha.opc\", \"port\": \"TCP/IP\", \"parameter\": "
      "\"-ip10.0.0.2\\t\\\"x\\\"\", \"alignment\": \"Little Endian\"},\n"
      "  {\"name\": \"beta\", \"file\": \"beta.opc\", \"port\": \"COM2\", \"baud\": \"4800\", "
      "\"databits\": \"7\", \"stopbits\": \"2\", \"parity\": \"Even\", \"timeout\": \"1500\", "
      "\"alignment\": \"Big Endian\"},\n"
      "  {\"name\": \"Caf\\udce9\", \"file\": \"Caf\\udce9.opc\", \"port\": \"Simulation1\", "
      "\"alignment\": \"Little Endian\"},\n"
      "  {\"name\": \"Delta\", \"file\": \"Delta.opc\", \"port\": null, \"alignment\": "
      "\"Little Endian\"},\n"
      "  {\"name\": \"gamma\", \"file\": \"gamma.x.opc\", \"port\": \"Simulation2\", "
      "\"alignment\": null}\n"
      "]}\n");
  EXPECT_EQ(exported.err, Message("broken.opc: the port text \"nothing\" names no port"));
  EXPECT_FALSE(exported.changed);
  cli::JsonValue parsed;
  cli::JsonFault fault;
  EXPECT_TRUE(cli::ParseJson(exported.out, parsed, fault)) << fault.what;

  TempDir empty;
  EXPECT_EQ(Tool({"export"}, "", false, {}, empty.path()).out,
            "{\"version\": 1, \"resources\": []}\n");
}

TEST_F(Documents, AnExportAppliedElsewhereMakesTheSameResourcesAndASecondApplyWritesNothing) {
  Put("Line1.opc", Opc("V24 1 9600 8 1 0 2000 0"));
  Put("Plant.opc", Opc("DLL netdrv.dll -ip10.0.0.7", kBig));
  Put("Sim.opc", Opc("SIM SimHost.dll Vsim1.Vsim1"));
  const std::string document = Tool({"export"}).out;

  TempDir other;
  const auto applyThere = [&](Args options) {
    Args arguments = {"apply", "-"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return Tool(arguments, document, false, {}, other.path());
  };
  const Ran first = applyThere({});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, "Line1\tadded\nPlant\tadded\nSim\tadded\n");
  EXPECT_TRUE(first.changed);
  EXPECT_EQ(first.err, "");
  EXPECT_EQ(ReadBytes(other.File("Line1.opc")), NewOpc("V24 1 9600 8 1 0 2000 0"));
  EXPECT_EQ(ReadBytes(other.File("Plant.opc")), NewOpc("DLL netdrv.dll -ip10.0.0.7", kBig));

  const auto made = Snapshot(other.path());
  const Ran second = applyThere({});
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.out, "Line1\tunchanged\nPlant\tunchanged\nSim\tunchanged\n");
  EXPECT_FALSE(second.changed);
  EXPECT_EQ(Snapshot(other.path()), made);
  const Ran json = applyThere({"--json"});
  EXPECT_EQ(json.out,
            "{\"changed\": false, \"resources\": [\n"
            "  {\"name\": \"Line1\", \"file\": \"Line1.opc\", \"result\": \"unchanged\"},\n"
            "  {\"name\": \"Plant\", \"file\": \"Plant.opc\", \"result\": \"unchanged\"},\n"
            "  {\"name\": \"Sim\", \"file\": \"Sim.opc\", \"result\": \"unchanged\"}\n"
            "]}\n");
  EXPECT_EQ(Snapshot(other.path()), made);
}

TEST_F(Documents, ApplySetsOnlyTheKeysGivenAndWritesOnlyTheFilesThatChange) {
  Put("Line1.opc", Opc("V24 1 9600 8 1 0 2000 0 extra tokens"));
  Put("Plant.opc", Opc("DLL netdrv.dll -ip10.0.0.7", "QB.OPC.AdaptCustom.XX.21", "999"));
  Put("Twin.opc", Opc("V24 2 9600 8 1 0 2000 0"));
  Put("Twin.OPC", Opc("V24 3 9600 8 1 0 2000 0"));
  Put("Sim.opc", Opc("SIM SimHost.dll Vsim1.Vsim1"));
  const auto before = Snapshot(ws_);

  const Ran ran = Apply(R"({"version": 1, "resources": [
      {"name": "Line1", "alignment": "big"},
      {"name": "Plant", "parameter": "-ip10.0.0.8", "dataBits": null},
      {"name": "Twin", "file": "Twin.OPC", "baud": "19200", "stopBits": "2"},
      {"name": "Sim", "port": "Simulation1", "alignment": "Little Endian"},
      {"name": "New", "port": "COM4", "parity": "odd"}]})");
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "Line1\tchanged\nPlant\tchanged\nTwin\tchanged\nSim\tunchanged\nNew\tadded\n");
  EXPECT_EQ(ran.err, "");
  // The alignment alone keeps the port text, its extra tokens too.
  EXPECT_EQ(Bytes("Line1.opc"), Opc("V24 1 9600 8 1 0 2000 0 extra tokens", kBig));
  // The parameter alone keeps an adaptation of another kind; ComTeleLength goes with the port.
  EXPECT_EQ(Bytes("Plant.opc"), Opc("DLL netdrv.dll -ip10.0.0.8", "QB.OPC.AdaptCustom.XX.21"));
  EXPECT_EQ(Bytes("Twin.OPC"), Opc("V24 3 19200 8 2 0 2000 0"));
  EXPECT_EQ(Snapshot(ws_)["Twin.opc"], before.at("Twin.opc"));
  EXPECT_EQ(Snapshot(ws_)["Sim.opc"], before.at("Sim.opc"));
  EXPECT_EQ(Bytes("New.opc"), NewOpc("V24 4 19200 8 1 1 2000 0"));
}

TEST_F(Documents, EveryRefusedDocumentChangesNothingAndSaysWhereEachFaultIs) {
  Put("Line1.opc", Opc("V24 1 9600 8 1 0 2000 0"));
  Put("Plant.opc", Opc("DLL netdrv.dll -ip10.0.0.7"));
  Put("Plant.x.opc", Opc("DLL netdrv.dll -ip10.0.0.8"));
  Put("Spare.opc", Opc("DLL netdrv.dll -ip10.0.0.9"));
  const std::string at = "standard input: ";
  const std::string first = R"({"version": 1, "resources": [{"name": "Line1", "baud": "300"}, )";
  const struct {
    std::string document;
    std::vector<std::string> messages;
  } cases[] = {
      {"", {"it is not JSON: line 1, column 1: a value was expected, and the text ends"}},
      {"{\"version\": 1,\n  \"resources\": [}",
       {"it is not JSON: line 2, column 17: a value was "
        "expected (a string, number, object, array, true, "
        "false or null)"}},
      {"[]", {"the document must be a JSON object, not an array"}},
      {R"({"version": 2, "resources": [], "hosts": []})",
       {"unknown member \"hosts\" (a document has version and resources)",
        "version 2 is not known (this program reads version 1)"}},
      {R"({"resources": []})", {"the document has no version (this program reads version 1)"}},
      {R"({"version": "1", "resources": {}})",
       {"version \"1\" is not known (this program reads version 1)",
        "resources must be an array, not an object"}},
      {first + R"("Plant", {"port": "COM1"}, {"name": ""}]})",
       {"resources[1] must be an object, not a string", "resources[2] has no name",
        "resources[3]: name cannot be empty"}},
      {first + R"({"name": "Plant", "speed": "1", "parameter": 7, "port": "COM5"}]})",
       {"resources[1] (Plant): unknown member \"speed\" (members: name, file, port, baud, "
        "databits, "
        "stopbits, parity, timeout, parameter, alignment)",
        "resources[1] (Plant): parameter must be a string or null, not a number",
        "resources[1] (Plant): port \"COM5\" is not one of COM1, COM2, COM3, COM4, Simulation1, "
        "Simulation2, TCP/IP"}},
      {first + R"({"name": "Line1", "databits": "8", "dataBits": "7"}]})",
       {"resources[1] (Line1): databits is given twice"}},
      {first + R"({"name": "Plant", "timeout": "10"}, {"name": "New", "baud": "300"}]})",
       {"resources[1] (Plant): timeout is not used by port TCP/IP",
        "resources[2] (New): baud is not used by port TCP/IP"}},
      {first +
           R"({"name": "Plant", "parameter": "   "}, {"name": "Spare", "parameter": " -ip1"}]})",
       {"resources[1] (Plant): parameter cannot be empty",
        "resources[2] (Spare): the parameter begins or ends with a blank, which the file cannot "
        "keep (blanks at the ends of a value are dropped when it is read)"}},
      // What the file cannot hold is told once the form of the whole document passed.
      {first + R"({"name": "Spare", "file": "Spare.opc", "parameter": "-ip1\n-ip2"}]})",
       {"resources[1] (Spare): a value holds a line break"}},
      {first + R"({"name": "line1"}, {"name": "Line1", "file": "Line1.opc"}]})",
       {"resources[2] (Line1): resources[0] names the same resource (Line1.opc)"}},
      {first +
           R"({"name": "Plant", "file": "Line1.opc"}, {"name": "Plant", "file": "../Plant.opc"},)"
           R"( {"name": "Plant", "file": "Plant.y.opc"}]})",
       {"resources[1] (Plant): the file \"Line1.opc\" is not listed under the name Plant",
        "resources[2] (Plant): the file \"../Plant.opc\" is not listed under the name Plant",
        "resources[3] (Plant): there is no file \"Plant.y.opc\", and a new resource's file is "
        "Plant.opc"}},
      {first + R"({"name": "a b"}, {"name": "x/y"}, {"name": " New"}]})",
       {"resources[1] (a b): there is no such resource, and a resource name cannot hold spaces",
        "resources[2] (x/y): there is no such resource, and a resource name cannot hold any of the "
        "characters \" . \\ / : * ? < > |",
        "resources[3] ( New): there is no such resource, and a resource name cannot begin or end "
        "with a space"}},
  };
  const auto before = Snapshot(ws_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    const Ran ran = Apply(c.document, {"--prune", "--yes"});
    EXPECT_EQ(ran.status, 2);
    std::string expected;
    for (const std::string& message : c.messages) expected += Message(at + message);
    EXPECT_EQ(ran.err, expected);
    EXPECT_EQ(ran.out, "");
    EXPECT_FALSE(ran.changed);
    EXPECT_EQ(Snapshot(ws_), before);
  }
  // A document file names itself in the messages.
  WriteBytes(dir_.File("doc.json"), "{\"version\": 1}");
  EXPECT_EQ(Tool({"apply", dir_.File("doc.json")}).err,
            Message(dir_.File("doc.json") + ": the document has no resources"));
  const Ran missing = Tool({"apply", dir_.File("none.json")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, Message(dir_.File("none.json") + ": No such file or directory"));
  // A resource the document names whose file is no valid resource fails the whole apply.
  Put("Broken.opc", "[Online]\r\nComPort=MODBUS 9\r\n");
  const auto withBroken = Snapshot(ws_);
  const Ran broken = Apply(first + R"({"name": "Broken", "port": "COM1"}]})");
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.err, Message("Broken.opc: the port text \"MODBUS 9\" names no port"));
  EXPECT_EQ(Snapshot(ws_), withBroken);
}

TEST_F(Documents, PruneDeletesWhatTheDocumentDoesNotNameAfterAskingOrWithYes) {
  Put("Line1.opc", Opc("V24 1 9600 8 1 0 2000 0"));
  Put("Old.opc", Opc("DLL netdrv.dll -ip10.0.0.7"));
  Put("Line1.x.opc", Opc("DLL netdrv.dll -ip10.0.0.8"));  // listed under Line1 too
  Put("Broken.opc", "no profile line\r\n");
  const std::string document = R"({"version": 1, "resources": [{"name": "Line1"}]})";
  const auto before = Snapshot(ws_);

  const Ran unasked = Apply(document, {"--prune"});
  EXPECT_EQ(unasked.status, 2);
  EXPECT_EQ(unasked.err,
            Message("apply --prune asks before it deletes; give --yes where no one can answer"));
  WriteBytes(dir_.File("doc.json"), document);
  const Ran declined = Tool({"apply", dir_.File("doc.json"), "--prune"}, "", true, {"no"});
  EXPECT_EQ(declined.status, 1);
  EXPECT_EQ(declined.err,
            Message("Broken.opc: a line is neither a [section] header nor a key=value entry in a "
                    "section (not deleted)") +
                "Delete Line1 (Line1.x.opc), Old (Old.opc)? [y/N] " +
                Message("nothing was changed: the deletions were declined"));
  EXPECT_EQ(Snapshot(ws_), before);

  const Ran checked = Apply(document, {"--prune", "--check"});
  EXPECT_EQ(checked.out, "Line1\tunchanged\nLine1\tdeleted\nOld\tdeleted\n");
  EXPECT_EQ(Snapshot(ws_), before);

  const Ran agreed = Tool({"apply", dir_.File("doc.json"), "--prune"}, "", true, {" Y "});
  EXPECT_EQ(agreed.status, 0);
  EXPECT_EQ(agreed.out, "Line1\tunchanged\nLine1\tdeleted\nOld\tdeleted\n");
  EXPECT_TRUE(agreed.changed);
  EXPECT_EQ(testing::ListFolder(ws_), (Args{"Broken.opc", "Line1.opc"}));
  const Ran again = Apply(document, {"--prune", "--yes"});
  EXPECT_EQ(again.out, "Line1\tunchanged\n");
  EXPECT_FALSE(again.changed);
}

TEST_F(Documents, CheckAndDiffTellWhatWouldChangeAndCheckWritesNothing) {
  Put("Line1.opc", Opc("V24 1 9600 8 1 0 2000 0"));
  Put("Old.opc", "[Online]\r\nComPort=SIM SimHost.dll Vsim1.Vsim1\r\n");
  const std::string document =
      R"({"version": 1, "resources": [{"name": "Line1", "baud": "19200", "alignment": "big"},)"
      R"( {"name": "New", "parameter": "-ip10.0.0.9"}]})";
  const auto before = Snapshot(ws_);
  const std::string diff =
      "Line1\tchanged\n"
      "--- Line1.opc\n+++ Line1.opc\n"
      "@@ -1,8 +1,8 @@\n [GeneralSettings]\n-AdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\n"
      "+AdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\n Description=kept as it is\n \n [Online]\n"
      " ComTeleLength=256\n-ComPort=V24 1 9600 8 1 0 2000 0\n+ComPort=V24 1 19200 8 1 0 2000 0\n \n"
      "New\tadded\n"
      "--- /dev/null\n+++ New.opc\n@@ -0,0 +1,8 @@\n+[GeneralSettings]\n"
      "+AdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\n"
      "+Description=QB-Software Adaptation for Tirvane LE PLC\xC2\xB4s\n+\n+[Online]\n"
      "+ComTeleLength=1428\n+ComPort=DLL netdrv.dll -ip10.0.0.9\n+\n"
      "Old\tdeleted\n"
      "--- Old.opc\n+++ /dev/null\n@@ -1,2 +0,0 @@\n-[Online]\n-ComPort=SIM SimHost.dll "
      "Vsim1.Vsim1\n";
  const Ran checked = Apply(document, {"--check", "--diff", "--prune"});
  EXPECT_EQ(checked.status, 0) << checked.err;
  EXPECT_EQ(checked.out, diff);
  EXPECT_FALSE(checked.changed);
  EXPECT_EQ(Snapshot(ws_), before);

  const Ran json = Apply(document, {"--check", "--diff", "--json", "--prune"});
  const std::optional<Json> report = JsonReader::Parse(json.out);
  ASSERT_TRUE(report.has_value()) << json.out;
  EXPECT_TRUE((*report)["changed"].boolean);
  const Json& line1 = (*report)["resources"].items.at(0);
  EXPECT_EQ(line1.Keys(), (Args{"name", "file", "result", "before", "after"}));
  EXPECT_EQ(line1["before"].string, Opc("V24 1 9600 8 1 0 2000 0"));
  EXPECT_EQ(line1["after"].string, Opc("V24 1 19200 8 1 0 2000 0", kBig));
  EXPECT_TRUE((*report)["resources"].items.at(1)["before"].IsNull());
  EXPECT_TRUE((*report)["resources"].items.at(2)["after"].IsNull());
  EXPECT_EQ(Snapshot(ws_), before);

  // What --check and --diff told is what apply then does.
  const Ran applied = Apply(document, {"--diff", "--prune", "--yes"});
  EXPECT_EQ(applied.out, diff);
  EXPECT_EQ(Bytes("Line1.opc"), line1["after"].string);
  EXPECT_EQ(testing::ListFolder(ws_), (Args{"Line1.opc", "New.opc"}));
}

TEST_F(Documents, SetWritesOnlyTheKeysWhoseValuesChanged) {
  const std::string custom = "QB.OPC.AdaptCustom.XX.21";
  Put("Cust.opc", Opc("DLL netdrv.dll -ip10.0.0.1", custom, "999"));
  Put("Short.opc", Opc("V24 2"));
  Put("Extra.opc", Opc("V24 1 9600 8 1 0 2000 0 more tokens"));
  const struct {
    Args arguments;
    std::string said;
    std::string file;
    std::string bytes;
  } steps[] = {
      // Nothing changed: nothing written, not even ComTeleLength=1428 over 999.
      {{"Cust", "parameter=-ip10.0.0.1"},
       "unchanged",
       "Cust.opc",
       Opc("DLL netdrv.dll -ip10.0.0.1", custom, "999")},
      // The parameter changed: the port keys are written, the adaptation is kept.
      {{"Cust", "parameter=-ip10.0.0.2"},
       "changed",
       "Cust.opc",
       Opc("DLL netdrv.dll -ip10.0.0.2", custom)},
      // The alignment changed: only AdaptationComponent, the short port text stays.
      {{"Short", "alignment=Big Endian"}, "changed", "Short.opc", Opc("V24 2", kBig)},
      {{"Extra", "alignment=big"},
       "changed",
       "Extra.opc",
       Opc("V24 1 9600 8 1 0 2000 0 more tokens", kBig)},
      // A port value changed: the port text is written whole, as a save writes it.
      {{"Extra", "baud=300"}, "changed", "Extra.opc", Opc("V24 1 300 8 1 0 2000 0", kBig)},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.arguments[1]);
    Args arguments = {"set"};
    arguments.insert(arguments.end(), step.arguments.begin(), step.arguments.end());
    const auto before = Snapshot(ws_);
    const Ran ran = Tool(arguments);
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out, step.said + "\n");
    EXPECT_EQ(ran.changed, step.said == "changed");
    EXPECT_EQ(Bytes(step.file), step.bytes);
    if (step.said == "unchanged") {
      EXPECT_EQ(Snapshot(ws_), before);
    }
  }
}

TEST_F(Documents, ABlankParameterIsRefusedAndANameWithoutAResourceHasStatus3) {
  Put("Plant.opc", Opc("DLL netdrv.dll -ip10.0.0.7"));
  const auto before = Snapshot(ws_);
  const std::string blankEnds =
      "the parameter begins or ends with a blank, which the file cannot keep (blanks at the ends "
      "of a value are dropped when it is read)";
  const struct {
    Args arguments;
    int status;
    std::string message;
  } cases[] = {
      {{"set", "Plant", "parameter=   "}, 2, "parameter cannot be empty"},
      {{"set", "Plant", "parameter=\t"}, 2, "parameter cannot be empty"},
      {{"set", "Plant", "parameter= -ip10.0.0.8"}, 2, blankEnds},
      {{"set", "Plant", "parameter=-ip10.0.0.8\t"}, 2, blankEnds},
      {{"show", "Nope"}, 3, "Nope: no such resource"},
      {{"set", "Nope", "baud=300"}, 3, "Nope: no such resource"},
      {{"delete", "Nope", "--yes"}, 3, "Nope: no such resource"},
      {{"show", "a.b"}, 3, "a.b: no such resource"},
      {{"add", "Plant"}, 1, "Plant: a resource of that name exists (Plant.opc)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const Ran ran = Tool(c.arguments);
    EXPECT_EQ(ran.status, c.status);
    EXPECT_EQ(ran.err, Message(c.message));
    EXPECT_EQ(Snapshot(ws_), before);
  }
  EXPECT_EQ(Tool({"set", "Plant", "parameter=-ip10.0.0.8 -p 502"}).out, "changed\n");
}

TEST_F(Documents, JsonOutputsUseTheSetKeysAndApplyReadsTheOldNames) {
  Put("Line1.opc", Opc("V24 1 9600 8 1 0 2000 0"));
  const std::optional<Json> shown = JsonReader::Parse(Tool({"show", "Line1", "--json"}).out);
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->Keys(), (Args{"name", "file", "port", "baud", "databits", "stopbits", "parity",
                                 "timeout", "parameter", "alignment"}));
  const std::optional<Json> listed = JsonReader::Parse(Tool({"list", "--json"}).out);
  ASSERT_TRUE(listed.has_value());
  EXPECT_EQ(listed->items.at(0).Keys(), shown->Keys());
  // The output of list --json, as resources of a document, changes nothing.
  const std::string asDocument =
      "{\"version\": 1, \"resources\": " + Tool({"list", "--json"}).out + "}";
  const Ran ran = Apply(asDocument);
  EXPECT_EQ(ran.out, "Line1\tunchanged\n");
  EXPECT_EQ(Apply(R"({"version": 1, "resources": [{"name": "Line1", "dataBits": "7", )"
                  R"("stopBits": "2"}]})")
                .out,
            "Line1\tchanged\n");
  EXPECT_EQ(Bytes("Line1.opc"), Opc("V24 1 9600 7 2 0 2000 0"));
}

TEST(JsonValue, ReadsWhatTheGrammarAllowsAndSaysWhereItStops) {
  using cli::JsonValue;
  const struct {
    std::string text;
    std::string fault;  // empty: accepted
  } cases[] = {
      {"\xEF\xBB\xBF {\"a\": [1, -2.5e3, true, false, null, \"x\"]}", ""},
      {"\"\\u00e9\\ud83d\\ude00\\udce9\\n\"", ""},
      {"{\"a\": 1, \"a\": 2}", "line 1, column 10: a member name appears twice in one object"},
      {"{\"a\" 1}", "line 1, column 6: a colon was expected after the member name"},
      {"[1 2]", "line 1, column 4: a comma or ] was expected"},
      {"01", "line 1, column 1: a number cannot begin with 0"},
      {"\"tab\there\"", "line 1, column 5: a control character in a string must be escaped"},
      {"\"\xC3\x28\"", "line 1, column 2: the text is not UTF-8"},
      {"\"\xED\xA0\x80\"", "line 1, column 2: the text is not UTF-8"},  // an encoded surrogate
      {"\"\\x\"", "line 1, column 2: unknown escape in a string"},
      {"\"open", "line 1, column 6: a string is not closed"},
      {"{}\n{}", "line 2, column 1: something follows the value"},
      {std::string(65, '[') + std::string(65, ']'),
       "line 1, column 65: arrays and objects are nested too deeply"},
      {std::string(64, '[') + std::string(64, ']'), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    JsonValue value;
    cli::JsonFault fault;
    const bool read = cli::ParseJson(c.text, value, fault);
    EXPECT_EQ(read, c.fault.empty());
    if (!read) {
      EXPECT_EQ("line " + std::to_string(fault.line) + ", column " + std::to_string(fault.column) +
                    ": " + fault.what,
                c.fault);
    }
  }
  JsonValue text;
  cli::JsonFault fault;
  ASSERT_TRUE(cli::ParseJson("\"\\u00e9\\ud83d\\ude00\\udce9\"", text, fault));
  // A lone \udce9 stays the unit that stands for the byte 0xE9 of a file name.
  EXPECT_EQ(text.string, std::u16string(u"\u00e9\U0001F600") + char16_t{0xDCE9});
  EXPECT_EQ(Utf16ToUtf8(text.string.substr(3)), "\xE9");
}

TEST(LineDiff, ShowsEachChangeWithThreeLinesAroundAndJoinsNearbyChanges) {
  const auto lines = [](int from, int to, const std::string& changed = "", int at = 0) {
    std::u16string text;
    for (int i = from; i <= to; ++i) {
      text += i == at ? Utf8ToUtf16(changed) : u"line" + Utf8ToUtf16(std::to_string(i));
      text += u"\r\n";
    }
    return text;
  };
  const struct {
    std::u16string before;
    std::u16string after;
    std::string diff;
  } cases[] = {
      {lines(1, 5), lines(1, 5), ""},
      {lines(1, 10), lines(1, 10, "new5", 5),
       "--- a\n+++ b\n@@ -2,7 +2,7 @@\n line2\n line3\n line4\n-line5\n+new5\n line6\n line7\n"
       " line8\n"},
      // Changes six kept lines apart share a hunk; seven apart they do not.
      {lines(1, 9), lines(1, 9, "new9", 9),
       "--- a\n+++ b\n@@ -6,4 +6,4 @@\n line6\n line7\n line8\n-line9\n+new9\n"},
      {lines(1, 20), lines(1, 1, "new1", 1) + lines(2, 7) + u"new8\r\n" + lines(9, 20),
       "--- a\n+++ b\n@@ -1,11 +1,11 @@\n-line1\n+new1\n line2\n line3\n line4\n line5\n line6\n"
       " line7\n-line8\n+new8\n line9\n line10\n line11\n"},
      {lines(1, 20), u"new1\r\n" + lines(2, 8) + u"new9\r\n" + lines(10, 20),
       "--- a\n+++ b\n@@ -1,4 +1,4 @@\n-line1\n+new1\n line2\n line3\n line4\n@@ -6,7 +6,7 @@\n"
       " line6\n line7\n line8\n-line9\n+new9\n line10\n line11\n line12\n"},
      {u"", u"one\ntwo", "--- a\n+++ b\n@@ -0,0 +1,2 @@\n+one\n+two\n"},
      {u"one\n", u"", "--- a\n+++ b\n@@ -1 +0,0 @@\n-one\n"},
      {u"a\nb\nc\n", u"a\nc\n", "--- a\n+++ b\n@@ -1,3 +1,2 @@\n a\n-b\n c\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.diff);
    EXPECT_EQ(cli::UnifiedDiff(c.before, c.after, "a", "b"), c.diff);
  }
}

}  // namespace
}  // namespace tirv
