// Folder search: wildcard matching, the order of First/Next/Close, and telling the end
// of a folder from a failure to read it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_search.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/failing_syscalls.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::Call;
using testing::FailingSysCalls;
using testing::TempDir;
using testing::WriteBytes;

TEST(WildcardTest, MatchesStarsAndQuestionMarksIgnoringCase) {
  struct Case {
    std::u16string pattern, name;
    bool matches;
  };
  const std::vector<Case> cases = {
      {u"*.opc", u"Press1.opc", true},
      {u"*.opc", u"PLANT.OPC", true},
      {u"*.opc", u".opc", true},
      {u"*.opc", u"a.opc.tmp", false},
      {u"*.opc", u".a.opc.tmp-1-2-3", false},
      {u"*.opc", u"a.op", false},
      {u"*.opc", u"aopc", false},
      {u"*.opc", u"x.opc.opc", true},
      {u"*", u"", true},
      {u"*", u"anything", true},
      {u"", u"", true},
      {u"", u"a", false},
      {u"?", u"", false},
      {u"?", u"\u00E9", true},
      {u"a?c", u"ABC", true},
      {u"a?c", u"ac", false},
      {u"a*b*c", u"a--b--b--c", true},
      {u"a*b*c", u"a--c--b", false},
      {u"**x", u"abx", true},
      {u"*a*", u"bbb", false},
      {u"\u00C9*", u"\u00E9t\u00E9", true},
      {u"Caf\xDCE9*", u"caf\xDCE9.opc", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.pattern) + " ~ " + Utf16ToUtf8(c.name));
    EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches);
  }
}

// Every name that First and Next give for `pattern`, sorted, with the final step.
std::vector<std::string> SearchAll(FileSearch& search, std::u16string_view pattern,
                                   SearchStep& last) {
  std::vector<std::string> names;
  std::u16string name;
  if (!search.First(pattern, name)) {
    last = SearchStep::kNoMoreFiles;
    return names;
  }
  names.push_back(Utf16ToUtf8(name));
  while ((last = search.Next(name)) == SearchStep::kFound) names.push_back(Utf16ToUtf8(name));
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FileSearchTest, FindsMatchingFilesAndFoldersThenReportsNoMoreFiles) {
  TempDir dir;
  WriteBytes(dir.File("a.opc"), "");
  WriteBytes(dir.File("B.OPC"), "");
  WriteBytes(dir.File("c.txt"), "");
  WriteBytes(dir.File("caf\xE9.opc"), "");  // not UTF-8: found and usable all the same
  ASSERT_EQ(::mkdir(dir.File("sub.opc").c_str(), 0755), 0);

  FileSearch search;
  SearchStep last = SearchStep::kFound;
  const std::vector<std::string> found = SearchAll(search, dir.wpath() + u"/*.opc", last);
  EXPECT_EQ(found, (std::vector<std::string>{"B.OPC", "a.opc", "caf\xE9.opc", "sub.opc"}));
  EXPECT_EQ(last, SearchStep::kNoMoreFiles);
  EXPECT_EQ(search.lastError(), kErrorNoMoreFiles);
  EXPECT_TRUE(search.Close());
  EXPECT_FALSE(search.Close());

  // The name found opens the file it names.
  std::u16string name;
  FileSearch latin;
  ASSERT_TRUE(latin.First(dir.wpath() + u"\\caf*", name));
  EXPECT_EQ(name, u"caf\xDCE9.opc");
  std::string bytes = "x";
  EXPECT_EQ(ReadWholeFile(dir.wpath() + u"/" + name, bytes), ReadOutcome::kRead);
  EXPECT_EQ(bytes, "");
}

TEST(FileSearchTest, NothingToFindIsNotAFailedFolder) {
  TempDir dir;
  WriteBytes(dir.File("only.txt"), "");
  std::u16string name = u"unchanged";
  FileSearch search;
  EXPECT_FALSE(search.First(dir.wpath() + u"/*.opc", name));
  EXPECT_EQ(search.lastError(), kErrorNoMoreFiles);
  EXPECT_EQ(name, u"unchanged");

  EXPECT_FALSE(search.First(dir.wpath() + u"/missing/*.opc", name));
  EXPECT_EQ(search.lastError(), kErrorSearchFailed);
  EXPECT_EQ(search.Next(name), SearchStep::kFailed);
}

TEST(FileSearchTest, AFailedFolderReadIsReportedAsAFailureNotAsTheEnd) {
  TempDir dir;
  for (const char* name : {"a.opc", "b.opc", "c.opc", "d.opc"}) WriteBytes(dir.File(name), "");
  FailingSysCalls layer;
  std::u16string name;
  FileSearch search;
  ASSERT_TRUE(search.First(dir.wpath() + u"/*.opc", name));
  layer.FailNth(Call::kReaddir, 1, EIO);
  EXPECT_EQ(search.Next(name), SearchStep::kFailed);
  EXPECT_EQ(search.lastError(), kErrorSearchFailed);
  EXPECT_TRUE(search.Close());

  // A failure on the very first read of the folder.
  layer.FailNth(Call::kReaddir, 1, EIO);
  EXPECT_FALSE(search.First(dir.wpath() + u"/*.opc", name));
  EXPECT_EQ(search.lastError(), kErrorSearchFailed);
}

TEST(FileSearchTest, AFailedCloseIsReported) {
  TempDir dir;
  WriteBytes(dir.File("a.opc"), "");
  FailingSysCalls layer;
  std::u16string name;
  FileSearch search;
  ASSERT_TRUE(search.First(dir.wpath() + u"/*.opc", name));
  layer.FailNth(Call::kClosedir, 1, EIO);
  EXPECT_FALSE(search.Close());
}

}  // namespace
}  // namespace tirv
