// What the command line prints about resources: the text forms meant for people, cut
// and awk, and the JSON forms meant for programs. Pure: each function returns text.
//
// Texts come from the files in the code page and leave here in UTF-8. The text forms
// replace control characters (tab and line breaks included) with "?", so that a value
// can never split a field or a line; the JSON forms keep every character, escaped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/resource_file.h"
#include "resources/resource_record.h"

namespace tirv::cli {

/// `text` in UTF-8 with every control character (U+0000-U+001F, U+007F) made "?".
std::string PrintableText(std::u16string_view text);
std::string PrintableText(std::string_view utf8);
/// PrintableText(utf8) between double quotes.
std::string QuotedText(std::string_view utf8);

/// `text` as a JSON string, quotes included. Bytes of a file name that were not UTF-8
/// (held as U+DC80-U+DCFF) are written as "\udc80".."\udcff".
std::string JsonString(std::u16string_view text);
/// Appends JsonString(text) to `out`.
void AppendJsonString(std::u16string_view text, std::string& out);

/// The resource's name as the Resource combo lists it: its file name up to the first dot.
std::u16string_view ResourceNameOf(const ResourceRecord& record);

/// One line of `list`: name, file, then the field of each key of `set` in the order of
/// SettingKeys() (port, baud, ..., alignment), separated by tabs, with an empty field
/// where ShownField shows none. Ends with a line feed.
std::string ListLine(const ResourceRecord& record);

/// The lines of `show`: "name=", "file=", "port=", then "KEY=VALUE" for each setting the
/// port kind uses, in the order of ListLine.
std::string ShowLines(const ResourceRecord& record);

/// One resource as a JSON object on one line: the members name, file, and one for each
/// key of `set` named as the key, each a string, or null where ShownField shows none (a
/// setting the port kind does not use, an unknown port kind, an alignment that names
/// neither byte order).
std::string RecordJson(const ResourceRecord& record);

/// One resource of an exported document: as RecordJson, but with only the keys its port
/// kind uses (port and alignment, null as there, for a port text of no known port).
std::string ExportedRecordJson(const ResourceRecord& record);

/// One file of `validate` as a JSON object on one line: file, valid, and reason (the
/// problem without the file name in front, or null).
std::string VerdictJson(std::u16string_view fileName, const ResourceProblem& problem);

/// Lines to print in the order of the texts they are listed by (ListedBefore: letter
/// case ignored, equal texts in the order added). Only the lines and their keys are
/// kept, so a workspace of many files costs little more than its output.
class ListedLines {
 public:
  void Add(std::u16string_view listedBy, std::string line);
  /// Hands the lines to `print` in order.
  void PrintInOrder(const std::function<void(std::string_view)>& print);

 private:
  // The keys lie one after another in one text, so sorting reads them close together.
  std::u16string keyText_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> keys_;  ///< place and length
  std::vector<std::string> lines_;
};

/// Writes JSON arrays one element per line: "[", then each element, then "]".
class JsonArrayWriter {
 public:
  /// The text to print before the element `object`.
  std::string Element(std::string_view object);
  /// The text that closes the array.
  std::string End() const;

 private:
  bool first_ = true;
};

}  // namespace tirv::cli
