// Text conversion: the 8-bit code page of the profile files, UTF-8 file names, and the
// letter-case folding that names, keys and combo-box searches use.
//
// The code page is Windows-1252 unless the environment variable TIRVANE_CODEPAGE names
// another single-byte code page that iconv knows. Every byte 0x01..0xFF maps to one
// 16-bit unit and back to the same byte, so a file read and written unchanged keeps
// its bytes; a character that the code page cannot hold is written as "?".
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tirv {

class CodePage {
 public:
  /// Windows-1252, with its five undefined bytes kept as U+0081, U+008D, U+008F,
  /// U+0090 and U+009D.
  static const CodePage& Windows1252();

  /// The code page named by TIRVANE_CODEPAGE, read once. A name that FromIconv refuses
  /// falls back to Windows-1252.
  static const CodePage& Default();

  /// Why Default() is not the code page TIRVANE_CODEPAGE names, as a person reads it
  /// ("code page \"IBM037\" is not ..."); empty when it is, or when none is named.
  static std::string DefaultWarning();

  /// Builds the table of a single-byte code page through iconv. Returns false, leaving
  /// `out` untouched, when iconv does not know the name, a byte only starts a longer
  /// sequence (UTF-8, EUC-JP...), a byte maps to more than one unit, or an ASCII
  /// character is not itself (a byte below 0x80 that has no character or another, or a
  /// byte above that stands for one: EBCDIC would write a character as a line end).
  static bool FromIconv(const char* name, CodePage& out);

  const std::string& name() const { return name_; }

  char16_t Decode(unsigned char byte) const { return toWide_[byte]; }
  /// Byte for a unit, or '?' when the code page has no such character.
  char Encode(char16_t unit) const { return fromWide_[unit]; }

  /// Decodes `size` bytes into `out`, which has room for `size` units.
  void DecodeInto(const char* bytes, std::size_t size, char16_t* out) const;
  std::u16string Decode(std::string_view bytes) const;
  void AppendEncoded(std::u16string_view text, std::string& out) const;
  std::string Encode(std::u16string_view text) const;
  /// The index of the first unit of `text` that the code page cannot hold (a zero unit,
  /// a surrogate, a character it has no byte for), or npos when every unit has a byte.
  std::size_t FindUnencodable(std::u16string_view text) const;

 private:
  void BuildReverse();

  std::string name_;
  bool asciiCompatible_ = true;
  std::array<char16_t, 256> toWide_{};
  std::array<char, 65536> fromWide_{};
};

/// UTF-8 (file names on Linux) to UTF-16. Bytes that are not valid UTF-8 become
/// U+DC80..U+DCFF, so any name read from a folder converts back to the same bytes.
std::u16string Utf8ToUtf16(std::string_view utf8);
/// The reverse of Utf8ToUtf16; unpaired surrogates other than U+DC80..U+DCFF become "?".
std::string Utf16ToUtf8(std::u16string_view text);

/// Folds letter case of one unit: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic.
/// Only a capital and its own small letter fold together: dotted capital I and dotless
/// small i stay apart from each other and from I and i.
char16_t FoldCase(char16_t unit);
/// Whole-string comparison without regard to letter case.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
bool StartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix);
/// Ordering of folded units: negative, zero or positive.
int CompareIgnoreCase(std::u16string_view a, std::u16string_view b);

/// Convenience for literals and tests: ASCII/UTF-8 to UTF-16.
inline std::u16string U16(std::string_view utf8) { return Utf8ToUtf16(utf8); }

}  // namespace tirv
