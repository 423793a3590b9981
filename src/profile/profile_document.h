// ProfileDocument: one INI-style profile file held whole in memory.
//
// The file is read in one pass into an ordered list of sections, each an ordered list
// of key/value entries; duplicates of both are kept. Section names and keys match
// without regard to letter case and are stored as read or as given. A document that
// was changed writes the whole file back when it is destroyed.
//
// Format read: lines end at CR LF, a lone CR or a lone LF. "[name]" (after trimming
// tabs and spaces) starts a section; "key=value" adds an entry to the latest section,
// key and value trimmed; blank lines carry nothing. Any other line, and an entry before
// the first section, is a failed line: Load reports kGeneralFailure but keeps parsing.
// Format written: "[name]\r\n", "key=value\r\n" per entry, "\r\n" after each section,
// in the default code page; every line whole, whatever its length.
#pragma once

#include <cstdint>
#include <forward_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files.h"
#include "status.h"

namespace tirv {

struct ProfileEntry {
  std::u16string_view key;
  std::u16string_view value;
};

struct ProfileSection {
  std::u16string_view name;
  std::vector<ProfileEntry> entries;
};

class ProfileDocument {
 public:
  ProfileDocument() = default;
  ProfileDocument(const ProfileDocument&) = delete;
  ProfileDocument& operator=(const ProfileDocument&) = delete;
  /// Saves first when the document was changed and not saved since, ignoring the status.
  virtual ~ProfileDocument();

  /// Reads the file at `path` (kept for Save). Called once, on a new document.
  /// 0: loaded, or nothing exists at `path` (the document stays empty).
  /// kGeneralFailure: the file exists but cannot be opened or read, holds a zero byte,
  /// memory ran out (the document stays empty), or a line failed to parse (the document
  /// holds every line that parsed).
  Status Load(std::u16string_view path);

  /// As Load, on the bytes of the file at `path` that the caller has read already.
  Status LoadBytes(std::u16string_view path, FileBytes bytes);

  /// Sets `value` under `key` in the first section named `section`, appending the
  /// section or the entry when missing. The entry takes the caller's letter case for its
  /// key; an existing section keeps its own. 0, or kGeneralFailure when memory runs out
  /// (the document is then as it was).
  Status SetValue(std::u16string_view section, std::u16string_view key, std::u16string_view value);

  /// Replaces the file safely with the document's text (see ReplaceFileSafely).
  /// 0, or kGeneralFailure with the file left as it was.
  Status Save();

  /// The bytes that Save writes. kGeneralFailure when memory runs out.
  Status Render(std::string& out) const;

  /// Forgets that the document was changed, so destruction writes nothing.
  void Discard() { modified_ = false; }

  /// The value of the first entry `key` of the first section `section` that has one, or
  /// `defaultValue` when there is none or its value is empty; whole, however long. The
  /// view lives as long as the document and `defaultValue`.
  std::u16string_view Value(std::u16string_view section, std::u16string_view key,
                            std::u16string_view defaultValue) const;

  /// Value(), copied into `buffer`: cut to `capacity` - 1 characters and terminated.
  /// Returns the length copied.
  std::int32_t GetValue(std::u16string_view section, std::u16string_view key,
                        std::u16string_view defaultValue, char16_t* buffer,
                        std::int32_t capacity) const;

  /// Lists "key=value" of every entry of every section named `section`, leaving out keys
  /// that contain ";". Each listed text is followed by a terminating zero and one
  /// untouched position; an entry is stored only while the room (starting at
  /// `capacity`, less the length + 2 of every entry tried) stays above 0, and once one
  /// does not fit, no later one does. Returns `capacity` minus the room left: at least
  /// `capacity` when something did not fit.
  std::int32_t ListSection(std::u16string_view section, char16_t* buffer,
                           std::int32_t capacity) const;

  const std::u16string& path() const { return path_; }
  const std::vector<ProfileSection>& sections() const { return sections_; }
  bool modified() const { return modified_; }

 private:
  Status Parse(const char* bytes, std::size_t size);
  bool ParseLine(const char* bytes, std::size_t begin, std::size_t end);
  std::u16string_view Keep(std::u16string_view text);
  void Clear();

  std::u16string path_;
  std::unique_ptr<char16_t[]> text_;  // the decoded file; loaded names, keys, values view it
  std::size_t textSize_ = 0;
  // Texts given to SetValue. A list keeps their views valid, and unlike a deque it
  // allocates nothing while the document stays unchanged.
  std::forward_list<std::u16string> given_;
  std::vector<ProfileSection> sections_;
  std::ptrdiff_t currentSection_ = -1;  // the section being filled while loading
  bool modified_ = false;
};

}  // namespace tirv
