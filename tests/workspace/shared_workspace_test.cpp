// Two members of a group at work in one workspace, as real users: what one saves while
// the other's editor is open survives the other's save, and where both changed the same
// resource the save asks first.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "resources/resource_file.h"
#include "support/resource_texts.h"
#include "support/temp_dir.h"
#include "support/test_users.h"
#include "support/workspace_files.h"
#include "workspace/resource_store.h"

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

}  // namespace
}  // namespace tirv
