// Whole-file reads and the attributes of paths, on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "failing_syscalls.h"
#include "files.h"
#include "temp_dir.h"

namespace tirv {
namespace {

using testing::TempDir;
using testing::WriteBytes;

TEST(ReadWholeFileTest, TellsAnAbsentFileFromOneThatCannotBeRead) {
  TempDir dir;
  const std::string content("line\r\n\0\xFF", 8);
  WriteBytes(dir.File("f.ini"), content);
  ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
  std::string bytes = "stale";

  EXPECT_EQ(ReadWholeFile(dir.WFile("f.ini"), bytes), ReadOutcome::kRead);
  EXPECT_EQ(bytes, content);
  EXPECT_EQ(ReadWholeFile(dir.wpath() + u"\\f.ini", bytes), ReadOutcome::kRead);
  EXPECT_EQ(bytes, content);

  bytes = "stale";
  EXPECT_EQ(ReadWholeFile(dir.WFile("absent.ini"), bytes), ReadOutcome::kAbsent);
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(ReadWholeFile(dir.WFile("missing/f.ini"), bytes), ReadOutcome::kAbsent);
  EXPECT_EQ(ReadWholeFile(dir.WFile("f.ini/below"), bytes), ReadOutcome::kAbsent);

  bytes = "stale";
  EXPECT_EQ(ReadWholeFile(dir.WFile("folder"), bytes), ReadOutcome::kFailed);
  EXPECT_EQ(bytes, "");
}

TEST(ReadWholeFileTest, AFailingReadIsAFailureWithNothingKept) {
  TempDir dir;
  WriteBytes(dir.File("f.ini"), std::string(100000, 'x'));
  for (const testing::Call call :
       {testing::Call::kOpen, testing::Call::kFstat, testing::Call::kRead}) {
    testing::FailingSysCalls layer;
    layer.FailNth(call, 1, EIO);
    std::string bytes = "stale";
    EXPECT_EQ(ReadWholeFile(dir.WFile("f.ini"), bytes), ReadOutcome::kFailed);
    EXPECT_EQ(bytes, "");
  }
}

TEST(FileAttributesTest, FilesFoldersAndReadOnlyFiles) {
  TempDir dir;
  WriteBytes(dir.File("rw.opc"), "");
  WriteBytes(dir.File("ro.opc"), "");
  ASSERT_EQ(::chmod(dir.File("ro.opc").c_str(), 0444), 0);
  EXPECT_EQ(GetFileAttributes(dir.WFile("rw.opc")), kAttributeNormal);
  EXPECT_EQ(GetFileAttributes(dir.WFile("ro.opc")), kAttributeNormal | kAttributeReadOnly);
  EXPECT_EQ(GetFileAttributes(dir.wpath()), kAttributeDirectory);
  EXPECT_EQ(GetFileAttributes(dir.WFile("none")), kInvalidAttributes);

  EXPECT_TRUE(CreateOneFolder(dir.WFile("ws")));
  EXPECT_FALSE(CreateOneFolder(dir.WFile("ws")));
  EXPECT_FALSE(CreateOneFolder(dir.WFile("a/b")));
  EXPECT_TRUE(CreateNewFile(dir.WFile("ws\\n.opc")));
  EXPECT_FALSE(CreateNewFile(dir.WFile("ws/n.opc")));
  EXPECT_TRUE(DeleteOneFile(dir.WFile("ws/n.opc")));
  EXPECT_FALSE(DeleteOneFile(dir.WFile("ws/n.opc")));
  EXPECT_FALSE(DeleteOneFile(dir.WFile("ws")));
}

}  // namespace
}  // namespace tirv
