// The one-shot calls: lookups across duplicate sections, the copy rule and its capacity
// cut, the section listing, and what a file that cannot be loaded gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/text.h"
#include "profile/profile_calls.h"
#include "profile/profile_document.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

constexpr char16_t kUntouched = u'\uFFFF';

struct ReadResult {
  std::int32_t length;
  std::u16string text;
};

// One ReadProfileString into a buffer larger than `capacity`, so a write past the
// capacity would show as a changed position behind it.
ReadResult Read(std::u16string_view section, std::u16string_view key,
                std::u16string_view defaultValue, std::int32_t capacity,
                const std::u16string& file) {
  std::vector<char16_t> buffer(static_cast<std::size_t>(capacity) + 8, kUntouched);
  const std::int32_t n =
      ReadProfileString(section, key, defaultValue, buffer.data(), capacity, file);
  for (std::size_t i = static_cast<std::size_t>(capacity); i < buffer.size(); ++i) {
    EXPECT_EQ(buffer[i], kUntouched) << "written past the capacity at " << i;
  }
  const auto end = std::find(buffer.begin(), buffer.end(), u'\0');
  return {n, std::u16string(buffer.begin(), end)};
}

TEST(ProfileCallsTest, ReadFindsTheFirstEntryAcrossDuplicateSections) {
  TempDir dir;
  WriteBytes(dir.File("d.ini"),
             "[A]\r\nX=1\r\n[B]\r\nY=b\r\n[a]\r\nY=2\r\nX=3\r\n[A]\r\nZ=4\r\nY=5\r\n");
  const std::u16string file = dir.WFile("d.ini");
  struct Case {
    std::u16string section, key, expected;
  };
  const std::vector<Case> cases = {
      {u"A", u"X", u"1"},  // the first section has it
      {u"A", u"Y", u"2"},  // the first lacks it: the next matching section answers
      {u"A", u"Z", u"4"},  // only the third has it
      {u"a", u"x", u"1"},  // letter case does not matter
      {u"B", u"Y", u"b"},    {u"A", u"W", u"dflt"},
      {u"C", u"X", u"dflt"}, {u" A", u"X", u"dflt"},  // names compare whole
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.section + u"/" + c.key));
    const ReadResult r = Read(c.section, c.key, u"dflt", 300, file);
    EXPECT_EQ(r.text, c.expected);
    EXPECT_EQ(r.length, static_cast<std::int32_t>(c.expected.size()));
  }
}

TEST(ProfileCallsTest, EmptyValueReadsAsTheDefaultAndEndsTheSearch) {
  TempDir dir;
  WriteBytes(dir.File("e.ini"), "[S]\r\nK=\r\n[S]\r\nK=later\r\n");
  const std::u16string file = dir.WFile("e.ini");
  ReadResult r = Read(u"S", u"K", u"file not found", 300, file);
  EXPECT_EQ(r.text, u"file not found");
  EXPECT_EQ(r.length, 14);
  r = Read(u"S", u"K", u"", 300, file);
  EXPECT_EQ(r.text, u"");
  EXPECT_EQ(r.length, 0);
  r = Read(u"S", u"Missing", u"", 300, file);
  EXPECT_EQ(r.text, u"");
  EXPECT_EQ(r.length, 0);
}

TEST(ProfileCallsTest, ReadCutsToCapacityMinusOne) {
  TempDir dir;
  WriteBytes(dir.File("c.ini"), "[S]\r\nK=0123456789\r\n");
  const std::u16string file = dir.WFile("c.ini");
  struct Case {
    std::int32_t capacity;
    std::u16string expected;
  };
  for (const Case& c : std::vector<Case>{{1, u""},
                                         {2, u"0"},
                                         {5, u"0123"},
                                         {10, u"012345678"},
                                         {11, u"0123456789"},
                                         {300, u"0123456789"}}) {
    SCOPED_TRACE(c.capacity);
    ReadResult r = Read(u"S", u"K", u"x", c.capacity, file);
    EXPECT_EQ(r.text, c.expected);
    EXPECT_EQ(r.length, static_cast<std::int32_t>(c.expected.size()));
    // The default is cut by the same rule.
    r = Read(u"S", u"Missing", u"0123456789", c.capacity, file);
    EXPECT_EQ(r.text, c.expected);
  }
}

TEST(ProfileCallsTest, AbsentFileGivesTheDefaultAndIsCreatedByAWrite) {
  TempDir dir;
  const std::u16string file = dir.WFile("TirvOPC.ini");
  ReadResult r = Read(u"Settings", u"CustomWorkspace", u"file not found", 100, file);
  EXPECT_EQ(r.text, u"file not found");
  EXPECT_EQ(r.length, 14);
  EXPECT_FALSE(testing::FileExists(dir.File("TirvOPC.ini")));

  EXPECT_EQ(WriteProfileString(u"Settings", u"CustomWorkspace", u"./ws", file), 1);
  EXPECT_EQ(ReadBytes(dir.File("TirvOPC.ini")), "[Settings]\r\nCustomWorkspace=./ws\r\n\r\n");
  r = Read(u"settings", u"customworkspace", u"file not found", 100, file);
  EXPECT_EQ(r.text, u"./ws");
}

TEST(ProfileCallsTest, WriteChangesTheFirstMatchAndNormalisesTheRest) {
  TempDir dir;
  WriteBytes(dir.File("w.opc"),
             "[GeneralSettings]\r\n AdaptationComponent = Old \r\n[Online]\r\nComPort=COM1\r\n"
             "[online]\r\nComTeleLength=10\r\n");
  const std::u16string file = dir.WFile("w.opc");
  EXPECT_EQ(WriteProfileString(u"ONLINE", u"ComTeleLength", u"20", file), 1);
  EXPECT_EQ(WriteProfileString(u"generalsettings", u"AdaptationComponent", u"New", file), 1);
  EXPECT_EQ(WriteProfileString(u"Extra", u"K", u"V", file), 1);
  // The key missing from the first "Online" is appended there, although the second
  // one holds it.
  EXPECT_EQ(ReadBytes(dir.File("w.opc")),
            "[GeneralSettings]\r\nAdaptationComponent=New\r\n\r\n"
            "[Online]\r\nComPort=COM1\r\nComTeleLength=20\r\n\r\n"
            "[online]\r\nComTeleLength=10\r\n\r\n"
            "[Extra]\r\nK=V\r\n\r\n");
  EXPECT_EQ(Read(u"Online", u"ComTeleLength", u"", 300, file).text, u"20");
}

TEST(ProfileCallsTest, FailedLoadLeavesAnEmptyTextAndTheFileUnchanged) {
  TempDir dir;
  const std::vector<std::string> unloadable = {
      "[S]\r\nK=V\r\n; a comment\r\n",
      "K=V\r\n[S]\r\nA=1\r\n",
      std::string("[S]\r\nK=V\r\n\0[T]\r\nL=W\r\n", 21),
  };
  for (const std::string& bytes : unloadable) {
    SCOPED_TRACE(bytes);
    WriteBytes(dir.File("bad.ini"), bytes);
    const std::u16string file = dir.WFile("bad.ini");
    std::vector<char16_t> buffer(40, u'#');
    EXPECT_EQ(ReadProfileString(u"S", u"K", u"dflt", buffer.data(), 40, file), 0);
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_EQ(ReadProfileSection(u"S", buffer.data(), 40, file), 0);
    EXPECT_EQ(WriteProfileString(u"S", u"K", u"new", file), 0);
    EXPECT_EQ(WriteProfileString(u"T", u"X", u"new", file), 0);
    EXPECT_EQ(ReadBytes(dir.File("bad.ini")), bytes);
    EXPECT_EQ(testing::ListFolder(dir.path()), std::vector<std::string>{"bad.ini"});
  }
}

// Runs ListSection into a buffer of `size` positions, all set to kUntouched first.
std::vector<char16_t> List(const std::u16string& file, std::u16string_view section,
                           std::int32_t capacity, std::int32_t& result) {
  std::vector<char16_t> buffer(static_cast<std::size_t>(capacity) + 8, kUntouched);
  result = ReadProfileSection(section, buffer.data(), capacity, file);
  return buffer;
}

std::vector<char16_t> Layout(std::u16string_view pattern, std::size_t size) {
  // "#" marks a position that must stay untouched, "0" a terminating zero.
  std::vector<char16_t> out(size, kUntouched);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    out[i] = pattern[i] == u'#' ? kUntouched : pattern[i] == u'0' ? u'\0' : pattern[i];
  }
  return out;
}

TEST(ProfileCallsTest, ListSectionLaysOutEveryMatchingSectionAndSkipsSemicolonKeys) {
  TempDir dir;
  WriteBytes(dir.File("l.ini"),
             "[S]\r\nA=1\r\n;c=x\r\nk;=y\r\nBB=22\r\n[T]\r\nQ=q\r\n[s]\r\nC=3\r\n");
  const std::u16string file = dir.WFile("l.ini");
  std::int32_t result = 0;
  // Each entry: its text, a zero and one untouched position; nothing after the last.
  EXPECT_EQ(List(file, u"S", 18, result), Layout(u"A=10#BB=220#C=30#", 26));
  EXPECT_EQ(result, 17);
  EXPECT_EQ(List(file, u"t", 100, result), Layout(u"Q=q0#", 108));
  EXPECT_EQ(result, 5);
  EXPECT_EQ(List(file, u"Missing", 100, result), Layout(u"", 108));
  EXPECT_EQ(result, 0);
}

TEST(ProfileCallsTest, ListSectionStopsAtTheFirstEntryThatDoesNotFit) {
  TempDir dir;
  WriteBytes(dir.File("l.ini"), "[S]\r\nA=1\r\nBB=22\r\nD=4\r\n[S]\r\nC=3\r\n");
  const std::u16string file = dir.WFile("l.ini");
  struct Case {
    std::int32_t capacity;
    std::u16string layout;
    std::int32_t result;
  };
  // The room starts at the capacity and loses length + 2 per entry tried; an entry is
  // stored only while the room stays above zero. Entries need 5, 7, 5 and 5.
  const std::vector<Case> cases = {
      {23, u"A=10#BB=220#D=40#C=30#", 22},  // all fit, one position to spare
      {22, u"A=10#BB=220#D=40#", 22},       // C would leave no room
      {17, u"A=10#BB=220#", 22},            // D does not fit: "C" is tried and fails too
      {10, u"A=10#", 17},                   // BB fails, D is left out, C is tried
      {5, u"", 10},
      {0, u"", 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    std::int32_t result = 0;
    EXPECT_EQ(List(file, u"S", c.capacity, result),
              Layout(c.layout, static_cast<std::size_t>(c.capacity) + 8));
    EXPECT_EQ(result, c.result);
  }
}

TEST(ProfileCallsTest, ReadProfileSectionOfAnAbsentFileWritesNothing) {
  TempDir dir;
  std::int32_t result = -1;
  EXPECT_EQ(List(dir.WFile("absent.ini"), u"S", 10, result), Layout(u"", 18));
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace tirv
