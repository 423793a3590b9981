// Ending on a termination request only between two file replacements.
//
// SIGTERM, SIGINT and SIGHUP end the program as they always do, except while a file is
// being replaced or created: then the end waits until that file is whole and no
// temporary file is left, and comes right after.
#pragma once

namespace tirv {

/// Installs the handlers; call once at start, before any thread is started.
void DeferTerminationSignals();

/// While one exists, a termination request waits. Nested guards are fine; the request
/// is carried out when the outermost one ends. Without DeferTerminationSignals it
/// changes nothing.
class TerminationGuard {
 public:
  TerminationGuard();
  ~TerminationGuard();
  TerminationGuard(const TerminationGuard&) = delete;
  TerminationGuard& operator=(const TerminationGuard&) = delete;
};

}  // namespace tirv
