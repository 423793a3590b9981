#include "platform/text.h"

#include <iconv.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tirv {
namespace {

// Windows-1252 for 0x80..0x9F; the five undefined bytes keep their own value as a unit.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

[[maybe_unused]] bool IsAsciiChunk(const unsigned char* p) {
  std::uint64_t a;
  std::uint64_t b;
  std::memcpy(&a, p, 8);
  std::memcpy(&b, p + 8, 8);
  return ((a | b) & kHighBits) == 0;
}

enum class ByteMapping { kUnit, kUndefined, kNotSingleByte };

// Maps one byte through iconv. EINVAL means the byte only starts a longer sequence, so
// the code page is not a single-byte one.
ByteMapping IconvOneByte(iconv_t cd, unsigned char byte, char16_t& unit) {
  char in[1] = {static_cast<char>(byte)};
  char out[16];
  char* inPtr = in;
  char* outPtr = out;
  std::size_t inLeft = 1;
  std::size_t outLeft = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
    return errno == EILSEQ ? ByteMapping::kUndefined : ByteMapping::kNotSingleByte;
  }
  // A converter that combines characters holds the last one back until it is flushed.
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  if (sizeof out - outLeft != 2 || inLeft != 0) return ByteMapping::kNotSingleByte;
  unit = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                               (static_cast<unsigned char>(out[1]) << 8));
  return ByteMapping::kUnit;
}

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
    return;
  }
  cp -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

// Length of the valid UTF-8 sequence at s[i], or 0 when it is not one.
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t len;
  char32_t min;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
  if (cp < min || cp > 0x10FFFF || surrogate) return 0;
  return len;
}

}  // namespace

const CodePage& CodePage::Windows1252() {
  static const CodePage* page = [] {
    auto* p = new CodePage;
    p->name_ = "WINDOWS-1252";
    for (int b = 0; b < 256; ++b) p->toWide_[b] = static_cast<char16_t>(b);
    for (int b = 0x80; b < 0xA0; ++b) p->toWide_[b] = kWindows1252High[b - 0x80];
    p->BuildReverse();
    return p;
  }();
  return *page;
}

namespace {

// The code page TIRVANE_CODEPAGE names, or Windows-1252 with the refused name kept.
struct DefaultChoice {
  const CodePage* page = nullptr;
  std::string refused;
};

const DefaultChoice& ChooseDefault() {
  static const DefaultChoice* choice = [] {
    auto* made = new DefaultChoice;
    made->page = &CodePage::Windows1252();
    const char* name = std::getenv("TIRVANE_CODEPAGE");
    if (name == nullptr || *name == '\0') return made;
    auto* p = new CodePage;
    if (CodePage::FromIconv(name, *p)) {
      made->page = p;
    } else {
      delete p;
      made->refused = name;
    }
    return made;
  }();
  return *choice;
}

}  // namespace

const CodePage& CodePage::Default() { return *ChooseDefault().page; }

std::string CodePage::DefaultWarning() {
  const std::string& refused = ChooseDefault().refused;
  if (refused.empty()) return {};
  return "code page \"" + refused +
         "\" is not a single-byte code page in which every ASCII character is itself, using "
         "Windows-1252";
}

bool CodePage::FromIconv(const char* name, CodePage& out) {
  iconv_t cd = iconv_open("UTF-16LE", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::array<char16_t, 256> table{};
  std::array<bool, 256> defined{};
  bool singleByte = true;
  for (int b = 1; b < 256 && singleByte; ++b) {
    const ByteMapping mapping = IconvOneByte(cd, static_cast<unsigned char>(b), table[b]);
    defined[b] = mapping == ByteMapping::kUnit;
    singleByte = mapping != ByteMapping::kNotSingleByte;
  }
  iconv_close(cd);
  if (!singleByte) return false;
  // Every ASCII character must be itself, and no other byte one of them: the files'
  // structure (brackets, "=", line ends) and every identifier are ASCII.
  for (int b = 1; b < 256; ++b) {
    if (b < 0x80 && (!defined[b] || table[b] != b)) return false;
    if (b >= 0x80 && defined[b] && table[b] < 0x80) return false;
  }
  // Undefined bytes keep their own value as a unit, or a private-use unit when the code
  // page already uses that value for another byte: reading and writing stays lossless.
  for (int b = 0x80; b < 256; ++b) {
    if (defined[b]) continue;
    bool taken = false;
    for (int o = 1; o < 256; ++o) taken = taken || (defined[o] && table[o] == b);
    table[b] = taken ? static_cast<char16_t>(0xF700 + b) : static_cast<char16_t>(b);
  }
  out.name_ = name;
  out.toWide_ = table;
  out.BuildReverse();
  return true;
}

void CodePage::BuildReverse() {
  fromWide_.fill('?');
  asciiCompatible_ = true;
  for (int b = 255; b >= 1; --b) {
    fromWide_[toWide_[b]] = static_cast<char>(b);
    if (b < 0x80 && toWide_[b] != b) asciiCompatible_ = false;
  }
  fromWide_[0] = '?';  // a zero byte would end the text for every later reader
}

void CodePage::DecodeInto(const char* bytes, std::size_t size, char16_t* out) const {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  std::size_t i = 0;
  // Plain ASCII is by far the most common content; widen it without the table.
  if (asciiCompatible_) {
    for (; i + 16 <= size; i += 16) {
#if defined(__SSE2__)
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
      if (_mm_movemask_epi8(chunk) == 0) {
        const __m128i zero = _mm_setzero_si128();
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(chunk, zero));
        continue;
      }
#else
      if (IsAsciiChunk(in + i)) {
        for (std::size_t k = 0; k < 16; ++k) out[i + k] = in[i + k];
        continue;
      }
#endif
      for (std::size_t k = 0; k < 16; ++k) out[i + k] = toWide_[in[i + k]];
    }
  }
  for (; i < size; ++i) out[i] = toWide_[in[i]];
}

std::u16string CodePage::Decode(std::string_view bytes) const {
  std::u16string out(bytes.size(), u'\0');
  DecodeInto(bytes.data(), bytes.size(), out.data());
  return out;
}

void CodePage::AppendEncoded(std::u16string_view text, std::string& out) const {
  const std::size_t start = out.size();
  out.resize(start + text.size());
  char* dst = out.data() + start;
  for (std::size_t i = 0; i < text.size(); ++i) dst[i] = fromWide_[text[i]];
}

std::string CodePage::Encode(std::u16string_view text) const {
  std::string out;
  AppendEncoded(text, out);
  return out;
}

std::size_t CodePage::FindUnencodable(std::u16string_view text) const {
  for (std::size_t i = 0; i < text.size(); ++i) {
    // "?" is the byte of every unit without one of its own, and of itself.
    if (fromWide_[text[i]] == '?' && text[i] != u'?') return i;
  }
  return std::u16string_view::npos;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp;
    const std::size_t len = Utf8SequenceAt(utf8, i, cp);
    if (len == 0) {
      out.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(utf8[i])));
      ++i;
      continue;
    }
    AppendUtf16(cp, out);
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  // Paths are mostly ASCII: copy that run in one go, then convert the rest unit by unit.
  std::size_t ascii = 0;
  while (ascii < text.size() && text[ascii] < 0x80) ++ascii;
  std::string out(ascii, '\0');
  for (std::size_t i = 0; i < ascii; ++i) out[i] = static_cast<char>(text[i]);
  if (ascii == text.size()) return out;
  out.reserve(text.size() + 8);
  for (std::size_t i = ascii; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      AppendUtf8(0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
      ++i;
    } else if (u >= 0xDC80 && u <= 0xDCFF) {
      out.push_back(static_cast<char>(u - 0xDC00));  // a byte kept from a non-UTF-8 name
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out.push_back('?');
    } else {
      AppendUtf8(u, out);
    }
  }
  return out;
}

namespace {

// Latin Extended-A pairs capitals and small letters in alternating positions.
char16_t FoldLatinExtendedA(char16_t c) {
  if (c == 0x178) return 0xFF;
  if (c == 0x130) return c;  // capital I with dot has no small letter of its own
  const bool evenUpper = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
  const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  return (evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1) ? static_cast<char16_t>(c + 1) : c;
}

char16_t FoldGreek(char16_t c) {
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return static_cast<char16_t>(c + 37);
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return static_cast<char16_t>(c + 63);
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c == 0x3C2) return 0x3C3;  // final sigma is a small sigma
  return c;
}

char16_t FoldCyrillic(char16_t c) {
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  if (c == 0x4C0) return 0x4CF;
  const bool evenUpper =
      (c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F);
  const bool oddUpper = c >= 0x4C1 && c <= 0x4CE;
  return (evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1) ? static_cast<char16_t>(c + 1) : c;
}

}  // namespace

char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c < 0x100) return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? static_cast<char16_t>(c + 32) : c;
  if (c < 0x180) return FoldLatinExtendedA(c);
  if (c >= 0x370 && c < 0x400) return FoldGreek(c);
  if (c >= 0x400 && c < 0x530) return FoldCyrillic(c);
  return c;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

int CompareIgnoreCase(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t fa = FoldCase(a[i]);
    const char16_t fb = FoldCase(b[i]);
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace tirv
