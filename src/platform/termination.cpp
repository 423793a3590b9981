#include "platform/termination.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace tirv {
namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The guards alive in the whole process (any thread), or kEnding once the end has
// begun: from then on no guard may start, so the end never falls inside one.
constexpr int kEnding = 1 << 30;
std::atomic<int> gGuards{0};
// The first termination signal received, or 0.
std::atomic<int> gRequest{0};

// Ends the process as `sig` would have: exit status by the signal. The signal may be
// blocked in this thread (a handler blocks its own signal; a thread may block it).
[[noreturn]] void EndBySignal(int sig) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(sig, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);  // not reached: the default action of every signal here ends
}

// Ends the process for the request unless a guard is alive; the last guard to end then
// does. The order (request first, then the guards) keeps a request from being lost.
void EndUnlessGuarded(int sig) {
  int none = 0;
  if (gGuards.compare_exchange_strong(none, kEnding)) EndBySignal(sig);
}

void OnTerminationSignal(int sig) {
  const int savedErrno = errno;
  int none = 0;
  gRequest.compare_exchange_strong(none, sig);
  EndUnlessGuarded(gRequest.load());
  errno = savedErrno;
}

}  // namespace

void DeferTerminationSignals() {
  for (const int sig : kTerminationSignals) {
    struct sigaction current {};
    if (::sigaction(sig, nullptr, &current) != 0) continue;
    // An ignored signal (nohup) or one the program handles itself stays as it is.
    if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a deferred request must not fail the calls it interrupts
    ::sigaction(sig, &action, nullptr);
  }
}

TerminationGuard::TerminationGuard() {
  int guards = gGuards.load();
  do {
    if ((guards & kEnding) != 0) EndBySignal(gRequest.load());  // start nothing now
  } while (!gGuards.compare_exchange_weak(guards, guards + 1));
}

TerminationGuard::~TerminationGuard() {
  if (gGuards.fetch_sub(1) != 1) return;
  if (const int sig = gRequest.load(); sig != 0) EndUnlessGuarded(sig);
}

}  // namespace tirv
