// The real editor and command line run by one member of a group on the group's
// workspace, while another member is at work in it: the other's links are never read or
// written through, no name the other plants leads out of the folder, no right is handed
// over by a save, what the other saved stays, no change of one is lost to the other, and
// a workspace held too long is told, not waited on.
#include <acl/libacl.h>
#include <fcntl.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "editor_scenario.h"
#include "support/log_socket.h"
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
    const std::filesystem::path built =
        std::filesystem::path(TIRV_EDITOR_EXECUTABLE).parent_path() / "tirvane-resources";
    std::filesystem::copy_file(built, dir_.File("tirvane-resources"));
    launcher_ = RunAsLauncher(alice_);
    launcher_.insert(launcher_.end(), {"sh", "-c", "umask 077 && exec \"$0\" \"$@\""});
  }

  struct Ran {
    int code = -1;
    std::string out;
    std::string err;
  };
  /// Runs the copied tirvane-resources as `user`, in `folder` (the program folder when
  /// empty), with `env` besides the test's environment.
  Ran Resources(const TestUser& user, const std::vector<std::string>& arguments,
                const std::vector<std::string>& env = {}, const std::string& folder = "") {
    static std::atomic<int> runs{0};
    const std::string log = dir_.File("resources" + std::to_string(runs++));
    Child::Options options;
    options.argv = RunAsLauncher(user);
    options.argv.push_back(dir_.File("tirvane-resources"));
    options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
    options.env = env;
    options.workingDirectory = folder.empty() ? programFolder() : folder;
    options.stdoutPath = log + ".out";
    options.stderrPath = log + ".err";
    Child child(options);
    Ran ran;
    ran.code = ExitCode(child, 30000);
    ran.out = ReadBytes(log + ".out");
    ran.err = ReadBytes(log + ".err");
    return ran;
  }

  /// What bob plants and keeps in the workspace before alice starts: a folder "Y." and a
  /// file whose name, read as a path with "\\" for "/", leads to alice's private file; a
  /// file of his with set-ID bits and one with an ACL; a temporary of his that a killed
  /// save left.
  void PlantBobsWork() {
    ASSERT_EQ(::mkdir(shared_->File("private").c_str(), 0700), 0);
    WriteBytes(Private(), kLine1);
    ASSERT_EQ(::chown(shared_->File("private").c_str(), alice_.uid, alice_.gid), 0);
    ASSERT_EQ(::chown(Private().c_str(), alice_.uid, alice_.gid), 0);
    AsBob([&] {
      ::mkdir(Ws("Y.").c_str(), 0775);
      WriteBytes(Ws(kPlanted), kLine1);
      WriteBytes(Ws("S.opc"), kLine1);
      ::chmod(Ws("S.opc").c_str(), 06777);
      WriteBytes(Ws("A.opc"), kLine1);
      acl_t acl = ::acl_from_text("u::rw-,u:tirvtest-alice:rw-,g::r--,m::rw-,o::---");
      ::acl_set_file(Ws("A.opc").c_str(), ACL_TYPE_ACCESS, acl);
      ::acl_free(acl);
      WriteBytes(Ws(".S.opc.tmp-3"), "left by a killed save");
      ::chmod(Ws(".S.opc.tmp-3").c_str(), 0664);
    });
  }
  std::string Private() const { return shared_->File("private/Y.opc"); }

  /// After alice changed the baud of A, S and the planted resource to 19200: nothing
  /// outside the folder changed, and each save handed no right over.
  void ExpectChangedInsideOnly() {
    EXPECT_EQ(ReadBytes(Private()), kLine1) << "a name led out of the workspace";
    EXPECT_NE(ReadBytes(Ws(kPlanted)).find("V24 1 19200"), std::string::npos);
    struct stat s {};
    ASSERT_EQ(::stat(Ws("S.opc").c_str(), &s), 0);
    EXPECT_EQ(s.st_uid, alice_.uid);
    EXPECT_EQ(s.st_mode & 07777, 0777u) << "set-ID bits handed over";
    acl_t acl = ::acl_get_file(Ws("A.opc").c_str(), ACL_TYPE_ACCESS);
    char* text = ::acl_to_any_text(acl, nullptr, ',', 0);
    EXPECT_STREQ(text, "user::rw-,user:tirvtest-alice:rw-,group::r--,mask::rw-,other::---");
    ::acl_free(text);
    ::acl_free(acl);
    EXPECT_NE(ReadBytes(Ws("A.opc")).find("V24 1 19200"), std::string::npos);
    EXPECT_FALSE(FileExists(Ws(".S.opc.tmp-3"))) << "a dead temporary stayed";
  }

  /// Bob holds the workspace's lock from Hold() until Free().
  void Hold() {
    ASSERT_EQ(::pipe(held_), 0);
    ASSERT_EQ(::pipe(free_), 0);
    holder_ = std::thread([this] {
      RunAs(bob_, [this] {
        const int fd = ::open(shared_->workspace().c_str(), O_RDONLY | O_DIRECTORY);
        char go = 0;
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(held_[1], "h", 1) != 1) return 1;
        return ::read(free_[0], &go, 1) == 1 ? 0 : 2;
      });
    });
    char h = 0;
    ASSERT_EQ(::read(held_[0], &h, 1), 1);
  }
  void Free() {
    ASSERT_EQ(::write(free_[1], "f", 1), 1);
    holder_.join();
    for (const int fd : {held_[0], held_[1], free_[0], free_[1]}) ::close(fd);
  }

  static constexpr const char* kPlanted = "Y.\\..\\..\\private\\Y.opc";
  std::thread holder_;
  int held_[2] = {-1, -1};
  int free_[2] = {-1, -1};
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
                        Traced(texts::kInvalidFile) +
                            "\\nPump.opc: a symbolic link that belongs to another user",
                        1),
                BoxLine("owned", 64,
                        Traced(texts::kSaveFailed) +
                            "\\nLine1.opc: a symbolic link that belongs to another user",
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

TEST_F(SharedWorkspace, TheEditorChangesOnlyWhatLiesInTheFolderAndTellsAHeldWorkspace) {
  PlantBobsWork();
  LogSocket log(shared_->File("log"));
  ASSERT_TRUE(log.bound());
  editorEnvironment_ = {"TIRVANE_CODEPAGE=IBM037", "TIRVANE_LOG_SOCKET=" + log.path()};
  ASSERT_TRUE(OpenEditor());
  // A, S and Y, each given the baud below the one shown.
  for (int entry = 0; entry < 3; ++entry) {
    if (entry > 0) PickFromDropList(at::kResource, 1);
    PickFromDropList(at::kBaud, 1);
  }
  ClickAt(at::kSave);
  EXPECT_TRUE(PollUntil(
      [&] {
        return !FileExists(Ws(".S.opc.tmp-3")) &&
               ReadBytes(Ws(kPlanted)).find("V24 1 19200") != std::string::npos;
      },
      Millis(10000)));
  ExpectChangedInsideOnly();

  // While bob holds the workspace, a save waits a few seconds, then says so.
  PickFromDropList(at::kBaud, 1);
  Hold();
  ClickAt(at::kSave);
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  Free();
  ClickAt(at::kSave);
  EXPECT_EQ(Close(), 0);

  EXPECT_NE(ReadBytes(Ws(kPlanted)).find("V24 1 38400"), std::string::npos);
  EXPECT_EQ(BoxLines(), (std::vector<std::string>{
                            BoxLine("owned", 64,
                                    Traced(texts::kSaveFailed) +
                                        "\\nY.\\\\..\\\\..\\\\private\\\\Y.opc: the workspace is "
                                        "being changed by another program",
                                    1)}));
  EXPECT_EQ(ReadBytes(dir_.File("editor.err"))
                .rfind("tirvane-editor: code page \"IBM037\" is not a single-byte code page in "
                       "which every ASCII character is itself, using Windows-1252\n",
                       0),
            0u);
  // The action first, the full path, and the planted name's "\\" escaped.
  std::vector<std::string> lines;
  for (std::string line = log.Next(); !line.empty(); line = log.Next()) {
    lines.push_back(line.substr(line.find("]: ") + 3));
  }
  const std::string escaped = "Y.\\\\..\\\\..\\\\private\\\\Y.opc";
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "changed " + std::filesystem::canonical(shared_->workspace()).string() + "/" +
                          escaped +
                          " by tirvtest-alice: ComPort \"V24 1 9600 8 1 0 2000 0\" -> \"V24 1 "
                          "19200 8 1 0 2000 0\""),
            lines.end())
      << ::testing::PrintToString(lines);
}

TEST_F(SharedWorkspace, TheCommandLineChangesOnlyWhatLiesInTheFolderAndLosesNoChange) {
  PlantBobsWork();
  const Ran shown = Resources(alice_, {"show", "Y"});
  EXPECT_EQ(shown.code, 0) << shown.err;
  EXPECT_NE(shown.out.find(std::string("file=") + kPlanted + "\n"), std::string::npos) << shown.out;
  for (const char* name : {"Y", "S", "A"}) {
    const Ran set = Resources(alice_, {"set", name, "baud=19200"});
    EXPECT_EQ(set.out + set.err, "changed\n") << name;
  }
  ExpectChangedInsideOnly();
  EXPECT_EQ(Resources(alice_, {"delete", "Y", "--yes"}).code, 0);
  EXPECT_FALSE(FileExists(Ws(kPlanted)));
  EXPECT_EQ(ReadBytes(Private()), kLine1);

  // Alice and bob set one resource at once, each a setting of their own: every set is
  // made on the other's latest, so the last of each is in the file at the end.
  constexpr int kRounds = 30;
  int aliceFailed = 0;
  std::thread alice([&] {
    for (int i = 0; i < kRounds; ++i) {
      aliceFailed += Resources(alice_, {"set", "A", "timeout=" + std::to_string(1000 + i)}).code;
    }
  });
  int bobFailed = 0;
  const char* bauds[] = {"110", "300", "600", "1200", "2400", "4800"};
  for (int i = 0; i < kRounds; ++i) {
    // Bob's own program folder is not alice's: he names the workspace.
    const Ran set = Resources(bob_, {"--workspace", shared_->workspace(), "set", "A",
                                     std::string("baud=") + bauds[i % 6]});
    bobFailed += set.code;
    EXPECT_EQ(set.code, 0) << set.err;
  }
  alice.join();
  EXPECT_EQ(aliceFailed + bobFailed, 0);
  EXPECT_NE(ReadBytes(Ws("A.opc"))
                .find(std::string("ComPort=V24 1 ") + bauds[(kRounds - 1) % 6] + " 8 1 0 " +
                      std::to_string(1000 + kRounds - 1) + " 0"),
            std::string::npos)
      << ReadBytes(Ws("A.opc"));

  // A workspace held too long is told; nothing is written.
  const std::string before = ReadBytes(Ws("A.opc"));
  Hold();
  const Ran busy = Resources(alice_, {"set", "A", "timeout=1"});
  Free();
  EXPECT_EQ(busy.code, 1);
  EXPECT_EQ(busy.err, "tirvane-resources: " + shared_->workspace() +
                          ": the workspace is being changed by another program\n");
  EXPECT_EQ(ReadBytes(Ws("A.opc")), before);

  // A colleague's file of 2 GiB and a byte is refused unread; an EBCDIC code page is
  // refused with a warning; a relative --workspace is logged with its full path.
  AsBob([&] {
    WriteBytes(Ws("Huge.opc"), kLine1);
    ::truncate(Ws("Huge.opc").c_str(), (off_t{2} << 30) + 1);
  });
  LogSocket log(shared_->File("log"));
  const Ran listed =
      Resources(alice_, {"--workspace", "ws", "set", "S", "alignment=big"},
                {"TIRVANE_CODEPAGE=IBM037", "TIRVANE_LOG_SOCKET=" + log.path()}, shared_->path());
  EXPECT_EQ(listed.code, 0) << listed.err;
  EXPECT_EQ(listed.err,
            "tirvane-resources: code page \"IBM037\" is not a single-byte code page in which "
            "every ASCII character is itself, using Windows-1252\n");
  const std::string line = log.Next();
  EXPECT_EQ(line.substr(line.find("]: ") + 3),
            "changed " + std::filesystem::canonical(shared_->workspace()).string() +
                "/S.opc by tirvtest-alice: AdaptationComponent \"QB.OPC.AdaptTIRV3x.LE.20\" -> "
                "\"QB.OPC.AdaptTIRV3x.BE.20\"");
  const Ran huge = Resources(alice_, {"list"});
  EXPECT_EQ(huge.err, "tirvane-resources: Huge.opc: the file is larger than 1048576 bytes\n");
}

}  // namespace
}  // namespace tirv::testing
