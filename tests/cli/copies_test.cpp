// The documents that ship with tirvane-resources and repeat what the program holds: the
// JSON Schema, the manual page and the Ansible module list the keys of the key table
// (cli/settings.h) with their values and ports, and the manual page quotes lines of the
// catalogue (cli/messages.h). A copy that no longer says what the program does fails
// here, naming the key or the line. The bash completion is written from the table by the
// build, and tried in process_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <initializer_list>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/json_value.h"
#include "cli/messages.h"
#include "cli/settings.h"
#include "platform/files.h"
#include "platform/text.h"
#include "resources/resource_file.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using cli::JsonValue;
using cli::SettingKey;
using Names = std::vector<std::string>;
namespace messages = cli::messages;

std::string Source(const std::string& path) {
  return testing::ReadBytes(std::string(TIRV_SOURCE_DIR) + "/" + path);
}

Names KeyNames() {
  Names names;
  for (SettingKey key : cli::SettingKeys()) names.emplace_back(cli::KeyName(key));
  return names;
}

Names Utf8(std::span<const std::u16string_view> texts) {
  Names utf8;
  for (std::u16string_view text : texts) utf8.push_back(Utf16ToUtf8(text));
  return utf8;
}

// "name", "file", then the keys: the members of a listed resource.
Names ResourceMembers() {
  Names members = {"name", "file"};
  for (const std::string& key : KeyNames()) members.push_back(key);
  return members;
}

/* The JSON Schema */

const JsonValue* Path(const JsonValue& from, std::initializer_list<std::string_view> names) {
  const JsonValue* at = &from;
  for (std::string_view name : names) {
    at = at == nullptr ? nullptr : at->Member(name);
  }
  return at;
}

std::string Text(const JsonValue* value) {
  return value != nullptr && value->Is(JsonValue::Kind::kString) ? Utf16ToUtf8(value->string)
                                                                 : "(no string)";
}

Names Strings(const JsonValue* array) {
  Names strings;
  if (array == nullptr) return {"(no array)"};
  for (const JsonValue& item : array->items) strings.push_back(Text(&item));
  return strings;
}

// The members that `part` of the schema requires to be null, its "$ref"s and "allOf"s
// followed.
void CollectNulled(const JsonValue& schema, const JsonValue& part, std::set<std::string>& nulled) {
  if (const JsonValue* ref = part.Member("$ref")) {
    const std::string target = Text(ref);
    const std::string prefix = "#/$defs/";
    const JsonValue* definition = target.starts_with(prefix)
                                      ? Path(schema, {"$defs", target.substr(prefix.size())})
                                      : nullptr;
    EXPECT_NE(definition, nullptr) << target;
    if (definition != nullptr) CollectNulled(schema, *definition, nulled);
  }
  if (const JsonValue* all = part.Member("allOf")) {
    for (const JsonValue& each : all->items) CollectNulled(schema, each, nulled);
  }
  if (const JsonValue* properties = part.Member("properties")) {
    for (std::size_t i = 0; i < properties->names.size(); ++i) {
      if (Text(properties->values[i].Member("type")) == "null") {
        nulled.insert(properties->names[i]);
      }
    }
  }
}

// Whether the "if" of a rule holds for a resource whose port is `port`.
bool RuleHoldsFor(const JsonValue& condition, const std::string& port) {
  const JsonValue* ports = Path(condition, {"properties", "port"});
  if (ports == nullptr) return false;
  const Names listed =
      ports->Member("enum") ? Strings(ports->Member("enum")) : Names{Text(ports->Member("const"))};
  return std::find(listed.begin(), listed.end(), port) != listed.end();
}

TEST(CliCopies, TheSchemaNamesEveryKeyWithItsValuesAndThePortsThatUseIt) {
  JsonValue schema;
  cli::JsonFault fault;
  ASSERT_TRUE(cli::ParseJson(Source("packaging/tirvane-resources.schema.json"), schema, fault))
      << fault.what;
  const JsonValue* resource = Path(schema, {"$defs", "resource"});
  ASSERT_NE(resource, nullptr);

  // A document's resource: name, file, every key, then the names of earlier releases,
  // each naming the values of its key.
  Names members = ResourceMembers();
  for (SettingKey key : cli::SettingKeys()) {
    if (!cli::FactsOf(key).formerName.empty()) {
      members.emplace_back(cli::FactsOf(key).formerName);
    }
  }
  ASSERT_NE(resource->Member("properties"), nullptr);
  EXPECT_EQ(resource->Member("properties")->names, members);
  for (SettingKey key : cli::SettingKeys()) {
    const cli::KeyFacts facts = cli::FactsOf(key);
    const std::string name(facts.name);
    SCOPED_TRACE(name);
    for (std::string_view member : {facts.name, facts.formerName}) {
      if (member.empty()) continue;
      const JsonValue* oneOf = Path(*resource, {"properties", member, "oneOf"});
      ASSERT_TRUE(oneOf != nullptr && oneOf->items.size() == 2) << member;
      EXPECT_EQ(Text(oneOf->items[0].Member("$ref")), "#/$defs/" + name) << member;
      EXPECT_EQ(Text(oneOf->items[1].Member("type")), "null") << member;
    }
    const JsonValue* values = Path(schema, {"$defs", name});
    ASSERT_NE(values, nullptr);
    if (facts.choices.empty()) {
      EXPECT_NE(values->Member("pattern"), nullptr) << "a key that a check decides";
    } else {
      EXPECT_EQ(Strings(values->Member("enum")), Utf8(facts.choices));
    }
  }

  // list --json and show --json: every member, always.
  EXPECT_EQ(Strings(Path(schema, {"$defs", "listedResource", "required"})), ResourceMembers());
  ASSERT_NE(Path(schema, {"$defs", "listedResource", "properties"}), nullptr);
  EXPECT_EQ(Path(schema, {"$defs", "listedResource", "properties"})->names, ResourceMembers());

  // apply --json tells each result in the words of the text report.
  EXPECT_EQ(Strings(Path(schema, {"$defs", "applyReport", "properties", "resources", "items",
                                  "properties", "result", "enum"})),
            (Names{std::string(messages::kChanged), std::string(messages::kUnchanged),
                   std::string(messages::kAdded), std::string(messages::kDeleted)}));

  // Each port refuses exactly the keys it does not use, under both names.
  const JsonValue* rules = resource->Member("allOf");
  ASSERT_NE(rules, nullptr);
  for (std::int32_t kind = 0; kind < kPortKindCount; ++kind) {
    const std::string port(cli::PortName(kind));
    std::set<std::string> nulled;
    for (const JsonValue& rule : rules->items) {
      const JsonValue* condition = rule.Member("if");
      const JsonValue* then = rule.Member("then");
      if (condition != nullptr && then != nullptr && RuleHoldsFor(*condition, port)) {
        CollectNulled(schema, *then, nulled);
      }
    }
    std::set<std::string> unused;
    for (SettingKey key : cli::SettingKeys()) {
      if (cli::KindUsesKey(kind, key)) continue;
      unused.emplace(cli::KeyName(key));
      if (!cli::FactsOf(key).formerName.empty()) unused.emplace(cli::FactsOf(key).formerName);
    }
    EXPECT_EQ(nulled, unused) << "the keys the schema refuses for port " << port;
  }
}

/* The manual page */

// The arguments of a groff macro line, quotes grouping words.
Names MacroArguments(std::string_view arguments) {
  Names words;
  bool quoted = false;
  bool inWord = false;
  for (char c : arguments) {
    if (c == '"') {
      quoted = !quoted;
      if (!inWord) words.emplace_back();
      inWord = true;
    } else if (c == ' ' && !quoted) {
      inWord = false;
    } else {
      if (!inWord) words.emplace_back();
      inWord = true;
      words.back() += c;
    }
  }
  return words;
}

// A line of groff as it reads: the macro and its quotes gone, the escapes made characters.
// .B and .I set their words apart; .BR, .BI and the like run them together.
std::string Plain(std::string_view line) {
  std::string text;
  if (line.starts_with(".")) {
    const std::size_t space = line.find(' ');
    const std::string_view macro = line.substr(1, space == std::string_view::npos ? 0 : space - 1);
    const std::string_view separator = macro.size() == 1 ? " " : "";
    const Names words =
        MacroArguments(space == std::string_view::npos ? "" : line.substr(space + 1));
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (i > 0) text += separator;
      text += words[i];
    }
  } else {
    text = line;
  }
  const std::pair<std::string_view, std::string_view> escapes[] = {
      {"\\-", "-"}, {"\\(dq", "\""}, {"\\(lq", "\""}, {"\\(rq", "\""}, {"\\e", "\\"},
      {"\\&", ""},  {"\\fB", ""},    {"\\fI", ""},    {"\\fP", ""},    {"\\fR", ""},
  };
  for (const auto& [escape, character] : escapes) {
    for (std::size_t at = text.find(escape); at != std::string::npos;
         at = text.find(escape, at + character.size())) {
      text.replace(at, escape.size(), character);
    }
  }
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos;
       start = end + 1, end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The lines of the section or subsection that `heading` (".SH KEYS", ".SS JSON") opens.
std::vector<std::string> Section(const std::vector<std::string>& page, std::string_view heading) {
  std::vector<std::string> lines;
  bool inside = false;
  for (const std::string& line : page) {
    if (line == heading) {
      inside = true;
    } else if (inside && (line.starts_with(".SH ") || line.starts_with(".SS "))) {
      break;
    } else if (inside) {
      lines.push_back(line);
    }
  }
  EXPECT_FALSE(lines.empty()) << heading;
  return lines;
}

// The tagged paragraphs of a section: each ".TP" tag (the line after it) with its text.
struct Paragraph {
  std::string tag;   // as it reads: "baud, databits, stopbits"
  std::string text;  // as it reads, its lines joined by spaces
};
std::vector<Paragraph> TaggedParagraphs(const std::vector<std::string>& section) {
  std::vector<Paragraph> paragraphs;
  bool inParagraph = false;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const std::string& line = section[i];
    if (line == ".TP" && i + 1 < section.size()) {
      paragraphs.push_back({Plain(section[++i]), ""});
      inParagraph = true;
    } else if (line == ".PP" || line == ".RS" || line.starts_with(".SH")) {
      inParagraph = false;
    } else if (inParagraph) {
      paragraphs.back().text += (paragraphs.back().text.empty() ? "" : " ") + Plain(line);
    }
  }
  return paragraphs;
}

Names Split(const std::string& text, std::string_view separator) {
  Names parts;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string::npos;
       start = at + separator.size(), at = text.find(separator, start)) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

// Whether `word` stands in `text` as a word of its own (not the 7 of 1200).
bool HasWord(const std::string& text, const std::string& word) {
  const auto isWordCharacter = [](char c) { return std::isalnum(static_cast<unsigned char>(c)); };
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const bool startsWord = at == 0 || !isWordCharacter(text[at - 1]);
    const std::size_t end = at + word.size();
    if (startsWord && (end == text.size() || !isWordCharacter(text[end]))) return true;
  }
  return false;
}

// How the manual says which ports use a key: nothing for every port.
std::string PortsPhrase(SettingKey key) {
  Names ports;
  for (std::int32_t kind = 0; kind < kPortKindCount; ++kind) {
    if (cli::KindUsesKey(kind, key)) ports.emplace_back(cli::PortName(kind));
  }
  if (ports.size() == static_cast<std::size_t>(kPortKindCount)) return "";
  if (ports == Names{"COM1", "COM2", "COM3", "COM4"}) return "COM ports only";
  if (ports == Names{"TCP/IP"}) return "TCP/IP only";
  ADD_FAILURE() << cli::KeyName(key) << ": say here how the manual names the ports that use it";
  return "?";
}

TEST(CliCopies, TheManualPageListsEveryKeyWithItsValuesAndItsPorts) {
  const std::vector<std::string> page = Lines(Source("packaging/tirvane-resources.1.in"));

  const std::vector<Paragraph> keys = TaggedParagraphs(Section(page, ".SH KEYS"));
  Names tags;
  for (const Paragraph& paragraph : keys) tags.push_back(paragraph.tag);
  ASSERT_EQ(tags, KeyNames());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const SettingKey key = cli::SettingKeys()[i];
    const cli::KeyFacts facts = cli::FactsOf(key);
    SCOPED_TRACE(keys[i].tag + ": " + keys[i].text);
    for (const std::string& value : Utf8(facts.choices)) EXPECT_TRUE(HasWord(keys[i].text, value));
    for (const std::string& alias : Utf8(facts.aliases)) EXPECT_TRUE(HasWord(keys[i].text, alias));
    const std::string ports = PortsPhrase(key);
    if (ports.empty()) {
      EXPECT_FALSE(HasWord(keys[i].text, "only"));
    } else {
      EXPECT_NE(keys[i].text.find(ports), std::string::npos) << ports;
    }
  }

  // The fields of list, and the members of the JSON forms, named as the keys.
  const std::vector<std::string> list = Section(page, ".SS list");
  const auto fields = std::find_if(list.begin(), list.end(),
                                   [](const std::string& line) { return line.starts_with(".I "); });
  ASSERT_NE(fields, list.end());
  EXPECT_EQ(Split(fields->substr(3), " "), ResourceMembers());
  Names members;
  for (const Paragraph& paragraph : TaggedParagraphs(Section(page, ".SS JSON"))) {
    for (const std::string& member : Split(paragraph.tag, ", ")) members.push_back(member);
  }
  EXPECT_EQ(members, ResourceMembers());
  std::string json;
  for (const std::string& line : Section(page, ".SS JSON")) json += Plain(line) + " ";
  for (SettingKey key : cli::SettingKeys()) {
    const std::string former(cli::FactsOf(key).formerName);
    if (!former.empty()) {
      EXPECT_TRUE(HasWord(json, former)) << former;
    }
  }
}

// The texts the page quotes: each between \(lq and \(rq, in the order of the page.
Names Quotations(const std::vector<std::string>& page) {
  Names quoted;
  for (const std::string& line : page) {
    const std::size_t open = line.find("\\(lq");
    const std::size_t close = line.find("\\(rq");
    if (open == std::string::npos || close == std::string::npos) continue;
    std::string text = Plain(line.substr(open + 4, close - open - 4));
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
      text = text.substr(1, text.size() - 2);
    }
    quoted.push_back(text);
  }
  return quoted;
}

// A message line without its line feed.
std::string Said(std::string_view message) {
  std::string line = messages::Line(message);
  line.pop_back();
  return line;
}

TEST(CliCopies, TheManualPageQuotesTheMessagesInTheProgramsWords) {
  const std::vector<std::string> page = Lines(Source("packaging/tirvane-resources.1.in"));
  const auto trimmed = [](std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  };
  EXPECT_EQ(
      Quotations(page),
      (Names{
          trimmed(messages::DeleteQuestion(messages::DeleteItem("NAME", "FILE"))),
          trimmed(messages::DeleteQuestion(messages::DeleteItem("NAME", "FILE") +
                                           std::string(messages::kDeleteItemSeparator) + "...")),
          Said(messages::kChangeLogFailed),
          Said(messages::kReportLost),
          Said(messages::OnFile("Line1.opc", ErrorText(EACCES))),
          trimmed(std::string(messages::kPrefix)),
      }));

  // MESSAGES: each tag a message, with words in italics for its values.
  const std::vector<std::string> section = Section(page, ".SH MESSAGES");
  Names tags;
  for (std::size_t i = 0; i + 1 < section.size(); ++i) {
    if (section[i] == ".TP" || section[i] == ".TQ") tags.push_back(Plain(section[i + 1]));
  }
  const Names said = {
      Said(messages::UnknownCommand("word") + std::string(messages::kTryHelp)),
      Said(messages::UnknownKey("key", cli::KeyNameList())),
      Said(messages::NotOneOf("baud", "value", "110, 300, ...")),
      Said(messages::OnFile("file", messages::NotUsedByPort("parameter", "COM1"))),
      Said(messages::NoSuchResource("name")),
      Said(messages::NameTaken("name", "file")),
      Said(Utf16ToUtf8(DescribeProblem(u"file", ResourceProblem{ResourceFault::kExists, 0, {}}))),
      Said(messages::OnFile("folder", ErrorText(ENOENT))),
  };
  EXPECT_EQ(tags, said);
}

/* The Ansible module */

TEST(CliCopies, TheAnsibleModuleTakesEveryKeyAsAnOption) {
  const std::vector<std::string> module = Lines(Source("packaging/ansible/tirvane_resource.py"));
  const auto settings = std::find_if(module.begin(), module.end(), [](const std::string& line) {
    return line.starts_with("SETTINGS = (");
  });
  ASSERT_NE(settings, module.end());
  Names passed;
  for (const std::string& part : Split(*settings, "\"")) {
    if (!part.empty() && std::isalpha(static_cast<unsigned char>(part.front()))) {
      passed.push_back(part);
    }
  }
  passed.erase(passed.begin());  // "SETTINGS = ("
  EXPECT_EQ(passed, KeyNames());

  // The documented options: those at the first level below "options:".
  Names documented;
  bool inOptions = false;
  for (const std::string& line : module) {
    if (line == "options:") {
      inOptions = true;
    } else if (inOptions && !line.starts_with(" ")) {
      break;
    } else if (inOptions && line.size() > 3 && line[2] != ' ' && line.back() == ':') {
      documented.push_back(line.substr(2, line.size() - 3));
    }
  }
  Names keysDocumented;
  for (const std::string& option : documented) {
    const Names keys = KeyNames();
    if (std::find(keys.begin(), keys.end(), option) != keys.end()) keysDocumented.push_back(option);
  }
  EXPECT_EQ(keysDocumented, KeyNames())
      << "documented options: " << ::testing::PrintToString(documented);
}

}  // namespace
}  // namespace tirv
