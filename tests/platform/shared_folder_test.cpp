// What one member of a group that shares a workspace can do to another, with real users:
// the links another member plants are never followed, and a new file stays the group's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "files.h"
#include "temp_dir.h"
#include "test_users.h"
#include "text.h"

namespace tirv {
namespace {

using testing::ListFolder;
using testing::ReadBytes;
using testing::SharedFolder;
using testing::TestUser;
using testing::WriteBytes;

const std::string kScript = "#!/bin/sh\necho original\n";

class SharedFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = testing::EnsureTestUsers();
    if (!missing.empty()) GTEST_SKIP() << missing;
    alice_ = testing::Alice();
    bob_ = testing::Bob();
    folder_ = std::make_unique<SharedFolder>();
    // Stands for /etc/profile.d: root's, and nothing a member may write.
    ASSERT_EQ(::mkdir(folder_->File("etc").c_str(), 0755), 0);
    WriteBytes(folder_->File("etc/x.sh"), kScript);
  }

  std::string Ws(const std::string& name) const { return folder_->workspace() + "/" + name; }
  std::u16string WWs(const std::string& name) const { return Utf8ToUtf16(Ws(name)); }
  // A symbolic link at `path` that belongs to `user`.
  void LinkAs(const TestUser& user, const std::string& target, const std::string& path) {
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    ASSERT_EQ(::lchown(path.c_str(), user.uid, user.gid), 0);
  }
  // 0 when `write` (given the place for its reason) fails for `expected`, else 1.
  template <typename Write>
  static int RefusedFor(Write write, int expected) {
    int why = 0;
    const Status status = write(&why);
    return Failed(status) && why == expected ? 0 : 1;
  }

  TestUser alice_;
  TestUser bob_;
  std::unique_ptr<SharedFolder> folder_;
};

TEST_F(SharedFolderTest, AnotherMembersLinkIsFollowedByNeitherRootNorAColleague) {
  LinkAs(bob_, folder_->File("etc/x.sh"), Ws("Line1.opc"));
  // A chain: alice's own link leads through bob's.
  LinkAs(alice_, "Line1.opc", Ws("Chain.opc"));
  const auto tryEverything = [this](const std::string& name) {
    std::string bytes = "stale";
    const auto read = [&](int* why) {
      return ReadWholeFile(WWs(name), bytes, why) == ReadOutcome::kRead ? 0 : kGeneralFailure;
    };
    return RefusedFor([&](int* why) { return ReplaceFileSafely(WWs(name), "[Online]\r\n", why); },
                      kErrorForeignLink) +
           RefusedFor(read, kErrorForeignLink) + (bytes.empty() ? 0 : 1);
  };
  EXPECT_EQ(tryEverything("Line1.opc"), 0) << "as root";
  const testing::ChildOutcome alice = testing::RunAs(
      alice_, [&] { return tryEverything("Line1.opc") + tryEverything("Chain.opc"); });
  EXPECT_TRUE(alice.exited);
  EXPECT_EQ(alice.exitCode, 0);

  EXPECT_EQ(ReadBytes(folder_->File("etc/x.sh")), kScript);
  EXPECT_EQ(ListFolder(folder_->File("etc")), std::vector<std::string>{"x.sh"});
  EXPECT_EQ(ListFolder(folder_->workspace()), (std::vector<std::string>{"Chain.opc", "Line1.opc"}));
}

TEST_F(SharedFolderTest, ADanglingLinkOfAnotherMemberIsNeverCreatedThrough) {
  LinkAs(bob_, folder_->File("etc/pump.sh"), Ws("Pump.opc"));
  const auto create = [this](int* why) {
    return CreateFileSafely(WWs("Pump.opc"), "[S]\r\n", why);
  };
  const auto replace = [this](int* why) {
    return ReplaceFileSafely(WWs("Pump.opc"), "[S]\r\n", why);
  };
  EXPECT_EQ(RefusedFor(create, EEXIST), 0) << "as root";
  const testing::ChildOutcome alice = testing::RunAs(
      alice_, [&] { return RefusedFor(create, EEXIST) + RefusedFor(replace, kErrorForeignLink); });
  EXPECT_TRUE(alice.exited);
  EXPECT_EQ(alice.exitCode, 0);
  EXPECT_EQ(ListFolder(folder_->File("etc")), std::vector<std::string>{"x.sh"});
  EXPECT_EQ(ListFolder(folder_->workspace()), std::vector<std::string>{"Pump.opc"});
}

TEST_F(SharedFolderTest, AMembersOwnLinkKeepsWorkingForThem) {
  // Alice shares one resource of her own folder with the workspace.
  ASSERT_EQ(::mkdir(folder_->File("alice").c_str(), 0755), 0);
  ASSERT_EQ(::chown(folder_->File("alice").c_str(), alice_.uid, alice_.gid), 0);
  LinkAs(alice_, "../alice/Shared.opc", Ws("Shared.opc"));
  const testing::ChildOutcome alice = testing::RunAs(alice_, [&] {
    std::string bytes;
    if (CreateFileSafely(Utf8ToUtf16(folder_->File("alice/Shared.opc")), "first") != 0) return 1;
    if (ReplaceFileSafely(WWs("Shared.opc"), "second") != 0) return 2;
    return ReadWholeFile(WWs("Shared.opc"), bytes) == ReadOutcome::kRead && bytes == "second" ? 0
                                                                                              : 3;
  });
  EXPECT_TRUE(alice.exited);
  EXPECT_EQ(alice.exitCode, 0);
  struct stat st;
  ASSERT_EQ(::lstat(Ws("Shared.opc").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes(folder_->File("alice/Shared.opc")), "second");
}

TEST_F(SharedFolderTest, ANewFileOfAMemberWithAStrictUmaskIsTheGroups) {
  // The package's folder (set-group-ID), one without the bit, and alice's own.
  ASSERT_EQ(::mkdir(folder_->File("plain").c_str(), 0775), 0);
  ASSERT_EQ(::chown(folder_->File("plain").c_str(), 0, testing::SharedGroup()), 0);
  ASSERT_EQ(::chmod(folder_->File("plain").c_str(), 0775), 0);
  ASSERT_EQ(::mkdir(folder_->File("own").c_str(), 0755), 0);
  ASSERT_EQ(::chown(folder_->File("own").c_str(), alice_.uid, alice_.gid), 0);
  struct Case {
    std::string folder;
    mode_t mode;
    gid_t group;
  };
  for (const Case& c : {Case{folder_->workspace(), 0660, testing::SharedGroup()},
                        Case{folder_->File("plain"), 0660, testing::SharedGroup()},
                        Case{folder_->File("own"), 0600, alice_.gid}}) {
    SCOPED_TRACE(c.folder);
    const testing::ChildOutcome alice = testing::RunAs(alice_, [&] {
      ::umask(077);
      return (CreateFileSafely(Utf8ToUtf16(c.folder + "/Added.opc"), "added") == 0 ? 0 : 1) +
             (ReplaceFileSafely(Utf8ToUtf16(c.folder + "/Saved.opc"), "saved") == 0 ? 0 : 2);
    });
    EXPECT_EQ(alice.exitCode, 0);
    for (const char* name : {"/Added.opc", "/Saved.opc"}) {
      struct stat st;
      ASSERT_EQ(::stat((c.folder + name).c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, c.mode) << name;
      EXPECT_EQ(st.st_gid, c.group) << name;
      EXPECT_EQ(st.st_uid, alice_.uid) << name;
    }
  }
  // And bob, the colleague, reads and saves alice's new resource.
  const testing::ChildOutcome bob = testing::RunAs(bob_, [&] {
    std::string bytes;
    if (ReadWholeFile(WWs("Added.opc"), bytes) != ReadOutcome::kRead) return 1;
    return ReplaceFileSafely(WWs("Added.opc"), bytes + "by bob") == 0 ? 0 : 2;
  });
  EXPECT_EQ(bob.exitCode, 0);
  EXPECT_EQ(ReadBytes(Ws("Added.opc")), "addedby bob");
}

}  // namespace
}  // namespace tirv
