// Runs part of a test in a child process, for what must not touch the test runner
// itself: a resource limit, dropped privileges, a process killed halfway through.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>

namespace tirv::testing {

struct ChildOutcome {
  bool exited = false;  ///< the child returned from its body
  int exitCode = -1;    ///< the body's result when `exited`
  int signal = 0;       ///< the signal that ended the child, or 0
};

/// Runs `body` in a forked child and waits for it; the body's result is the child's exit
/// code (keep it below 256). A child still running after `timeoutSeconds` is ended by
/// SIGALRM, so a body that blocks shows up as `signal` == SIGALRM instead of a hang.
inline ChildOutcome RunInChild(const std::function<int()>& body, unsigned timeoutSeconds = 30) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(timeoutSeconds);
    ::_exit(body());
  }
  ChildOutcome outcome;
  if (pid < 0) return outcome;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) {
    outcome.exited = true;
    outcome.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    outcome.signal = WTERMSIG(status);
  }
  return outcome;
}

inline constexpr uid_t kNobody = 65534;

/// Runs `body` in a child as an ordinary user: as "nobody" when the tests run as root
/// (root reads and writes whatever the permission bits say), unchanged otherwise. The
/// child exits with 99 when it cannot drop its privileges.
inline ChildOutcome RunUnprivileged(const std::function<int()>& body) {
  return RunInChild([&body] {
    if (::geteuid() == 0) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
        return 99;
      }
    }
    return body();
  });
}

}  // namespace tirv::testing
