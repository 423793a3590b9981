#include "platform/syscalls.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/openat2.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tirv {
namespace {

SysCalls gPosix;
SysCalls* gLayer = &gPosix;

// "/proc/self/fd/<dirFd>/<name>" (or `name` itself for AT_FDCWD) in `path`; false with
// ENAMETOOLONG when it does not fit. No allocation, so that a layer under test sees the
// same allocations as the C library's.
bool FdPath(int dirFd, const char* name, char (&path)[PATH_MAX]) {
  const int n = dirFd == AT_FDCWD
                    ? std::snprintf(path, sizeof path, "%s", name)
                    : std::snprintf(path, sizeof path, "/proc/self/fd/%d/%s", dirFd, name);
  if (n >= 0 && static_cast<size_t>(n) < sizeof path) return true;
  errno = ENAMETOOLONG;
  return false;
}

}  // namespace

SysCalls::~SysCalls() = default;

int SysCalls::Open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t SysCalls::Read(int fd, void* buf, size_t count) { return ::read(fd, buf, count); }
ssize_t SysCalls::Pread(int fd, void* buf, size_t count, off_t offset) {
  return ::pread(fd, buf, count, offset);
}
ssize_t SysCalls::Write(int fd, const void* buf, size_t count) { return ::write(fd, buf, count); }
int SysCalls::Fsync(int fd) { return ::fsync(fd); }
int SysCalls::Close(int fd) { return ::close(fd); }
int SysCalls::Fstat(int fd, struct stat* st) { return ::fstat(fd, st); }
int SysCalls::Stat(const char* path, struct stat* st) { return ::stat(path, st); }
int SysCalls::Lstat(const char* path, struct stat* st) { return ::lstat(path, st); }
int SysCalls::Access(const char* path, int mode) {
  return ::faccessat(AT_FDCWD, path, mode, AT_EACCESS);
}
ssize_t SysCalls::Readlink(const char* path, char* buf, size_t size) {
  return ::readlink(path, buf, size);
}
int SysCalls::Fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int SysCalls::Fchown(int fd, uid_t uid, gid_t gid) { return ::fchown(fd, uid, gid); }
int SysCalls::Rename(const char* from, const char* to) { return ::rename(from, to); }
int SysCalls::Exchange(const char* a, const char* b) {
  return ::renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE);
}
int SysCalls::Unlink(const char* path) { return ::unlink(path); }
int SysCalls::Mkdir(const char* path, mode_t mode) { return ::mkdir(path, mode); }
DIR* SysCalls::Opendir(const char* path) { return ::opendir(path); }
struct dirent* SysCalls::Readdir(DIR* dir) {
  errno = 0;
  return ::readdir(dir);
}
int SysCalls::Closedir(DIR* dir) { return ::closedir(dir); }

bool SysCalls::IsCLibrary() const { return this == &gPosix; }

int SysCalls::OpenAt(int dirFd, const char* name, int flags, mode_t mode) {
  if (IsCLibrary()) return ::openat(dirFd, name, flags, mode);
  char path[PATH_MAX];
  return FdPath(dirFd, name, path) ? Open(path, flags, mode) : -1;
}

int SysCalls::StatAt(int dirFd, const char* name, struct stat* st, bool follow) {
  if (IsCLibrary()) return ::fstatat(dirFd, name, st, follow ? 0 : AT_SYMLINK_NOFOLLOW);
  char path[PATH_MAX];
  if (!FdPath(dirFd, name, path)) return -1;
  return follow ? Stat(path, st) : Lstat(path, st);
}

int SysCalls::RenameAt(int dirFd, const char* from, const char* to) {
  if (IsCLibrary()) return ::renameat(dirFd, from, dirFd, to);
  char a[PATH_MAX];
  char b[PATH_MAX];
  return FdPath(dirFd, from, a) && FdPath(dirFd, to, b) ? Rename(a, b) : -1;
}

int SysCalls::ExchangeAt(int dirFd, const char* a, const char* b) {
  if (IsCLibrary()) return ::renameat2(dirFd, a, dirFd, b, RENAME_EXCHANGE);
  char pathA[PATH_MAX];
  char pathB[PATH_MAX];
  return FdPath(dirFd, a, pathA) && FdPath(dirFd, b, pathB) ? Exchange(pathA, pathB) : -1;
}

int SysCalls::UnlinkAt(int dirFd, const char* name) {
  if (IsCLibrary()) return ::unlinkat(dirFd, name, 0);
  char path[PATH_MAX];
  return FdPath(dirFd, name, path) ? Unlink(path) : -1;
}

DIR* SysCalls::OpendirAt(int dirFd) {
  if (IsCLibrary()) {
    const int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) ::close(fd);
    return dir;
  }
  char path[PATH_MAX];
  return FdPath(dirFd, ".", path) ? Opendir(path) : nullptr;
}

int SysCalls::RenameNoReplaceAt(int dirFd, const char* from, const char* to) {
  return ::renameat2(dirFd, from, dirFd, to, RENAME_NOREPLACE);
}
int SysCalls::LinkAt(int dirFd, const char* from, const char* to) {
  return ::linkat(dirFd, from, dirFd, to, 0);
}
int SysCalls::Flock(int fd, int operation) { return ::flock(fd, operation); }
ssize_t SysCalls::ReadlinkOf(int linkFd, char* buf, size_t size) {
  return ::readlinkat(linkFd, "", buf, size);
}
int SysCalls::OpenWithoutLinks(const char* path, int flags) {
  struct open_how how;
  std::memset(&how, 0, sizeof how);
  how.flags = static_cast<unsigned>(flags);
  how.resolve = RESOLVE_NO_SYMLINKS;
  return static_cast<int>(::syscall(SYS_openat2, AT_FDCWD, path, &how, sizeof how));
}

int SysCalls::LinkOpenFile(int fd, int dirFd, const char* name) {
  char path[PATH_MAX];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, path, dirFd, name, AT_SYMLINK_FOLLOW);
}
acl_t SysCalls::AclOf(int fd) {
  // acl_get_fd refuses an O_PATH descriptor; the file's own entry in /proc does not.
  char path[PATH_MAX];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  return ::acl_get_file(path, ACL_TYPE_ACCESS);
}
int SysCalls::SetAcl(int fd, acl_t acl) { return ::acl_set_fd(fd, acl); }

SysCalls& Sys() { return *gLayer; }

SysCalls* InstallSysCalls(SysCalls* layer) {
  SysCalls* previous = gLayer == &gPosix ? nullptr : gLayer;
  gLayer = layer != nullptr ? layer : &gPosix;
  return previous;
}

}  // namespace tirv
