// What one member of a group that shares a workspace can do to another, with real users:
// the links another member plants are never followed, and a new file stays the group's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"
#include "support/test_users.h"

namespace tirv {
namespace {

using testing::ListFolder;
using testing::ReadBytes;
using testing::RunAs;
using testing::TestUser;

const std::string kScript = "#!/bin/sh\necho original\n";

class SharedFolderTest : public testing::TwoMembersTest {
 protected:
  void SetUp() override {
    TwoMembersTest::SetUp();
    if (IsSkipped()) return;
    // Stands for /etc/profile.d: root's, and nothing a member may write.
    ASSERT_EQ(::mkdir(folder_->File("etc").c_str(), 0755), 0);
    testing::WriteBytes(folder_->File("etc/x.sh"), kScript);
  }

  std::u16string WWs(const std::string& name) const { return Utf8ToUtf16(Ws(name)); }
  // A symbolic link at `path` that belongs to `user`.
  static void LinkAs(const TestUser& user, const std::string& target, const std::string& path) {
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    ASSERT_EQ(::lchown(path.c_str(), user.uid, user.gid), 0);
  }
  // 0 when the read, the replace and the create of `name` all fail for their reason.
  int RefusedEverything(const std::string& name, int createReason) {
    std::string bytes = "stale";
    int read = 0;
    int replaced = 0;
    int created = 0;
    const bool refused = ReadWholeFile(WWs(name), bytes, &read) == ReadOutcome::kFailed &&
                         Failed(ReplaceFileSafely(WWs(name), "[S]\r\n", &replaced)) &&
                         Failed(CreateFileSafely(WWs(name), "[S]\r\n", &created));
    return refused && bytes.empty() && read == kErrorForeignLink && replaced == kErrorForeignLink &&
                   created == createReason
               ? 0
               : 1;
  }
};

TEST_F(SharedFolderTest, AnotherMembersLinkIsFollowedByNeitherRootNorAColleague) {
  LinkAs(bob_, folder_->File("etc/x.sh"), Ws("Line1.opc"));
  LinkAs(bob_, folder_->File("etc/pump.sh"), Ws("Pump.opc"));  // dangling
  LinkAs(alice_, "Line1.opc", Ws("Chain.opc"));                // alice's, through bob's
  EXPECT_EQ(RefusedEverything("Line1.opc", EEXIST) + RefusedEverything("Pump.opc", EEXIST), 0)
      << "as root";
  const testing::ChildOutcome alice = RunAs(alice_, [&] {
    return RefusedEverything("Line1.opc", EEXIST) + RefusedEverything("Pump.opc", EEXIST) +
           RefusedEverything("Chain.opc", EEXIST);
  });
  EXPECT_EQ(alice.exitCode, 0);
  EXPECT_EQ(ReadBytes(folder_->File("etc/x.sh")), kScript);
  EXPECT_EQ(ListFolder(folder_->File("etc")), std::vector<std::string>{"x.sh"});
  EXPECT_EQ(ListFolder(folder_->workspace()),
            (std::vector<std::string>{"Chain.opc", "Line1.opc", "Pump.opc"}));
}

TEST_F(SharedFolderTest, AMembersOwnLinkKeepsWorkingForThem) {
  // Alice shares a resource of her own folder with the workspace.
  ASSERT_EQ(::mkdir(folder_->File("alice").c_str(), 0755), 0);
  ASSERT_EQ(::chown(folder_->File("alice").c_str(), alice_.uid, alice_.gid), 0);
  LinkAs(alice_, "../alice/Shared.opc", Ws("Shared.opc"));
  const testing::ChildOutcome alice = RunAs(alice_, [&] {
    std::string bytes;
    return CreateFileSafely(WWs("Shared.opc"), "first") == kGeneralFailure &&
                   ReplaceFileSafely(WWs("Shared.opc"), "second") == 0 &&
                   ReadWholeFile(WWs("Shared.opc"), bytes) == ReadOutcome::kRead &&
                   bytes == "second"
               ? 0
               : 1;
  });
  EXPECT_EQ(alice.exitCode, 0);
  struct stat st;
  ASSERT_EQ(::lstat(Ws("Shared.opc").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes(folder_->File("alice/Shared.opc")), "second");
}

TEST_F(SharedFolderTest, ANewFileOfAMemberWithAStrictUmaskIsTheGroups) {
  // The package's folder (set-group-ID), one without the bit, and alice's own.
  for (const char* name : {"plain", "own"}) ASSERT_EQ(::mkdir(folder_->File(name).c_str(), 0), 0);
  ASSERT_EQ(::chown(folder_->File("plain").c_str(), 0, testing::SharedGroup()), 0);
  ASSERT_EQ(::chown(folder_->File("own").c_str(), alice_.uid, alice_.gid), 0);
  ASSERT_EQ(::chmod(folder_->File("plain").c_str(), 0775), 0);
  ASSERT_EQ(::chmod(folder_->File("own").c_str(), 0755), 0);
  struct Case {
    std::string folder;
    mode_t mode;
    gid_t group;
  };
  for (const Case& c : {Case{folder_->workspace(), 0660, testing::SharedGroup()},
                        Case{folder_->File("plain"), 0660, testing::SharedGroup()},
                        Case{folder_->File("own"), 0600, alice_.gid}}) {
    SCOPED_TRACE(c.folder);
    const testing::ChildOutcome alice = RunAs(alice_, [&] {
      ::umask(077);
      return CreateFileSafely(Utf8ToUtf16(c.folder + "/Added.opc"), "added") == 0 &&
                     ReplaceFileSafely(Utf8ToUtf16(c.folder + "/Saved.opc"), "saved") == 0
                 ? 0
                 : 1;
    });
    EXPECT_EQ(alice.exitCode, 0);
    for (const char* name : {"/Added.opc", "/Saved.opc"}) {
      struct stat st {};
      EXPECT_EQ(::stat((c.folder + name).c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, c.mode) << name;
      EXPECT_EQ(st.st_gid, c.group) << name;
      EXPECT_EQ(st.st_uid, alice_.uid) << name;
    }
  }
  // And bob, the colleague, reads and saves alice's new resource.
  const testing::ChildOutcome bob = RunAs(bob_, [&] {
    std::string bytes;
    return ReadWholeFile(WWs("Added.opc"), bytes) == ReadOutcome::kRead &&
                   ReplaceFileSafely(WWs("Added.opc"), bytes + " by bob") == 0
               ? 0
               : 1;
  });
  EXPECT_EQ(bob.exitCode, 0);
  EXPECT_EQ(ReadBytes(Ws("Added.opc")), "added by bob");
}

}  // namespace
}  // namespace tirv
