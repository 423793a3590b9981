// The profile engine on real files: what Load keeps, what Save writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile_calls.h"
#include "profile_document.h"
#include "temp_dir.h"
#include "text.h"

namespace tirv {
namespace {

using namespace std::literals;

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// The document as one line of UTF-8: "[name]" per section, "<key>=<value>" per entry,
// so blanks kept at the ends of a name, key or value show.
std::string Dump(const ProfileDocument& document) {
  std::string out;
  for (const ProfileSection& s : document.sections()) {
    if (!out.empty()) out += ' ';
    out += '[';
    out += Utf16ToUtf8(s.name);
    out += ']';
    for (const ProfileEntry& e : s.entries) {
      out += " <";
      out += Utf16ToUtf8(e.key);
      out += ">=<";
      out += Utf16ToUtf8(e.value);
      out += '>';
    }
  }
  return out;
}

struct GrammarCase {
  const char* what;
  std::string bytes;
  Status status;
  const char* dump;
};

TEST(ProfileDocumentTest, LoadFollowsTheLineGrammar) {
  const Status kFail = kGeneralFailure;
  const std::vector<GrammarCase> cases = {
      {"empty file", "", 0, ""},
      {"plain entry", "[S]\r\nK=V\r\n", 0, "[S] <K>=<V>"},
      {"blanks around key and value", "[S]\r\n \tK \t= \tV \t\r\n", 0, "[S] <K>=<V>"},
      {"blanks inside key and value", "[S]\r\nmy key = a \t b\r\n", 0, "[S] <my key>=<a \t b>"},
      {"further = in the value", "[S]\r\nK = a=b ==\r\n", 0, "[S] <K>=<a=b ==>"},
      {"empty key", "[S]\r\n=V\r\n", 0, "[S] <>=<V>"},
      {"empty value", "[S]\r\nK=\r\nL = \t\r\n", 0, "[S] <K>=<> <L>=<>"},
      {"only =", "[S]\r\n = \r\n", 0, "[S] <>=<>"},
      {"blanks inside brackets kept", "  [ S\t]  \r\n", 0, "[ S\t]"},
      {"empty section name", "[]\r\nK=V\r\n", 0, "[] <K>=<V>"},
      {"= between brackets names a section", "[a=b]\r\n", 0, "[a=b]"},
      {"nested brackets", "[[S]]\r\n", 0, "[[S]]"},
      {"bracketed key is an entry", "[T]\r\n[S]=1\r\nK=[v]\r\n", 0, "[T] <[S]>=<1> <K>=<[v]>"},
      {"duplicates kept in order", "[S]\r\nK=1\r\nk=2\r\n[s]\r\nK=3\r\n[S]\r\n", 0,
       "[S] <K>=<1> <k>=<2> [s] <K>=<3> [S]"},
      {"blank lines anywhere", "\r\n \t\r\n[S]\r\n\r\n\tK=V\r\n \r\n\r\n[T]\r\n", 0,
       "[S] <K>=<V> [T]"},
      {"no line end at the end", "[S]\r\nK=V", 0, "[S] <K>=<V>"},
      {"LF line ends", "[S]\nK=V\nL=W\n", 0, "[S] <K>=<V> <L>=<W>"},
      {"lone CR line ends keep the next byte", "[S]\rK=V\rL=W\r", 0, "[S] <K>=<V> <L>=<W>"},
      {"mixed line ends", "[S]\r\nA=1\nB=2\rC=3\n\rD=4\r\r\nE=5", 0,
       "[S] <A>=<1> <B>=<2> <C>=<3> <D>=<4> <E>=<5>"},
      {"form feed and no-break space are not blanks", "[S]\r\nK\xA0=\fV\r\n", 0,
       "[S] <K\u00A0>=<\fV>"},
      {"code page text",
       "[Gr\xFC\xDF"
       "e]\r\n\x80=\xB4\x81\r\n",
       0, "[Gr\u00FC\u00DFe] <\u20AC>=<\u00B4\u0081>"},
      {"comment with = is an entry", "[S]\r\n;note=1\r\n", 0, "[S] <;note>=<1>"},
      {"comment without = fails, the rest stays", "[S]\r\nA=1\r\n; note\r\nB=2\r\n", kFail,
       "[S] <A>=<1> <B>=<2>"},
      {"lone [ is no header", "[S]\r\n[\r\nA=1\r\n", kFail, "[S] <A>=<1>"},
      {"unclosed header fails", "[S]\r\n[T\r\nA=1\r\n", kFail, "[S] <A>=<1>"},
      {"text after ] fails", "[S]\r\n[T] x\r\nA=1\r\n", kFail, "[S] <A>=<1>"},
      {"entry before any header fails, later lines stay", "K=V\r\n[S]\r\nA=1\r\n", kFail,
       "[S] <A>=<1>"},
      {"zero byte fails and keeps nothing", std::string("[S]\r\nA=1\r\n\0[T]\r\nB=2\r\n", 20),
       kFail, ""},
      {"zero byte at the very end fails", std::string("[S]\r\nA=1\r\n\0", 11), kFail, ""},
  };
  TempDir dir;
  for (const GrammarCase& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(dir.File("g.ini"), c.bytes);
    ProfileDocument document;
    EXPECT_EQ(document.Load(dir.WFile("g.ini")), c.status);
    EXPECT_EQ(Dump(document), c.dump);
    EXPECT_FALSE(document.modified());
  }
}

TEST(ProfileDocumentTest, AbsentFileLoadsEmptyAndSavesNothingUnchanged) {
  TempDir dir;
  {
    ProfileDocument document;
    EXPECT_EQ(document.Load(dir.WFile("absent.ini")), 0);
    EXPECT_EQ(Dump(document), "");
  }
  EXPECT_FALSE(testing::FileExists(dir.File("absent.ini")));
}

TEST(ProfileDocumentTest, SetValueOnAbsentFileWritesExactlyOneSection) {
  TempDir dir;
  {
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("new.ini")), 0);
    document.SetValue(u"S", u"K", u"V");
  }
  EXPECT_EQ(ReadBytes(dir.File("new.ini")), "[S]\r\nK=V\r\n\r\n");
}

TEST(ProfileDocumentTest, SaveWritesTheNormalisedLayout) {
  TempDir dir;
  WriteBytes(dir.File("hand.ini"),
             "\r\n  [S] \r\n K = V \r\n\r\n\r\n[Empty]\n[T]\nA=1\rB = x = y\r\n[S]\r\nK=2");
  ProfileDocument document;
  ASSERT_EQ(document.Load(dir.WFile("hand.ini")), 0);
  ASSERT_EQ(document.Save(), 0);
  EXPECT_EQ(ReadBytes(dir.File("hand.ini")),
            "[S]\r\nK=V\r\n\r\n"
            "[Empty]\r\n\r\n"
            "[T]\r\nA=1\r\nB=x = y\r\n\r\n"
            "[S]\r\nK=2\r\n\r\n");
}

TEST(ProfileDocumentTest, SaveOfAnEmptyDocumentGivesAnEmptyFile) {
  TempDir dir;
  WriteBytes(dir.File("blank.ini"), "\r\n \t \r\n");
  ProfileDocument document;
  ASSERT_EQ(document.Load(dir.WFile("blank.ini")), 0);
  ASSERT_EQ(document.Save(), 0);
  EXPECT_TRUE(testing::FileExists(dir.File("blank.ini")));
  EXPECT_EQ(ReadBytes(dir.File("blank.ini")), "");
}

TEST(ProfileDocumentTest, SetValueKeepsSectionCaseAndTakesTheCallersKeyCase) {
  TempDir dir;
  WriteBytes(dir.File("r.opc"), "[Online]\r\nComPort=COM1\r\nOther=1\r\n[GeneralSettings]\r\n");
  {
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("r.opc")), 0);
    EXPECT_EQ(document.SetValue(u"ONLINE", u"comport", u"COM2"), 0);
    EXPECT_EQ(document.SetValue(u"generalsettings", u"New", u" v "), 0);
    EXPECT_EQ(document.SetValue(u"Added", u"K", u""), 0);
    EXPECT_TRUE(document.modified());
  }
  EXPECT_EQ(ReadBytes(dir.File("r.opc")),
            "[Online]\r\ncomport=COM2\r\nOther=1\r\n\r\n"
            "[GeneralSettings]\r\nNew= v \r\n\r\n"
            "[Added]\r\nK=\r\n\r\n");
}

TEST(ProfileDocumentTest, SetValueOfAnEqualValueStillWritesBack) {
  TempDir dir;
  WriteBytes(dir.File("same.ini"), "[S]\nK = V\n");
  {
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("same.ini")), 0);
    document.SetValue(u"S", u"K", u"V");
  }
  EXPECT_EQ(ReadBytes(dir.File("same.ini")), "[S]\r\nK=V\r\n\r\n");
}

TEST(ProfileDocumentTest, OnlyAChangedDocumentIsWrittenBackAtDestruction) {
  TempDir dir;
  const std::string handEdited = "[S]\nK = V\n";
  WriteBytes(dir.File("read.ini"), handEdited);
  {
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("read.ini")), 0);
    char16_t buffer[16];
    EXPECT_EQ(document.GetValue(u"S", u"K", u"", buffer, 16), 1);
    EXPECT_EQ(document.ListSection(u"S", buffer, 16), 5);
  }
  EXPECT_EQ(ReadBytes(dir.File("read.ini")), handEdited);
  {
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("read.ini")), 0);
    document.SetValue(u"S", u"K", u"W");
    document.Discard();
  }
  EXPECT_EQ(ReadBytes(dir.File("read.ini")), handEdited);
}

TEST(ProfileDocumentTest, LongLinesAreWrittenWholeAndReadBack) {
  TempDir dir;
  const std::u16string longName(600, u'N');
  const std::u16string longKey(300, u'k');
  std::u16string longValue;
  for (int i = 0; i < 5000; ++i) longValue += static_cast<char16_t>(u'a' + i % 26);
  {
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("long.ini")), 0);
    document.SetValue(longName, longKey, longValue);
    ASSERT_EQ(document.Save(), 0);
  }
  const std::string expected = "[" + std::string(600, 'N') + "]\r\n" + std::string(300, 'k') + "=" +
                               Utf16ToUtf8(longValue) + "\r\n\r\n";
  EXPECT_EQ(ReadBytes(dir.File("long.ini")), expected);

  ProfileDocument again;
  ASSERT_EQ(again.Load(dir.WFile("long.ini")), 0);
  ASSERT_EQ(again.sections().size(), 1u);
  EXPECT_EQ(again.sections()[0].name, longName);
  ASSERT_EQ(again.sections()[0].entries.size(), 1u);
  EXPECT_EQ(again.sections()[0].entries[0].key, longKey);
  EXPECT_EQ(again.sections()[0].entries[0].value, longValue);
}

TEST(ProfileDocumentTest, CharactersOutsideTheCodePageAreWrittenAsQuestionMarks) {
  TempDir dir;
  {
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("q.ini")), 0);
    document.SetValue(u"\u4E2D", u"K\u00E9", u"\u20AC \u0416 \U0001F600 \u0000x"sv);
  }
  // U+20AC is byte 0x80 and U+00E9 is 0xE9 in Windows-1252; the rest has no byte. A
  // zero unit would cut the line for every reader, so it is written as "?" too.
  EXPECT_EQ(ReadBytes(dir.File("q.ini")), "[?]\r\nK\xE9=\x80 ? ?? ?x\r\n\r\n");
}

}  // namespace
}  // namespace tirv
