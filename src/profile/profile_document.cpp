#include "profile_document.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>

#include "files.h"
#include "memory.h"
#include "text.h"

namespace tirv {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Copy rule of every read: cut to capacity - 1, terminate, return the length.
std::int32_t CopyText(std::u16string_view text, char16_t* buffer, std::int32_t capacity) {
  if (capacity <= 0) return 0;
  const std::size_t room = static_cast<std::size_t>(capacity) - 1;
  const std::size_t n = text.size() < room ? text.size() : room;
  text.copy(buffer, n);
  buffer[n] = u'\0';
  return static_cast<std::int32_t>(n);
}

void AppendLine(std::string& out, const CodePage& page, std::u16string_view a, char separator,
                std::u16string_view b) {
  page.AppendEncoded(a, out);
  out.push_back(separator);
  page.AppendEncoded(b, out);
  out.append("\r\n");
}

// Position of the first CR, LF or zero byte at or after `from`, or `size` when there is
// none. Lines are short, so eight bytes are tested at once.
std::size_t FindLineEnd(const char* data, std::size_t from, std::size_t size) {
  std::size_t i = from;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    for (; i + 8 <= size; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, data + i, 8);
      const std::uint64_t cr = word ^ (kOnes * '\r');
      const std::uint64_t lf = word ^ (kOnes * '\n');
      // A byte is zero in `x` when (x - 1) borrows into its high bit while x's was clear;
      // the lowest such byte is always a true match.
      const std::uint64_t hits =
          (((word - kOnes) & ~word) | ((cr - kOnes) & ~cr) | ((lf - kOnes) & ~lf)) & kHigh;
      if (hits != 0) return i + static_cast<std::size_t>(std::countr_zero(hits)) / 8;
    }
  }
  for (; i < size; ++i) {
    const char c = data[i];
    if (c == '\r' || c == '\n' || c == '\0') return i;
  }
  return size;
}

}  // namespace

ProfileDocument::~ProfileDocument() {
  if (modified_) Save();
}

Status ProfileDocument::Load(std::u16string_view path) {
  try {
    path_ = path;
    FileBytes bytes;
    switch (ReadWholeFile(path, bytes)) {
      case ReadOutcome::kAbsent:
        return 0;
      case ReadOutcome::kFailed:
        return kGeneralFailure;
      case ReadOutcome::kRead:
        break;
    }
    return Parse(bytes.data.get(), bytes.size);
  } catch (const std::bad_alloc&) {
    Clear();
    return kGeneralFailure;
  }
}

Status ProfileDocument::LoadBytes(std::u16string_view path, FileBytes bytes) {
  try {
    path_ = path;
    return Parse(bytes.data.get(), bytes.size);
  } catch (const std::bad_alloc&) {
    Clear();
    return kGeneralFailure;
  }
}

void ProfileDocument::Clear() {
  sections_.clear();
  text_.reset();
  textSize_ = 0;
  currentSection_ = -1;
}

Status ProfileDocument::Parse(const char* data, std::size_t size) {
  text_ = std::make_unique_for_overwrite<char16_t[]>(size);
  textSize_ = size;
  sections_.reserve(4);  // a resource file has two sections: one allocation, no regrowth
  AdviseLargeBuffer(text_.get(), size * sizeof(char16_t));
  CodePage::Default().DecodeInto(data, size, text_.get());

  bool allParsed = true;
  for (std::size_t begin = 0;;) {
    const std::size_t end = FindLineEnd(data, begin, size);
    if (end == size) {
      allParsed = ParseLine(data, begin, end) && allParsed;
      break;
    }
    // A zero byte would end the text early for every other reader, and a later write
    // would drop every line after it: refuse the whole file instead.
    if (data[end] == '\0') {
      Clear();
      return kGeneralFailure;
    }
    allParsed = ParseLine(data, begin, end) && allParsed;
    begin = end + 1;
    if (data[end] == '\r' && begin < size && data[begin] == '\n') ++begin;  // CR LF is one end
  }
  currentSection_ = -1;
  return allParsed ? 0 : kGeneralFailure;
}

bool ProfileDocument::ParseLine(const char* bytes, std::size_t begin, std::size_t end) {
  while (begin < end && IsBlank(bytes[begin])) ++begin;
  while (end > begin && IsBlank(bytes[end - 1])) --end;
  if (begin == end) return true;
  const char16_t* text = text_.get();

  /* A "[section]" line; "[]" names a section with an empty name. */
  if (bytes[begin] == '[' && bytes[end - 1] == ']' && end - begin >= 2) {
    // Sections of one file tend to be alike: start the new one with the room the last
    // one needed, which saves most of the regrowth on large files, and with room for a
    // few entries at least, which is all a resource file's sections hold.
    constexpr std::size_t kFewEntries = 4;
    const std::size_t expected =
        sections_.empty() ? kFewEntries : std::max(kFewEntries, sections_.back().entries.size());
    sections_.push_back(ProfileSection{{text + begin + 1, end - begin - 2}, {}});
    sections_.back().entries.reserve(expected);
    currentSection_ = static_cast<std::ptrdiff_t>(sections_.size()) - 1;
    return true;
  }

  /* A "key=value" line: the first "=" splits, later ones belong to the value. */
  std::size_t eq = begin;
  while (eq < end && bytes[eq] != '=') ++eq;
  if (eq == end || currentSection_ < 0) return false;
  std::size_t keyEnd = eq;
  std::size_t valueBegin = eq + 1;
  while (keyEnd > begin && IsBlank(bytes[keyEnd - 1])) --keyEnd;
  while (valueBegin < end && IsBlank(bytes[valueBegin])) ++valueBegin;
  sections_[static_cast<std::size_t>(currentSection_)].entries.push_back(
      ProfileEntry{{text + begin, keyEnd - begin}, {text + valueBegin, end - valueBegin}});
  return true;
}

std::u16string_view ProfileDocument::Keep(std::u16string_view text) {
  given_.emplace_front(text);
  return given_.front();
}

Status ProfileDocument::SetValue(std::u16string_view section, std::u16string_view key,
                                 std::u16string_view value) {
  ProfileSection* target = nullptr;
  for (ProfileSection& s : sections_) {
    if (EqualsIgnoreCase(s.name, section)) {
      target = &s;
      break;
    }
  }
  ProfileEntry* entry = nullptr;
  if (target != nullptr) {
    for (ProfileEntry& e : target->entries) {
      if (EqualsIgnoreCase(e.key, key)) {
        entry = &e;
        break;
      }
    }
  }
  try {
    // Everything that allocates comes before the first change, so a failure changes
    // nothing that a later save would write.
    const ProfileEntry given{Keep(key), Keep(value)};
    if (target == nullptr) {
      sections_.push_back(ProfileSection{Keep(section), {given}});
    } else if (entry == nullptr) {
      target->entries.push_back(given);
    } else {
      *entry = given;
    }
  } catch (const std::bad_alloc&) {
    return kGeneralFailure;
  }
  modified_ = true;
  return 0;
}

Status ProfileDocument::Render(std::string& out) const {
  out.clear();
  try {
    const CodePage& page = CodePage::Default();
    out.reserve(textSize_ + 64);
    for (const ProfileSection& s : sections_) {
      out.push_back('[');
      page.AppendEncoded(s.name, out);
      out.append("]\r\n");
      for (const ProfileEntry& e : s.entries) AppendLine(out, page, e.key, '=', e.value);
      out.append("\r\n");
    }
  } catch (const std::bad_alloc&) {
    return kGeneralFailure;
  }
  return 0;
}

Status ProfileDocument::Save() {
  std::string out;
  if (Failed(Render(out))) return kGeneralFailure;
  const Status status = ReplaceFileSafely(path_, out);
  if (Succeeded(status)) modified_ = false;
  return status;
}

std::u16string_view ProfileDocument::Value(std::u16string_view section, std::u16string_view key,
                                           std::u16string_view defaultValue) const {
  for (const ProfileSection& s : sections_) {
    if (!EqualsIgnoreCase(s.name, section)) continue;
    for (const ProfileEntry& e : s.entries) {
      if (!EqualsIgnoreCase(e.key, key)) continue;
      // An empty value reads as missing, and the search ends with the default.
      return e.value.empty() ? defaultValue : e.value;
    }
  }
  return defaultValue;
}

std::int32_t ProfileDocument::GetValue(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue, char16_t* buffer,
                                       std::int32_t capacity) const {
  return CopyText(Value(section, key, defaultValue), buffer, capacity);
}

std::int32_t ProfileDocument::ListSection(std::u16string_view section, char16_t* buffer,
                                          std::int32_t capacity) const {
  std::int64_t room = capacity;
  std::size_t at = 0;
  for (const ProfileSection& s : sections_) {
    if (!EqualsIgnoreCase(s.name, section)) continue;
    for (const ProfileEntry& e : s.entries) {
      if (e.key.find(u';') != std::u16string_view::npos) continue;
      const std::size_t length = e.key.size() + 1 + e.value.size();
      room -= static_cast<std::int64_t>(length) + 2;
      if (room <= 0) break;  // the rest of this section is left out
      e.key.copy(buffer + at, e.key.size());
      buffer[at + e.key.size()] = u'=';
      e.value.copy(buffer + at + e.key.size() + 1, e.value.size());
      buffer[at + length] = u'\0';
      at += length + 2;
    }
  }
  const std::int64_t used = static_cast<std::int64_t>(capacity) - room;
  return used > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(used);
}

}  // namespace tirv
