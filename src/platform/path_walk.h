// Walking a path one name at a time, under the rule for symbolic links in shared folders.
//
// A member of a group that shares a folder could plant a symbolic link there and make
// another member's (or root's) next write land anywhere. So a link is followed only when
// it belongs to the user running the program (effective uid) or to the owner of the
// folder that holds it, the rule of fs.protected_symlinks, and it is checked at every hop
// of a chain. Each step opens the next folder relative to the one before, so nothing on
// the way can be swapped between the check and the use.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/unique_fd.h"

namespace tirv {

/// True when the link described by `link`, held by the folder described by `folder`,
/// may be followed.
bool MayFollowLink(const struct stat& link, const struct stat& folder);

enum class LastName {
  kAsIs,    ///< the last name is not looked at: a link there is not followed
  kFollow,  ///< a link at the last name is followed, hop by hop, to what it finally names
};

/// Where a path leads: an open folder and a name in it.
struct PathEnd {
  UniqueFd folder;
  std::string name;     ///< one name, never "", "." or ".."
  bool exists = false;  ///< (kFollow only) something that is not a link is at `name`
  struct stat st {};    ///< (kFollow only) what that is, when `exists`
};

/// Walks `path` and opens the folder it ends in with `folderFlags` (O_PATH, or O_RDONLY
/// for a folder that is to be flushed). Returns 0, or why not: kErrorForeignLink (a link
/// of another user on the way), ELOOP (a loop of links), EISDIR (the path names a
/// folder), ENOENT or ENOTDIR (a folder on the way is missing), or the errno of a failed
/// call. May throw std::bad_alloc.
int WalkPath(const std::string& path, LastName last, int folderFlags, PathEnd& end);

/// The same for the one name `name` in the open folder `folder` (opened with O_PATH or
/// for reading), which the walk takes over.
int WalkName(UniqueFd folder, const std::string& name, LastName last, int folderFlags,
             PathEnd& end);

}  // namespace tirv
