// ProfileDocument: one INI-style profile file held whole in memory.
//
// The document keeps the file's bytes as read and one 32-bit reference per section
// header and entry, so a load needs little more memory than the file itself: names,
// keys and values are found in the bytes again when they are asked for, and decoded
// through the code page only when compared or handed out. Duplicate sections and keys
// are kept. Section names and keys match without regard to letter case and are stored
// as read or as given. A document that was changed writes the whole file back when it
// is destroyed. A document is not for use from several threads at once, not even
// through its const calls (Value fills a cache).
//
// Format read: lines end at CR LF, a lone CR or a lone LF. "[name]" (after trimming
// tabs and spaces) starts a section; "key=value" adds an entry to the latest section,
// key and value trimmed; blank lines carry nothing. Any other line, and an entry before
// the first section, is a failed line: Load reports kGeneralFailure but keeps parsing.
// Format written: "[name]\r\n", "key=value\r\n" per entry, "\r\n" after each section,
// in the default code page; every line whole, whatever its length. A loaded name, key
// or value is written back as the very bytes it was read from.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files.h"
#include "platform/status.h"

namespace tirv {

class CodePage;

/// Copies of one section's name and entries, for inspection.
struct ProfileEntryCopy {
  std::u16string key;
  std::u16string value;
  bool operator==(const ProfileEntryCopy&) const = default;
};

struct ProfileSectionCopy {
  std::u16string name;
  std::vector<ProfileEntryCopy> entries;
  bool operator==(const ProfileSectionCopy&) const = default;
};

/// Why a loaded file failed to parse, and where first.
struct ProfileFault {
  enum Kind {
    kNone,
    kZeroByte,            ///< the file holds a zero byte (nothing was kept)
    kNotAnEntry,          ///< a line is neither "[name]", "key=value" nor blank
    kEntryBeforeSection,  ///< a "key=value" line comes before the first "[name]"
  };
  Kind kind = kNone;
  std::uint32_t line = 0;  ///< the first failed line, counted from 1 (0 for kZeroByte)
};

class ProfileDocument {
 public:
  /// The largest file a document loads, in bytes: references into it are 31 bits.
  static constexpr std::size_t kMaxFileSize = 0x7FFFFFFF;

  ProfileDocument() = default;
  ProfileDocument(const ProfileDocument&) = delete;
  ProfileDocument& operator=(const ProfileDocument&) = delete;
  /// Saves first when the document was changed and not saved since, ignoring the status.
  virtual ~ProfileDocument();

  /// Reads the file at `path` (kept for Save). Called once, on a new document.
  /// 0: loaded, or nothing exists at `path` (the document stays empty).
  /// kGeneralFailure: the file exists but cannot be opened or read, is larger than
  /// kMaxFileSize, holds a zero byte, memory ran out (in these cases the document stays
  /// empty), or a line failed to parse (the document holds every line that parsed).
  Status Load(std::u16string_view path);

  /// Load, on the whole content of the file at `path` that the caller has read already;
  /// the document keeps `bytes`. Returns what Load would for a file of these bytes.
  Status LoadBytes(std::u16string_view path, FileBytes bytes);

  /// Sets `value` under `key` in the first section named `section`: replaces the first
  /// entry `key` there, or adds the entry after the section's last one, or adds the
  /// section at the end. The entry takes the caller's letter case for its key; an
  /// existing section keeps its own. 0, or kGeneralFailure with the document as it was
  /// when memory runs out or when the text would not read back as given: a CR, LF or
  /// zero character in any of the three, an "=" in the key, or a key that begins with
  /// "[" together with a value that ends with "]" (the line would read as a header).
  Status SetValue(std::u16string_view section, std::u16string_view key, std::u16string_view value);

  /// Puts into `out` the bytes Save writes. 0, or kGeneralFailure when memory runs out
  /// (`out` is then empty).
  Status Render(std::string& out) const;

  /// Replaces the file safely with Render's bytes (see ReplaceFileSafely).
  /// 0, or kGeneralFailure with the file left as it was.
  Status Save();

  /// Forgets that the document was changed, so destruction writes nothing.
  void Discard() { modified_ = false; }

  /// The value of the first entry `key` of the first section `section` that has one, or
  /// `defaultValue` when there is none or its value is empty; whole, however long. The
  /// view lives as long as the document and `defaultValue`. Should memory run out while
  /// a loaded value is decoded, `defaultValue` (GetValue allocates nothing).
  std::u16string_view Value(std::u16string_view section, std::u16string_view key,
                            std::u16string_view defaultValue) const;

  /// Value(), copied into `buffer`: cut to `capacity` - 1 characters and terminated.
  /// Returns the length copied; 0 and nothing written when `capacity` is 0 or less.
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

  /// Copies every section with its entries into `out`, in file order. 0, or
  /// kGeneralFailure when memory runs out (`out` is then empty).
  Status Sections(std::vector<ProfileSectionCopy>& out) const;

  const std::u16string& path() const { return path_; }
  bool modified() const { return modified_; }
  /// What the last load found wrong first; kind kNone when every line parsed.
  const ProfileFault& fault() const { return fault_; }

 private:
  // A line given to SetValue: a section header (`name` is the section's name) or an
  // entry (`name` is its key).
  struct GivenLine {
    bool header = false;
    std::u16string name;
    std::u16string value;
  };
  // Where SetValue puts its entry: indexes into lines_ of the first matching header and
  // of its first matching entry (-1 when missing), and of the line after the section.
  struct Target {
    std::ptrdiff_t header;
    std::ptrdiff_t entry;
    std::size_t end;
  };
  struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t size() const { return end - begin; }
  };

  Status Parse();
  void Clear();

  bool IsGiven(std::uint32_t line) const;
  bool IsHeader(std::uint32_t line) const;
  const GivenLine& Given(std::uint32_t line) const;
  Span HeaderName(std::uint32_t line) const;
  Span EntryKey(std::uint32_t line) const;
  Span EntryValue(std::uint32_t line) const;
  bool NameIs(std::uint32_t line, std::u16string_view name) const;
  bool KeyIs(std::uint32_t line, std::u16string_view key) const;
  bool KeyHasSemicolon(std::uint32_t line) const;
  std::size_t ValueSize(std::uint32_t line) const;
  std::size_t KeySize(std::uint32_t line) const;
  std::size_t CopyKey(std::uint32_t line, char16_t* out) const;
  std::size_t CopyValue(std::uint32_t line, std::size_t limit, char16_t* out) const;
  std::u16string_view DecodedValue(std::uint32_t line) const;
  Target FindTarget(std::u16string_view section, std::u16string_view key) const;
  void PlaceGiven(const Target& target, std::u16string_view section, std::u16string_view key,
                  std::u16string_view value);
  std::ptrdiff_t FindEntry(std::u16string_view section, std::u16string_view key) const;
  template <typename Sink>
  void Emit(Sink& sink) const;
  std::string_view Bytes(Span span) const;

  std::u16string path_;
  const CodePage* page_ = nullptr;  // set by every load; loaded lines are in this page
  FileBytes bytes_;                 // the file as read; loaded lines refer to it
  // One reference per header and entry, in file order: a loaded header is the offset of
  // its name (the byte after "["), a loaded entry the offset of its trimmed line, and
  // one with the top bit set the index of a line given to SetValue.
  std::vector<std::uint32_t> lines_;
  // Lines given to SetValue, never freed before the document, so views that Value
  // handed out stay valid after a later SetValue.
  std::vector<std::unique_ptr<GivenLine>> given_;
  // Loaded values that Value decoded, by the offset of their entry.
  mutable std::unordered_map<std::uint32_t, std::u16string> decoded_;
  bool modified_ = false;
  ProfileFault fault_;
};

}  // namespace tirv
