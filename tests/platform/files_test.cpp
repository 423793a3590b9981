// Whole-file reads and the attributes of paths, on real files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/file_search.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/failing_syscalls.h"
#include "support/forked_child.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::Call;
using testing::FailingSysCalls;
using testing::FileExists;
using testing::ListFolder;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

bool IsLink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(ReadWholeFileTest, TellsAnAbsentFileFromOneThatCannotBeRead) {
  TempDir dir;
  const std::string content("line\r\n\0\xFF", 8);
  WriteBytes(dir.File("f.ini"), content);
  ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
  std::string bytes = "stale";

  EXPECT_EQ(ReadWholeFile(dir.WFile("f.ini"), bytes), ReadOutcome::kRead);
  EXPECT_EQ(bytes, content);
  // "\\" is a character of a name, never a separator.
  EXPECT_EQ(ReadWholeFile(dir.wpath() + u"\\f.ini", bytes), ReadOutcome::kAbsent);
  WriteBytes(dir.File("a\\f.ini"), content);
  EXPECT_EQ(ReadWholeFile(dir.WFile("a\\f.ini"), bytes), ReadOutcome::kRead);
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
  // Read through a link, so that the file is opened by the walk along it.
  TempDir dir;
  WriteBytes(dir.File("f.ini"), std::string(100000, 'x'));
  ASSERT_EQ(::symlink("f.ini", dir.File("link.ini").c_str()), 0);
  for (const testing::Call call :
       {testing::Call::kOpen, testing::Call::kFstat, testing::Call::kPread}) {
    testing::FailingSysCalls layer;
    layer.FailNth(call, 1, EIO);
    std::string bytes = "stale";
    EXPECT_EQ(ReadWholeFile(dir.WFile("link.ini"), bytes), ReadOutcome::kFailed);
    EXPECT_EQ(bytes, "");
    EXPECT_TRUE(layer.fired());
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
  EXPECT_TRUE(CreateNewFile(dir.WFile("ws/n.opc")));
  EXPECT_FALSE(CreateNewFile(dir.WFile("ws/n.opc")));
  EXPECT_TRUE(CreateNewFile(dir.WFile("ws\\n.opc")));  // a name of its own beside "ws"
  EXPECT_EQ(GetFileAttributes(dir.WFile("ws\\n.opc")), kAttributeNormal);
  EXPECT_TRUE(DeleteOneFile(dir.WFile("ws/n.opc")));
  EXPECT_FALSE(DeleteOneFile(dir.WFile("ws/n.opc")));
  EXPECT_FALSE(DeleteOneFile(dir.WFile("ws")));
}

TEST(SafeWriteTest, EveryFailureTellsItsFirstReason) {
  // Each call of each kind fails once in turn; a reached file and a created one sit
  // behind a link, so the walk along it is swept too.
  TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("real").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("real", dir.File("link").c_str()), 0);
  // What the operation acts on, and how that must look after success and after failure.
  struct Operation {
    const char* what;
    std::function<void()> reset;
    std::function<bool(int*)> run;
    std::function<std::string()> state;
    std::string done;
    std::string failed;
  };
  const auto contentOf = [&dir](const char* name) {
    return FileExists(dir.File(name)) ? ReadBytes(dir.File(name)) : "absent";
  };
  std::string bytes;
  ::symlink("real/r.opc", dir.File("r-link.opc").c_str());
  const auto linkedContent = [&] {
    return contentOf("real/r.opc") + (IsLink(dir.File("r-link.opc")) ? "" : " (no longer a link)");
  };
  const std::vector<Operation> operations = {
      {"replace", [&] { WriteBytes(dir.File("real/r.opc"), "old"); },
       [&](int* why) { return ReplaceFileSafely(dir.WFile("link/r.opc"), "new", why) == 0; },
       [&] { return contentOf("real/r.opc"); }, "new", "old"},
      {"replace through a link to the file", [&] { WriteBytes(dir.File("real/r.opc"), "old"); },
       [&](int* why) { return ReplaceFileSafely(dir.WFile("r-link.opc"), "new", why) == 0; },
       linkedContent, "new", "old"},
      {"create", [&] { ::unlink(dir.File("real/n.opc").c_str()); },
       [&](int* why) { return CreateFileSafely(dir.WFile("link/n.opc"), "new", why) == 0; },
       [&] { return contentOf("real/n.opc"); }, "new", "absent"},
      {"read", [&] { bytes = "stale"; },
       [&](int* why) {
         return ReadWholeFile(dir.WFile("link/r.opc"), bytes, why) == ReadOutcome::kRead;
       },
       [&] { return bytes; }, "new", ""},
      {"delete", [&] { WriteBytes(dir.File("real/d.opc"), "gone"); },
       [&](int* why) { return DeleteOneFile(dir.WFile("link/d.opc"), why); },
       [&] { return contentOf("real/d.opc"); }, "absent", "gone"},
  };
  int failures = 0;
  for (const Operation& operation : operations) {
    for (int kind = 0; kind < static_cast<int>(Call::kCount); ++kind) {
      for (int nth = 1;; ++nth) {
        SCOPED_TRACE(std::string(operation.what) + ", call kind " + std::to_string(kind) +
                     ", occurrence " + std::to_string(nth));
        operation.reset();
        int why = -1;
        bool done;
        bool fired;
        {
          FailingSysCalls layer;
          layer.FailNth(static_cast<Call>(kind), nth, EIO);
          done = operation.run(&why);
          fired = layer.fired();
        }
        EXPECT_EQ(why, done ? 0 : EIO);
        EXPECT_EQ(operation.state(), done ? operation.done : operation.failed);
        if (!fired) break;
        if (done) continue;
        ++failures;
        for (const std::string& name : ListFolder(dir.File("real"))) EXPECT_NE(name[0], '.');
      }
    }
  }
  EXPECT_GT(failures, 20);
}

TEST(SafeWriteTest, AProcessKilledAtAnyStepLeavesOldOrNewTextInFull) {
  TempDir dir;
  const std::u16string file = dir.WFile("r.opc");
  int kills = 0;
  for (int k = 1;; ++k) {
    SCOPED_TRACE("killed before call " + std::to_string(k));
    WriteBytes(dir.File("r.opc"), "old");
    const testing::ChildOutcome child = testing::RunInChild([&] {
      FailingSysCalls layer;
      layer.SetHook([k](Call, int total) {
        if (total == k) ::raise(SIGKILL);
      });
      return ReplaceFileSafely(file, "new") == 0 ? 0 : 1;
    });
    if (child.exited) {
      EXPECT_EQ(child.exitCode, 0);
      EXPECT_EQ(ReadBytes(dir.File("r.opc")), "new");
      break;
    }
    ++kills;
    ASSERT_EQ(child.signal, SIGKILL);
    const std::string after = ReadBytes(dir.File("r.opc"));
    EXPECT_TRUE(after == "old" || after == "new") << "file after the kill: " << after;
    for (const std::string& name : ListFolder(dir.path())) {
      EXPECT_FALSE(name != "r.opc" && MatchesWildcard(u"*.opc", Utf8ToUtf16(name))) << name;
    }
    // What the killed process left behind does not disturb the next write.
    EXPECT_EQ(ReplaceFileSafely(file, "next"), 0);
    EXPECT_EQ(ReadBytes(dir.File("r.opc")), "next");
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"r.opc"});
  }
  EXPECT_GT(kills, 5);
}

TEST(SafeWriteTest, AnyNameTheFolderHoldsGetsAHiddenTemporaryWithinTheLimit) {
  TempDir dir;
  const std::string ae = "\xC3\xA4";  // two bytes
  std::string wide = "b";
  for (int i = 0; i < 125; ++i) wide += ae;
  // The longest name whose temporary keeps it whole, the shortest that is cut, the
  // longest a folder holds, and one whose cut falls inside a character.
  for (const std::string& name :
       {std::string("x.opc"), std::string(243, 'a') + ".opc", std::string(244, 'a') + ".opc",
        std::string(251, 'a') + ".opc", wide + ".OPC"}) {
    SCOPED_TRACE(name.size());
    std::vector<std::string> during;
    EXPECT_EQ(CreateFileSafely(Utf8ToUtf16(dir.File(name)), "first"), 0);
    {
      FailingSysCalls layer;  // the temporary has its name when it is swapped in
      layer.SetHook([&](Call call, int) {
        if (call == Call::kExchange && during.empty()) during = ListFolder(dir.path());
      });
      EXPECT_EQ(ReplaceFileSafely(Utf8ToUtf16(dir.File(name)), "second"), 0);
    }
    EXPECT_EQ(ReadBytes(dir.File(name)), "second");
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{name});
    ASSERT_EQ(during.size(), 2u);
    const std::string& temporary = during[0] == name ? during[1] : during[0];
    EXPECT_EQ(temporary[0], '.');
    EXPECT_FALSE(MatchesWildcard(u"*.opc", Utf8ToUtf16(temporary))) << temporary;
    for (const char16_t unit : Utf8ToUtf16(temporary)) {
      EXPECT_FALSE(unit >= 0xDC80 && unit <= 0xDCFF) << "a character cut in two";
    }
    ::unlink(dir.File(name).c_str());
  }
}

TEST(SafeWriteTest, WhatIsAtTheNameOrAppearsThereIsNeverWrittenThrough) {
  TempDir dir;
  WriteBytes(dir.File("taken.opc"), "colleague's");
  ASSERT_EQ(::symlink("elsewhere.txt", dir.File("dangling.opc").c_str()), 0);
  ASSERT_EQ(::mkdir(dir.File("folder.opc").c_str(), 0755), 0);
  for (const char* name : {"taken.opc", "dangling.opc", "folder.opc", "late.opc"}) {
    SCOPED_TRACE(name);
    FailingSysCalls layer;  // plants a link at "late.opc" while the content is written
    layer.SetHook([&](Call call, int) {
      if (call == Call::kFsync) ::symlink("planted.txt", dir.File("late.opc").c_str());
    });
    int why = 0;
    EXPECT_EQ(CreateFileSafely(dir.WFile(name), "mine", &why), kGeneralFailure);
    EXPECT_EQ(why, EEXIST);
  }
  // A file swapped for that link while its new content is written is refused: the file
  // that was looked at is the only one ever replaced.
  WriteBytes(dir.File("r.opc"), "old");
  {
    FailingSysCalls layer;
    layer.SetHook([&](Call call, int) {
      if (call == Call::kFsync) ::rename(dir.File("late.opc").c_str(), dir.File("r.opc").c_str());
    });
    int why = 0;
    EXPECT_EQ(ReplaceFileSafely(dir.WFile("r.opc"), "new", &why), kGeneralFailure);
    EXPECT_EQ(why, kErrorReplacedMeanwhile);
  }
  char link[64] = {};
  EXPECT_GT(::readlink(dir.File("r.opc").c_str(), link, sizeof link - 1), 0);
  EXPECT_STREQ(link, "planted.txt");
  EXPECT_EQ(ReadBytes(dir.File("taken.opc")), "colleague's");
  EXPECT_FALSE(FileExists(dir.File("elsewhere.txt")));
  EXPECT_FALSE(FileExists(dir.File("planted.txt")));
  EXPECT_EQ(ListFolder(dir.path()),
            (std::vector<std::string>{"dangling.opc", "folder.opc", "r.opc", "taken.opc"}));
}

}  // namespace
}  // namespace tirv
