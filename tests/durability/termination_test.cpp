// Termination requests during saves: SIGTERM, SIGINT and SIGHUP sent while a file is
// created or replaced end the program right after that file is whole, with no
// temporary file left, and by the signal itself; the next save never starts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/termination.h"
#include "support/failing_syscalls.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::Call;
using testing::ListFolder;
using testing::TempDir;

const std::string kCreated = "[Online]\r\nComPort=COM1\r\n\r\n";
const std::string kReplaced = "[Online]\r\nComPort=" + std::string(20000, 'x') + "\r\n\r\n";

struct Round {
  char save = 0;           ///< '1' (the create) or '2' (the replace) held at the call; 'd': done
  bool temporary = false;  ///< a temporary file existed when the signal was sent
  int status = 0;          ///< of the child
};

// A child creates the file, then replaces it. At its call number `call` it tells which
// save it is in and waits until the parent has sent `sig` and the signal was taken. With
// `otherThread` the saving thread blocks the signal, so that another thread of the
// process takes it, and tells when it has.
Round SignalAtCall(const TempDir& dir, int call, int sig, bool otherThread) {
  int progress[2];
  int go[2];
  if (::pipe(progress) != 0 || ::pipe(go) != 0) return {};
  const std::u16string file = dir.WFile("r.opc");
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(30);
    DeferTerminationSignals();
    if (otherThread) {
      // Both threads block the signal; the other one takes it only inside sigsuspend,
      // which returns once the handler has run.
      sigset_t set;
      sigemptyset(&set);
      sigaddset(&set, sig);
      ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
      std::thread([&] {
        sigset_t none;
        sigemptyset(&none);
        for (;;) {
          ::sigsuspend(&none);
          if (::write(progress[1], "h", 1) != 1) ::_exit(4);
        }
      }).detach();
    }
    char save = '1';
    testing::FailingSysCalls layer;
    layer.SetHook([&](Call, int total) {
      char answer;
      if (total != call) return;
      if (::write(progress[1], &save, 1) != 1 || ::read(go[0], &answer, 1) != 1) ::_exit(3);
    });
    if (CreateFileSafely(file, kCreated) != 0) ::_exit(1);
    save = '2';
    if (ReplaceFileSafely(file, kReplaced) != 0) ::_exit(2);
    ::write(progress[1], "d", 1);
    ::_exit(0);
  }
  ::close(progress[1]);  // a child that ends closes the last writing end
  Round round;
  if (::read(progress[0], &round.save, 1) == 1 && round.save != 'd') {
    for (const std::string& name : ListFolder(dir.path())) round.temporary |= name[0] == '.';
    ::kill(child, sig);
    char handled;
    if (otherThread) ::read(progress[0], &handled, 1);  // 'h', or nothing when it ended
  }
  ::write(go[1], "g", 1);
  ::waitpid(child, &round.status, 0);
  for (const int fd : {progress[0], go[0], go[1]}) ::close(fd);
  return round;
}

TEST(TerminationTest, ARequestDuringASaveEndsTheProgramRightAfterIt) {
  int deferred = 0;
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    for (const bool otherThread : {false, true}) {
      for (int call = 1;; ++call) {
        SCOPED_TRACE("signal " + std::to_string(sig) + (otherThread ? " to another thread" : "") +
                     " at call " + std::to_string(call));
        TempDir dir;
        const Round round = SignalAtCall(dir, call, sig, otherThread);
        if (round.save == 'd') break;
        ASSERT_TRUE(round.save == '1' || round.save == '2');
        ASSERT_TRUE(WIFSIGNALED(round.status)) << "status " << round.status;
        EXPECT_EQ(WTERMSIG(round.status), sig);
        // Whole, and never the next save's: the end came before it started.
        const std::vector<std::string> names = ListFolder(dir.path());
        const std::string bytes = testing::ReadBytes(dir.File("r.opc"));
        if (round.save == '1') {
          EXPECT_TRUE(names.empty() || bytes == kCreated) << bytes.size();
        } else {
          EXPECT_TRUE(bytes == kCreated || bytes == kReplaced) << bytes.size();
        }
        if (!names.empty()) {
          EXPECT_EQ(names, std::vector<std::string>{"r.opc"});
        }
        if (round.temporary) {
          ++deferred;
          EXPECT_EQ(bytes, round.save == '1' ? kCreated : kReplaced) << "not carried to the end";
        }
      }
    }
  }
  EXPECT_GT(deferred, 30);
}

}  // namespace
}  // namespace tirv
