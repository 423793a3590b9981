// The temporary file that a safe write fills before swapping it in beside its target.
//
// Each target has a few fixed temporary names (".<name>.tmp-<k>", k = 0, 1, ...), so
// that the next write of the same target finds what a killed process left behind. A
// writer holds an exclusive flock on its temporary for as long as the name leads to it.
// Where the file system can, the file is made without a name (O_TMPFILE) and locked
// before it gets one, so a temporary that nobody holds is one whose writer died. Where
// it cannot, the file is named when it is made and locked a moment later; there a
// temporary counts as left behind only when nobody holds it and it is older than a
// second. A temporary is removed only by a holder of its lock who has checked that the
// name still leads to the file it holds.
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
  UniqueFd fd;                   ///< open for writing and locked
  char name[NAME_MAX + 1] = {};  ///< its name beside the target; "" while it has none
  bool bornLocked = false;       ///< it was locked before it had a name
};

/// Makes a new, locked temporary file for `target` in the folder `dirFd`, with mode 0600
/// (less by the umask). Where the file system can, it has no name yet: a writer that dies
/// before NameTemporary leaves nothing behind. Elsewhere it takes a free temporary name
/// at once, after the temporaries of dead writers are removed. Returns 0, or
/// kErrorNoTemporaryName (files.h) when every name is held, or the errno of the first
/// failure. Allocates nothing.
int OpenTemporary(int dirFd, std::string_view target, TemporaryFile& temp);

/// Removes every temporary of `target` whose writer died and gives `temp` the first free
/// name (a temporary that has a name keeps it). Returns 0, kErrorNoTemporaryName when
/// every name is held by a live writer or by a file we may not judge, or the errno of
/// the failure.
int NameTemporary(int dirFd, std::string_view target, TemporaryFile& temp);

}  // namespace tirv
