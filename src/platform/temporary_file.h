// The temporary file that a safe write fills before swapping it in beside its target.
//
// Each target has a few fixed temporary names (".<name>.tmp-<k>", k = 0, 1, ...), so
// that the next write of the same target finds what a killed process left behind. The
// writer holds an exclusive flock on its temporary from just after creating it until it
// is swapped in; a temporary that nobody holds and that is older than a second (the
// moment between creating and locking) was left by a process that died, and is removed.
// Swapping renews the ctime of the file that goes out under the temporary name, so the
// writer removes that one before anybody takes it for a leftover. Only a holder of the
// lock who has checked that the name still leads to the locked file ever removes a
// temporary that is not its own.
#pragma once

#include <limits.h>

#include <string_view>

#include "platform/unique_fd.h"

namespace tirv {

/// How many temporaries one target may have at once: one per concurrent writer, plus
/// any that cannot be judged (left by another user, whose file we may not open).
inline constexpr int kMaxTemporaries = 32;

/// The temporary name number `k` (0 <= k < kMaxTemporaries) for the target name
/// `target`: hidden (a leading dot), never ending in ".opc" in any letter case, and
/// within NAME_MAX for every target name a folder can hold; a long target name is cut
/// at a character boundary and followed by a hash of the whole name.
void TemporaryName(std::string_view target, int k, char (&name)[NAME_MAX + 1]);

struct TemporaryFile {
  UniqueFd fd;  ///< open for writing and locked
  char name[NAME_MAX + 1] = {};
};

/// Creates and locks a new temporary file for `target` in the folder `dirFd`, with mode
/// 0600 (less by the umask), taking the place of one that a dead process left. Returns 0,
/// or the errno of the first failure (EEXIST when every temporary name is in use).
/// Allocates nothing.
int CreateTemporary(int dirFd, std::string_view target, TemporaryFile& temp);

}  // namespace tirv
