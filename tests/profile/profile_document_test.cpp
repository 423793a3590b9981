// The profile engine on real files: what Load keeps, what Save writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "profile/profile_calls.h"
#include "profile/profile_document.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using namespace std::literals;

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// The document as one line of UTF-8: "[name]" per section, "<key>=<value>" per entry,
// so blanks kept at the ends of a name, key or value show.
std::string Dump(const ProfileDocument& document) {
  std::vector<ProfileSectionCopy> sections;
  EXPECT_EQ(document.Sections(sections), 0);
  std::string out;
  for (const ProfileSectionCopy& s : sections) {
    if (!out.empty()) out += ' ';
    out += '[';
    out += Utf16ToUtf8(s.name);
    out += ']';
    for (const ProfileEntryCopy& e : s.entries) {
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

FileBytes BytesOf(std::string_view text) {
  FileBytes bytes;
  bytes.data = std::make_unique<char[]>(text.size());
  text.copy(bytes.data.get(), text.size());
  bytes.size = text.size();
  return bytes;
}

TEST(ProfileDocumentTest, LoadBytesParsesLikeLoadAndRenderGivesWhatSaveWrites) {
  TempDir dir;
  // Every byte but the line ends, "=" and the zero, in a name, a key and a value: what is
  // loaded and not changed goes back byte for byte.
  std::string odd;
  for (int b = 1; b < 256; ++b) {
    if (b != '\r' && b != '\n' && b != '=') odd.push_back(static_cast<char>(b));
  }
  const std::string tidy = "[" + odd + "]\r\n" + odd + "=" + odd + "\r\n\r\n[T]\r\nA=1\r\n\r\n";
  for (const std::string& bytes : {tidy, std::string("\n [T] \nA = 1\n; failed\nB=\n[]")}) {
    SCOPED_TRACE(bytes);
    WriteBytes(dir.File("r.ini"), bytes);
    ProfileDocument read;
    ProfileDocument given;
    EXPECT_EQ(given.LoadBytes(dir.WFile("r.ini"), BytesOf(bytes)), read.Load(dir.WFile("r.ini")));
    EXPECT_EQ(Dump(given), Dump(read));
    EXPECT_EQ(given.path(), read.path());

    ASSERT_EQ(given.SetValue(u"T", u"B", u"2"), 0);
    std::string rendered;
    ASSERT_EQ(given.Render(rendered), 0);
    ASSERT_EQ(given.Save(), 0);
    EXPECT_FALSE(given.modified());
    EXPECT_EQ(ReadBytes(dir.File("r.ini")), rendered);
  }
  EXPECT_EQ(ReadBytes(dir.File("r.ini")), "[T]\r\nA=1\r\nB=2\r\n\r\n[]\r\n\r\n");
  WriteBytes(dir.File("r.ini"), tidy);
  EXPECT_EQ(WriteProfileString(u"T", u"A", u"1", dir.WFile("r.ini")), 1);
  EXPECT_EQ(ReadBytes(dir.File("r.ini")), tidy);
}

TEST(ProfileDocumentTest, LinesSplitAlikeAtEveryOffset) {
  // Files are scanned many bytes at a time: every length of key and value puts the "=",
  // the line end and the end of the file at every place in a block, and an "=" just
  // after a line end never counts for the line before it.
  for (std::size_t keySize = 0; keySize < 40; ++keySize) {
    for (std::size_t valueSize = 0; valueSize < 40; ++valueSize) {
      SCOPED_TRACE(std::to_string(keySize) + " " + std::to_string(valueSize));
      const std::string key(keySize, 'k');
      const std::string value(valueSize, 'v');
      const std::string bytes = "[S]\r\n" + key + "=" + value + "=\r" + key + "\n=" + value;
      ProfileDocument document;
      // The middle line, the key alone, fails unless it is blank.
      EXPECT_EQ(document.LoadBytes(u"r.ini", BytesOf(bytes)), keySize == 0 ? 0 : kGeneralFailure);
      EXPECT_EQ(Dump(document), "[S] <" + key + ">=<" + value + "=> <>=<" + value + ">");
    }
  }
}

TEST(ProfileDocumentTest, AZeroByteAnywhereFailsTheWholeLoad) {
  const std::string clean = "[S]\r\nKey=Value\r\n[T]\nA=1\rB=2\r\n[U]\r\nLonger=line of text\r\n";
  for (std::size_t at = 0; at < clean.size(); ++at) {
    SCOPED_TRACE(at);
    std::string bytes = clean;
    bytes[at] = '\0';
    ProfileDocument document;
    EXPECT_EQ(document.LoadBytes(u"r.ini", BytesOf(bytes)), kGeneralFailure);
    EXPECT_EQ(Dump(document), "");
  }
}

TEST(ProfileDocumentTest, AFileTooLargeForTheReferencesIsRefused) {
  // Only the size is looked at: parsing would run past these few bytes.
  FileBytes bytes = BytesOf("[S]\r\nK=V\r\n");
  bytes.size = ProfileDocument::kMaxFileSize + 1;
  ProfileDocument document;
  EXPECT_EQ(document.LoadBytes(u"huge.ini", std::move(bytes)), kGeneralFailure);
  EXPECT_EQ(Dump(document), "");
}

TEST(ProfileDocumentTest, GivenEntriesReadLikeLoadedOnesAndValuesStayValid) {
  TempDir dir;
  WriteBytes(dir.File("r.opc"),
             "[S]\r\nA = loaded a\r\nB=loaded b\r\n[T]\r\nC=c\r\n[s]\r\nD=d\r\n");
  ProfileDocument document;
  ASSERT_EQ(document.Load(dir.WFile("r.opc")), 0);
  const std::u16string_view firstA = document.Value(u"S", u"A", u"");
  const std::u16string_view firstD = document.Value(u"S", u"D", u"");
  ASSERT_EQ(document.SetValue(u"S", u"a", u"given a"), 0);
  ASSERT_EQ(document.SetValue(u"S", u"E", u"given e"), 0);
  ASSERT_EQ(document.SetValue(u"U", u"F", u"given f"), 0);
  const std::u16string_view secondA = document.Value(u"S", u"A", u"");
  ASSERT_EQ(document.SetValue(u"S", u"A", u"given again"), 0);
  // Every view handed out keeps its text while the document lives.
  EXPECT_EQ(firstA, u"loaded a");
  EXPECT_EQ(firstD, u"d");
  EXPECT_EQ(secondA, u"given a");
  EXPECT_EQ(document.Value(u"S", u"A", u""), u"given again");
  EXPECT_EQ(document.Value(u"s", u"e", u""), u"given e");
  EXPECT_EQ(document.Value(u"U", u"F", u""), u"given f");

  char16_t buffer[64];
  EXPECT_EQ(document.GetValue(u"S", u"B", u"", buffer, 64), 8);
  EXPECT_EQ(std::u16string(buffer), u"loaded b");
  EXPECT_EQ(document.GetValue(u"S", u"A", u"", buffer, 6), 5);
  EXPECT_EQ(std::u16string(buffer), u"given");
  // The added entry follows the section's last one, before the next section.
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_EQ(document.ListSection(u"S", buffer, 64), 43);
  EXPECT_EQ(std::u16string(buffer, 43), u"A=given again\0#B=loaded b\0#E=given e\0#D=d\0#"s);
  EXPECT_EQ(Dump(document),
            "[S] <A>=<given again> <B>=<loaded b> <E>=<given e> [T] <C>=<c> [s] <D>=<d> "
            "[U] <F>=<given f>");
  document.Discard();
}

TEST(ProfileDocumentTest, TextThatWouldNotReadBackAsGivenIsRefusedAndChangesNothing) {
  TempDir dir;
  const std::string original = "[Online]\r\nComPort = COM1\r\n";
  WriteBytes(dir.File("r.opc"), original);
  const std::u16string file = dir.WFile("r.opc");
  struct Refused {
    const char* why;
    std::u16string section, key, value;
  };
  const std::vector<Refused> cases = {
      {"a pasted section in a value", u"Online", u"Params", u"-ipA\r\n[Injected]\r\nEvil=1"},
      {"LF in a value", u"Online", u"ComPort", u"a\nb"},
      {"CR in a value", u"Online", u"ComPort", u"a\rb"},
      {"zero in a value", u"Online", u"ComPort", u"a\0b"s},
      {"line break in a key", u"Online", u"Com\nPort", u"x"},
      {"line break in a new section", u"New\r\n[X", u"K", u"V"},
      {"zero in a section", u"On\0line"s, u"ComPort", u"V"},
      {"= in a key", u"Online", u"Com=Port", u"V"},
      {"an entry that reads as a header", u"Online", u" [x", u"y] "},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.why);
    {
      ProfileDocument document;
      ASSERT_EQ(document.Load(file), 0);
      EXPECT_EQ(document.SetValue(c.section, c.key, c.value), kGeneralFailure);
      EXPECT_FALSE(document.modified());
      std::string rendered;
      ASSERT_EQ(document.Render(rendered), 0);
      EXPECT_EQ(rendered, "[Online]\r\nComPort=COM1\r\n\r\n");
    }
    EXPECT_EQ(WriteProfileString(c.section, c.key, c.value, file), 0);
    EXPECT_EQ(ReadBytes(dir.File("r.opc")), original);
  }
  // Near misses are written and read back as given.
  EXPECT_EQ(WriteProfileString(u"[Online]", u"[x", u"y", file), 1);
  EXPECT_EQ(WriteProfileString(u"[Online]", u"x", u"[y]", file), 1);
  EXPECT_EQ(WriteProfileString(u"[Online]", u"k", u"a=b;c", file), 1);
  ProfileDocument document;
  ASSERT_EQ(document.Load(file), 0);
  EXPECT_EQ(Dump(document), "[Online] <ComPort>=<COM1> [[Online]] <[x>=<y> <x>=<[y]> <k>=<a=b;c>");
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
  std::vector<ProfileSectionCopy> sections;
  ASSERT_EQ(again.Sections(sections), 0);
  EXPECT_EQ(sections, (std::vector<ProfileSectionCopy>{{longName, {{longKey, longValue}}}}));
  EXPECT_EQ(again.Value(longName, longKey, u""), longValue);
}

TEST(ProfileDocumentTest, CharactersOutsideTheCodePageAreWrittenAsQuestionMarks) {
  TempDir dir;
  {
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("q.ini")), 0);
    document.SetValue(u"\u4E2D", u"K\u00E9", u"\u20AC \u0416 \U0001F600");
  }
  // U+20AC is byte 0x80 and U+00E9 is 0xE9 in Windows-1252; the rest has no byte.
  EXPECT_EQ(ReadBytes(dir.File("q.ini")), "[?]\r\nK\xE9=\x80 ? ??\r\n\r\n");
}

}  // namespace
}  // namespace tirv
