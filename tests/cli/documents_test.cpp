// export and apply through the tool's entry point in this process, on real workspaces in
// temporary folders: what they print, their exit status, and every file's inode and
// bytes after them; and the JSON reader and the line diff they rest on. Messages are
// compared with the catalogue's lines and the core's reasons; process_test.cpp keeps
// the exact words of a refused document.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/json_value.h"
#include "cli/line_diff.h"
#include "cli/settings.h"
#include "platform/text.h"
#include "resources/resource_file.h"
#include "support/json_reader.h"
#include "support/resource_texts.h"
#include "tool_rig.h"

namespace tirv::testing {
namespace {

// The file of a resource that apply made: the new file's layout with these values.
std::string NewOpc(const std::string& port, const std::string& adaptation = kLittle) {
  std::string bytes = kNewResourceFileBytes;
  const auto replace = [&bytes](const std::string& from, const std::string& to) {
    bytes.replace(bytes.find(from), from.size(), to);
  };
  replace("ComPort=DLL netdrv.dll -ip127.0.0.1", "ComPort=" + port);
  replace(kLittle, adaptation);
  if (port.starts_with("V24")) replace("ComTeleLength=1428", "ComTeleLength=256");
  return bytes;
}

// The core's description of a file's problem, as the tool passes it on.
std::string Described(std::u16string_view file, ResourceFault fault, std::u16string detail = {}) {
  return Utf16ToUtf8(DescribeProblem(file, ResourceProblem{fault, 0, std::move(detail)}));
}

// "<name>\t<result>\n" for each resource, as apply reports them.
std::string Report(std::initializer_list<std::pair<std::string, std::string_view>> results) {
  std::string lines;
  for (const auto& [name, result] : results) lines += name + "\t" + std::string(result) + "\n";
  return lines;
}

class Documents : public ToolRig {
 protected:
  Ran Apply(const std::string& document, Args options = {}) const {
    Args arguments = {"apply", "-"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    Console console;
    console.input = document;
    return Tool(arguments, console);
  }
  /// apply of the file `document` where someone answers `answers` on a terminal.
  Ran ApplyAsking(const std::string& document, Args answers) const {
    Console terminal;
    terminal.terminal = true;
    terminal.answers = std::move(answers);
    return Tool({"apply", document, "--prune"}, terminal);
  }
};

using messages::kAdded;
using messages::kChanged;
using messages::kDeleted;
using messages::kUnchanged;

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
  EXPECT_EQ(exported.err,
            Said(Described(u"broken.opc", ResourceFault::kUnknownPortText, u"nothing")));
  EXPECT_FALSE(exported.changed);
  cli::JsonValue parsed;
  cli::JsonFault fault;
  EXPECT_TRUE(cli::ParseJson(exported.out, parsed, fault)) << fault.what;

  TempDir empty;
  EXPECT_EQ(Tool({"export"}, {}, empty.path()).out, "{\"version\": 1, \"resources\": []}\n");
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
    Console console;
    console.input = document;
    return Tool(arguments, console, other.path());
  };
  const Ran first = applyThere({});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, Report({{"Line1", kAdded}, {"Plant", kAdded}, {"Sim", kAdded}}));
  EXPECT_TRUE(first.changed);
  EXPECT_EQ(first.err, "");
  EXPECT_EQ(ReadBytes(other.File("Line1.opc")), NewOpc("V24 1 9600 8 1 0 2000 0"));
  EXPECT_EQ(ReadBytes(other.File("Plant.opc")), NewOpc("DLL netdrv.dll -ip10.0.0.7", kBig));

  const auto made = Snapshot(other.path());
  const Ran second = applyThere({});
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.out,
            Report({{"Line1", kUnchanged}, {"Plant", kUnchanged}, {"Sim", kUnchanged}}));
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
  EXPECT_EQ(ran.out, Report({{"Line1", kChanged},
                             {"Plant", kChanged},
                             {"Twin", kChanged},
                             {"Sim", kUnchanged},
                             {"New", kAdded}}));
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
  const std::string first = R"({"version": 1, "resources": [{"name": "Line1", "baud": "300"}, )";
  namespace json = messages::json;
  using messages::OfEntry;
  const auto entry = [](std::size_t index, const std::string& name) {
    return messages::EntryLabel(index, name);
  };
  const auto noNewName = [](std::string_view refusal) {
    return messages::NoResourceNorNewName(refusal);
  };
  // Thousands of new names, the last one repeating an early one.
  std::string manyNew = first;
  for (int i = 0; i < 3000; ++i) manyNew += "{\"name\": \"N" + std::to_string(i) + "\"}, ";
  manyNew += R"({"name": "N5"}]})";
  const struct {
    std::string document;
    std::vector<std::string> refusals;
  } cases[] = {
      {"", {messages::NotJson(1, 1, json::kEndsEarly)}},
      {"{\"version\": 1,\n  \"resources\": [}", {messages::NotJson(2, 17, json::kNoValue)}},
      {"[]", {messages::DocumentNotObject(json::kArray)}},
      {R"({"version": 2, "resources": [], "hosts": []})",
       {messages::UnknownDocumentMember("hosts"), messages::UnknownVersion("2")}},
      {R"({"resources": []})", {std::string(messages::kNoVersion)}},
      {R"({"version": "1", "resources": {}})",
       {messages::UnknownVersion("\"1\""), messages::ResourcesNotArray(json::kObject)}},
      {R"({"version": null, "resources": []})", {messages::UnknownVersion(json::kNull)}},
      {first + R"("Plant", {"port": "COM1"}, {"name": ""}, {"name": 5}]})",
       {messages::EntryNotObject("resources[1]", json::kString),
        messages::EntryWithoutName("resources[2]"),
        OfEntry("resources[3]", messages::CannotBeEmpty("name")),
        OfEntry("resources[4]", messages::NotAString("name", false, json::kNumber))}},
      {first + R"({"name": "Plant", "speed": "1", "parameter": 7, "port": "COM5"}]})",
       {OfEntry(entry(1, "Plant"),
                messages::UnknownEntryMember("speed", "name, file, " + cli::KeyNameList())),
        OfEntry(entry(1, "Plant"), messages::NotAString("parameter", true, json::kNumber)),
        OfEntry(entry(1, "Plant"),
                messages::NotOneOf("port", "COM5",
                                   "COM1, COM2, COM3, COM4, Simulation1, Simulation2, TCP/IP"))}},
      {first + R"({"name": "Line1", "databits": "8", "dataBits": "7"}]})",
       {OfEntry(entry(1, "Line1"), messages::GivenTwice("databits"))}},
      {first + R"({"name": "Plant", "timeout": "10"}, {"name": "New", "baud": "300"}]})",
       {OfEntry(entry(1, "Plant"), messages::NotUsedByPort("timeout", "TCP/IP")),
        OfEntry(entry(2, "New"), messages::NotUsedByPort("baud", "TCP/IP"))}},
      {first +
           R"({"name": "Plant", "parameter": "   "}, {"name": "Spare", "parameter": " -ip1"}]})",
       {OfEntry(entry(1, "Plant"), messages::CannotBeEmpty("parameter")),
        OfEntry(entry(2, "Spare"),
                Utf16ToUtf8(ReasonOf(ResourceProblem{ResourceFault::kBlankEnds, 0, {}})))}},
      // What the file cannot hold is told once the form of the whole document passed.
      {first + R"({"name": "Spare", "file": "Spare.opc", "parameter": "-ip1\n-ip2"}]})",
       {OfEntry(entry(1, "Spare"),
                Utf16ToUtf8(ReasonOf(ResourceProblem{ResourceFault::kLineBreak, 0, {}})))}},
      {first + R"({"name": "line1"}, {"name": "Line1", "file": "Line1.opc"}]})",
       {OfEntry(entry(2, "Line1"), messages::SameResourceAs(0, "Line1.opc"))}},
      {manyNew, {OfEntry(entry(3001, "N5"), messages::SameResourceAs(6, "N5.opc"))}},
      {first +
           R"({"name": "Plant", "file": "Line1.opc"}, {"name": "Plant", "file": "../Plant.opc"},)"
           R"( {"name": "Plant", "file": "Plant.y.opc"}]})",
       {OfEntry(entry(1, "Plant"), messages::FileNotListedUnder("Line1.opc", "Plant")),
        OfEntry(entry(2, "Plant"), messages::FileNotListedUnder("../Plant.opc", "Plant")),
        OfEntry(entry(3, "Plant"), messages::NoSuchFileForNew("Plant.y.opc", "Plant.opc"))}},
      {first + R"({"name": "a b"}, {"name": "x/y"}, {"name": " New"}, {"name": "a\nb"}]})",
       {OfEntry(entry(1, "a b"), noNewName(messages::kNameInnerSpace)),
        OfEntry(entry(2, "x/y"), noNewName(messages::kNameForbiddenCharacter)),
        OfEntry(entry(3, " New"), noNewName(messages::kNameBlankEnds)),
        OfEntry(entry(4, "a?b"), noNewName(messages::kNameLineBreak))}},
  };
  const auto before = Snapshot(ws_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    const Ran ran = Apply(c.document, {"--prune", "--yes"});
    EXPECT_EQ(ran.status, 2);
    std::string expected;
    for (const std::string& refusal : c.refusals) {
      expected += Said(messages::InDocument(messages::kStandardInput, refusal));
    }
    EXPECT_EQ(ran.err, expected);
    EXPECT_EQ(ran.out, "");
    EXPECT_FALSE(ran.changed);
    EXPECT_EQ(Snapshot(ws_), before);
  }
  // A document file names itself in the messages.
  const std::string document = dir_.File("doc.json");
  WriteBytes(document, "{\"version\": 1}");
  EXPECT_EQ(Tool({"apply", document}).err,
            Said(messages::InDocument(document, messages::kNoResources)));
  const Ran missing = Tool({"apply", dir_.File("none.json")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, Said(messages::OnFile(dir_.File("none.json"), ErrorText(ENOENT))));
  // A resource the document names whose file is no valid resource fails the whole apply.
  Put("Broken.opc", "[Online]\r\nComPort=MODBUS 9\r\n");
  const auto withBroken = Snapshot(ws_);
  const Ran broken = Apply(first + R"({"name": "Broken", "port": "COM1"}]})");
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.err,
            Said(Described(u"Broken.opc", ResourceFault::kUnknownPortText, u"MODBUS 9")));
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
  EXPECT_EQ(unasked.err, Said(messages::AsksBeforeDeleting(messages::kPruneCommand)));
  WriteBytes(dir_.File("doc.json"), document);
  const std::string notPruned =
      Said(messages::NotPruned(Described(u"Broken.opc", ResourceFault::kBadLine)));
  const std::string question = messages::DeleteQuestion(
      messages::DeleteItem("Line1", "Line1.x.opc") + std::string(messages::kDeleteItemSeparator) +
      messages::DeleteItem("Old", "Old.opc"));
  for (const Args& answers : {Args{"no"}, Args{}}) {  // {}: the input ended
    const Ran declined = ApplyAsking(dir_.File("doc.json"), answers);
    EXPECT_EQ(declined.status, 1);
    EXPECT_EQ(declined.err, notPruned + question + Said(messages::kDeletionsDeclined));
    EXPECT_FALSE(declined.changed);
  }
  EXPECT_EQ(Snapshot(ws_), before);
  const std::string report =
      Report({{"Line1", kUnchanged}, {"Line1", kDeleted}, {"Old", kDeleted}});

  const Ran checked = Apply(document, {"--prune", "--check"});
  EXPECT_EQ(checked.out, report);
  EXPECT_EQ(Snapshot(ws_), before);

  const Ran agreed = ApplyAsking(dir_.File("doc.json"), {" Y "});
  EXPECT_EQ(agreed.status, 0);
  EXPECT_EQ(agreed.err, notPruned + question);
  EXPECT_EQ(agreed.out, report);
  EXPECT_TRUE(agreed.changed);
  EXPECT_EQ(ListFolder(ws_), (Args{"Broken.opc", "Line1.opc"}));
  const Ran again = Apply(document, {"--prune", "--yes"});
  EXPECT_EQ(again.out, Report({{"Line1", kUnchanged}}));
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
      Report({{"Line1", kChanged}}) +
      "--- Line1.opc\n+++ Line1.opc\n"
      "@@ -1,8 +1,8 @@\n [GeneralSettings]\n-AdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\n"
      "+AdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\n Description=kept as it is\n \n [Online]\n"
      " ComTeleLength=256\n-ComPort=V24 1 9600 8 1 0 2000 0\n+ComPort=V24 1 19200 8 1 0 2000 0\n "
      "\n" +
      Report({{"New", kAdded}}) +
      "--- /dev/null\n+++ New.opc\n@@ -0,0 +1,8 @@\n+[GeneralSettings]\n"
      "+AdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\n"
      "+Description=QB-Software Adaptation for Tirvane LE PLC\xC2\xB4s\n+\n+[Online]\n"
      "+ComTeleLength=1428\n+ComPort=DLL netdrv.dll -ip10.0.0.9\n+\n" +
      Report({{"Old", kDeleted}}) +
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
  EXPECT_EQ(ListFolder(ws_), (Args{"Line1.opc", "New.opc"}));
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
  EXPECT_EQ(ran.out, Report({{"Line1", kUnchanged}}));
  EXPECT_EQ(Apply(R"({"version": 1, "resources": [{"name": "Line1", "dataBits": "7", )"
                  R"("stopBits": "2"}]})")
                .out,
            Report({{"Line1", kChanged}}));
  EXPECT_EQ(Bytes("Line1.opc"), Opc("V24 1 9600 7 2 0 2000 0"));
}

TEST(JsonValue, ReadsWhatTheGrammarAllowsAndSaysWhereItStops) {
  using cli::JsonValue;
  namespace json = messages::json;
  const struct {
    std::string text;
    std::size_t line = 0;
    std::size_t column = 0;
    std::string_view fault = {};  // empty: accepted
  } cases[] = {
      {"\xEF\xBB\xBF {\"a\": [1, -2.5e3, true, false, null, \"x\"]}"},
      {"\"\\u00e9\\ud83d\\ude00\\udce9\\n\""},
      {"{\"a\": 1, \"a\": 2}", 1, 10, json::kMemberTwice},
      {"{\"a\": 1, \"\\u0061\": 2}", 1, 10, json::kMemberTwice},  // one name, written twice
      {"{\"a\tb\": 1}", 1, 4, json::kRawControl},
      {"{\"ab", 1, 5, json::kStringNotClosed},
      {"{\"a\" 1}", 1, 6, json::kNoColon},
      {"{1: 2}", 1, 2, json::kNoMemberName},
      {"{\"a\": 1 \"b\": 2}", 1, 9, json::kObjectNotClosed},
      {"[1 2]", 1, 4, json::kArrayNotClosed},
      {"[tru]", 1, 2, json::kNoValue},
      {"01", 1, 1, json::kLeadingZero},
      {"-", 1, 1, json::kNoDigit},
      {"1.", 1, 1, json::kNoFractionDigit},
      {"1e+", 1, 1, json::kNoExponentDigit},
      {"\"tab\there\"", 1, 5, json::kRawControl},
      {"\"\xC3\x28\"", 1, 2, json::kNotUtf8},
      {"\"\xED\xA0\x80\"", 1, 2, json::kNotUtf8},  // an encoded surrogate
      {"\"\\x\"", 1, 2, json::kUnknownEscape},
      {"\"\\u12\"", 1, 2, json::kShortUnicodeEscape},
      {"\"open", 1, 6, json::kStringNotClosed},
      {"{}\n{}", 2, 1, json::kTrailing},
      {" ", 1, 2, json::kEndsEarly},
      {std::string(65, '[') + std::string(65, ']'), 1, 65, json::kTooDeep},
      {std::string(64, '[') + std::string(64, ']')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    JsonValue value;
    cli::JsonFault fault;
    const bool read = cli::ParseJson(c.text, value, fault);
    EXPECT_EQ(read, c.fault.empty());
    if (!read) {
      EXPECT_EQ(fault.what, c.fault);
      EXPECT_EQ(fault.line, c.line);
      EXPECT_EQ(fault.column, c.column);
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
}  // namespace tirv::testing
