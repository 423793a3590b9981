// The settings of a resource as the command line names them: the keys, the values each
// key takes, which keys each port kind uses, and how KEY=VALUE assignments change a
// record. Pure: nothing here reads a file or prints.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/resource_record.h"

namespace tirv::cli {

/// The keys, in the order every output lists their fields.
enum class SettingKey {
  kPort,
  kBaud,
  kDataBits,
  kStopBits,
  kParity,
  kTimeout,
  kParameter,
  kAlignment
};
inline constexpr std::size_t kSettingKeyCount = 8;
inline constexpr std::array<SettingKey, kSettingKeyCount> kSettingKeys = {
    SettingKey::kPort,   SettingKey::kBaud,    SettingKey::kDataBits,  SettingKey::kStopBits,
    SettingKey::kParity, SettingKey::kTimeout, SettingKey::kParameter, SettingKey::kAlignment};

/// The key as typed on the command line: "port", "baud", "databits"...
std::string_view KeyName(SettingKey key);

/// The key that `name` names, letter case ignored ("BAUD" is baud); nothing for no key.
std::optional<SettingKey> KeyNamed(std::string_view name);

/// COM1..COM4, Simulation1, Simulation2, TCP/IP; "unknown" for a port text that names
/// none of them.
std::string_view PortName(std::int32_t kind);

/// Whether a record of `kind` keeps a meaningful value under `key`: the port and the
/// alignment for every kind; the serial settings for COM1..COM4; the parameter for
/// TCP/IP. A record of unknown kind uses only those two.
bool KindUsesKey(std::int32_t kind, SettingKey key);

/// The record's value under `key` (the port as PortName gives it); it views the record.
std::u16string_view FieldOf(const ResourceRecord& record, SettingKey key);

/// What a set command asks for: per key, the value to give (already in the form the
/// record holds, such as "Little Endian" for "little"), and the port kind for "port".
struct SettingChange {
  std::array<std::optional<std::u16string>, kSettingKeyCount> values;
  std::int32_t portKind = kPortKindUnknown;  ///< meaningful when values[kPort] is set

  const std::optional<std::u16string>& operator[](SettingKey key) const {
    return values[static_cast<std::size_t>(key)];
  }
};

/// Reads "KEY=VALUE" texts (UTF-8). Refused, with `refusal` saying why, when a text has
/// no "=", names no key, names a key twice, or gives a value the editor would not
/// accept: a port, baud, data bits, stop bits, parity or alignment outside its fixed
/// list, a timeout that is empty or holds anything but the digits 0-9, a parameter that
/// is empty or blanks only, or has a blank (space or tab) at either end, which the file
/// cannot keep. Letter case is ignored in keys, ports, parities and alignments.
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
