// Real users for tests of what one member of a group can do to another: the users
// tirvtest-alice and tirvtest-bob (each with a group of their own), both members of the
// group tirvtest, made with groupadd and useradd when missing. Making them needs root.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/forked_child.h"

namespace tirv::testing {

struct TestUser {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;  ///< the user's own group
};

/// Makes the users and the group when missing (several test programs may do so at
/// once). Returns "" when they exist and the caller is root (which the tests that use
/// them need), else why not.
std::string EnsureTestUsers();
TestUser Alice();
TestUser Bob();
gid_t SharedGroup();

/// Runs `body` in a forked child as `user`, with the user's groups (tirvtest included);
/// the body's result is the exit code. The child exits with 99 when it cannot become
/// the user.
ChildOutcome RunAs(const TestUser& user, const std::function<int()>& body);

/// The words to put before a command to run it as `user` with the user's groups.
std::vector<std::string> RunAsLauncher(const TestUser& user);

/// A folder that every test user can reach: a 0755 folder of its own under /tmp (never
/// below folders that other users may not pass), holding the shared workspace
/// "<path>/ws", root:tirvtest with mode 2775, like the package's workspace. Removed with
/// everything in it.
class SharedFolder {
 public:
  SharedFolder();
  ~SharedFolder();
  SharedFolder(const SharedFolder&) = delete;
  SharedFolder& operator=(const SharedFolder&) = delete;

  const std::string& path() const { return path_; }
  /// path() + "/ws".
  std::string workspace() const { return path_ + "/ws"; }
  /// path() + "/" + name.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

/// Alice, Bob and a shared folder for each test; the test is skipped, with the reason,
/// where the users cannot be had. A fixture's own SetUp calls this one first and returns
/// when IsSkipped().
class TwoMembersTest : public ::testing::Test {
 protected:
  void SetUp() override;
  /// A path in the shared workspace.
  std::string Ws(const std::string& name) const { return folder_->workspace() + "/" + name; }

  TestUser alice_;
  TestUser bob_;
  std::unique_ptr<SharedFolder> folder_;
};

}  // namespace tirv::testing
