// The resource document of `export` and `apply`: one JSON object that says which
// resources a workspace holds and with which settings. Pure: the caller reads and
// prints the text.
//
//   {"version": 1, "resources": [
//     {"name": "Line1", "file": "Line1.opc", "port": "COM1", "baud": "9600", ...},
//     {"name": "Plant", "port": "TCP/IP", "parameter": "-ip10.0.0.7"}
//   ]}
//
// The members of a resource are its name, optionally its file, and the keys of `set`
// (dataBits and stopBits, the names of earlier releases, are read as databits and
// stopbits). A key that is null or left out is not set. The form is written down as a
// JSON Schema, packaging/tirvane-resources.schema.json.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/settings.h"

namespace tirv::cli {

/// The version this program writes and reads.
inline constexpr int kDocumentVersion = 1;

/// One resource of a document, its values checked as `set` checks them.
struct DocumentEntry {
  std::size_t index = 0;  ///< its place in "resources", from 0
  std::u16string name;
  std::optional<std::u16string> file;
  SettingChange change;
};

struct ResourceDocument {
  std::vector<DocumentEntry> resources;
  std::string source;  ///< where it was read, for messages: a file, or "standard input"
};

/// Reads a document. False when any part of it is refused: `refusals` then holds one
/// message for each fault found (a text that is no JSON, an unknown version or member, a
/// member of the wrong kind, a value outside its list), each saying where it is, such as
/// "resources[2] (Line3): baud \"1\" is not one of ...".
bool ReadResourceDocument(std::string_view text, ResourceDocument& document,
                          std::vector<std::string>& refusals);

/// "resources[<index>] (<name>)": where an entry stands, for messages.
std::string EntryLabel(const DocumentEntry& entry);

}  // namespace tirv::cli
