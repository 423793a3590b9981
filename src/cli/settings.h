// The settings of a resource as the command line names them: the keys, the values each
// key takes, which keys each port kind uses, and how KEY=VALUE assignments change a
// record. Pure: nothing here reads a file or prints.
//
// Everything about a key is one row of the key table in settings.cpp: its name, the
// record's field, the value a record that newly uses it carries, its fixed choices or
// its check, and the port kinds that use it. The outputs, the usage text, the document
// reader and the bash completion take the keys from there; the schema, the manual page
// and the Ansible module are checked against it by the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/resource_record.h"

namespace tirv::cli {

/// A key of `set` and of a document's resource: a row of the key table.
struct SettingKey {
  std::size_t row = 0;
  bool operator==(const SettingKey&) const = default;
};

/// Every key, in the order every output lists their fields.
std::span<const SettingKey> SettingKeys();

/// The key as typed on the command line and named in JSON: "port", "baud", "databits"...
std::string_view KeyName(SettingKey key);

/// The key that `name` names, letter case ignored ("BAUD" is baud); nothing for no key.
std::optional<SettingKey> KeyNamed(std::string_view name);

/// The key a member of a document's resource names: a key's name exactly, or the name
/// that earlier releases gave it in their JSON ("dataBits"); nothing for no key.
std::optional<SettingKey> KeyOfMember(std::string_view member);

/// What the table says of a key, for what is made from it outside a run of the program:
/// the bash completion, and the tests of the documents that list the keys.
struct KeyFacts {
  std::string_view name;
  std::string_view formerName;                   ///< its member name in earlier JSON, or empty
  std::span<const std::u16string_view> choices;  ///< its fixed values; empty: a check decides
  std::span<const std::u16string_view> aliases;  ///< shorter words for the choices, or empty
};
KeyFacts FactsOf(SettingKey key);

/// The names of every key, for messages: "port, baud, ..., alignment".
std::string KeyNameList();

/// The lines of the usage text that list the keys (messages::UsageKeyLine).
std::string KeyUsageLines();

/// COM1..COM4, Simulation1, Simulation2, TCP/IP; "unknown" for a port text that names
/// none of them.
std::string_view PortName(std::int32_t kind);

/// Whether a record of `kind` keeps a meaningful value under `key`: the port and the
/// alignment for every kind; the serial settings for COM1..COM4; the parameter for
/// TCP/IP. A record of unknown kind uses only the keys every kind uses.
bool KindUsesKey(std::int32_t kind, SettingKey key);

/// The record's value under `key` (the port as PortName gives it); it views the record.
std::u16string_view FieldOf(const ResourceRecord& record, SettingKey key);

/// The record's value under `key` as the outputs show it: nothing for a setting its kind
/// does not use, for an unknown port and for an alignment that names no byte order.
std::optional<std::u16string_view> ShownField(const ResourceRecord& record, SettingKey key);

/// What a set command asks for: the value to give under each key named (already in the
/// form the record holds, such as "Little Endian" for "little"), and the port kind when
/// the port is named.
struct SettingChange {
  std::vector<std::pair<SettingKey, std::u16string>> values;  ///< in the order given
  std::int32_t portKind = kPortKindUnknown;                   ///< meaningful when the port is named

  /// The value given under `key`, or null.
  const std::u16string* operator[](SettingKey key) const;
};

/// Reads "KEY=VALUE" texts (UTF-8). Refused, with `refusal` saying why, when a text has
/// no "=", names no key, names a key twice, or gives a value the editor would not
/// accept: a port, baud, data bits, stop bits, parity or alignment outside its fixed
/// list, a timeout that is empty or holds anything but the digits 0-9, a parameter that
/// is empty or blanks only, or has a blank (space or tab) at either end, which the file
/// cannot keep. Letter case is ignored in keys and in the fixed choices.
bool ParseAssignments(const std::vector<std::string>& texts, SettingChange& change,
                      std::string& refusal);

/// Takes one value for `key` into `change` under the rules of ParseAssignments; false,
/// with `refusal` saying why, for a refused value or a key that `change` holds already.
bool AcceptSetting(SettingKey key, std::u16string_view value, SettingChange& change,
                   std::string& refusal);

/// Applies `change` to `record` as a whole, or not at all. The port kind is the one of
/// a "port" assignment, else the record's; every other key must be one that kind uses,
/// else the change is refused with `refusal`. A new port kind starts the fields it uses
/// and the old kind did not with the values a record of that kind carries (carried::);
/// a record whose port text names no known port keeps those of its fields that the key
/// would accept as they stand.
/// `changedRecord`, when given, tells whether any value of the record changed.
bool ApplySettingChange(const SettingChange& change, ResourceRecord& record, std::string& refusal,
                        bool* changedRecord = nullptr);

}  // namespace tirv::cli
