// Temporary files of writers that died (SIGKILL, power loss) are removed by the next save
// of their file; one that a live writer is still filling stays.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/files.h"
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

// Waits until every file in `names` has been unchanged for more than a second: what
// tells a temporary that nobody holds from one that is just being made.
void WaitUntilOlderThanASecond(const TempDir& dir, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    struct stat st;
    struct timespec now;
    while (::stat(dir.File(name).c_str(), &st) == 0 && ::clock_gettime(CLOCK_REALTIME, &now) == 0 &&
           now.tv_sec - st.st_ctim.tv_sec < 2) {
      ::usleep(50000);
    }
  }
}

TEST(StaleTemporaryTest, AKilledWritersLeftoverGoesWithTheNextSaveALiveWritersStays) {
  TempDir dir;
  testing::WriteBytes(dir.File("r.opc"), "first");
  const std::u16string file = dir.WFile("r.opc");

  // The live writer stops in the middle of its save, holding its temporary file.
  int progress[2];
  int go[2];
  ASSERT_EQ(::pipe(progress), 0);
  ASSERT_EQ(::pipe(go), 0);
  const pid_t live = ::fork();
  if (live == 0) {
    testing::FailingSysCalls layer;
    layer.SetHook([&](Call call, int) {
      char answer;
      if (call == Call::kWrite &&
          (::write(progress[1], "w", 1) != 1 || ::read(go[0], &answer, 1) != 1)) {
        ::_exit(3);
      }
    });
    ::_exit(ReplaceFileSafely(file, "live") == 0 ? 0 : 1);
  }
  char stopped;
  ASSERT_EQ(::read(progress[0], &stopped, 1), 1);

  // The killed writer dies in the middle of its own.
  const testing::ChildOutcome killed = testing::RunInChild([&] {
    testing::FailingSysCalls layer;
    layer.SetHook([](Call call, int) {
      if (call == Call::kWrite) ::raise(SIGKILL);
    });
    return ReplaceFileSafely(file, "killed") == 0 ? 0 : 1;
  });
  ASSERT_EQ(killed.signal, SIGKILL);
  const std::vector<std::string> left = Temporaries(dir);
  ASSERT_EQ(left.size(), 2u);
  WaitUntilOlderThanASecond(dir, left);

  EXPECT_EQ(ReplaceFileSafely(file, "next"), 0);
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), "next");
  EXPECT_EQ(Temporaries(dir), std::vector<std::string>{left[0]}) << "the live writer's stays";

  ASSERT_EQ(::write(go[1], "g", 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(live, &status, 0), live);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), "live");
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"r.opc"});
  for (const int fd : {progress[0], progress[1], go[0], go[1]}) ::close(fd);
}

}  // namespace
}  // namespace tirv
