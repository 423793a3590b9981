// A small JSON reader for tests that check what a program prints. It keeps to the JSON
// grammar (RFC 8259) where output can go wrong: unescaped control characters, bytes that
// are not UTF-8, bad escapes, missing commas. Numbers, which no output of ours holds,
// are refused.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tirv::testing {

struct Json {
  enum class Kind { kNull, kBool, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string string;  ///< UTF-8; an escaped lone surrogate becomes its three-byte form
  std::vector<Json> items;
  // Names and values of an object's members, in their order. Two vectors, because a
  // pair cannot hold the type it is a member of before that type is complete.
  std::vector<std::string> names;
  std::vector<Json> values;

  bool IsNull() const { return kind == Kind::kNull; }
  /// The member `key`, or a null value.
  const Json& operator[](std::string_view key) const {
    static const Json kMissing;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i] == key) return values[i];
    }
    return kMissing;
  }
  std::vector<std::string> Keys() const { return names; }
};

class JsonReader {
 public:
  /// The one value `text` holds; nothing when it is not JSON.
  static std::optional<Json> Parse(std::string_view text) {
    JsonReader reader(text);
    Json value;
    if (!reader.Value(value) || reader.Peek() != '\0') return std::nullopt;
    return value;
  }

 private:
  explicit JsonReader(std::string_view text) : text_(text) {}

  char Peek() {
    while (at_ < text_.size() &&
           std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos)
      ++at_;
    return at_ < text_.size() ? text_[at_] : '\0';
  }
  bool Take(char c) { return Peek() == c && ++at_ > 0; }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool Value(Json& value) {
    const char c = Peek();
    if (Take('{')) {
      value.kind = Json::Kind::kObject;
      if (Take('}')) return true;
      do {
        std::string key;
        Json member;
        if (Peek() != '"' || !String(key) || !Take(':') || !Value(member)) return false;
        value.names.push_back(std::move(key));
        value.values.push_back(std::move(member));
      } while (Take(','));
      return Take('}');
    }
    if (Take('[')) {
      value.kind = Json::Kind::kArray;
      if (Take(']')) return true;
      do {
        value.items.emplace_back();
        if (!Value(value.items.back())) return false;
      } while (Take(','));
      return Take(']');
    }
    if (c == '"') {
      value.kind = Json::Kind::kString;
      return String(value.string);
    }
    if (Word("true")) {
      value.kind = Json::Kind::kBool;
      value.boolean = true;
      return true;
    }
    if (Word("false")) {
      value.kind = Json::Kind::kBool;
      return true;
    }
    return Word("null");
  }

  static void AppendUtf8(std::uint32_t code, std::string& out) {
    if (code < 0x80) return out.push_back(static_cast<char>(code));
    const int tail = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    out.push_back(static_cast<char>(((0xFF << (7 - tail)) & 0xFF) | (code >> (6 * tail))));
    for (int i = tail - 1; i >= 0; --i)
      out.push_back(static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F)));
  }

  bool Hex4(std::uint32_t& code) {
    const std::string hex(text_.substr(at_, 4));
    char* end = nullptr;
    code = static_cast<std::uint32_t>(std::strtoul(hex.c_str(), &end, 16));
    at_ += 4;
    return hex.size() == 4 && end == hex.c_str() + 4;
  }

  bool Escape(std::string& out) {
    const std::string_view from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
    const char c = at_ < text_.size() ? text_[at_++] : '\0';
    if (c != '\0' && from.find(c) != std::string_view::npos) {
      out += to[from.find(c)];
      return true;
    }
    std::uint32_t code = 0, low = 0;
    if (c != 'u' || !Hex4(code)) return false;
    const std::size_t back = at_;
    if (code >= 0xD800 && code <= 0xDBFF && Word("\\u") && Hex4(low) && low >= 0xDC00 &&
        low <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    } else {
      at_ = back;
    }
    AppendUtf8(code, out);
    return true;
  }

  bool String(std::string& out) {
    ++at_;  // the opening quote
    while (at_ < text_.size()) {
      const auto c = static_cast<unsigned char>(text_[at_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;  // a control character must be escaped
      if (c == '\\') {
        if (!Escape(out)) return false;
        continue;
      }
      // A UTF-8 sequence: its lead byte tells how many continuation bytes follow.
      const int tail = c < 0x80 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : -1;
      if (tail < 0 || at_ + tail > text_.size()) return false;
      out.push_back(static_cast<char>(c));
      for (int i = 0; i < tail; ++i, ++at_) {
        if ((text_[at_] & 0xC0) != 0x80) return false;
        out.push_back(text_[at_]);
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace tirv::testing
