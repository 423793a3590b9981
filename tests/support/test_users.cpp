#include "support/test_users.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

#include "support/temp_dir.h"

namespace tirv::testing {
namespace {

constexpr char kGroup[] = "tirvtest";
constexpr char kAlice[] = "tirvtest-alice";
constexpr char kBob[] = "tirvtest-bob";

TestUser Lookup(const char* name) {
  const passwd* entry = ::getpwnam(name);
  if (entry == nullptr) throw std::runtime_error(std::string("no user ") + name);
  return {name, entry->pw_uid, entry->pw_gid};
}

bool Exists() {
  const group* shared = ::getgrnam(kGroup);
  if (shared == nullptr || ::getpwnam(kAlice) == nullptr || ::getpwnam(kBob) == nullptr) {
    return false;
  }
  int members = 0;
  for (char** member = shared->gr_mem; *member != nullptr; ++member) {
    if (std::string(*member) == kAlice || std::string(*member) == kBob) ++members;
  }
  return members == 2;
}

}  // namespace

std::string EnsureTestUsers() {
  // Becoming another user, and giving files to one, needs root even once they exist.
  if (::geteuid() != 0) return "needs root to create users";
  if (Exists()) return "";
  // Test programs run in parallel: one makes the users while the others wait.
  const int lock = ::open("/tmp/tirvtest-users.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock >= 0) ::flock(lock, LOCK_EX);
  if (!Exists()) {
    const std::string quiet = " >/dev/null 2>&1";
    std::system(("groupadd --system " + std::string(kGroup) + quiet).c_str());
    for (const char* user : {kAlice, kBob}) {
      std::system(("useradd --system --user-group --no-create-home --shell /usr/sbin/nologin " +
                   std::string(user) + quiet)
                      .c_str());
      // Also for a user that an interrupted run made without the group.
      std::system(
          ("usermod --append --groups " + std::string(kGroup) + " " + user + quiet).c_str());
    }
  }
  if (lock >= 0) ::close(lock);
  return Exists() ? "" : "groupadd or useradd failed";
}

TestUser Alice() { return Lookup(kAlice); }
TestUser Bob() { return Lookup(kBob); }

gid_t SharedGroup() {
  const group* shared = ::getgrnam(kGroup);
  if (shared == nullptr) throw std::runtime_error("no group tirvtest");
  return shared->gr_gid;
}

ChildOutcome RunAs(const TestUser& user, const std::function<int()>& body) {
  // Looked up before the fork, so that the child only makes system calls.
  std::vector<gid_t> groups(64);
  int count = static_cast<int>(groups.size());
  if (::getgrouplist(user.name.c_str(), user.gid, groups.data(), &count) < 0) count = 0;
  groups.resize(static_cast<std::size_t>(count));
  return RunInChild([&] {
    if (::setgroups(groups.size(), groups.data()) != 0 ||
        ::setresgid(user.gid, user.gid, user.gid) != 0 ||
        ::setresuid(user.uid, user.uid, user.uid) != 0) {
      return 99;
    }
    return body();
  });
}

std::vector<std::string> RunAsLauncher(const TestUser& user) {
  return {"setpriv", "--reuid=" + user.name, "--regid=" + std::to_string(user.gid), "--init-groups",
          "--"};
}

SharedFolder::SharedFolder() {
  std::string pattern = "/tmp/tirv-shared-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  if (::chmod(path_.c_str(), 0755) != 0 || ::mkdir(workspace().c_str(), 0775) != 0 ||
      ::chown(workspace().c_str(), 0, SharedGroup()) != 0 ||
      ::chmod(workspace().c_str(), 02775) != 0) {
    throw std::runtime_error("cannot make the shared folder in " + path_);
  }
}

SharedFolder::~SharedFolder() { RemoveTree(path_); }

void TwoMembersTest::SetUp() {
  const std::string missing = EnsureTestUsers();
  if (!missing.empty()) GTEST_SKIP() << missing;
  alice_ = Alice();
  bob_ = Bob();
  folder_ = std::make_unique<SharedFolder>();
}

}  // namespace tirv::testing
