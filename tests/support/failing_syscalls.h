// The one I/O layer of the tests: it makes one chosen call of SysCalls fail (or runs a
// hook before each call), and passes every other call on to the C library. Every call
// of SysCalls goes through it. Installed for the lifetime of the object.
#pragma once

#include <cerrno>
#include <functional>
#include <string>

#include "platform/syscalls.h"

namespace tirv::testing {

enum class Call {
  kOpen,
  kRead,
  kPread,
  kWrite,
  kFsync,
  kClose,
  kFstat,
  kStat,
  kLstat,
  kAccess,
  kReadlink,
  kFchmod,
  kFchown,
  kRename,
  kExchange,
  kUnlink,
  kMkdir,
  kOpendir,
  kReaddir,
  kClosedir,
  kCount
};

/// The call's name as in the C library ("exchange" for renameat2 with RENAME_EXCHANGE).
inline const char* CallName(Call call) {
  static const char* const kNames[] = {"open",     "read",   "pread",   "write",   "fsync",
                                       "close",    "fstat",  "stat",    "lstat",   "access",
                                       "readlink", "fchmod", "fchown",  "rename",  "exchange",
                                       "unlink",   "mkdir",  "opendir", "readdir", "closedir"};
  static_assert(sizeof kNames / sizeof kNames[0] == static_cast<int>(Call::kCount));
  return call < Call::kCount ? kNames[static_cast<int>(call)] : "none";
}

class FailingSysCalls : public SysCalls {
 public:
  FailingSysCalls() { previous_ = InstallSysCalls(this); }
  ~FailingSysCalls() override { InstallSysCalls(previous_); }
  FailingSysCalls(const FailingSysCalls&) = delete;
  FailingSysCalls& operator=(const FailingSysCalls&) = delete;

  /// Makes the `nth` call of `call` from now on (1 = the next one) fail with `error`.
  void FailNth(Call call, int nth, int error) {
    failAny_ = false;
    failCall_ = call;
    failAt_ = counts_[static_cast<int>(call)] + nth;
    error_ = error;
    fired_ = false;
  }
  /// Makes the `nth` call of any kind from now on (1 = the next one) fail with `error`.
  void FailNthOfAny(int nth, int error) {
    failAny_ = true;
    failCall_ = Call::kCount;
    failAt_ = total_ + nth;
    error_ = error;
    fired_ = false;
  }
  /// True once the chosen failure was delivered.
  bool fired() const { return fired_; }
  /// The call that failed, as "<name> (call <n of all calls>)", or "" before it.
  std::string FailedCall() const {
    if (!fired_) return {};
    std::string text = CallName(failedCall_);
    text += " (call ";
    text += std::to_string(failedTotal_);
    text += ')';
    return text;
  }
  /// Runs before every call, with the number of calls made so far (this one included).
  void SetHook(std::function<void(Call, int)> hook) { hook_ = std::move(hook); }
  /// Lets every fsync succeed without flushing anything. Only for a process that is then
  /// killed: the page cache outlives it, so the files it leaves are the same, sooner.
  void SkipFlushes() { skipFlushes_ = true; }

  int Open(const char* p, int f, mode_t m) override {
    return Hit(Call::kOpen) ? -1 : SysCalls::Open(p, f, m);
  }
  ssize_t Read(int fd, void* b, size_t n) override {
    return Hit(Call::kRead) ? -1 : SysCalls::Read(fd, b, n);
  }
  ssize_t Pread(int fd, void* b, size_t n, off_t o) override {
    return Hit(Call::kPread) ? -1 : SysCalls::Pread(fd, b, n, o);
  }
  ssize_t Write(int fd, const void* b, size_t n) override {
    return Hit(Call::kWrite) ? -1 : SysCalls::Write(fd, b, n);
  }
  int Fsync(int fd) override {
    if (Hit(Call::kFsync)) return -1;
    return skipFlushes_ ? 0 : SysCalls::Fsync(fd);
  }
  int Close(int fd) override {
    if (!Hit(Call::kClose)) return SysCalls::Close(fd);
    SysCalls::Close(fd);  // like an I/O error reported by close: the descriptor is gone
    errno = error_;
    return -1;
  }
  int Fstat(int fd, struct stat* st) override {
    return Hit(Call::kFstat) ? -1 : SysCalls::Fstat(fd, st);
  }
  int Stat(const char* p, struct stat* st) override {
    return Hit(Call::kStat) ? -1 : SysCalls::Stat(p, st);
  }
  int Lstat(const char* p, struct stat* st) override {
    return Hit(Call::kLstat) ? -1 : SysCalls::Lstat(p, st);
  }
  int Access(const char* p, int m) override {
    return Hit(Call::kAccess) ? -1 : SysCalls::Access(p, m);
  }
  ssize_t Readlink(const char* p, char* b, size_t n) override {
    return Hit(Call::kReadlink) ? -1 : SysCalls::Readlink(p, b, n);
  }
  int Fchmod(int fd, mode_t m) override {
    return Hit(Call::kFchmod) ? -1 : SysCalls::Fchmod(fd, m);
  }
  int Fchown(int fd, uid_t u, gid_t g) override {
    return Hit(Call::kFchown) ? -1 : SysCalls::Fchown(fd, u, g);
  }
  int Rename(const char* a, const char* b) override {
    return Hit(Call::kRename) ? -1 : SysCalls::Rename(a, b);
  }
  int Exchange(const char* a, const char* b) override {
    return Hit(Call::kExchange) ? -1 : SysCalls::Exchange(a, b);
  }
  int Unlink(const char* p) override { return Hit(Call::kUnlink) ? -1 : SysCalls::Unlink(p); }
  int Mkdir(const char* p, mode_t m) override {
    return Hit(Call::kMkdir) ? -1 : SysCalls::Mkdir(p, m);
  }
  DIR* Opendir(const char* p) override {
    return Hit(Call::kOpendir) ? nullptr : SysCalls::Opendir(p);
  }
  struct dirent* Readdir(DIR* d) override {
    return Hit(Call::kReaddir) ? nullptr : SysCalls::Readdir(d);
  }
  int Closedir(DIR* d) override {
    if (!Hit(Call::kClosedir)) return SysCalls::Closedir(d);
    SysCalls::Closedir(d);  // the stream is gone all the same
    errno = error_;
    return -1;
  }

 private:
  // Counts the call and tells whether it is the one to fail (with errno set).
  bool Hit(Call call) {
    const int count = ++counts_[static_cast<int>(call)];
    ++total_;
    if (hook_) hook_(call, total_);
    if (failAny_ ? total_ != failAt_ : (call != failCall_ || count != failAt_)) return false;
    fired_ = true;
    failedCall_ = call;
    failedTotal_ = total_;
    if (call != Call::kClose && call != Call::kClosedir) errno = error_;
    return true;
  }

  SysCalls* previous_ = nullptr;
  int counts_[static_cast<int>(Call::kCount)] = {};
  int total_ = 0;
  bool failAny_ = false;
  Call failCall_ = Call::kCount;
  int failAt_ = 0;
  Call failedCall_ = Call::kCount;
  int failedTotal_ = 0;
  int error_ = EIO;
  bool fired_ = false;
  bool skipFlushes_ = false;
  std::function<void(Call, int)> hook_;
};

}  // namespace tirv::testing
