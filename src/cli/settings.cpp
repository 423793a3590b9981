#include "cli/settings.h"

#include <algorithm>
#include <span>

#include "cli/record_output.h"
#include "platform/text.h"
#include "resources/resource_file.h"

namespace tirv::cli {
namespace {

constexpr std::array<std::string_view, kSettingKeyCount> kKeyNames = {
    "port", "baud", "databits", "stopbits", "parity", "timeout", "parameter", "alignment"};

constexpr std::array<std::u16string_view, kPortKindCount> kPortNames = {
    u"COM1", u"COM2", u"COM3", u"COM4", u"Simulation1", u"Simulation2", u"TCP/IP"};

// The value a record of a kind that uses the key carries when nothing else was given.
constexpr std::array<std::u16string_view, kSettingKeyCount> kCarried = {u"",
                                                                        carried::kBaud,
                                                                        carried::kDataBits,
                                                                        carried::kStopBits,
                                                                        carried::kParity,
                                                                        carried::kTimeout,
                                                                        carried::kParameter,
                                                                        u""};

std::size_t IndexOf(SettingKey key) { return static_cast<std::size_t>(key); }

// The record's field under each key; the port is the record's kind, not a text.
constexpr std::array<std::u16string ResourceRecord::*, kSettingKeyCount> kFields = {
    nullptr,
    &ResourceRecord::baud,
    &ResourceRecord::dataBits,
    &ResourceRecord::stopBits,
    &ResourceRecord::parity,
    &ResourceRecord::timeout,
    &ResourceRecord::parameter,
    &ResourceRecord::alignment};

std::string OneOf(std::span<const std::u16string_view> choices) {
  std::string text;
  for (std::u16string_view choice : choices) {
    if (!text.empty()) text += ", ";
    text += Utf16ToUtf8(choice);
  }
  return text;
}

// The entry of `choices` that `value` names (letter case ignored when `anyCase`).
std::optional<std::u16string> Choose(std::span<const std::u16string_view> choices,
                                     std::u16string_view value, bool anyCase) {
  for (std::u16string_view choice : choices) {
    if (anyCase ? EqualsIgnoreCase(choice, value) : choice == value) {
      return std::u16string(choice);
    }
  }
  return std::nullopt;
}

bool IsDigits(std::u16string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// A parameter that is blanks only reads back as empty, and one with blanks at an end
// reads back without them: the file cannot keep either.
std::optional<std::u16string> AcceptParameter(std::u16string_view value, std::string& refusal) {
  if (std::all_of(value.begin(), value.end(), IsBlank)) {
    refusal = "parameter cannot be empty";
    return std::nullopt;
  }
  if (IsBlank(value.front()) || IsBlank(value.back())) {
    refusal = Utf16ToUtf8(ReasonOf(ResourceProblem{ResourceFault::kBlankEnds, 0, {}}));
    return std::nullopt;
  }
  return std::u16string(value);
}

std::optional<std::u16string> ChooseAlignment(std::u16string_view value) {
  if (EqualsIgnoreCase(value, u"little")) return std::u16string(alignment::kLittleEndian);
  if (EqualsIgnoreCase(value, u"big")) return std::u16string(alignment::kBigEndian);
  return Choose(choices::kAlignments, value, true);
}

// The value in the form the record holds it, or nothing with `refusal` set.
std::optional<std::u16string> AcceptValue(SettingKey key, std::u16string_view value,
                                          std::string& refusal) {
  // Made only for a refusal: accepting a value is the common case, and it is cheap.
  const auto quoted = [&] {
    return std::string(KeyName(key)) + " \"" + PrintableText(value) + "\"";
  };
  std::optional<std::u16string> accepted;
  switch (key) {
    case SettingKey::kPort:
      accepted = Choose(kPortNames, value, true);
      if (!accepted) refusal = quoted() + " is not one of " + OneOf(kPortNames);
      break;
    case SettingKey::kBaud:
      accepted = Choose(choices::kBaudRates, value, false);
      if (!accepted) refusal = quoted() + " is not one of " + OneOf(choices::kBaudRates);
      break;
    case SettingKey::kDataBits:
      accepted = Choose(choices::kDataBits, value, false);
      if (!accepted) refusal = quoted() + " is not one of " + OneOf(choices::kDataBits);
      break;
    case SettingKey::kStopBits:
      accepted = Choose(choices::kStopBits, value, false);
      if (!accepted) refusal = quoted() + " is not one of " + OneOf(choices::kStopBits);
      break;
    case SettingKey::kParity:
      accepted = Choose(choices::kParities, value, true);
      if (!accepted) refusal = quoted() + " is not one of " + OneOf(choices::kParities);
      break;
    case SettingKey::kTimeout:
      if (IsDigits(value)) accepted = std::u16string(value);
      if (!accepted) refusal = quoted() + " is not a time in milliseconds (the digits 0-9 only)";
      break;
    case SettingKey::kParameter:
      accepted = AcceptParameter(value, refusal);
      break;
    case SettingKey::kAlignment:
      accepted = ChooseAlignment(value);
      if (!accepted) refusal = quoted() + " is not one of Little Endian (little), Big Endian (big)";
      break;
  }
  return accepted;
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
  const std::u16string& held = record.*kFields[IndexOf(key)];
  return AcceptValue(key, held, ignored) == held;
}

}  // namespace

std::string_view KeyName(SettingKey key) { return kKeyNames[IndexOf(key)]; }

std::optional<SettingKey> KeyNamed(std::string_view name) {
  for (SettingKey key : kSettingKeys) {
    if (EqualsIgnoreCase(Utf8ToUtf16(name), Utf8ToUtf16(KeyName(key)))) return key;
  }
  return std::nullopt;
}

std::string_view PortName(std::int32_t kind) {
  static const std::array<std::string, kPortKindCount> names = [] {
    std::array<std::string, kPortKindCount> utf8;
    for (std::size_t i = 0; i < utf8.size(); ++i) utf8[i] = Utf16ToUtf8(kPortNames[i]);
    return utf8;
  }();
  return IsPortKind(kind) ? std::string_view(names[static_cast<std::size_t>(kind)]) : "unknown";
}

bool KindUsesKey(std::int32_t kind, SettingKey key) {
  switch (key) {
    case SettingKey::kPort:
    case SettingKey::kAlignment:
      return true;
    case SettingKey::kParameter:
      return kind == kPortTcpIp;
    case SettingKey::kBaud:
    case SettingKey::kDataBits:
    case SettingKey::kStopBits:
    case SettingKey::kParity:
    case SettingKey::kTimeout:
      return IsSerialPortKind(kind);
  }
  return false;
}

std::u16string_view FieldOf(const ResourceRecord& record, SettingKey key) {
  if (key != SettingKey::kPort) return record.*kFields[IndexOf(key)];
  return IsPortKind(record.portKind) ? kPortNames[static_cast<std::size_t>(record.portKind)]
                                     : u"unknown";
}

bool ParseAssignments(const std::vector<std::string>& texts, SettingChange& change,
                      std::string& refusal) {
  for (const std::string& text : texts) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
      refusal = QuotedText(text) + " is not KEY=VALUE";
      return false;
    }
    const std::optional<SettingKey> key = KeyNamed(std::string_view(text).substr(0, equals));
    if (!key) {
      refusal = "unknown key \"" + PrintableText(text.substr(0, equals)) +
                "\" (keys: port, baud, databits, stopbits, parity, timeout, parameter, alignment)";
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
  std::optional<std::u16string>& slot = change.values[IndexOf(key)];
  if (slot) {
    refusal = std::string(KeyName(key)) + " is given twice";
    return false;
  }
  slot = AcceptValue(key, value, refusal);
  if (!slot) return false;
  if (key == SettingKey::kPort) change.portKind = PortKindNamed(*slot);
  return true;
}

bool ApplySettingChange(const SettingChange& change, ResourceRecord& record, std::string& refusal,
                        bool* changedRecord) {
  const std::int32_t kind = change[SettingKey::kPort] ? change.portKind : record.portKind;
  for (SettingKey key : kSettingKeys) {
    if (!change[key] || KindUsesKey(kind, key)) continue;
    refusal = std::string(KeyName(key)) +
              (IsPortKind(kind) ? " is not used by port " + std::string(PortName(kind))
                                : " is not used while the port names no known port; give port= "
                                  "as well");
    return false;
  }
  if (changedRecord != nullptr) *changedRecord = false;
  // A change to the values the record holds leaves it as it is, without copying it: the
  // common case of a document applied again.
  const bool sameValues =
      kind == record.portKind &&
      std::all_of(kSettingKeys.begin(), kSettingKeys.end(), [&](SettingKey key) {
        return key == SettingKey::kPort || !change[key] ||
               record.*kFields[IndexOf(key)] == *change[key];
      });
  if (sameValues) return true;
  ResourceRecord changed = record;
  if (kind != record.portKind) {
    for (SettingKey key : kSettingKeys) {
      if (KindUsesKey(kind, key) && !HoldsMeaningfully(record, key)) {
        changed.*kFields[IndexOf(key)] = kCarried[IndexOf(key)];
      }
    }
    changed.portKind = kind;
  }
  for (SettingKey key : kSettingKeys) {
    if (key != SettingKey::kPort && change[key]) changed.*kFields[IndexOf(key)] = *change[key];
  }
  if (changedRecord != nullptr) *changedRecord = !(changed == record);
  record = std::move(changed);
  return true;
}

}  // namespace tirv::cli
