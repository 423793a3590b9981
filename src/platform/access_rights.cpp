#include "platform/access_rights.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/syscalls.h"

namespace tirv {
namespace {

constexpr mode_t kPermissions = 0777;  // no set-user-ID, set-group-ID or sticky bit

// The process's umask, read without calling umask(), which would change the mask of the
// whole process for a moment. When it cannot be read, the strictest mask is assumed.
mode_t CurrentUmask() {
  constexpr mode_t kStrictest = 077;
  const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kStrictest;
  char text[4096];
  const ssize_t n = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (n <= 0) return kStrictest;
  text[n] = '\0';
  const char* line = std::strstr(text, "\nUmask:");
  if (line == nullptr) return kStrictest;
  char* end = nullptr;
  const unsigned long mask = std::strtoul(line + 7, &end, 8);
  return end == line + 7 ? kStrictest : static_cast<mode_t>(mask & 0777);
}

bool IsMemberOf(gid_t group) {
  if (group == ::getegid()) return true;
  gid_t groups[256];
  const int n = ::getgroups(256, groups);
  for (int i = 0; i < n; ++i) {
    if (groups[i] == group) return true;
  }
  return false;
}

// The group bits cut down to what everyone else may do: for a group that was not the
// file's, whose members had only the rights of everyone else.
mode_t GroupAsOthers(mode_t mode) { return (mode & ~070) | (mode & ((mode & 07) << 3)); }

// Cuts the owning group's entry of `acl` down to the rights of everyone else.
int GroupEntryAsOthers(acl_t acl) {
  acl_entry_t entry;
  acl_entry_t groupEntry = nullptr;
  acl_entry_t otherEntry = nullptr;
  for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1;
       which = ACL_NEXT_ENTRY) {
    acl_tag_t tag;
    if (acl_get_tag_type(entry, &tag) != 0) return errno;
    if (tag == ACL_GROUP_OBJ) groupEntry = entry;
    if (tag == ACL_OTHER) otherEntry = entry;
  }
  if (groupEntry == nullptr || otherEntry == nullptr) return EINVAL;
  acl_permset_t groupSet;
  acl_permset_t otherSet;
  if (acl_get_permset(groupEntry, &groupSet) != 0 || acl_get_permset(otherEntry, &otherSet) != 0) {
    return errno;
  }
  for (const acl_perm_t perm : {ACL_READ, ACL_WRITE, ACL_EXECUTE}) {
    if (acl_get_perm(otherSet, perm) != 1) acl_delete_perm(groupSet, perm);
  }
  return acl_set_permset(groupEntry, groupSet) == 0 ? 0 : errno;
}

bool NoAclsHere(int why) { return why == ENOTSUP || why == EOPNOTSUPP || why == ENOSYS; }

}  // namespace

FileRights::~FileRights() {
  if (acl_ != nullptr) acl_free(acl_);
}

int FileRights::TakeFrom(int fd, const struct stat& st) {
  existing_ = true;
  owner_ = st.st_uid;
  group_ = st.st_gid;
  mode_ = st.st_mode & kPermissions;
  acl_t acl = Sys().AclOf(fd);
  if (acl == nullptr) return NoAclsHere(errno) ? 0 : errno;
  if (acl_equiv_mode(acl, nullptr) == 0) {
    acl_free(acl);  // the permission bits say it all
    return 0;
  }
  acl_ = acl;
  return 0;
}

int FileRights::PlanNew(int dirFd) {
  struct stat folder;
  if (Sys().Fstat(dirFd, &folder) != 0) return errno;
  existing_ = false;
  mode_ = 0666 & ~CurrentUmask();
  if (folder.st_gid == ::getegid()) return 0;
  const bool inherits = (folder.st_mode & S_ISGID) != 0;
  if (!inherits && !IsMemberOf(folder.st_gid)) return 0;
  mode_ |= 0660;
  if (!inherits) group_ = folder.st_gid;
  return 0;
}

mode_t FileRights::ModeFor(gid_t group) const {
  const bool groupKept = !existing_ || group == group_;
  return groupKept ? mode_ : GroupAsOthers(mode_);
}

int FileRights::PrepareWhileWritten(int fd) const {
  struct stat st;
  if (Sys().Fstat(fd, &st) != 0) return errno;
  // With an ACL the group bits are its mask, which may show more than the group gets.
  const mode_t readers = acl_ != nullptr ? 0004 : 0044;
  return Sys().Fchmod(fd, 0600 | (ModeFor(st.st_gid) & readers)) == 0 ? 0 : errno;
}

int FileRights::ApplyTo(int fd) const {
  if (!existing_) {
    if (group_ != static_cast<gid_t>(-1) && Sys().Fchown(fd, static_cast<uid_t>(-1), group_) != 0) {
      return errno;
    }
    return Sys().Fchmod(fd, mode_) == 0 ? 0 : errno;
  }
  // Only root may give the file to its old owner, and only a member to its old group;
  // otherwise the file keeps the writer's ids, which the mode below accounts for.
  if (::geteuid() == 0) {
    Sys().Fchown(fd, owner_, group_);
  } else if (IsMemberOf(group_)) {
    Sys().Fchown(fd, static_cast<uid_t>(-1), group_);
  }
  struct stat now;
  if (Sys().Fstat(fd, &now) != 0) return errno;
  const bool groupKept = now.st_gid == group_;
  if (acl_ != nullptr) return ApplyAcl(fd, groupKept);
  return Sys().Fchmod(fd, ModeFor(now.st_gid)) == 0 ? 0 : errno;
}

// The ACL sets the permission bits too (the group's are its mask), so no chmod follows.
int FileRights::ApplyAcl(int fd, bool groupKept) const {
  acl_t acl = acl_dup(acl_);
  if (acl == nullptr) return errno;
  // The mask stays as it was: calculated anew it could let named entries do more.
  int why = groupKept ? 0 : GroupEntryAsOthers(acl);
  if (why == 0 && Sys().SetAcl(fd, acl) != 0) why = errno;
  acl_free(acl);
  return why;
}

}  // namespace tirv
