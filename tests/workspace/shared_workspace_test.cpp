// Two members of a group at work in one workspace, as real users: what one saves while
// the other's editor is open survives the other's save, and where both changed the same
// resource the save asks first; no name one of them plants leads the other out of the
// folder, no right is handed over through a save, and no change of one is lost to the
// other's.
#include <acl/libacl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/temporary_file.h"
#include "platform/text.h"
#include "resources/resource_file.h"
#include "support/failing_syscalls.h"
#include "support/resource_texts.h"
#include "support/temp_dir.h"
#include "support/test_users.h"
#include "support/workspace_files.h"
#include "workspace/resource_store.h"
#include "workspace/workspace.h"

namespace tirv {
namespace {

using testing::ReadBytes;
using testing::TestUser;

// A pipe that carries one "go" from one process to another.
class Signal {
 public:
  Signal() { valid_ = ::pipe(fds_) == 0; }
  ~Signal() {
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  bool valid() const { return valid_; }
  void Give() { (void)!::write(fds_[1], "g", 1); }
  bool Await() {
    char c = 0;
    return ::read(fds_[0], &c, 1) == 1;
  }

 private:
  int fds_[2] = {-1, -1};
  bool valid_ = false;
};

class SharedWorkspaceTest : public testing::TwoMembersTest {
 protected:
  void SetUp() override {
    TwoMembersTest::SetUp();
    if (IsSkipped()) return;
    ws_ = Utf8ToUtf16(folder_->workspace());
  }
  // Runs `editor` as alice in the background while the test goes on; Join waits for it.
  void StartAlice(const std::function<int()>& editor) {
    alice_run_ = std::thread([this, editor] { alice_outcome_ = testing::RunAs(alice_, editor); });
  }
  int JoinAlice() {
    alice_run_.join();
    return alice_outcome_.exitCode;
  }
  int AsBob(const std::function<int()>& body) { return testing::RunAs(bob_, body).exitCode; }

  std::u16string ws_;
  std::thread alice_run_;
  testing::ChildOutcome alice_outcome_;
};

// Reads every resource of `folder` into `store`.
void LoadAll(ResourceStore& store, const std::u16string& folder) {
  for (const std::u16string_view name : {u"A.opc", u"B.opc", u"C.opc"}) {
    store.Adopt(ReadResourceFile(folder, name));
  }
}

TEST_F(SharedWorkspaceTest, AColleaguesSavesSurviveMineAndAResourceWeBothChangedIsAsked) {
  ASSERT_EQ(AsBob([&] {
              ResourceStore store(ws_);
              int failed = 0;
              for (const char16_t* name : {u"A", u"B", u"C"})
                failed += !store.CreateFile(name).ok();
              return failed;
            }),
            0);
  Signal loaded;
  Signal changed;
  ASSERT_TRUE(loaded.valid() && changed.valid());

  // Alice's editor reads the workspace, then, after bob's work, changes A and saves.
  StartAlice([&] {
    ResourceStore store(ws_);
    LoadAll(store, ws_);
    loaded.Give();
    if (!changed.Await()) return 10;
    store.records().begin()->parameter = u"-ip10.0.0.1";
    std::vector<std::u16string> asked;
    const SaveReport report = store.SaveChanged([&](const ResourceRecord& record, bool) {
      asked.push_back(record.name);
      return true;
    });
    return (Succeeded(report.status) ? 0 : 1) +
           (asked == std::vector<std::u16string>{u"A.opc"} ? 0 : 2);
  });
  ASSERT_TRUE(loaded.Await());
  // Meanwhile bob saves B, deletes C and adds a key of his to A.
  ASSERT_EQ(AsBob([&] {
              ResourceStore store(ws_);
              LoadAll(store, ws_);
              auto b = std::next(store.records().begin());
              b->alignment = u"Big Endian";
              const bool saved = Succeeded(
                  store.SaveChanged([](const ResourceRecord&, bool) { return true; }).status);
              const bool deleted = store.DeleteFile(u"C.opc").ok();
              testing::WriteBytes(
                  folder_->workspace() + "/A.opc",
                  std::string(testing::kNewResourceFileBytes) + "[Bob]\r\nNote=mine\r\n\r\n");
              return saved && deleted ? 0 : 1;
            }),
            0);
  const std::string bobsB = ReadBytes(Ws("B.opc"));
  changed.Give();
  EXPECT_EQ(JoinAlice(), 0) << "1: the save failed; 2: not asked for A alone";

  EXPECT_EQ(ReadBytes(Ws("B.opc")), bobsB);
  EXPECT_FALSE(testing::FileExists(Ws("C.opc")));
  EXPECT_EQ(
      ReadBytes(Ws("A.opc")),
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
      "Description=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n\r\n[Online]\r\n"
      "ComTeleLength=1428\r\nComPort=DLL netdrv.dll -ip10.0.0.1\r\n\r\n[Bob]\r\nNote=mine\r\n\r\n");
}

TEST_F(SharedWorkspaceTest, ADeclinedReplaceLeavesTheColleaguesFileAndKeepsOurChange) {
  ASSERT_EQ(AsBob([&] { return ResourceStore(ws_).CreateFile(u"A").ok() ? 0 : 1; }), 0);
  Signal loaded;
  Signal changed;
  ASSERT_TRUE(loaded.valid() && changed.valid());
  StartAlice([&] {
    ResourceStore store(ws_);
    store.Adopt(ReadResourceFile(ws_, u"A.opc"));
    loaded.Give();
    if (!changed.Await()) return 10;
    const auto a = store.records().begin();
    a->parameter = u"-ip10.0.0.1";
    const SaveReport report = store.SaveChanged([](const ResourceRecord&, bool) { return false; });
    const bool kept = report.keptOnDisk == std::vector<std::u16string>{u"A.opc"};
    return (Succeeded(report.status) && kept ? 0 : 1) + (store.IsChanged(a) ? 0 : 2);
  });
  ASSERT_TRUE(loaded.Await());
  const std::string bobs =
      std::string(testing::kNewResourceFileBytes) + "[Bob]\r\nNote=mine\r\n\r\n";
  ASSERT_EQ(AsBob([&] {
              testing::WriteBytes(Ws("A.opc"), bobs);
              return 0;
            }),
            0);
  changed.Give();
  EXPECT_EQ(JoinAlice(), 0) << "1: not kept on disk; 2: alice's change was dropped";
  EXPECT_EQ(ReadBytes(Ws("A.opc")), bobs);
}

constexpr const char* kCom1 =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
    "[Online]\r\nComTeleLength=256\r\nComPort=V24 1 9600 8 1 0 2000 0\r\n\r\n";

// Changes one setting of the resource `name` as the command line's set does: found,
// changed and written under one hold of the workspace's lock.
WriteOutcome SetOne(Workspace& workspace, std::u16string_view name,
                    const std::function<void(ResourceRecord&)>& change) {
  const WorkspaceLock lock(workspace);
  if (!lock.held()) return WriteOutcome::kFailed;
  ResourceLookup found = workspace.Find(name);
  if (found.outcome != LookupOutcome::kFound) return WriteOutcome::kFailed;
  ResourceRecord record = found.reading.record;
  change(record);
  return workspace.Write(record, found.reading.baseline, false).outcome;
}

std::string AclText(const std::string& path) {
  acl_t acl = ::acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
  if (acl == nullptr) return "none";
  char* text = ::acl_to_any_text(acl, nullptr, ',', 0);
  std::string result = text != nullptr ? text : "?";
  ::acl_free(text);
  ::acl_free(acl);
  return result;
}

TEST_F(SharedWorkspaceTest, APlantedNameIsOneNameThatLeadsNowhereOutsideTheFolder) {
  // Read as a path with "\\" for "/", the planted name leads to alice's private file.
  const std::string planted = "Y.\\..\\..\\private\\Y.opc";
  const std::string secret = folder_->File("private/Y.opc");
  ASSERT_EQ(::mkdir(folder_->File("private").c_str(), 0700), 0);
  testing::WriteBytes(secret, kCom1);
  ASSERT_EQ(::chown(folder_->File("private").c_str(), alice_.uid, alice_.gid), 0);
  ASSERT_EQ(::chown(secret.c_str(), alice_.uid, alice_.gid), 0);
  ASSERT_EQ(AsBob([&] {
              testing::WriteBytes(Ws(planted), kCom1);
              return ::mkdir(Ws("Y.").c_str(), 0775);
            }),
            0);

  const testing::ChildOutcome alice = testing::RunAs(alice_, [&] {
    Workspace workspace;
    if (workspace.Open(ws_) != 0) return 1;
    const ResourceLookup found = workspace.Find(u"Y");
    if (found.outcome != LookupOutcome::kFound || found.reading.record.name != U16(planted)) {
      return 2;
    }
    if (SetOne(workspace, u"Y", [](ResourceRecord& r) { r.baud = u"19200"; }) !=
        WriteOutcome::kWritten) {
      return 3;
    }
    if (ReadBytes(Ws(planted)).find("V24 1 19200") == std::string::npos) return 4;
    return workspace.Delete(U16(planted)).ok() ? 0 : 5;
  });
  EXPECT_EQ(alice.exitCode, 0) << "1: open, 2: found, 3: set, 4: the planted file, 5: deleted";
  EXPECT_EQ(ReadBytes(secret), kCom1) << "a name led out of the workspace";
  EXPECT_FALSE(testing::FileExists(Ws(planted)));
  EXPECT_TRUE(testing::FileExists(Ws("Y.")));
}

TEST_F(SharedWorkspaceTest, ASaveHandsNoRightOverKeepsTheAclAndWidensNoGroup) {
  ASSERT_EQ(AsBob([&] {
              testing::WriteBytes(Ws("S.opc"), kCom1);
              testing::WriteBytes(Ws("A.opc"), kCom1);
              acl_t acl = ::acl_from_text("u::rw-,u:tirvtest-alice:rw-,g::r--,m::rw-,o::---");
              const bool set =
                  acl != nullptr && ::acl_set_file(Ws("A.opc").c_str(), ACL_TYPE_ACCESS, acl) == 0;
              ::acl_free(acl);
              return ::chmod(Ws("S.opc").c_str(), 06777) == 0 && set ? 0 : 1;
            }),
            0);
  const std::string aclBefore = AclText(Ws("A.opc"));

  const testing::ChildOutcome alice = testing::RunAs(alice_, [&] {
    Workspace workspace;
    if (workspace.Open(ws_) != 0) return 1;
    int failed = 0;
    for (const char16_t* name : {u"S", u"A"}) {
      failed += SetOne(workspace, name, [](ResourceRecord& r) { r.baud = u"19200"; }) !=
                WriteOutcome::kWritten;
    }
    return failed;
  });
  ASSERT_EQ(alice.exitCode, 0);

  struct stat saved {};
  ASSERT_EQ(::stat(Ws("S.opc").c_str(), &saved), 0);
  EXPECT_EQ(saved.st_uid, alice_.uid);
  EXPECT_EQ(saved.st_mode & 07777, 0777u) << "set-ID bits handed over to the saver";
  EXPECT_EQ(AclText(Ws("A.opc")), aclBefore);
  EXPECT_NE(ReadBytes(Ws("A.opc")).find("V24 1 19200"), std::string::npos);
  // The group could read A, never write it; after alice's save that is so still.
  EXPECT_EQ(AsBob([&] {
              const int fd = ::open(Ws("A.opc").c_str(), O_WRONLY | O_CLOEXEC);
              if (fd >= 0) ::close(fd);
              return fd < 0 && errno == EACCES ? 0 : 1;
            }),
            0)
      << "the group gained write through the ACL's mask";
}

TEST_F(SharedWorkspaceTest, TwoMembersSettingOneResourceLoseNoChange) {
  ASSERT_EQ(AsBob([&] {
              testing::WriteBytes(Ws("A.opc"), kCom1);
              return ::chmod(Ws("A.opc").c_str(), 0664);
            }),
            0);
  constexpr int kRounds = 80;
  // Each member changes a setting of their own, over and over; every change must be
  // made on the other's latest, so the last of each is in the file at the end.
  const auto setMany = [this](bool timeout) {
    Workspace workspace;
    if (workspace.Open(ws_) != 0) return 100;
    int written = 0;
    for (int i = 0; i < kRounds; ++i) {
      const WriteOutcome outcome = SetOne(workspace, u"A", [&](ResourceRecord& r) {
        if (timeout) r.timeout = Utf8ToUtf16(std::to_string(1000 + i));
        if (!timeout) r.baud = choices::kBaudRates[static_cast<std::size_t>(i) % 10];
      });
      written += outcome == WriteOutcome::kWritten;
    }
    return written == kRounds ? 0 : 1;
  };
  StartAlice([&] { return setMany(true); });
  EXPECT_EQ(AsBob([&] { return setMany(false); }), 0) << "a change of bob's was not made";
  EXPECT_EQ(JoinAlice(), 0) << "a change of alice's was not made";
  const ResourceRecord last = ReadResourceFile(ws_, u"A.opc").record;
  EXPECT_EQ(last.timeout, Utf8ToUtf16(std::to_string(1000 + kRounds - 1)));
  EXPECT_EQ(last.baud, choices::kBaudRates[(kRounds - 1) % 10]);
}

TEST_F(SharedWorkspaceTest, AColleaguesDeadTemporariesGoAndAHeldLockIsToldNotWaitedOn) {
  ASSERT_EQ(AsBob([&] {
              testing::WriteBytes(Ws("A.opc"), kCom1);
              return ::chmod(Ws("A.opc").c_str(), 0664);
            }),
            0);
  // Bob's writer dies with its temporary named, just before swapping it in.
  const testing::ChildOutcome killed = testing::RunAs(bob_, [&] {
    Workspace workspace;
    workspace.Open(ws_);
    testing::FailingSysCalls layer;
    layer.SetHook([](testing::Call call, int) {
      if (call == testing::Call::kExchange) ::raise(SIGKILL);
    });
    return SetOne(workspace, u"A", [](ResourceRecord& r) { r.baud = u"600"; }) ==
                   WriteOutcome::kWritten
               ? 0
               : 1;
  });
  ASSERT_EQ(killed.signal, SIGKILL);
  const std::vector<std::string> before = testing::ListFolder(folder_->workspace());
  ASSERT_EQ(before.size(), 2u) << "no temporary was left";

  // While bob holds the workspace, alice's change is refused after her wait.
  Signal held;
  Signal release;
  ASSERT_TRUE(held.valid() && release.valid());
  std::thread bob([&] {
    testing::RunAs(bob_, [&] {
      const int fd = ::open(folder_->workspace().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0 || ::flock(fd, LOCK_EX) != 0) return 1;
      held.Give();
      return release.Await() ? 0 : 2;
    });
  });
  ASSERT_TRUE(held.Await());
  const testing::ChildOutcome refused = testing::RunAs(alice_, [&] {
    Workspace workspace;
    workspace.Open(ws_, 200);
    const ResourceFileReading reading = workspace.Read(u"A.opc");
    RecordBaseline baseline = reading.baseline;
    ResourceRecord record = reading.record;
    record.baud = u"19200";
    const WriteResult result = workspace.Write(record, baseline, false);
    return result.problem.fault == ResourceFault::kBusy &&
                   ReasonOf(result.problem) == u"the workspace is being changed by another program"
               ? 0
               : 1;
  });
  EXPECT_EQ(refused.exitCode, 0);
  EXPECT_EQ(ReadBytes(Ws("A.opc")), kCom1);
  release.Give();
  bob.join();

  // Once free, alice's save takes the dead temporary away with it: a colleague's
  // temporaries can be judged, since they may be read by whoever may read the file.
  const testing::ChildOutcome saved = testing::RunAs(alice_, [&] {
    Workspace workspace;
    workspace.Open(ws_);
    return SetOne(workspace, u"A", [](ResourceRecord& r) { r.baud = u"19200"; }) ==
                   WriteOutcome::kWritten
               ? 0
               : 1;
  });
  EXPECT_EQ(saved.exitCode, 0);
  EXPECT_EQ(testing::ListFolder(folder_->workspace()), std::vector<std::string>{"A.opc"});
}

}  // namespace
}  // namespace tirv
