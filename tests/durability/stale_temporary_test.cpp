// Temporary files of writers that died (SIGKILL, power loss) are removed by the next save
// of their file, all of them at once; one that a live writer still holds stays, and when
// every name is held the save says so.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/temporary_file.h"
#include "support/failing_syscalls.h"
#include "support/forked_child.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::Call;
using testing::ListFolder;
using testing::ReadBytes;
using testing::TempDir;

std::vector<std::string> Temporaries(const TempDir& dir) {
  std::vector<std::string> names;
  for (const std::string& name : ListFolder(dir.path())) {
    if (name[0] == '.') names.push_back(name);
  }
  return names;
}

// A writer in a child that runs `ReplaceFileSafely(file, text)` and stops just before it
// swaps its named temporary file in: it then either waits for a word (live) or is killed.
pid_t StartWriterStoppedBeforeTheSwap(const std::u16string& file, const char* text, bool kill,
                                      int progress, int go) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  testing::FailingSysCalls layer;
  bool stoppedOnce = false;
  layer.SetHook([&](Call call, int) {
    if (call != Call::kExchange || stoppedOnce) return;
    stoppedOnce = true;
    char answer;
    if (::write(progress, "s", 1) != 1) ::_exit(3);
    if (kill) ::raise(SIGKILL);
    if (::read(go, &answer, 1) != 1) ::_exit(3);
  });
  ::_exit(ReplaceFileSafely(file, text) == 0 ? 0 : 1);
}

TEST(StaleTemporaryTest, AKilledWritersLeftoverGoesWithTheNextSaveALiveWritersStays) {
  TempDir dir;
  testing::WriteBytes(dir.File("r.opc"), "first");
  const std::u16string file = dir.WFile("r.opc");

  // A writer killed while it fills its temporary file leaves nothing: the file has no
  // name until it is whole.
  const testing::ChildOutcome early = testing::RunInChild([&] {
    testing::FailingSysCalls layer;
    layer.SetHook([](Call call, int) {
      if (call == Call::kWrite) ::raise(SIGKILL);
    });
    return ReplaceFileSafely(file, "killed early") == 0 ? 0 : 1;
  });
  ASSERT_EQ(early.signal, SIGKILL);
  EXPECT_EQ(Temporaries(dir), std::vector<std::string>{});

  // One writer stops with its named temporary in hand; three more die at that point, each
  // after removing the one its predecessor left.
  int progress[2];
  int go[2];
  ASSERT_EQ(::pipe(progress), 0);
  ASSERT_EQ(::pipe(go), 0);
  char stopped;
  const pid_t live = StartWriterStoppedBeforeTheSwap(file, "live", false, progress[1], go[0]);
  ASSERT_EQ(::read(progress[0], &stopped, 1), 1);
  const std::vector<std::string> held = Temporaries(dir);
  ASSERT_EQ(held.size(), 1u);
  for (int i = 0; i < 3; ++i) {
    const pid_t killed = StartWriterStoppedBeforeTheSwap(file, "killed", true, progress[1], go[0]);
    ASSERT_EQ(::read(progress[0], &stopped, 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(killed, &status, 0), killed);
    ASSERT_TRUE(WIFSIGNALED(status));
  }
  ASSERT_EQ(Temporaries(dir).size(), 2u);
  // Leftovers at any of the names, such as older versions left.
  for (const int k : {5, 9, kMaxTemporaries - 1}) {
    char name[NAME_MAX + 1];
    TemporaryName("r.opc", k, name);
    testing::WriteBytes(dir.File(name), "dead");
  }

  // The next save removes every dead one at once, and never the live one.
  EXPECT_EQ(ReplaceFileSafely(file, "next"), 0);
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), "next");
  EXPECT_EQ(Temporaries(dir), held) << "the live writer's stays";

  // The live writer read the file that "next" replaced: its swap is refused, not made
  // over a change it never saw.
  ASSERT_EQ(::write(go[1], "g", 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(live, &status, 0), live);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), "next");
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"r.opc"});
  for (const int fd : {progress[0], progress[1], go[0], go[1]}) ::close(fd);
}

TEST(StaleTemporaryTest, WhenEveryTemporaryNameIsHeldTheReasonSaysSo) {
  TempDir dir;
  testing::WriteBytes(dir.File("r.opc"), "first");
  std::vector<int> holders;
  for (int k = 0; k < kMaxTemporaries; ++k) {
    char name[NAME_MAX + 1];
    TemporaryName("r.opc", k, name);
    testing::WriteBytes(dir.File(name), "someone's");
    holders.push_back(::open(dir.File(name).c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(holders.back(), LOCK_EX), 0);
  }
  int why = 0;
  EXPECT_EQ(ReplaceFileSafely(dir.WFile("r.opc"), "mine", &why), kGeneralFailure);
  EXPECT_EQ(why, kErrorNoTemporaryName);
  EXPECT_EQ(ErrorText(why),
            "every name for its temporary file is taken, by a save in progress or by files left "
            "behind that belong to another user");
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), "first");

  for (const int fd : holders) ::close(fd);  // their writers are gone
  EXPECT_EQ(ReplaceFileSafely(dir.WFile("r.opc"), "mine", &why), 0);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"r.opc"});
}

}  // namespace
}  // namespace tirv
