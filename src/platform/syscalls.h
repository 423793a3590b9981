// The POSIX calls that all file work of the editor goes through. The default layer
// calls the C library; tests install their own layer to make chosen calls fail.
#pragma once

#include <dirent.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace tirv {

class SysCalls {
 public:
  virtual ~SysCalls();
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual ssize_t Read(int fd, void* buf, size_t count);
  virtual ssize_t Pread(int fd, void* buf, size_t count, off_t offset);
  virtual ssize_t Write(int fd, const void* buf, size_t count);
  virtual int Fsync(int fd);
  virtual int Close(int fd);
  virtual int Fstat(int fd, struct stat* st);
  virtual int Stat(const char* path, struct stat* st);
  virtual int Lstat(const char* path, struct stat* st);
  /// Permission check with the effective ids (faccessat with AT_EACCESS).
  virtual int Access(const char* path, int mode);
  virtual ssize_t Readlink(const char* path, char* buf, size_t size);
  virtual int Fchmod(int fd, mode_t mode);
  virtual int Fchown(int fd, uid_t uid, gid_t gid);
  virtual int Rename(const char* from, const char* to);
  /// Swaps two names atomically (renameat2 RENAME_EXCHANGE); fails with EINVAL where the
  /// file system cannot.
  virtual int Exchange(const char* a, const char* b);
  virtual int Unlink(const char* path);
  virtual int Mkdir(const char* path, mode_t mode);
  virtual DIR* Opendir(const char* path);
  /// Null with errno 0 at the end of the folder, null with errno set on a failure.
  virtual struct dirent* Readdir(DIR* dir);
  virtual int Closedir(DIR* dir);

  // Calls on a name in an open folder (`dirFd`, or AT_FDCWD), so that no folder on the
  // way can be swapped between a check and its use. The C library's layer makes them
  // directly; under any other layer each one becomes the path call of its kind above, on
  // "/proc/self/fd/<dirFd>/<name>", which names the same file. A layer therefore
  // overrides the path calls only, and sees every call.
  int OpenAt(int dirFd, const char* name, int flags, mode_t mode);
  /// fstatat; with `follow` false a symbolic link is described itself.
  int StatAt(int dirFd, const char* name, struct stat* st, bool follow);
  int RenameAt(int dirFd, const char* from, const char* to);
  /// renameat2 RENAME_EXCHANGE within one folder; EINVAL where the file system cannot.
  int ExchangeAt(int dirFd, const char* a, const char* b);
  int UnlinkAt(int dirFd, const char* name);
  /// Opens the open folder `dirFd` for listing (the folder itself, never a name in it).
  DIR* OpendirAt(int dirFd);

  // Calls that have no path form among the calls above.
  /// renameat2 RENAME_NOREPLACE within one folder: EEXIST when anything is at `to` (a
  /// dangling symbolic link included), EINVAL where the file system cannot.
  virtual int RenameNoReplaceAt(int dirFd, const char* from, const char* to);
  /// linkat within one folder, never following a link at `from`.
  virtual int LinkAt(int dirFd, const char* from, const char* to);
  virtual int Flock(int fd, int operation);
  /// The text of the symbolic link that `linkFd` (opened with O_PATH | O_NOFOLLOW) is.
  virtual ssize_t ReadlinkOf(int linkFd, char* buf, size_t size);
  /// openat2 with RESOLVE_NO_SYMLINKS: ELOOP when any name on the way is a symbolic
  /// link, ENOSYS (or EPERM under some sandboxes) where the kernel offers no openat2.
  virtual int OpenWithoutLinks(const char* path, int flags);
  /// Gives the open file `fd`, made without a name (O_TMPFILE), the name `name` in the
  /// folder `dirFd`; EEXIST when the name is taken.
  virtual int LinkOpenFile(int fd, int dirFd, const char* name);
  /// The access ACL of the open file `fd` (which may be an O_PATH descriptor), for
  /// acl_free; null with errno set (ENOTSUP where the file system keeps none).
  virtual acl_t AclOf(int fd);
  /// Sets the access ACL of the open file `fd`.
  virtual int SetAcl(int fd, acl_t acl);

 private:
  bool IsCLibrary() const;
};

/// The layer in use.
SysCalls& Sys();

/// Installs `layer` (nullptr: the C library again) and returns the one it replaces.
/// The caller keeps ownership.
SysCalls* InstallSysCalls(SysCalls* layer);

}  // namespace tirv
