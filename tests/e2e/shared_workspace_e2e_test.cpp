// The real editor run by one member of a group on the group's workspace, while another
// member is at work in it: the other's links are never read or written through, what the
// other saved stays, and what the editor creates the whole group can use.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "editor_scenario.h"
#include "support/test_users.h"

namespace tirv::testing {
namespace {

namespace at = editor_controls;

constexpr const char* kLine1 =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
    "[Online]\r\nComTeleLength=256\r\nComPort=V24 1 9600 8 1 0 2000 0\r\n\r\n";
constexpr const char* kLine2 =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
    "[Online]\r\nComTeleLength=1428\r\nComPort=DLL netdrv.dll -ip10.0.0.2\r\n\r\n";
const std::string kScript = "#!/bin/sh\necho original\n";

class SharedWorkspace : public EditorScenario {
 protected:
  void SetUp() override {
    EditorScenario::SetUp();
    const std::string missing = EnsureTestUsers();
    if (!missing.empty()) GTEST_SKIP() << missing;
    alice_ = Alice();
    bob_ = Bob();
    shared_ = std::make_unique<SharedFolder>();
    ASSERT_EQ(::mkdir(shared_->File("etc").c_str(), 0755), 0);  // stands for /etc/profile.d
    WriteBytes(shared_->File("etc/x.sh"), kScript);
    WriteIni("[Settings]\r\nCustomWorkspace=" + shared_->workspace() + "\r\n");
    // Alice runs her own copy of the program, with a umask that keeps her files to herself.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(programFolder())) {
      ASSERT_EQ(::lchown(entry.path().c_str(), alice_.uid, alice_.gid), 0);
    }
    ASSERT_EQ(::chown(programFolder().c_str(), alice_.uid, alice_.gid), 0);
    launcher_ = RunAsLauncher(alice_);
    launcher_.insert(launcher_.end(), {"sh", "-c", "umask 077 && exec \"$0\""});
  }
  std::string Ws(const std::string& name) const { return shared_->workspace() + "/" + name; }
  // Bob's work: runs as bob and must succeed.
  void AsBob(const std::function<void()>& body) {
    ASSERT_EQ(RunAs(bob_,
                    [&] {
                      body();
                      return 0;
                    })
                  .exitCode,
              0);
  }

  TestUser alice_;
  TestUser bob_;
  std::unique_ptr<SharedFolder> shared_;
};

TEST_F(SharedWorkspace, AColleaguesLinksAreNeverWrittenThroughAndTheirSavesStay) {
  AsBob([&] {
    WriteBytes(Ws("Line1.opc"), kLine1);
    WriteBytes(Ws("Line2.opc"), kLine2);
    ::symlink(shared_->File("etc/pump.sh").c_str(), Ws("Pump.opc").c_str());  // dangling
  });
  editor_ = Start();
  EXPECT_TRUE(AnswerNextWindow({"Return"}));  // bob's link is no file to read
  ASSERT_TRUE(WaitForEditor());
  EXPECT_TRUE(ShowsCheckedRadio(0)) << screen_;  // Line1
  PickFromDropList(at::kBaud, 1);

  // Bob swaps Line1 for a link to a script that runs at every login, and saves Line2.
  const std::string bobsLine2 = std::string(kLine2) + "[Bob]\r\nNote=mine\r\n\r\n";
  AsBob([&] {
    ::unlink(Ws("Line1.opc").c_str());
    ::symlink(shared_->File("etc/x.sh").c_str(), Ws("Line1.opc").c_str());
    WriteBytes(Ws("Line2.opc"), bobsLine2);
  });
  ClickAt(at::kSave);
  EXPECT_TRUE(AnswerNextWindow({"Return"}));  // the save failed

  // What alice adds is the group's, whatever her umask.
  ClickAt(at::kAddResource);
  EXPECT_TRUE(AnswerNextWindow({"Return"}, "Fresh"));
  EXPECT_TRUE(
      FolderComesToHold(shared_->workspace(), {"Fresh.opc", "Line1.opc", "Line2.opc", "Pump.opc"}));
  EXPECT_EQ(Close(), 0);

  EXPECT_EQ(BoxLines(),
            (std::vector<std::string>{
                BoxLine("application", 0,
                        "Invalid File\\nPump.opc: a symbolic link that belongs to another user", 1),
                BoxLine("owned", 64,
                        "An error has occoured, data may not have been saved\\nLine1.opc: a "
                        "symbolic link that belongs to another user",
                        1)}));
  EXPECT_EQ(ReadBytes(shared_->File("etc/x.sh")), kScript);
  EXPECT_EQ(ListFolder(shared_->File("etc")), std::vector<std::string>{"x.sh"});
  EXPECT_EQ(ReadBytes(Ws("Line2.opc")), bobsLine2);
  struct stat fresh {};
  ASSERT_EQ(::stat(Ws("Fresh.opc").c_str(), &fresh), 0);
  EXPECT_EQ(fresh.st_uid, alice_.uid);
  EXPECT_EQ(fresh.st_gid, SharedGroup());
  EXPECT_EQ(fresh.st_mode & 0777, 0660u);
  // Bob can change what alice made.
  AsBob([&] { WriteBytes(Ws("Fresh.opc"), kLine2); });
  EXPECT_EQ(ReadBytes(Ws("Fresh.opc")), kLine2);
}

}  // namespace
}  // namespace tirv::testing
