#include "cli/settings.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "cli/messages.h"
#include "platform/text.h"
#include "resources/resource_file.h"

namespace tirv::cli {
namespace {

constexpr std::array<std::u16string_view, kPortKindCount> kPortNames = {
    u"COM1", u"COM2", u"COM3", u"COM4", u"Simulation1", u"Simulation2", u"TCP/IP"};

// A check of a value that no fixed list decides: the value as the record holds it, or
// nothing with `refusal` set.
using ValueCheck = std::optional<std::u16string> (*)(std::string_view key,
                                                     std::u16string_view value,
                                                     std::string& refusal);

std::optional<std::u16string> AcceptMilliseconds(std::string_view key, std::u16string_view value,
                                                 std::string& refusal) {
  const bool digits = !value.empty() && std::all_of(value.begin(), value.end(), [](char16_t c) {
    return c >= u'0' && c <= u'9';
  });
  if (digits) return std::u16string(value);
  refusal = messages::NotMilliseconds(key, value);
  return std::nullopt;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// A value that is blanks only reads back as empty, and one with blanks at an end reads
// back without them: the file cannot keep either.
std::optional<std::u16string> AcceptUntrimmed(std::string_view key, std::u16string_view value,
                                              std::string& refusal) {
  if (std::all_of(value.begin(), value.end(), IsBlank)) {
    refusal = messages::CannotBeEmpty(key);
    return std::nullopt;
  }
  if (IsBlank(value.front()) || IsBlank(value.back())) {
    refusal = Utf16ToUtf8(ReasonOf(ResourceProblem{ResourceFault::kBlankEnds, 0, {}}));
    return std::nullopt;
  }
  return std::u16string(value);
}

constexpr std::u16string_view kAlignmentWords[] = {u"little", u"big"};

// One key. A key takes one of its `choices` (letter case ignored, or the alias at the
// same place), or else what its `check` accepts.
struct KeyRow {
  std::string_view name = {};
  /// The record's field; null for the port, which is the record's kind.
  std::u16string ResourceRecord::*field = nullptr;
  /// What a record whose port kind changes to one that uses the key starts with.
  std::u16string_view carried = {};
  std::span<const std::u16string_view> choices = {};
  std::span<const std::u16string_view> aliases = {};
  ValueCheck check = nullptr;
  /// What the usage text says the key takes, when `check` decides.
  std::string_view takes = {};
  /// The setting the key is, which only some port kinds use (resource_record.h); none
  /// for a key that every kind has, and a record whose port text names no known one.
  std::optional<PortSetting> setting = std::nullopt;
  /// An empty value is shown as none: the file names none of the choices.
  bool emptyIsNone = false;
  /// The member name that the JSON of earlier releases gave the key.
  std::string_view formerName = {};
};

// The keys, in the order of the outputs. A new key is a new row (and its tests); the
// documents that list the keys are checked against this table by tests/cli.
constexpr KeyRow kKeys[] = {
    {.name = "port", .choices = kPortNames},
    {.name = "baud",
     .field = &ResourceRecord::baud,
     .carried = carried::kBaud,
     .choices = choices::kBaudRates,
     .setting = PortSetting::kBaud},
    {.name = "databits",
     .field = &ResourceRecord::dataBits,
     .carried = carried::kDataBits,
     .choices = choices::kDataBits,
     .setting = PortSetting::kDataBits,
     .formerName = "dataBits"},
    {.name = "stopbits",
     .field = &ResourceRecord::stopBits,
     .carried = carried::kStopBits,
     .choices = choices::kStopBits,
     .setting = PortSetting::kStopBits,
     .formerName = "stopBits"},
    {.name = "parity",
     .field = &ResourceRecord::parity,
     .carried = carried::kParity,
     .choices = choices::kParities,
     .setting = PortSetting::kParity},
    {.name = "timeout",
     .field = &ResourceRecord::timeout,
     .carried = carried::kTimeout,
     .check = AcceptMilliseconds,
     .takes = messages::kTimeoutTakes,
     .setting = PortSetting::kTimeout},
    {.name = "parameter",
     .field = &ResourceRecord::parameter,
     .carried = carried::kParameter,
     .check = AcceptUntrimmed,
     .takes = messages::kParameterTakes,
     .setting = PortSetting::kParameter},
    {.name = "alignment",
     .field = &ResourceRecord::alignment,
     .choices = choices::kAlignments,
     .aliases = kAlignmentWords,
     .emptyIsNone = true},
};
constexpr std::size_t kKeyCount = std::size(kKeys);

// The port is the record's kind: the code that changes a kind knows it by its row.
constexpr SettingKey kPort{0};
static_assert(kKeys[kPort.row].field == nullptr && !kKeys[kPort.row].setting);

constexpr bool EveryRowIsWhole() {
  for (const KeyRow& row : kKeys) {
    if (row.choices.empty() == (row.check == nullptr)) return false;  // one or the other
    if (!row.aliases.empty() && row.aliases.size() != row.choices.size()) return false;
    if (row.check != nullptr && row.takes.empty()) return false;
  }
  return true;
}
static_assert(EveryRowIsWhole(), "a key has choices or a check, and an alias for every choice");

constexpr std::array<SettingKey, kKeyCount> kKeyList = [] {
  std::array<SettingKey, kKeyCount> keys{};
  for (std::size_t i = 0; i < kKeyCount; ++i) keys[i] = SettingKey{i};
  return keys;
}();

const KeyRow& Row(SettingKey key) { return kKeys[key.row]; }

// The choices as the refusals and the usage text list them.
std::string ChoiceList(const KeyRow& row) {
  std::string text;
  for (std::size_t i = 0; i < row.choices.size(); ++i) {
    if (i > 0) text += messages::kChoiceSeparator;
    const std::string choice = Utf16ToUtf8(row.choices[i]);
    text += row.aliases.empty() ? choice
                                : messages::ChoiceWithAlias(choice, Utf16ToUtf8(row.aliases[i]));
  }
  return text;
}

// The ports that use the key, as the usage text names them; empty for every port.
std::string UsedBy(const KeyRow& row) {
  if (!row.setting) return {};
  if (KindUses(kPortCom1, *row.setting)) return std::string(messages::kComPorts);
  std::string ports;
  for (std::int32_t kind = 0; kind < kPortKindCount; ++kind) {
    if (!KindUses(kind, *row.setting)) continue;
    if (!ports.empty()) ports += messages::kChoiceSeparator;
    ports += PortName(kind);
  }
  return ports;
}

// The value in the form the record holds it, or nothing with `refusal` set.
std::optional<std::u16string> AcceptValue(SettingKey key, std::u16string_view value,
                                          std::string& refusal) {
  const KeyRow& row = Row(key);
  if (row.check != nullptr) return row.check(row.name, value, refusal);
  for (std::size_t i = 0; i < row.choices.size(); ++i) {
    if (EqualsIgnoreCase(row.choices[i], value) ||
        (!row.aliases.empty() && EqualsIgnoreCase(row.aliases[i], value))) {
      return std::u16string(row.choices[i]);
    }
  }
  refusal = messages::NotOneOf(row.name, value, ChoiceList(row));
  return std::nullopt;
}

std::int32_t PortKindNamed(std::u16string_view name) {
  for (std::int32_t kind = 0; kind < kPortKindCount; ++kind) {
    if (kPortNames[static_cast<std::size_t>(kind)] == name) return kind;
  }
  return kPortKindUnknown;
}

// Whether the record's value under `key` is one to keep when its port kind changes: one
// its kind uses, or, for a record whose port text names no known port (whose fields
// were read from the text as far as it went), one the key accepts as it stands.
bool HoldsMeaningfully(const ResourceRecord& record, SettingKey key) {
  if (KindUsesKey(record.portKind, key)) return true;
  if (IsPortKind(record.portKind)) return false;
  std::string ignored;
  const std::u16string& held = record.*Row(key).field;
  return AcceptValue(key, held, ignored) == held;
}

}  // namespace

std::span<const SettingKey> SettingKeys() { return kKeyList; }

std::string_view KeyName(SettingKey key) { return Row(key).name; }

std::optional<SettingKey> KeyNamed(std::string_view name) {
  const std::u16string wanted = Utf8ToUtf16(name);
  for (SettingKey key : kKeyList) {
    if (EqualsIgnoreCase(wanted, Utf8ToUtf16(KeyName(key)))) return key;
  }
  return std::nullopt;
}

std::optional<SettingKey> KeyOfMember(std::string_view member) {
  for (SettingKey key : kKeyList) {
    if (member == Row(key).name) return key;
  }
  for (SettingKey key : kKeyList) {
    if (!Row(key).formerName.empty() && member == Row(key).formerName) return key;
  }
  return std::nullopt;
}

KeyFacts FactsOf(SettingKey key) {
  const KeyRow& row = Row(key);
  return {row.name, row.formerName, row.choices, row.aliases};
}

std::string KeyNameList() {
  std::string names;
  for (SettingKey key : kKeyList) {
    if (!names.empty()) names += messages::kChoiceSeparator;
    names += KeyName(key);
  }
  return names;
}

std::string KeyUsageLines() {
  std::string lines;
  for (const KeyRow& row : kKeys) {
    const std::string takes = row.check != nullptr ? std::string(row.takes) : ChoiceList(row);
    lines += messages::UsageKeyLine(row.name, takes, UsedBy(row));
  }
  return lines;
}

std::string_view PortName(std::int32_t kind) {
  static const std::array<std::string, kPortKindCount> names = [] {
    std::array<std::string, kPortKindCount> utf8;
    for (std::size_t i = 0; i < utf8.size(); ++i) utf8[i] = Utf16ToUtf8(kPortNames[i]);
    return utf8;
  }();
  return IsPortKind(kind) ? std::string_view(names[static_cast<std::size_t>(kind)])
                          : messages::kUnknownPort;
}

bool KindUsesKey(std::int32_t kind, SettingKey key) {
  const std::optional<PortSetting> setting = Row(key).setting;
  return !setting || KindUses(kind, *setting);
}

std::u16string_view FieldOf(const ResourceRecord& record, SettingKey key) {
  if (key != kPort) return record.*Row(key).field;
  static const std::u16string unknown = Utf8ToUtf16(messages::kUnknownPort);
  return IsPortKind(record.portKind) ? kPortNames[static_cast<std::size_t>(record.portKind)]
                                     : std::u16string_view(unknown);
}

std::optional<std::u16string_view> ShownField(const ResourceRecord& record, SettingKey key) {
  if (!KindUsesKey(record.portKind, key)) return std::nullopt;
  if (key == kPort && !IsPortKind(record.portKind)) return std::nullopt;
  const std::u16string_view field = FieldOf(record, key);
  if (Row(key).emptyIsNone && field.empty()) return std::nullopt;
  return field;
}

const std::u16string* SettingChange::operator[](SettingKey key) const {
  for (const auto& [given, value] : values) {
    if (given == key) return &value;
  }
  return nullptr;
}

bool ParseAssignments(const std::vector<std::string>& texts, SettingChange& change,
                      std::string& refusal) {
  for (const std::string& text : texts) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
      refusal = messages::NotAnAssignment(text);
      return false;
    }
    const std::string_view name = std::string_view(text).substr(0, equals);
    const std::optional<SettingKey> key = KeyNamed(name);
    if (!key) {
      refusal = messages::UnknownKey(name, KeyNameList());
      return false;
    }
    if (!AcceptSetting(*key, Utf8ToUtf16(std::string_view(text).substr(equals + 1)), change,
                       refusal)) {
      return false;
    }
  }
  return true;
}

bool AcceptSetting(SettingKey key, std::u16string_view value, SettingChange& change,
                   std::string& refusal) {
  if (change[key] != nullptr) {
    refusal = messages::GivenTwice(KeyName(key));
    return false;
  }
  std::optional<std::u16string> accepted = AcceptValue(key, value, refusal);
  if (!accepted) return false;
  if (key == kPort) change.portKind = PortKindNamed(*accepted);
  // Room for every key at once: a document gives most of them, to thousands of entries.
  if (change.values.empty()) change.values.reserve(kKeyList.size());
  change.values.emplace_back(key, std::move(*accepted));
  return true;
}

bool ApplySettingChange(const SettingChange& change, ResourceRecord& record, std::string& refusal,
                        bool* changedRecord) {
  const std::int32_t kind = change[kPort] != nullptr ? change.portKind : record.portKind;
  for (SettingKey key : kKeyList) {
    if (change[key] == nullptr || KindUsesKey(kind, key)) continue;
    refusal = IsPortKind(kind) ? messages::NotUsedByPort(KeyName(key), PortName(kind))
                               : messages::NotUsedWithoutPort(KeyName(key));
    return false;
  }
  if (changedRecord != nullptr) *changedRecord = false;
  // A change to the values the record holds leaves it as it is, without copying it: the
  // common case of a document applied again.
  const bool sameValues =
      kind == record.portKind &&
      std::all_of(change.values.begin(), change.values.end(), [&](const auto& given) {
        return given.first == kPort || record.*Row(given.first).field == given.second;
      });
  if (sameValues) return true;
  ResourceRecord changed = record;
  if (kind != record.portKind) {
    for (SettingKey key : kKeyList) {
      if (KindUsesKey(kind, key) && !HoldsMeaningfully(record, key)) {
        changed.*Row(key).field = Row(key).carried;
      }
    }
    changed.portKind = kind;
  }
  for (const auto& [key, value] : change.values) {
    if (key != kPort) changed.*Row(key).field = value;
  }
  if (changedRecord != nullptr) *changedRecord = !(changed == record);
  record = std::move(changed);
  return true;
}

}  // namespace tirv::cli
