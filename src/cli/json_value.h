// JSON as the command line reads it (RFC 8259): a document that a person or a playbook
// wrote, read whole into a tree. Pure: the caller hands in the text.
//
// Strings come out in UTF-16, the form every name and value takes inside the programs;
// an escaped lone surrogate stays that unit, so "\udce9" gives back the byte 0xE9 of a
// file name that was not UTF-8 (record_output.h writes such names so). Refused: bytes
// that are not UTF-8, unescaped control characters, a member name given twice in one
// object, nesting deeper than kMaxJsonDepth, and anything after the one value.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tirv::cli {

/// Arrays and objects nested deeper than this are refused, so that no input can use up
/// the stack; a resource document needs three levels.
inline constexpr int kMaxJsonDepth = 64;

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string number;     ///< a number as written, such as "1" or "-2.5e3"
  std::u16string string;  ///< a string's text
  std::vector<JsonValue> items;
  /// An object's members in their order: names[i] names values[i]. Two vectors, because
  /// a pair cannot hold the type it is a member of before that type is complete. Names are
  /// UTF-8: they are compared with the program's own ASCII words, and short ones cost no
  /// allocation.
  std::vector<std::string> names;
  std::vector<JsonValue> values;

  bool Is(Kind k) const { return kind == k; }
  /// The member `name` of an object, or null when there is none.
  const JsonValue* Member(std::string_view name) const;
  JsonValue* Member(std::string_view name) {
    return const_cast<JsonValue*>(std::as_const(*this).Member(name));
  }
};

/// Where and why a text is no JSON.
struct JsonFault {
  std::size_t line = 0;    ///< 1-based
  std::size_t column = 0;  ///< 1-based, in bytes
  std::string what;        ///< such as "a string is not closed"
};

/// Reads the one value that `text` holds (a UTF-8 byte order mark before it is
/// skipped). False, with `fault` saying where and why, when it is no JSON.
bool ParseJson(std::string_view text, JsonValue& value, JsonFault& fault);

/// Takes one element of a streamed array: its index and the element, which is dropped
/// once it returns (it may be moved from).
using JsonItemSink = std::function<void(std::size_t index, JsonValue& item)>;

/// As ParseJson, but each element of the array that is the member `member` of the
/// top-level object is handed to `each` as soon as it is read instead of being kept:
/// `value` holds that member as an empty array. A document of many elements then never
/// holds them all as values. Elements handed on before a fault stay handed on.
bool ParseJsonStreaming(std::string_view text, std::string_view member, const JsonItemSink& each,
                        JsonValue& value, JsonFault& fault);

/// The kind as a person reads it in a message: "a string", "an object", "null"...
std::string_view JsonKindName(JsonValue::Kind kind);

}  // namespace tirv::cli
