// The three one-shot calls through which the editor reads and writes profile files.
//
// Each call loads the named file afresh into its own ProfileDocument, does one thing
// and discards the document before it returns; a write is on disk when the call
// returns. Buffers are the caller's, sized in characters, terminator included.
#pragma once

#include <cstdint>
#include <string_view>

namespace tirv {

/// Copies the value of `key` in `section` of `file` into `buffer`, or `defaultValue`
/// when the key is missing, its value is empty, or the file is absent; cut to
/// `capacity` - 1 characters (capacity at least 1) and terminated. Returns the number
/// of characters copied. When the file cannot be loaded (unreadable, a zero byte, a line
/// that is not a header, an entry or blank) returns 0 and leaves an empty text.
std::int32_t ReadProfileString(std::u16string_view section, std::u16string_view key,
                               std::u16string_view defaultValue, char16_t* buffer,
                               std::int32_t capacity, std::u16string_view file);

/// Sets `key` in `section` of `file` to `value` and writes the file back (creating it
/// when absent). Returns 1 when the file now holds the value; 0 when the file cannot be
/// loaded or written back, or the text would not read back as given (a line break or a
/// zero character, see ProfileDocument::SetValue), and then the file is byte for byte
/// as it was.
std::int32_t WriteProfileString(std::u16string_view section, std::u16string_view key,
                                std::u16string_view value, std::u16string_view file);

/// Lists the entries of every section named `section` (ProfileDocument::ListSection).
/// Returns 0 and writes nothing when the file is absent or cannot be loaded.
std::int32_t ReadProfileSection(std::u16string_view section, char16_t* buffer,
                                std::int32_t capacity, std::u16string_view file);

}  // namespace tirv
