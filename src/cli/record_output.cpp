#include "cli/record_output.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "cli/settings.h"
#include "platform/text.h"
#include "resources/resource_names.h"

namespace tirv::cli {
namespace {

bool IsControl(char16_t c) { return c < 0x20 || c == 0x7F; }

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

void AppendJsonEscape(char16_t unit, std::string& out) {
  switch (unit) {
    case u'"':
      out += "\\\"";
      return;
    case u'\\':
      out += "\\\\";
      return;
    case u'\n':
      out += "\\n";
      return;
    case u'\r':
      out += "\\r";
      return;
    case u'\t':
      out += "\\t";
      return;
    default:
      break;
  }
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit));
  out += escaped;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// `"name": "<name>", "file": "<file>"` of a JSON object.
void AppendNameAndFile(const ResourceRecord& record, std::string& json) {
  json += "\"name\": ";
  AppendJsonString(ResourceNameOf(record), json);
  json += ", \"file\": ";
  AppendJsonString(record.name, json);
}

void AppendField(const ResourceRecord& record, SettingKey key, std::string& json) {
  json += ", \"";
  json += KeyName(key);
  json += "\": ";
  if (const auto field = ShownField(record, key)) {
    AppendJsonString(*field, json);
  } else {
    json += "null";
  }
}

}  // namespace

std::string PrintableText(std::u16string_view text) {
  if (std::none_of(text.begin(), text.end(), [](char16_t c) { return IsControl(c); })) {
    return Utf16ToUtf8(text);
  }
  std::u16string printable(text);
  for (char16_t& c : printable) {
    if (IsControl(c)) c = u'?';
  }
  return Utf16ToUtf8(printable);
}

std::string PrintableText(std::string_view utf8) {
  std::string printable(utf8);
  for (char& c : printable) {
    if (IsControl(static_cast<unsigned char>(c))) c = '?';
  }
  return printable;
}

std::string QuotedText(std::string_view utf8) {
  // Appended, not added up: GCC 12 at -O3 takes "\"" + text for an overlapping copy.
  std::string quoted = "\"";
  quoted += PrintableText(utf8);
  quoted += '"';
  return quoted;
}

void AppendJsonString(std::u16string_view text, std::string& out) {
  out += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsControl(unit) || unit == u'"' || unit == u'\\') {
      AppendJsonEscape(unit, out);
    } else if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00), out);
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendJsonEscape(unit, out);  // no character of its own: kept as its code
    } else {
      AppendUtf8(unit, out);
    }
  }
  out += '"';
}

std::string JsonString(std::u16string_view text) {
  std::string out;
  AppendJsonString(text, out);
  return out;
}

std::u16string_view ResourceNameOf(const ResourceRecord& record) {
  return EntryTextOf(record.name);
}

std::string ListLine(const ResourceRecord& record) {
  std::string line = PrintableText(ResourceNameOf(record)) + '\t' + PrintableText(record.name);
  for (SettingKey key : SettingKeys()) {
    line += '\t';
    if (const auto field = ShownField(record, key)) line += PrintableText(*field);
  }
  return line + '\n';
}

std::string ShowLines(const ResourceRecord& record) {
  std::string lines = "name=" + PrintableText(ResourceNameOf(record)) +
                      "\nfile=" + PrintableText(record.name) + '\n';
  for (SettingKey key : SettingKeys()) {
    if (!KindUsesKey(record.portKind, key)) continue;
    lines += std::string(KeyName(key)) + '=' + PrintableText(FieldOf(record, key)) + '\n';
  }
  return lines;
}

std::string RecordJson(const ResourceRecord& record) {
  std::string json;
  json.reserve(256);  // a whole record, as a rule
  json += '{';
  AppendNameAndFile(record, json);
  for (SettingKey key : SettingKeys()) AppendField(record, key, json);
  json += '}';
  return json;
}

std::string ExportedRecordJson(const ResourceRecord& record) {
  std::string json;
  json.reserve(256);
  json += '{';
  AppendNameAndFile(record, json);
  for (SettingKey key : SettingKeys()) {
    if (KindUsesKey(record.portKind, key)) AppendField(record, key, json);
  }
  json += '}';
  return json;
}

std::string VerdictJson(std::u16string_view fileName, const ResourceProblem& problem) {
  return "{\"file\": " + JsonString(fileName) +
         ", \"valid\": " + (problem.ok() ? "true" : "false") +
         ", \"reason\": " + (problem.ok() ? std::string("null") : JsonString(ReasonOf(problem))) +
         "}";
}

std::string JsonArrayWriter::Element(std::string_view object) {
  std::string text = first_ ? "[\n  " : ",\n  ";
  first_ = false;
  return text.append(object);
}

std::string JsonArrayWriter::End() const { return first_ ? "[]\n" : "\n]\n"; }

void ListedLines::Add(std::u16string_view listedBy, std::string line) {
  const std::u16string key = ListingKeyOf(listedBy);
  keys_.emplace_back(static_cast<std::uint32_t>(keyText_.size()),
                     static_cast<std::uint32_t>(key.size()));
  keyText_ += key;
  lines_.push_back(std::move(line));
}

void ListedLines::PrintInOrder(const std::function<void(std::string_view)>& print) {
  // The keys are folded once, so comparing them is plain comparing (ListingKeyOf); the
  // places are sorted, not the texts, which never move.
  std::vector<std::uint32_t> order(lines_.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto key = [this](std::uint32_t at) {
    return std::u16string_view(keyText_).substr(keys_[at].first, keys_[at].second);
  };
  std::stable_sort(order.begin(), order.end(),
                   [&key](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
  for (const std::uint32_t at : order) print(lines_[at]);
}

}  // namespace tirv::cli
