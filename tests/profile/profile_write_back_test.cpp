// Writing a profile back must never cost the old file: whatever fails, and wherever the
// process dies, the file holds its old or its new text in full, keeps its permission
// bits and its symbolic link, and no temporary file is left that the workspace search
// would take for a resource.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_search.h"
#include "platform/text.h"
#include "profile/profile_calls.h"
#include "profile/profile_document.h"
#include "support/failing_syscalls.h"
#include "support/forked_child.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::Call;
using testing::FailingSysCalls;
using testing::ListFolder;
using testing::ReadBytes;
using testing::RunInChild;
using testing::RunUnprivileged;
using testing::TempDir;
using testing::WriteBytes;

const std::string kOld = "[Online]\r\nComPort=COM1\r\n\r\n[GeneralSettings]\r\nA=1\r\n\r\n";
const std::string kNew = "[Online]\r\nComPort=COM2\r\n\r\n[GeneralSettings]\r\nA=1\r\n\r\n";

std::int32_t WriteComPort(const std::u16string& file, std::u16string_view value = u"COM2") {
  return WriteProfileString(u"Online", u"ComPort", value, file);
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool IsLink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Names in `folder` other than `expected` that the workspace search would hand on as
// resources.
std::vector<std::string> StrayResources(const std::string& folder, const std::string& expected) {
  std::vector<std::string> stray;
  for (const std::string& name : ListFolder(folder)) {
    if (name != expected && MatchesWildcard(u"*.opc", Utf8ToUtf16(name))) stray.push_back(name);
  }
  return stray;
}

void MakeWorldWritable(const TempDir& dir) { ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0); }

bool IsRoot() { return ::geteuid() == 0; }

TEST(ProfileWriteBackTest, AFailedUnlinkNeverLeavesAFileTheSearchWouldTake) {
  TempDir dir;
  for (int nth = 1; nth <= 3; ++nth) {
    WriteBytes(dir.File("r.opc"), kOld);
    FailingSysCalls layer;
    layer.FailNth(Call::kUnlink, nth, EIO);
    WriteComPort(dir.WFile("r.opc"));
    EXPECT_EQ(StrayResources(dir.path(), "r.opc"), std::vector<std::string>{});
  }
}

TEST(ProfileWriteBackTest, WithoutAnAtomicSwapTheRenameIsUsed) {
  TempDir dir;
  WriteBytes(dir.File("r.opc"), kOld);
  FailingSysCalls layer;
  layer.FailNth(Call::kExchange, 1, EINVAL);  // what a file system without the swap says
  EXPECT_EQ(WriteComPort(dir.WFile("r.opc")), 1);
  EXPECT_TRUE(layer.fired());
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), kNew);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"r.opc"});
}

TEST(ProfileWriteBackTest, AFileSizeLimitMakesTheWriteFailAndKeepsTheFile) {
  TempDir dir;
  WriteBytes(dir.File("r.opc"), kOld);
  const std::u16string file = dir.WFile("r.opc");
  // The child gets a 4 KiB limit on file size; SIGXFSZ is ignored so that the write
  // itself reports EFBIG. A small write must still pass under the same limit.
  auto writeUnderLimit = [&](std::u16string value) {
    return RunInChild([&] {
      ::signal(SIGXFSZ, SIG_IGN);
      const struct rlimit limit = {4096, 4096};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 99;
      return WriteComPort(file, value) == 1 ? 1 : 0;
    });
  };
  testing::ChildOutcome child = writeUnderLimit(std::u16string(10000, u'x'));
  ASSERT_TRUE(child.exited);
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), kOld);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"r.opc"});

  child = writeUnderLimit(u"COM2");
  ASSERT_TRUE(child.exited);
  EXPECT_EQ(child.exitCode, 1);
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), kNew);
}

// A tmpfs of `size` mounted on a new folder, unmounted again at the end of the scope.
class TinyTmpfs {
 public:
  TinyTmpfs(const std::string& path, const char* size) : path_(path) {
    ::mkdir(path.c_str(), 0755);
    const std::string options = std::string("size=") + size;
    mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
    error_ = mounted_ ? 0 : errno;
  }
  ~TinyTmpfs() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  int error() const { return error_; }

 private:
  std::string path_;
  bool mounted_ = false;
  int error_ = 0;
};

TEST(ProfileWriteBackTest, AFullFileSystemMakesTheWriteFailAndKeepsTheFile) {
  TempDir dir;
  const std::string mountPoint = dir.File("tiny");
  TinyTmpfs tmpfs(mountPoint, "64k");
  if (!tmpfs.mounted()) {
    GTEST_SKIP() << "mounting a 64 KiB tmpfs was refused (" << std::strerror(tmpfs.error())
                 << "); the full-disk case needs it. The file-size-limit case covers a "
                    "failing write meanwhile.";
  }
  // 40 kB of file: the old file and a temporary copy of it cannot both fit in 64 KiB.
  const std::string big = "[S]\r\nK=" + std::string(40000, 'v') + "\r\n\r\n";
  WriteBytes(mountPoint + "/big.opc", big);
  const std::u16string file = Utf8ToUtf16(mountPoint + "/big.opc");
  EXPECT_EQ(WriteProfileString(u"S", u"L", u"one more", file), 0);
  EXPECT_EQ(ReadBytes(mountPoint + "/big.opc"), big);
  EXPECT_EQ(ListFolder(mountPoint), std::vector<std::string>{"big.opc"});

  ProfileDocument document;
  ASSERT_EQ(document.Load(file), 0);
  document.SetValue(u"S", u"L", u"x");
  EXPECT_EQ(document.Save(), kGeneralFailure);
  document.Discard();
  EXPECT_EQ(ReadBytes(mountPoint + "/big.opc"), big);
}

TEST(ProfileWriteBackTest, PermissionBitsAreKeptButNeverTheSetIdBits) {
  TempDir dir;
  for (const mode_t mode : {0600, 0640, 0604, 0664, 0751, 04755, 02750, 06777, 01644}) {
    SCOPED_TRACE(mode);
    WriteBytes(dir.File("r.opc"), kOld);
    ASSERT_EQ(::chmod(dir.File("r.opc").c_str(), mode), 0);
    EXPECT_EQ(WriteComPort(dir.WFile("r.opc")), 1);
    EXPECT_EQ(ReadBytes(dir.File("r.opc")), kNew);
    EXPECT_EQ(ModeOf(dir.File("r.opc")), mode & 0777);
  }
}

TEST(ProfileWriteBackTest, AnotherUsersFileKeepsItsOwnerButNoSetIdBits) {
  if (!IsRoot()) GTEST_SKIP() << "needs root: only root gives a file to another user";
  TempDir dir;
  WriteBytes(dir.File("r.opc"), kOld);
  ASSERT_EQ(::chown(dir.File("r.opc").c_str(), testing::kNobody, testing::kNobody), 0);
  ASSERT_EQ(::chmod(dir.File("r.opc").c_str(), 06755), 0);
  EXPECT_EQ(WriteComPort(dir.WFile("r.opc")), 1);
  struct stat st;
  ASSERT_EQ(::stat(dir.File("r.opc").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, testing::kNobody);
  EXPECT_EQ(st.st_gid, testing::kNobody);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
}

TEST(ProfileWriteBackTest, ANewFileGetsTheModeTheUmaskAllows) {
  TempDir dir;
  for (const mode_t mask : {022, 077, 002}) {
    SCOPED_TRACE(mask);
    const std::string name = "new" + std::to_string(mask) + ".opc";
    const mode_t previous = ::umask(mask);
    const std::int32_t result = WriteComPort(dir.WFile(name));
    ::umask(previous);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ModeOf(dir.File(name)), 0666 & ~mask);
  }
}

TEST(ProfileWriteBackTest, ASymbolicLinkStaysALinkToTheChangedFile) {
  TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("a").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(dir.File("b").c_str(), 0755), 0);
  WriteBytes(dir.File("b/target.opc"), kOld);
  ASSERT_EQ(::chmod(dir.File("b/target.opc").c_str(), 0640), 0);
  // a/first.opc -> ../middle.opc -> (absolute) b/target.opc
  ASSERT_EQ(::symlink(dir.File("b/target.opc").c_str(), dir.File("middle.opc").c_str()), 0);
  ASSERT_EQ(::symlink("../middle.opc", dir.File("a/first.opc").c_str()), 0);

  EXPECT_EQ(WriteComPort(dir.WFile("a/first.opc")), 1);
  EXPECT_TRUE(IsLink(dir.File("a/first.opc")));
  EXPECT_TRUE(IsLink(dir.File("middle.opc")));
  EXPECT_EQ(ReadBytes(dir.File("b/target.opc")), kNew);
  EXPECT_EQ(ModeOf(dir.File("b/target.opc")), 0640u);
  EXPECT_EQ(ListFolder(dir.File("a")), std::vector<std::string>{"first.opc"});
  EXPECT_EQ(ListFolder(dir.File("b")), std::vector<std::string>{"target.opc"});

  // A link whose target does not exist yet: the write creates the target.
  ASSERT_EQ(::symlink("b/later.opc", dir.File("dangling.opc").c_str()), 0);
  EXPECT_EQ(WriteProfileString(u"S", u"K", u"V", dir.WFile("dangling.opc")), 1);
  EXPECT_TRUE(IsLink(dir.File("dangling.opc")));
  EXPECT_EQ(ReadBytes(dir.File("b/later.opc")), "[S]\r\nK=V\r\n\r\n");

  // A loop of links is refused and stays as it was.
  ASSERT_EQ(::symlink("loop2.opc", dir.File("loop1.opc").c_str()), 0);
  ASSERT_EQ(::symlink("loop1.opc", dir.File("loop2.opc").c_str()), 0);
  EXPECT_EQ(WriteComPort(dir.WFile("loop1.opc")), 0);
  EXPECT_TRUE(IsLink(dir.File("loop1.opc")));
}

TEST(ProfileWriteBackTest, FileThatCannotBeReadIsNeverReplaced) {
  TempDir dir;
  MakeWorldWritable(dir);
  WriteBytes(dir.File("secret.opc"), kOld);
  // Writable but not readable for the writer: root's own file for "nobody", or a file
  // that only its owner may write, and not read, for an ordinary user.
  const mode_t secretMode = IsRoot() ? 0600 : 0200;
  ASSERT_EQ(::chmod(dir.File("secret.opc").c_str(), secretMode), 0);
  ASSERT_EQ(::mkdir(dir.File("folder.opc").c_str(), 0777), 0);
  ASSERT_EQ(::mkfifo(dir.File("pipe.opc").c_str(), 0666), 0);

  for (const char* name : {"secret.opc", "folder.opc", "pipe.opc"}) {
    SCOPED_TRACE(name);
    const std::u16string file = dir.WFile(name);
    const testing::ChildOutcome child = RunUnprivileged([&] {
      char16_t buffer[32] = u"untouched";
      const std::int32_t read = ReadProfileString(u"Online", u"ComPort", u"dflt", buffer, 32, file);
      if (read != 0 || buffer[0] != u'\0') return 1;
      if (ReadProfileSection(u"Online", buffer, 32, file) != 0) return 2;
      if (WriteComPort(file) != 0) return 3;
      ProfileDocument document;
      return document.Load(file) == kGeneralFailure ? 0 : 4;
    });
    EXPECT_EQ(child.signal, 0) << "the child blocked or crashed";
    EXPECT_EQ(child.exitCode, 0);
  }
  ASSERT_EQ(::chmod(dir.File("secret.opc").c_str(), 0600), 0);
  EXPECT_EQ(ReadBytes(dir.File("secret.opc")), kOld);
  EXPECT_EQ(ListFolder(dir.File("folder.opc")), std::vector<std::string>{});
  EXPECT_EQ(ListFolder(dir.path()),
            (std::vector<std::string>{"folder.opc", "pipe.opc", "secret.opc"}));
}

TEST(ProfileWriteBackTest, ReadOnlyFileIsNotReplacedWhileAnotherOwnersFileIs) {
  // The folder decides, so that a group can share a workspace; a file that no one may
  // write is read-only and fails the write as creating it anew would.
  if (!IsRoot()) GTEST_SKIP() << "needs root: the files must belong to another user";
  TempDir dir;
  MakeWorldWritable(dir);
  WriteBytes(dir.File("readonly.opc"), kOld);
  ASSERT_EQ(::chmod(dir.File("readonly.opc").c_str(), 0444), 0);
  ASSERT_EQ(::chown(dir.File("readonly.opc").c_str(), testing::kNobody, testing::kNobody), 0);
  WriteBytes(dir.File("others.opc"), kOld);
  ASSERT_EQ(::chmod(dir.File("others.opc").c_str(), 0644), 0);

  const std::u16string readOnly = dir.WFile("readonly.opc");
  const testing::ChildOutcome refused = RunUnprivileged([&] { return WriteComPort(readOnly); });
  EXPECT_TRUE(refused.exited);
  EXPECT_EQ(refused.exitCode, 0);
  EXPECT_EQ(ReadBytes(dir.File("readonly.opc")), kOld);

  const std::u16string others = dir.WFile("others.opc");
  const testing::ChildOutcome shared = RunUnprivileged(
      [&] { return WriteProfileString(u"Online", u"ComPort", u"COM2", others) == 1 ? 0 : 1; });
  EXPECT_TRUE(shared.exited);
  EXPECT_EQ(shared.exitCode, 0);
  EXPECT_NE(ReadBytes(dir.File("others.opc")).find("ComPort=COM2"), std::string::npos);
  struct stat st;
  ASSERT_EQ(::stat(dir.File("others.opc").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"others.opc", "readonly.opc"}));
}

TEST(ProfileWriteBackTest, FolderWithoutWritePermissionFailsTheWrite) {
  TempDir dir;
  MakeWorldWritable(dir);
  ASSERT_EQ(::mkdir(dir.File("locked").c_str(), 0755), 0);
  WriteBytes(dir.File("locked/r.opc"), kOld);
  ASSERT_EQ(::chmod(dir.File("locked/r.opc").c_str(), 0666), 0);
  // Writable for no one, so that the owner, too, is refused when the tests run as an
  // ordinary user (as root, the child runs as "nobody").
  ASSERT_EQ(::chmod(dir.File("locked").c_str(), 0555), 0);
  const std::u16string file = dir.WFile("locked/r.opc");
  const testing::ChildOutcome child = RunUnprivileged([&] {
    ProfileDocument document;
    if (document.Load(file) != 0) return 1;
    document.SetValue(u"Online", u"ComPort", u"COM2");
    const Status saved = document.Save();
    document.Discard();
    if (saved != kGeneralFailure) return 2;
    return WriteComPort(file) == 0 ? 0 : 3;
  });
  EXPECT_TRUE(child.exited);
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(ReadBytes(dir.File("locked/r.opc")), kOld);
  EXPECT_EQ(ListFolder(dir.File("locked")), std::vector<std::string>{"r.opc"});
}

TEST(ProfileWriteBackTest, DestructionOfAChangedDocumentSavesWithoutReporting) {
  TempDir dir;
  WriteBytes(dir.File("r.opc"), kOld);
  {
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("r.opc")), 0);
    document.SetValue(u"Online", u"ComPort", u"COM2");
  }
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), kNew);
  {
    // The save at destruction fails; nothing escapes and the file stays.
    FailingSysCalls layer;
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("r.opc")), 0);
    document.SetValue(u"Online", u"ComPort", u"COM9");
    layer.FailNth(Call::kFsync, 1, EIO);
  }
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), kNew);
}

}  // namespace
}  // namespace tirv
