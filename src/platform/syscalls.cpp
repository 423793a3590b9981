#include "syscalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

namespace tirv {
namespace {

SysCalls gPosix;
SysCalls* gLayer = &gPosix;

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

SysCalls& Sys() { return *gLayer; }

SysCalls* InstallSysCalls(SysCalls* layer) {
  SysCalls* previous = gLayer == &gPosix ? nullptr : gLayer;
  gLayer = layer != nullptr ? layer : &gPosix;
  return previous;
}

}  // namespace tirv
