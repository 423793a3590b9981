// Text conversion: the code page of the profile files, UTF-8 file names, letter case.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/text.h"

namespace tirv {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 1; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

// Every byte 0x01..0xFF decodes to its own unit and encodes back to the same byte.
void ExpectLosslessForEveryByte(const CodePage& page) {
  const std::string bytes = AllBytes();
  const std::u16string units = page.Decode(bytes);
  ASSERT_EQ(units.size(), bytes.size());
  EXPECT_EQ(std::set<char16_t>(units.begin(), units.end()).size(), 255u)
      << "two bytes share a unit";
  EXPECT_EQ(page.Encode(units), bytes);
  for (int b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    const char16_t unit = page.Decode(static_cast<unsigned char>(b));
    EXPECT_EQ(unit, units[static_cast<std::size_t>(b - 1)]);
    EXPECT_EQ(static_cast<unsigned char>(page.Encode(unit)), b);
  }
}

TEST(CodePageTest, Windows1252RoundTripsEveryByte) {
  const CodePage& page = CodePage::Windows1252();
  ExpectLosslessForEveryByte(page);
  struct Known {
    unsigned char byte;
    char16_t unit;
  };
  const std::vector<Known> known = {
      {0x41, u'A'},   {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x8D, 0x008D},
      {0x8F, 0x008F}, {0x90, 0x0090}, {0x9D, 0x009D}, {0x8A, 0x0160}, {0x9F, 0x0178},
      {0x99, 0x2122}, {0xA0, 0x00A0}, {0xB4, 0x00B4}, {0xFF, 0x00FF},
  };
  for (const Known& k : known) {
    SCOPED_TRACE(k.byte);
    EXPECT_EQ(page.Decode(k.byte), k.unit);
  }
}

TEST(CodePageTest, UnitsWithoutAByteBecomeQuestionMarks) {
  const CodePage& page = CodePage::Windows1252();
  using namespace std::literals;
  EXPECT_EQ(page.Encode(u"a\u0416b\u4E2Dc\U0001F600d\u0000e\u0080"sv), "a?b?c??d?e?");
}

TEST(CodePageTest, FindUnencodableNamesTheFirstUnitWithoutAByte) {
  using namespace std::literals;
  const CodePage& western = CodePage::Windows1252();
  constexpr std::size_t npos = std::u16string_view::npos;
  EXPECT_EQ(western.FindUnencodable(u""), npos);
  EXPECT_EQ(western.FindUnencodable(u"COM1:19200 ?\u00E9\u20AC\u0081\u00FF"), npos);
  EXPECT_EQ(western.FindUnencodable(u"ab\u0416c\u4E2D"), 2u);
  EXPECT_EQ(western.FindUnencodable(u"x\U0001F600"), 1u);  // a surrogate has no byte
  EXPECT_EQ(western.FindUnencodable(u"ok\u0000"sv), 2u);   // nor has a zero unit
  EXPECT_EQ(western.FindUnencodable(u"\u0080"), 0u);       // byte 0x80 is the euro sign
  // Another code page holds other characters: the question is the page's own.
  CodePage cyrillic;
  ASSERT_TRUE(CodePage::FromIconv("WINDOWS-1251", cyrillic));
  EXPECT_EQ(cyrillic.FindUnencodable(u"\u041F\u0440\u0438"), npos);
  EXPECT_EQ(cyrillic.FindUnencodable(u"\u041F\u00E9"), 1u);
}

TEST(CodePageTest, LongTextDecodesTheSameInEveryPosition) {
  // Plain ASCII is widened in blocks; a high byte anywhere in or around a block, and
  // texts of every length, must decode exactly like byte by byte.
  const CodePage& page = CodePage::Windows1252();
  for (std::size_t length = 0; length < 50; ++length) {
    for (std::size_t at = 0; at <= length; ++at) {
      std::string bytes(length, 'k');
      if (at < length) bytes[at] = '\x80';
      std::u16string expected(length, u'k');
      if (at < length) expected[at] = u'\u20AC';
      ASSERT_EQ(page.Decode(bytes), expected) << "length " << length << ", high byte at " << at;
    }
  }
}

TEST(CodePageTest, AnotherSingleByteCodePageFromIconvRoundTripsEveryByte) {
  CodePage cyrillic;
  ASSERT_TRUE(CodePage::FromIconv("WINDOWS-1251", cyrillic));
  EXPECT_EQ(cyrillic.name(), "WINDOWS-1251");
  ExpectLosslessForEveryByte(cyrillic);
  EXPECT_EQ(cyrillic.Decode(0xC0), u'\u0410');
  EXPECT_EQ(cyrillic.Decode(0xFF), u'\u044F');
  EXPECT_EQ(cyrillic.Decode(0xA8), u'\u0401');
  EXPECT_EQ(cyrillic.Decode(0x88), u'\u20AC');
  EXPECT_EQ(cyrillic.Decode(0x98), u'\u0098');  // undefined in this code page: kept as is
  EXPECT_EQ(cyrillic.Encode(u"\u041F\u0440\u0438\u0432\u0435\u0442 \u00E9"),
            "\xCF\xF0\xE8\xE2\xE5\xF2 ?");

  CodePage greek;
  ASSERT_TRUE(CodePage::FromIconv("ISO-8859-7", greek));
  ExpectLosslessForEveryByte(greek);
  EXPECT_EQ(greek.Decode(0xC1), u'\u0391');
}

TEST(CodePageTest, FromIconvRefusesUnknownMultiByteAndNotAsciiCodePages) {
  // EBCDIC code pages are single-byte, but write "\u008E" as a line feed (IBM037).
  for (const char* name :
       {"NO-SUCH-CODE-PAGE", "UTF-8", "UTF-16", "EUC-JP", "GB18030", "IBM037", "IBM500"}) {
    SCOPED_TRACE(name);
    CodePage page;
    ASSERT_TRUE(CodePage::FromIconv("KOI8-R", page));
    EXPECT_FALSE(CodePage::FromIconv(name, page));
    EXPECT_EQ(page.name(), "KOI8-R");  // left untouched
    EXPECT_EQ(page.Decode(0xE1), u'\u0410');
  }
}

TEST(CodePageTest, DefaultIsWindows1252WithoutTheVariable) {
  ASSERT_EQ(std::getenv("TIRVANE_CODEPAGE"), nullptr);
  EXPECT_EQ(CodePage::Default().name(), "WINDOWS-1252");
  EXPECT_EQ(CodePage::Default().Decode(0x80), u'\u20AC');
  EXPECT_EQ(CodePage::DefaultWarning(), "");
}

struct Utf8Case {
  std::string utf8;
  std::u16string utf16;
};

TEST(FileNameTextTest, Utf8NamesConvertAndInvalidBytesAreKept) {
  const std::vector<Utf8Case> cases = {
      {"plain.opc", u"plain.opc"},
      {"Gr\xC3\xBC\xC3\x9F"
       "e",
       u"Gr\u00FC\u00DFe"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"caf\xE9.opc", u"caf\xDCE9.opc"},                  // Latin-1 byte
      {"\x80", u"\xDC80"},                                // lone continuation byte
      {"a\xC3", u"a\xDCC3"},                              // cut sequence at the end
      {"\xC3(", u"\xDCC3("},                              // lead byte without continuation
      {"\xC0\xAF", u"\xDCC0\xDCAF"},                      // overlong "/"
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},            // encoded surrogate
      {"\xED\xB2\x80", u"\xDCED\xDCB2\xDC80"},            // encoded U+DC80 itself
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // beyond U+10FFFF
      {"\xFF\xFE", u"\xDCFF\xDCFE"},
  };
  for (const Utf8Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
  }
}

TEST(FileNameTextTest, UnpairedSurrogatesBecomeQuestionMarks) {
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800"
                        "b"),
            "a?b");
  EXPECT_EQ(Utf16ToUtf8(u"\xDC00\xDC7F"), "??");
  EXPECT_EQ(Utf16ToUtf8(u"\xD83D"), "?");
  EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
}

TEST(CaseFoldingTest, UpperAndLowerCaseLettersMatch) {
  struct Pair {
    std::u16string a, b;
  };
  const std::vector<Pair> same = {
      {u"GeneralSettings", u"GENERALSETTINGS"},
      {u"\u00C0\u00C9\u00D6\u00DE", u"\u00E0\u00E9\u00F6\u00FE"},  // Latin-1
      {u"\u0178", u"\u00FF"},                                      // Ÿ ÿ
      {u"\u0160\u0152\u017D", u"\u0161\u0153\u017E"},              // Š Œ Ž of Windows-1252
      {u"\u0100\u0139\u014A\u0179", u"\u0101\u013A\u014B\u017A"},  // Latin Extended-A
      {u"\u0391\u03A3\u03A9\u03AA", u"\u03B1\u03C3\u03C9\u03CA"},  // Greek
      {u"\u039F\u0394\u039F\u03A3", u"\u03BF\u03B4\u03BF\u03C2"},  // final sigma
      {u"\u0386\u0388\u038C\u038F", u"\u03AC\u03AD\u03CC\u03CE"},  // Greek with tonos
      {u"\u0410\u042F\u0401\u040F", u"\u0430\u044F\u0451\u045F"},  // Cyrillic
      {u"\u0490\u0462\u04C1\u04C0", u"\u0491\u0463\u04C2\u04CF"},  // Ґ ґ (Windows-1251)
  };
  for (const Pair& p : same) {
    SCOPED_TRACE(Utf16ToUtf8(p.a));
    EXPECT_TRUE(EqualsIgnoreCase(p.a, p.b));
    EXPECT_TRUE(EqualsIgnoreCase(p.b, p.a));
    EXPECT_EQ(CompareIgnoreCase(p.a, p.b), 0);
  }
}

TEST(CaseFoldingTest, DifferentLettersNeverMatch) {
  struct Pair {
    std::u16string a, b;
  };
  const std::vector<Pair> different = {
      {u"ComPort", u"ComPort "},
      {u"a", u"b"},
      {u"\u00D7", u"\u00F7"},  // × and ÷ are not letters of one case pair
      {u"\u00DF", u"\u00FF"},  // ß has no capital here
      {u"\u0130", u"\u0131"},  // dotted capital I and dotless small i are different letters
      {u"\u0130", u"\u0069"},
      {u"\u0131", u"\u0049"},
      {u"\u0138", u"\u0139"},  // ĸ and Ĺ
      {u"\u0149", u"\u014A"},  // ŉ and Ŋ
      {u"[", u"{"},
      {u"@", u"`"},
      {u"\u03A2", u"\u03C2"},
  };
  for (const Pair& p : different) {
    SCOPED_TRACE(Utf16ToUtf8(p.a) + " / " + Utf16ToUtf8(p.b));
    EXPECT_FALSE(EqualsIgnoreCase(p.a, p.b));
    EXPECT_NE(CompareIgnoreCase(p.a, p.b), 0);
  }
}

TEST(CaseFoldingTest, OrderingAndPrefixesIgnoreCase) {
  EXPECT_LT(CompareIgnoreCase(u"alpha", u"BETA"), 0);
  EXPECT_GT(CompareIgnoreCase(u"Beta", u"alpha"), 0);
  EXPECT_LT(CompareIgnoreCase(u"COM", u"com1"), 0);
  EXPECT_GT(CompareIgnoreCase(u"com1", u"COM"), 0);
  EXPECT_TRUE(StartsWithIgnoreCase(u"Simulation 1", u"SIM"));
  EXPECT_TRUE(StartsWithIgnoreCase(u"Simulation 1", u""));
  EXPECT_FALSE(StartsWithIgnoreCase(u"Sim", u"Simulation"));
  EXPECT_FALSE(StartsWithIgnoreCase(u"TCP/IP", u"tcp/ip "));
}

}  // namespace
}  // namespace tirv
