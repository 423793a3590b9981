#include "profile/profile_document.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "platform/text.h"

namespace tirv {

namespace {

using namespace std::literals;

constexpr std::uint32_t kGivenBit = 0x80000000u;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Copy rule of every read: cut to capacity - 1, terminate, return the length.
std::int32_t CopyText(std::u16string_view text, char16_t* buffer, std::int32_t capacity) {
  if (capacity <= 0) return 0;
  const std::size_t room = static_cast<std::size_t>(capacity) - 1;
  const std::size_t n = text.size() < room ? text.size() : room;
  text.copy(buffer, n);
  buffer[n] = u'\0';
  return static_cast<std::int32_t>(n);
}

bool BytesEqualIgnoreCase(std::string_view bytes, std::u16string_view text, const CodePage& page) {
  if (bytes.size() != text.size()) return false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char16_t unit = page.Decode(static_cast<unsigned char>(bytes[i]));
    if (unit != text[i] && FoldCase(unit) != FoldCase(text[i])) return false;
  }
  return true;
}

/* Scanning the bytes. Lines are short and files can be large, so the scans look at 16
   bytes at a time where the processor allows it. */

struct LineScan {
  std::size_t end;     // the CR or LF that ends the line, or the file's size
  std::size_t equals;  // the line's first "=", or `end` when it has none
};

#if defined(__SSE2__)

unsigned ByteMask(__m128i chunk, char c) {
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(c))));
}

__m128i Load16(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

#endif

LineScan ScanLine(const char* data, std::size_t from, std::size_t size) {
  std::size_t i = from;
  std::size_t equals = std::string_view::npos;
#if defined(__SSE2__)
  for (; i + 16 <= size; i += 16) {
    const __m128i chunk = Load16(data + i);
    const unsigned ends = ByteMask(chunk, '\r') | ByteMask(chunk, '\n');
    unsigned eqs = equals == std::string_view::npos ? ByteMask(chunk, '=') : 0;
    if (ends != 0) {
      eqs &= (ends & (0u - ends)) - 1;  // only those before the line's end
      const std::size_t end = i + static_cast<std::size_t>(std::countr_zero(ends));
      if (eqs != 0) equals = i + static_cast<std::size_t>(std::countr_zero(eqs));
      return {end, equals == std::string_view::npos ? end : equals};
    }
    if (eqs != 0) equals = i + static_cast<std::size_t>(std::countr_zero(eqs));
  }
#endif
  for (; i < size && !IsLineEnd(data[i]); ++i) {
    if (data[i] == '=' && equals == std::string_view::npos) equals = i;
  }
  return {i, equals == std::string_view::npos ? i : equals};
}

std::size_t FindLineEnd(const char* data, std::size_t from, std::size_t size) {
#if defined(__SSE2__)
  for (; from + 16 <= size; from += 16) {
    const __m128i chunk = Load16(data + from);
    const unsigned ends = ByteMask(chunk, '\r') | ByteMask(chunk, '\n');
    if (ends != 0) return from + static_cast<std::size_t>(std::countr_zero(ends));
  }
#endif
  while (from < size && !IsLineEnd(data[from])) ++from;
  return from;
}

// Counts the lines of `data` (a CR LF ends one line, and the text after the last end is
// a line too), or returns false when it holds a zero byte.
bool CountLines(const char* data, std::size_t size, std::size_t& lines) {
  std::size_t ends = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  // Each byte lane counts the ends it saw: a CR, or an LF that follows no CR. The lanes
  // are summed before any of them could overflow.
  const __m128i zero = _mm_setzero_si128();
  __m128i zeros = zero;
  if (size >= 17) {
    std::size_t blocks = (size - 1) / 16;
    i = 1;
    while (blocks > 0) {
      const std::size_t run = std::min<std::size_t>(blocks, 255);
      __m128i counts = zero;
      for (std::size_t k = 0; k < run; ++k, i += 16) {
        const __m128i chunk = Load16(data + i);
        const __m128i before = Load16(data + i - 1);
        const __m128i cr = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\r'));
        const __m128i lf = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\n'));
        const __m128i afterCr = _mm_cmpeq_epi8(before, _mm_set1_epi8('\r'));
        counts = _mm_sub_epi8(counts, _mm_or_si128(cr, _mm_andnot_si128(afterCr, lf)));
        zeros = _mm_or_si128(zeros, _mm_cmpeq_epi8(chunk, zero));
      }
      const __m128i sums = _mm_sad_epu8(counts, zero);
      ends += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
              static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
      blocks -= run;
    }
    if (_mm_movemask_epi8(zeros) != 0) return false;
    // The first byte was left out of the blocks, so that each block can see the byte
    // before it.
    if (data[0] == '\0') return false;
    ends += IsLineEnd(data[0]) ? 1 : 0;
  }
#endif
  for (; i < size; ++i) {
    const char c = data[i];
    if (c == '\0') return false;
    if (c == '\r' || (c == '\n' && (i == 0 || data[i - 1] != '\r'))) ++ends;
  }
  lines = ends + 1;
  return true;
}

// Makes room for `extra` more elements, growing by a quarter at least so that repeated
// calls stay cheap without doubling a large vector.
template <typename T>
void MakeRoom(std::vector<T>& v, std::size_t extra) {
  if (v.capacity() - v.size() >= extra) return;
  v.reserve(v.size() + std::max(extra, v.size() / 4 + 4));
}

bool HasLineBreakOrZero(std::u16string_view text) {
  return text.find_first_of(u"\r\n\0"sv) != std::u16string_view::npos;
}

// Whether "key=value" would read back as exactly this key and value's entry (blanks
// around either are trimmed, as ever).
bool ReadsBackAsEntry(std::u16string_view key, std::u16string_view value) {
  if (HasLineBreakOrZero(key) || HasLineBreakOrZero(value)) return false;
  if (key.find(u'=') != std::u16string_view::npos) return false;
  const std::size_t keyStart = key.find_first_not_of(u" \t");
  const std::size_t valueLast = value.find_last_not_of(u" \t");
  const bool looksLikeHeader = keyStart != std::u16string_view::npos && key[keyStart] == u'[' &&
                               valueLast != std::u16string_view::npos && value[valueLast] == u']';
  return !looksLikeHeader;
}

}  // namespace

ProfileDocument::~ProfileDocument() {
  if (modified_) Save();
}

/* Loading */

Status ProfileDocument::Load(std::u16string_view path) {
  FileBytes bytes;  // stays empty when the file is absent or cannot be read
  const ReadOutcome outcome = ReadWholeFile(path, bytes);
  const Status loaded = LoadBytes(path, std::move(bytes));
  return outcome == ReadOutcome::kFailed ? kGeneralFailure : loaded;
}

Status ProfileDocument::LoadBytes(std::u16string_view path, FileBytes bytes) {
  try {
    path_ = path;
    page_ = &CodePage::Default();  // built on first use, so it may run out of memory too
  } catch (const std::bad_alloc&) {
    return kGeneralFailure;
  }
  if (bytes.size > kMaxFileSize) return kGeneralFailure;
  bytes_ = std::move(bytes);
  return Parse();
}

void ProfileDocument::Clear() {
  lines_ = {};
  bytes_ = {};
}

Status ProfileDocument::Parse() {
  const char* data = bytes_.data.get();
  const std::size_t size = bytes_.size;
  std::size_t lines = 0;
  // A zero byte would end the text early for every other reader, and a later write
  // would drop every line after it: refuse the whole file instead.
  fault_ = ProfileFault{};
  if (!CountLines(data, size, lines)) {
    Clear();
    fault_.kind = ProfileFault::kZeroByte;
    return kGeneralFailure;
  }
  try {
    // Every stored line holds a byte and, unless it is the last, an end: reserving the
    // smaller bound once leaves no growth, whose copy would double the peak.
    lines_.reserve(std::min(lines, (size + 1) / 2));
  } catch (const std::bad_alloc&) {
    Clear();
    return kGeneralFailure;
  }
  bool inSection = false;
  std::uint32_t number = 0;
  for (std::size_t begin = 0;;) {
    ++number;
    const LineScan line = ScanLine(data, begin, size);
    std::size_t first = begin;
    std::size_t last = line.end;
    while (first < last && IsBlank(data[first])) ++first;
    while (last > first && IsBlank(data[last - 1])) --last;
    if (first == last) {
      // a blank line carries nothing
    } else if (data[first] == '[' && data[last - 1] == ']' && last - first >= 2) {
      lines_.push_back(static_cast<std::uint32_t>(first + 1));
      inSection = true;
    } else if (line.equals != line.end && inSection) {
      lines_.push_back(static_cast<std::uint32_t>(first));
    } else if (fault_.kind == ProfileFault::kNone) {
      fault_.kind =
          line.equals != line.end ? ProfileFault::kEntryBeforeSection : ProfileFault::kNotAnEntry;
      fault_.line = number;
    }
    if (line.end == size) break;
    begin = line.end + 1;
    if (data[line.end] == '\r' && begin < size && data[begin] == '\n') ++begin;
  }
  return fault_.kind == ProfileFault::kNone ? 0 : kGeneralFailure;
}

/* One line: given, or found again in the bytes */

bool ProfileDocument::IsGiven(std::uint32_t line) const { return (line & kGivenBit) != 0; }

const ProfileDocument::GivenLine& ProfileDocument::Given(std::uint32_t line) const {
  return *given_[line & ~kGivenBit];
}

bool ProfileDocument::IsHeader(std::uint32_t line) const {
  // A loaded entry starts its trimmed line, so the byte before it is never a "[".
  if (IsGiven(line)) return Given(line).header;
  return line > 0 && bytes_.data[line - 1] == '[';
}

std::string_view ProfileDocument::Bytes(Span span) const {
  return {bytes_.data.get() + span.begin, span.size()};
}

ProfileDocument::Span ProfileDocument::HeaderName(std::uint32_t line) const {
  const char* data = bytes_.data.get();
  std::size_t end = FindLineEnd(data, line, bytes_.size);
  while (IsBlank(data[end - 1])) --end;
  return {line, end - 1};  // up to the "]" that closes the trimmed line
}

ProfileDocument::Span ProfileDocument::EntryKey(std::uint32_t line) const {
  const char* data = bytes_.data.get();
  // The line has an "=", so the first one from its start is the line's own.
  const char* equals = static_cast<const char*>(std::memchr(data + line, '=', bytes_.size - line));
  std::size_t end = static_cast<std::size_t>(equals - data);
  while (end > line && IsBlank(data[end - 1])) --end;
  return {line, end};
}

ProfileDocument::Span ProfileDocument::EntryValue(std::uint32_t line) const {
  const char* data = bytes_.data.get();
  const char* equals = static_cast<const char*>(std::memchr(data + line, '=', bytes_.size - line));
  std::size_t begin = static_cast<std::size_t>(equals - data) + 1;
  while (begin < bytes_.size && IsBlank(data[begin])) ++begin;
  std::size_t end = FindLineEnd(data, begin, bytes_.size);
  while (end > begin && IsBlank(data[end - 1])) --end;
  return {begin, end};
}

bool ProfileDocument::NameIs(std::uint32_t line, std::u16string_view name) const {
  if (IsGiven(line)) return EqualsIgnoreCase(Given(line).name, name);
  return BytesEqualIgnoreCase(Bytes(HeaderName(line)), name, *page_);
}

bool ProfileDocument::KeyIs(std::uint32_t line, std::u16string_view key) const {
  if (IsGiven(line)) return EqualsIgnoreCase(Given(line).name, key);
  return BytesEqualIgnoreCase(Bytes(EntryKey(line)), key, *page_);
}

bool ProfileDocument::KeyHasSemicolon(std::uint32_t line) const {
  if (IsGiven(line)) return Given(line).name.find(u';') != std::u16string::npos;
  for (const char c : Bytes(EntryKey(line))) {
    if (page_->Decode(static_cast<unsigned char>(c)) == u';') return true;
  }
  return false;
}

std::size_t ProfileDocument::KeySize(std::uint32_t line) const {
  return IsGiven(line) ? Given(line).name.size() : EntryKey(line).size();
}

std::size_t ProfileDocument::ValueSize(std::uint32_t line) const {
  return IsGiven(line) ? Given(line).value.size() : EntryValue(line).size();
}

std::size_t ProfileDocument::CopyKey(std::uint32_t line, char16_t* out) const {
  if (IsGiven(line)) return Given(line).name.copy(out, std::u16string::npos);
  const Span key = EntryKey(line);
  page_->DecodeInto(bytes_.data.get() + key.begin, key.size(), out);
  return key.size();
}

std::size_t ProfileDocument::CopyValue(std::uint32_t line, std::size_t limit, char16_t* out) const {
  if (IsGiven(line)) return Given(line).value.copy(out, limit);
  const Span value = EntryValue(line);
  const std::size_t n = std::min(limit, value.size());
  page_->DecodeInto(bytes_.data.get() + value.begin, n, out);
  return n;
}

/* Changing */

ProfileDocument::Target ProfileDocument::FindTarget(std::u16string_view section,
                                                    std::u16string_view key) const {
  Target target{-1, -1, lines_.size()};
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (IsHeader(lines_[i])) {
      if (target.header >= 0) {
        target.end = i;
        break;
      }
      if (NameIs(lines_[i], section)) target.header = static_cast<std::ptrdiff_t>(i);
    } else if (target.header >= 0 && KeyIs(lines_[i], key)) {
      target.entry = static_cast<std::ptrdiff_t>(i);
      break;
    }
  }
  return target;
}

void ProfileDocument::PlaceGiven(const Target& target, std::u16string_view section,
                                 std::u16string_view key, std::u16string_view value) {
  // Everything that allocates comes before the first change, so running out of memory
  // changes nothing that a later save would write.
  auto entry =
      std::make_unique<GivenLine>(GivenLine{false, std::u16string(key), std::u16string(value)});
  std::unique_ptr<GivenLine> header;
  if (target.header < 0) {
    header = std::make_unique<GivenLine>(GivenLine{true, std::u16string(section), {}});
  }
  const std::size_t added = header ? 2 : 1;
  MakeRoom(given_, added);
  if (target.entry < 0) MakeRoom(lines_, added);

  const auto next = [this] { return static_cast<std::uint32_t>(given_.size()) | kGivenBit; };
  if (header) {
    lines_.push_back(next());
    given_.push_back(std::move(header));
  }
  const std::uint32_t line = next();
  given_.push_back(std::move(entry));
  if (target.entry >= 0) {
    lines_[static_cast<std::size_t>(target.entry)] = line;
  } else if (target.header >= 0) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(target.end), line);
  } else {
    lines_.push_back(line);
  }
}

Status ProfileDocument::SetValue(std::u16string_view section, std::u16string_view key,
                                 std::u16string_view value) {
  if (HasLineBreakOrZero(section) || !ReadsBackAsEntry(key, value)) return kGeneralFailure;
  if (given_.size() + 2 > kGivenBit) return kGeneralFailure;  // no more references to give
  try {
    PlaceGiven(FindTarget(section, key), section, key, value);
  } catch (const std::bad_alloc&) {
    return kGeneralFailure;
  }
  modified_ = true;
  return 0;
}

/* Writing */

// Hands every piece of the file's text in order to `sink`, which takes bytes and given
// texts.
template <typename Sink>
void ProfileDocument::Emit(Sink& sink) const {
  bool first = true;
  for (const std::uint32_t line : lines_) {
    if (IsHeader(line)) {
      if (!first) sink("\r\n"sv);  // the end of the section before
      first = false;
      sink("["sv);
      if (IsGiven(line)) {
        sink(std::u16string_view(Given(line).name));
      } else {
        sink(Bytes(HeaderName(line)));
      }
      sink("]\r\n"sv);
      continue;
    }
    if (IsGiven(line)) {
      sink(std::u16string_view(Given(line).name));
      sink("="sv);
      sink(std::u16string_view(Given(line).value));
    } else {
      // A loaded key and value are copied as the bytes they were read from.
      const Span key = EntryKey(line);
      const Span value = EntryValue(line);
      sink(Bytes(key));
      sink("="sv);
      sink(Bytes(value));
    }
    sink("\r\n"sv);
  }
  if (!first) sink("\r\n"sv);
}

namespace {

struct SizeSink {
  std::size_t size = 0;
  void operator()(std::string_view bytes) { size += bytes.size(); }
  // One byte per unit: the code page has one for each, or "?".
  void operator()(std::u16string_view text) { size += text.size(); }
};

struct AppendSink {
  std::string& out;
  const CodePage& page;
  void operator()(std::string_view bytes) { out.append(bytes); }
  void operator()(std::u16string_view text) { page.AppendEncoded(text, out); }
};

}  // namespace

Status ProfileDocument::Render(std::string& out) const {
  out.clear();
  SizeSink size;
  Emit(size);
  try {
    // The exact size first: the text of a large file never grows by copying.
    out.reserve(size.size);
    // A document that was never loaded holds only given lines and has no page yet.
    AppendSink append{out, page_ != nullptr ? *page_ : CodePage::Default()};
    Emit(append);
  } catch (const std::bad_alloc&) {
    out = std::string();
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

/* Reading */

std::ptrdiff_t ProfileDocument::FindEntry(std::u16string_view section,
                                          std::u16string_view key) const {
  bool inSection = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::uint32_t line = lines_[i];
    if (IsHeader(line)) {
      inSection = NameIs(line, section);
    } else if (inSection && KeyIs(line, key)) {
      return static_cast<std::ptrdiff_t>(i);
    }
  }
  return -1;
}

std::u16string_view ProfileDocument::DecodedValue(std::uint32_t line) const {
  const auto cached = decoded_.find(line);
  if (cached != decoded_.end()) return cached->second;
  // A node of the map never moves, so the view stays valid while the map grows.
  return decoded_.emplace(line, page_->Decode(Bytes(EntryValue(line)))).first->second;
}

std::u16string_view ProfileDocument::Value(std::u16string_view section, std::u16string_view key,
                                           std::u16string_view defaultValue) const {
  const std::ptrdiff_t found = FindEntry(section, key);
  if (found < 0) return defaultValue;
  const std::uint32_t line = lines_[static_cast<std::size_t>(found)];
  // An empty value reads as missing, and the search ends with the default.
  if (ValueSize(line) == 0) return defaultValue;
  if (IsGiven(line)) return Given(line).value;
  try {
    return DecodedValue(line);
  } catch (const std::bad_alloc&) {
    return defaultValue;
  }
}

std::int32_t ProfileDocument::GetValue(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue, char16_t* buffer,
                                       std::int32_t capacity) const {
  if (capacity <= 0) return 0;
  const std::ptrdiff_t found = FindEntry(section, key);
  const std::uint32_t line = found < 0 ? 0 : lines_[static_cast<std::size_t>(found)];
  if (found < 0 || ValueSize(line) == 0) return CopyText(defaultValue, buffer, capacity);
  // Decoded straight into the caller's buffer: a read allocates nothing for the value.
  const std::size_t n = CopyValue(line, static_cast<std::size_t>(capacity) - 1, buffer);
  buffer[n] = u'\0';
  return static_cast<std::int32_t>(n);
}

std::int32_t ProfileDocument::ListSection(std::u16string_view section, char16_t* buffer,
                                          std::int32_t capacity) const {
  std::int64_t room = capacity;
  std::size_t at = 0;
  bool inSection = false;
  bool sectionFull = false;
  for (const std::uint32_t line : lines_) {
    if (IsHeader(line)) {
      inSection = NameIs(line, section);
      sectionFull = false;
      continue;
    }
    if (!inSection || sectionFull || KeyHasSemicolon(line)) continue;
    const std::size_t keySize = KeySize(line);
    const std::size_t length = keySize + 1 + ValueSize(line);
    room -= static_cast<std::int64_t>(length) + 2;
    if (room <= 0) {
      sectionFull = true;  // the rest of this section is left out
      continue;
    }
    CopyKey(line, buffer + at);
    buffer[at + keySize] = u'=';
    CopyValue(line, length - keySize - 1, buffer + at + keySize + 1);
    buffer[at + length] = u'\0';
    at += length + 2;
  }
  const std::int64_t used = static_cast<std::int64_t>(capacity) - room;
  return used > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(used);
}

Status ProfileDocument::Sections(std::vector<ProfileSectionCopy>& out) const {
  out.clear();
  try {
    for (const std::uint32_t line : lines_) {
      if (IsHeader(line)) {
        out.emplace_back();
        if (IsGiven(line)) {
          out.back().name = Given(line).name;
        } else {
          out.back().name = page_->Decode(Bytes(HeaderName(line)));
        }
        continue;
      }
      ProfileEntryCopy entry;
      entry.key.resize(KeySize(line));
      CopyKey(line, entry.key.data());
      entry.value.resize(ValueSize(line));
      CopyValue(line, entry.value.size(), entry.value.data());
      out.back().entries.push_back(std::move(entry));
    }
  } catch (const std::bad_alloc&) {
    out = {};
    return kGeneralFailure;
  }
  return 0;
}

}  // namespace tirv
