// Whole-file reads and the attributes of paths, on real files.
#include <fcntl.h>
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

TEST(ReadWholeFileTest, ReadsFilesOfEverySizeWhole) {
  TempDir dir;
  for (const std::size_t size : {0, 1, 16383, 16384, 16385, 32768, 100001}) {
    SCOPED_TRACE(size);
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + i % 23);
    WriteBytes(dir.File("f.ini"), content);
    std::string bytes = "stale";
    EXPECT_EQ(ReadWholeFile(dir.WFile("f.ini"), bytes), ReadOutcome::kRead);
    EXPECT_EQ(bytes, content);
  }
}

TEST(ReadWholeFileTest, DevicesAndPipesAreRefusedWithoutTakingTheirData) {
  TempDir dir;
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(u"/dev/null", bytes), ReadOutcome::kFailed);
  EXPECT_EQ(ReadWholeFile(u"/dev/zero", bytes), ReadOutcome::kFailed);
  EXPECT_EQ(bytes, "");

  // A pipe with data waiting in it: refused, and the data stays for its real reader.
  ASSERT_EQ(::mkfifo(dir.File("pipe.opc").c_str(), 0600), 0);
  const int fd = ::open(dir.File("pipe.opc").c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const std::string waiting = "[S]\r\nK=V\r\n";
  ASSERT_EQ(::write(fd, waiting.data(), waiting.size()), static_cast<ssize_t>(waiting.size()));
  EXPECT_EQ(ReadWholeFile(dir.WFile("pipe.opc"), bytes), ReadOutcome::kFailed);
  char back[64];
  EXPECT_EQ(::read(fd, back, sizeof back), static_cast<ssize_t>(waiting.size()));
  ::close(fd);
}

TEST(ReadWholeFileTest, AFailingReadIsAFailureWithNothingKept) {
  TempDir dir;
  WriteBytes(dir.File("f.ini"), std::string(100000, 'x'));
  for (const testing::Call call :
       {testing::Call::kOpen, testing::Call::kFstat, testing::Call::kPread}) {
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
