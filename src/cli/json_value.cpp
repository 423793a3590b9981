#include "cli/json_value.h"

#include <cstdint>
#include <functional>

#include "cli/messages.h"
#include "platform/text.h"

namespace tirv::cli {
namespace {

bool IsJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendCodePoint(char32_t code, std::u16string& out) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
    return;
  }
  code -= 0x10000;
  out += static_cast<char16_t>(0xD800 + (code >> 10));
  out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
}

class Reader {
 public:
  Reader(std::string_view text, std::string_view streamed, const JsonItemSink* each)
      : text_(text), streamed_(streamed), each_(each) {}

  bool Document(JsonValue& value, JsonFault& fault) {
    if (text_.starts_with("\xEF\xBB\xBF")) at_ = 3;
    bool read = Value(value, 0);
    if (read) {
      SkipSpace();
      read = AtEnd() || Fail(messages::json::kTrailing);
    }
    if (!read) {
      fault = Where();
      fault.what = what_;
    }
    return read;
  }

 private:
  bool Fail(std::string_view what) {
    if (what_.empty()) what_ = what;
    return false;
  }

  JsonFault Where() const {
    JsonFault where;
    where.line = 1;
    std::size_t lineStart = 0;
    const std::size_t end = failedAt_ < text_.size() ? failedAt_ : text_.size();
    for (std::size_t i = 0; i < end; ++i) {
      if (text_[i] == '\n') {
        ++where.line;
        lineStart = i + 1;
      }
    }
    where.column = end - lineStart + 1;
    return where;
  }

  void SkipSpace() {
    while (at_ < text_.size() && IsJsonSpace(text_[at_])) ++at_;
    failedAt_ = at_;
  }
  bool AtEnd() const { return at_ >= text_.size(); }
  bool Take(char c) {
    SkipSpace();
    if (AtEnd() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue& value, int depth) {
    SkipSpace();
    if (AtEnd()) return Fail(messages::json::kEndsEarly);
    const char c = text_[at_];
    if (c == '{' || c == '[') {
      if (depth == kMaxJsonDepth) return Fail(messages::json::kTooDeep);
      return c == '{' ? Object(value, depth + 1) : Array(value, depth + 1);
    }
    if (c == '"') {
      value.kind = JsonValue::Kind::kString;
      return String(value.string);
    }
    if (c == '-' || IsDigit(c)) return Number(value);
    if (Word("true")) {
      value.kind = JsonValue::Kind::kBool;
      value.boolean = true;
      return true;
    }
    if (Word("false")) {
      value.kind = JsonValue::Kind::kBool;
      return true;
    }
    if (Word("null")) return true;
    return Fail(messages::json::kNoValue);
  }

  bool Object(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::kObject;
    ++at_;
    if (Take('}')) return true;
    do {
      SkipSpace();
      if (AtEnd() || text_[at_] != '"') return Fail(messages::json::kNoMemberName);
      const std::size_t nameAt = at_;
      std::string name;
      if (!MemberName(name)) return false;
      if (value.Member(name) != nullptr) {
        failedAt_ = nameAt;
        return Fail(messages::json::kMemberTwice);
      }
      if (!Take(':')) return Fail(messages::json::kNoColon);
      value.names.push_back(std::move(name));
      JsonValue& member = value.values.emplace_back();
      if (depth == 1 && each_ != nullptr && value.names.back() == streamed_ && Take('[')) {
        if (!StreamedArray(member)) return false;
      } else if (!Value(member, depth)) {
        return false;
      }
    } while (Take(','));
    return Take('}') || Fail(messages::json::kObjectNotClosed);
  }

  // A member name as UTF-8. Most are plain ASCII without escapes, taken as they stand;
  // any other is read as a string and converted.
  bool MemberName(std::string& name) {
    std::size_t end = at_ + 1;
    while (end < text_.size()) {
      const auto c = static_cast<unsigned char>(text_[end]);
      if (c < 0x20 || c >= 0x80 || c == '\\') break;
      if (c == '"') {
        name.assign(text_.substr(at_ + 1, end - at_ - 1));
        at_ = end + 1;
        return true;
      }
      ++end;
    }
    name_.clear();
    if (!String(name_)) return false;
    name = Utf16ToUtf8(name_);
    return true;
  }

  bool Array(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::kArray;
    ++at_;
    if (Take(']')) return true;
    do {
      value.items.emplace_back();
      if (!Value(value.items.back(), depth)) return false;
    } while (Take(','));
    return Take(']') || Fail(messages::json::kArrayNotClosed);
  }

  // The elements of the streamed array, each handed on as soon as it is read and then
  // dropped; one value is reused for all, so that its storage is reused too.
  bool StreamedArray(JsonValue& value) {
    value.kind = JsonValue::Kind::kArray;
    if (Take(']')) return true;
    JsonValue item;
    std::size_t index = 0;
    do {
      item.items.clear();
      item.names.clear();
      item.values.clear();
      item.string.clear();
      item.kind = JsonValue::Kind::kNull;
      if (!Value(item, 2)) return false;
      (*each_)(index++, item);
    } while (Take(','));
    return Take(']') || Fail(messages::json::kArrayNotClosed);
  }

  bool Number(JsonValue& value) {
    const std::size_t start = at_;
    if (text_[at_] == '-') ++at_;
    const auto digits = [this] {
      const std::size_t from = at_;
      while (!AtEnd() && IsDigit(text_[at_])) ++at_;
      return at_ > from;
    };
    const bool leadingZero = !AtEnd() && text_[at_] == '0';
    if (!digits()) return Fail(messages::json::kNoDigit);
    if (leadingZero && at_ - start - (text_[start] == '-') > 1) {
      return Fail(messages::json::kLeadingZero);
    }
    if (!AtEnd() && text_[at_] == '.' && (++at_, !digits())) {
      return Fail(messages::json::kNoFractionDigit);
    }
    if (!AtEnd() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (!AtEnd() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!digits()) return Fail(messages::json::kNoExponentDigit);
    }
    value.kind = JsonValue::Kind::kNumber;
    value.number = std::string(text_.substr(start, at_ - start));
    return true;
  }

  bool Hex4(char32_t& code) {
    if (at_ + 4 > text_.size()) return Fail(messages::json::kShortUnicodeEscape);
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = HexValue(text_[at_ + i]);
      if (digit < 0) return Fail(messages::json::kShortUnicodeEscape);
      code = code * 16 + static_cast<char32_t>(digit);
    }
    at_ += 4;
    return true;
  }

  bool Escape(std::u16string& out) {
    failedAt_ = at_ - 1;
    if (AtEnd()) return Fail(messages::json::kStringNotClosed);
    const char c = text_[at_++];
    constexpr std::string_view kFrom = "\"\\/bfnrt";
    constexpr std::u16string_view kTo = u"\"\\/\b\f\n\r\t";
    if (const std::size_t i = kFrom.find(c); i != std::string_view::npos) {
      out += kTo[i];
      return true;
    }
    if (c != 'u') return Fail(messages::json::kUnknownEscape);
    char32_t unit = 0;
    if (!Hex4(unit)) return false;
    // A pair of escapes stands for one character; any other surrogate stays one unit.
    out += static_cast<char16_t>(unit);
    return true;
  }

  // One character of UTF-8 from `at_`, appended as UTF-16.
  bool Utf8Character(std::u16string& out) {
    failedAt_ = at_;
    const auto lead = static_cast<unsigned char>(text_[at_]);
    const int tail = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (tail < 0 || lead > 0xF4 || at_ + 1 + tail > text_.size()) {
      return Fail(messages::json::kNotUtf8);
    }
    char32_t code = tail == 0 ? lead : lead & (0x3F >> tail);
    for (int i = 1; i <= tail; ++i) {
      const auto next = static_cast<unsigned char>(text_[at_ + i]);
      if ((next & 0xC0) != 0x80) return Fail(messages::json::kNotUtf8);
      code = (code << 6) | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < smallest[tail] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return Fail(messages::json::kNotUtf8);
    }
    at_ += 1 + tail;
    AppendCodePoint(code, out);
    return true;
  }

  // Appends the plain ASCII characters from `at_` on at once: most of a document.
  void AsciiRun(std::u16string& out) {
    std::size_t end = at_;
    while (end < text_.size()) {
      const auto c = static_cast<unsigned char>(text_[end]);
      if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') break;
      ++end;
    }
    const std::size_t start = out.size();
    out.resize(start + (end - at_));
    for (std::size_t i = at_; i < end; ++i)
      out[start + (i - at_)] = static_cast<char16_t>(text_[i]);
    at_ = end;
  }

  bool String(std::u16string& out) {
    ++at_;  // the opening quote
    for (;;) {
      if (AtEnd()) {
        failedAt_ = at_;
        return Fail(messages::json::kStringNotClosed);
      }
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) {
        failedAt_ = at_;
        return Fail(messages::json::kRawControl);
      }
      if (c == '\\') {
        ++at_;
        if (!Escape(out)) return false;
      } else if (c < 0x80) {
        AsciiRun(out);
      } else if (!Utf8Character(out)) {
        return false;
      }
    }
  }

  std::string_view text_;
  std::string_view streamed_;
  const JsonItemSink* each_ = nullptr;
  std::size_t at_ = 0;
  std::size_t failedAt_ = 0;  // where a refusal is told to be
  std::string what_;
  std::u16string name_;  // a member name as read, before it is stored as UTF-8
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view name) const {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return &values[i];
  }
  return nullptr;
}

bool ParseJson(std::string_view text, JsonValue& value, JsonFault& fault) {
  value = JsonValue{};
  return Reader(text, {}, nullptr).Document(value, fault);
}

bool ParseJsonStreaming(std::string_view text, std::string_view member, const JsonItemSink& each,
                        JsonValue& value, JsonFault& fault) {
  value = JsonValue{};
  return Reader(text, member, &each).Document(value, fault);
}

std::string_view JsonKindName(JsonValue::Kind kind) {
  switch (kind) {
    case JsonValue::Kind::kNull:
      return messages::json::kNull;
    case JsonValue::Kind::kBool:
      return messages::json::kBool;
    case JsonValue::Kind::kNumber:
      return messages::json::kNumber;
    case JsonValue::Kind::kString:
      return messages::json::kString;
    case JsonValue::Kind::kArray:
      return messages::json::kArray;
    case JsonValue::Kind::kObject:
      break;
  }
  return messages::json::kObject;
}

}  // namespace tirv::cli
