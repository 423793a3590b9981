// Who may do what with a file that a safe write puts in place of another, or creates.
//
// A member of a group that shares a folder must not be able to hand rights over through
// a colleague's save: the new file never carries set-user-ID or set-group-ID bits, keeps
// the old file's access ACL, and grants no one more than the old file did.
#pragma once

#include <sys/acl.h>
#include <sys/stat.h>

namespace tirv {

/// The rights a file is to get: those of the file it replaces, or those a new file gets
/// in its folder. Owns the ACL it holds.
class FileRights {
 public:
  FileRights() = default;
  ~FileRights();
  FileRights(const FileRights&) = delete;
  FileRights& operator=(const FileRights&) = delete;

  /// The rights of the existing file `fd` (open, or O_PATH) described by `st`: its owner
  /// and group, its permission bits without set-ID and sticky bits, and its access ACL
  /// when it has more entries than the permission bits show. 0, or the errno of reading
  /// the ACL (a file system without ACLs is no failure).
  int TakeFrom(int fd, const struct stat& st);

  /// The rights of a new file in the folder `dirFd`: the mode the umask allows, and in a
  /// folder whose group is not the user's own but the file's (the folder is set-group-ID,
  /// or the user belongs to its group) also read and write for that group, and that
  /// group. 0 or why not.
  int PlanNew(int dirFd);

  /// Gives the new temporary file `fd` the permission bits it may have while it is
  /// written: read for the group and others only where the finished file grants it to
  /// the same people without an ACL, so that a colleague can judge a temporary left
  /// behind, and nobody reads what the finished file would not show them. 0 or why not.
  int PrepareWhileWritten(int fd) const;

  /// Gives the written temporary file `fd` these rights. Where the owner or the group
  /// cannot be kept (only root may give a file away), the file stays the writer's, and
  /// a group that is not the old one gets no more than the old file gave everyone else.
  /// 0 or why not.
  int ApplyTo(int fd) const;

 private:
  /// The permission bits for a file whose group is `group`.
  mode_t ModeFor(gid_t group) const;
  int ApplyAcl(int fd, bool groupKept) const;

  bool existing_ = false;
  uid_t owner_ = static_cast<uid_t>(-1);
  gid_t group_ = static_cast<gid_t>(-1);  ///< -1: the group the file gets when created
  mode_t mode_ = 0;
  acl_t acl_ = nullptr;  ///< the old file's extended access ACL, or null
};

}  // namespace tirv
