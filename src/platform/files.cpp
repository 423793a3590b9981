#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/memory.h"
#include "platform/path_walk.h"
#include "platform/syscalls.h"
#include "platform/temporary_file.h"
#include "platform/termination.h"
#include "platform/text.h"
#include "platform/unique_fd.h"

namespace tirv {
namespace {

// The reason out-parameter, or a place to drop it when the caller wants none.
class Reason {
 public:
  explicit Reason(int* error) : why_(error != nullptr ? *error : ignored_) { why_ = 0; }
  /// Keeps the first reason; later failures (of the calls that undo) do not replace it.
  void Set(int why) {
    if (why_ == 0) why_ = why != 0 ? why : EIO;
  }

 private:
  int ignored_ = 0;
  int& why_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = Sys().Write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

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

// What a new file gets: the mode the umask allows, and in a folder shared with a group
// other than the user's own (its group is the folder's: the folder is set-group-ID or the
// user belongs to it) read and write for that group, so that a member's strict umask does
// not lock the others out of the file.
struct NewFilePlan {
  mode_t mode = 0;
  gid_t group = static_cast<gid_t>(-1);  ///< the group to give the file, or -1: as created
};

int PlanNewFile(int dirFd, NewFilePlan& plan) {
  struct stat folder;
  if (Sys().Fstat(dirFd, &folder) != 0) return errno;
  plan.mode = 0666 & ~CurrentUmask();
  if (folder.st_gid == ::getegid()) return 0;
  const bool inherits = (folder.st_mode & S_ISGID) != 0;
  if (!inherits && !IsMemberOf(folder.st_gid)) return 0;
  plan.mode |= 0660;
  if (!inherits) plan.group = folder.st_gid;
  return 0;
}

// Only a regular file is replaced. The swap needs only the folder's permission, which
// lets a group share a workspace; a file that no one may write is read-only and stays.
int CheckReplaceable(const PathEnd& target) {
  if (!target.exists) return 0;
  if (!S_ISREG(target.st.st_mode)) return kErrorNotRegularFile;
  if ((target.st.st_mode & 0222) == 0) return kErrorReadOnlyFile;
  return 0;
}

// Gives the temporary file the final owner and mode: the old file's, or the plan's.
int SetOwnerAndMode(int fd, const PathEnd& target, const NewFilePlan& plan) {
  if (!target.exists) {
    if (plan.group != static_cast<gid_t>(-1) &&
        Sys().Fchown(fd, static_cast<uid_t>(-1), plan.group) != 0) {
      return errno;
    }
    return Sys().Fchmod(fd, plan.mode) == 0 ? 0 : errno;
  }
  // The owner before the mode: a change of owner clears the set-user-ID and set-group-ID
  // bits. Only root (or, for the group, a member of it) may change them; otherwise the
  // new file keeps our own ids, which is harmless.
  if (target.st.st_uid != ::geteuid() || target.st.st_gid != ::getegid()) {
    Sys().Fchown(fd, target.st.st_uid, target.st.st_gid);
  }
  return Sys().Fchmod(fd, target.st.st_mode & 07777) == 0 ? 0 : errno;
}

// Writes the whole content into the temporary file with its final owner and mode, and
// flushes it.
int FillTemporary(const TemporaryFile& temp, std::string_view bytes, const PathEnd& target,
                  const NewFilePlan& plan) {
  if (!WriteAll(temp.fd.get(), bytes)) return errno;
  if (int why = SetOwnerAndMode(temp.fd.get(), target, plan)) return why;
  return Sys().Fsync(temp.fd.get()) == 0 ? 0 : errno;
}

bool CannotSwapHere(int why) { return why == EINVAL || why == ENOSYS || why == EOPNOTSUPP; }

// Puts the temporary file in place of the target. An existing target is exchanged, so
// that the old content sits under the temporary name (`exchanged`) and can be swapped
// back. A new one is moved in only if the name is still free: neither a colleague's file
// created meanwhile nor a link planted there is ever replaced.
int SwapIn(const PathEnd& target, const TemporaryFile& temp, bool& exchanged) {
  const int dirFd = target.folder.get();
  const char* name = target.name.c_str();
  exchanged = false;
  if (target.exists) {
    if (Sys().ExchangeAt(dirFd, temp.name, name) == 0) {
      exchanged = true;
      return 0;
    }
    if (!CannotSwapHere(errno)) return errno;
    return Sys().RenameAt(dirFd, temp.name, name) == 0 ? 0 : errno;
  }
  if (Sys().RenameNoReplaceAt(dirFd, temp.name, name) == 0) return 0;
  if (!CannotSwapHere(errno)) return errno;
  // Where the file system cannot rename exclusively, a hard link is just as exclusive.
  if (Sys().LinkAt(dirFd, temp.name, name) != 0) return errno;
  Sys().UnlinkAt(dirFd, temp.name);
  return 0;
}

// The swap is not durable until the folder is flushed; when that fails the old state is
// put back, so a failure report always means "nothing changed". The temporary file is
// closed first: its lock has done its work once the temporary name no longer leads to it,
// and a close that reports an error is taken as seriously as a failed flush.
int MakeDurableOrUndo(const PathEnd& target, TemporaryFile& temp, bool exchanged) {
  const int dirFd = target.folder.get();
  int why = Sys().Close(temp.fd.release()) == 0 ? 0 : errno;
  if (why == 0 && Sys().Fsync(dirFd) != 0) why = errno;
  if (why == 0) {
    // The old version now sits under the temporary name. The save is complete either way;
    // a second try keeps a passing hiccup from leaving it behind.
    if (exchanged && Sys().UnlinkAt(dirFd, temp.name) != 0) Sys().UnlinkAt(dirFd, temp.name);
    return 0;
  }
  if (exchanged) {
    Sys().ExchangeAt(dirFd, temp.name, target.name.c_str());
    Sys().UnlinkAt(dirFd, temp.name);
  } else if (!target.exists) {
    Sys().UnlinkAt(dirFd, target.name.c_str());
  }
  return why;
}

// Writes `bytes` to a temporary file beside `target` and swaps it in, whole or not at
// all, while a termination request waits. Allocates nothing.
int WriteAndSwapIn(const PathEnd& target, const NewFilePlan& plan, std::string_view bytes) {
  TerminationGuard guard;
  TemporaryFile temp;
  if (int why = CreateTemporary(target.folder.get(), target.name, temp)) return why;
  bool exchanged = false;
  int why = FillTemporary(temp, bytes, target, plan);
  if (why == 0) why = SwapIn(target, temp, exchanged);
  if (why != 0) {
    Sys().UnlinkAt(target.folder.get(), temp.name);
    return why;
  }
  return MakeDurableOrUndo(target, temp, exchanged);
}

// True when an openat2 that refuses every link failed for a reason that the walk name by
// name must look into: a link on the way, or no openat2 here.
bool NeedsTheWalk(int why) {
  return why == ELOOP || why == ENOSYS || why == EPERM || why == EINVAL;
}

// Opens the file at `path` for reading, following links under the rule of the walk.
// Returns 0 or why not.
int OpenForReading(const std::string& path, UniqueFd& fd) {
  // Without O_NONBLOCK, opening a named pipe would wait for a writer.
  constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  fd.reset(Sys().OpenWithoutLinks(path.c_str(), kFlags));  // most paths hold no link
  if (fd.valid()) return 0;
  if (!NeedsTheWalk(errno)) return errno;
  for (const LastName last : {LastName::kAsIs, LastName::kFollow}) {
    PathEnd end;
    if (int why = WalkPath(path, last, O_PATH, end)) return why;
    if (last == LastName::kFollow && !end.exists) return ENOENT;
    fd.reset(Sys().OpenAt(end.folder.get(), end.name.c_str(), kFlags, 0));
    if (fd.valid()) return 0;
    if (errno != ELOOP) return errno;  // ELOOP: the last name is a link; walk along it
  }
  return ELOOP;  // a link was put there while we looked
}

// 0 when `fd` is a regular file, which is the only kind that the editor reads.
int CheckRegularFile(int fd, std::size_t& size) {
  struct stat st;
  if (Sys().Fstat(fd, &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return kErrorNotRegularFile;
  size = static_cast<std::size_t>(st.st_size);
  return 0;
}

// Reads the whole of `fd` into `bytes`. Returns 0, or kErrorNotRegularFile, EISDIR for a
// folder, ENOMEM or the errno of a failed read.
//
// Most profile files fit the first read, so the file's kind is only asked for when that
// read fills its buffer or finds nothing: a folder refuses to be read (EISDIR), and
// pread rather than read makes a named pipe or a terminal refuse as well (ESPIPE)
// instead of handing over data meant for another reader. A read that returns less than
// it was asked for has reached the end of a regular file; the size from fstat is only a
// hint, since the file may change while it is read.
int ReadRegularFile(int fd, FileBytes& bytes) {
  constexpr std::size_t kFirstRead = 16384;
  bool kindKnown = false;
  try {
    std::size_t capacity = kFirstRead;
    bytes.data = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
      if (bytes.size == capacity) {
        std::size_t size = 0;
        if (!kindKnown) {
          if (int why = CheckRegularFile(fd, size)) return why;
        }
        kindKnown = true;
        capacity = size >= capacity ? size + 1 : capacity * 2;
        auto larger = std::make_unique_for_overwrite<char[]>(capacity);
        AdviseLargeBuffer(larger.get(), capacity);
        std::memcpy(larger.get(), bytes.data.get(), bytes.size);
        bytes.data = std::move(larger);
      }
      const std::size_t wanted = capacity - bytes.size;
      const ssize_t n =
          Sys().Pread(fd, bytes.data.get() + bytes.size, wanted, static_cast<off_t>(bytes.size));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno == ESPIPE ? kErrorNotRegularFile : errno;
      bytes.size += static_cast<std::size_t>(n);
      if (static_cast<std::size_t>(n) < wanted) break;
    }
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  }
  std::size_t ignored = 0;
  if (bytes.size > 0 || kindKnown) return 0;
  return CheckRegularFile(fd, ignored);  // empty, or a device?
}

}  // namespace

std::string NativePath(std::u16string_view path) {
  std::string native = Utf16ToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

std::string ErrorText(int error) {
  switch (error) {
    case kErrorForeignLink:
      return "a symbolic link that belongs to another user";
    case kErrorNotRegularFile:
      return "not a regular file";
    case kErrorReadOnlyFile:
      return "the file is read-only";
    default:
      return std::strerror(error);
  }
}

ReadOutcome ReadWholeFile(std::u16string_view path, FileBytes& bytes, int* error) {
  Reason reason(error);
  bytes = FileBytes{};
  UniqueFd fd;
  try {
    if (int why = OpenForReading(NativePath(path), fd)) {
      reason.Set(why);
      return (why == ENOENT || why == ENOTDIR) ? ReadOutcome::kAbsent : ReadOutcome::kFailed;
    }
  } catch (const std::bad_alloc&) {
    reason.Set(ENOMEM);
    return ReadOutcome::kFailed;
  }
  if (int why = ReadRegularFile(fd.get(), bytes)) {
    reason.Set(why);
    bytes = FileBytes{};
    return ReadOutcome::kFailed;
  }
  return ReadOutcome::kRead;
}

ReadOutcome ReadWholeFile(std::u16string_view path, std::string& bytes, int* error) {
  bytes.clear();
  FileBytes whole;
  const ReadOutcome outcome = ReadWholeFile(path, whole, error);
  if (outcome != ReadOutcome::kRead) return outcome;
  try {
    bytes.assign(whole.data.get(), whole.size);
  } catch (const std::bad_alloc&) {
    if (error != nullptr) *error = ENOMEM;
    return ReadOutcome::kFailed;
  }
  return outcome;
}

Status ReplaceFileSafely(std::u16string_view path, std::string_view bytes, int* error) {
  Reason reason(error);
  // Everything that allocates happens before the temporary file exists, so running out
  // of memory can leave nothing behind.
  PathEnd target;
  NewFilePlan plan;
  try {
    int why = WalkPath(NativePath(path), LastName::kFollow, O_RDONLY, target);
    if (why == 0) why = CheckReplaceable(target);
    if (why == 0 && !target.exists) why = PlanNewFile(target.folder.get(), plan);
    if (why != 0) {
      reason.Set(why);
      return kGeneralFailure;
    }
  } catch (const std::bad_alloc&) {
    reason.Set(ENOMEM);
    return kGeneralFailure;
  }
  if (int why = WriteAndSwapIn(target, plan, bytes)) {
    reason.Set(why);
    return kGeneralFailure;
  }
  return 0;
}

Status CreateFileSafely(std::u16string_view path, std::string_view bytes, int* error) {
  Reason reason(error);
  PathEnd target;
  NewFilePlan plan;
  try {
    int why = WalkPath(NativePath(path), LastName::kAsIs, O_RDONLY, target);
    struct stat st;
    if (why == 0 && Sys().StatAt(target.folder.get(), target.name.c_str(), &st, false) == 0) {
      why = EEXIST;  // a dangling link too: creating through it would write elsewhere
    } else if (why == 0 && errno != ENOENT) {
      why = errno;
    }
    if (why == 0) why = PlanNewFile(target.folder.get(), plan);
    if (why != 0) {
      reason.Set(why);
      return kGeneralFailure;
    }
  } catch (const std::bad_alloc&) {
    reason.Set(ENOMEM);
    return kGeneralFailure;
  }
  if (int why = WriteAndSwapIn(target, plan, bytes)) {
    reason.Set(why);
    return kGeneralFailure;
  }
  return 0;
}

std::int32_t GetFileAttributes(std::u16string_view path) {
  struct stat st;
  if (Sys().Stat(NativePath(path).c_str(), &st) != 0) return kInvalidAttributes;
  std::int32_t attributes = S_ISDIR(st.st_mode) ? kAttributeDirectory : kAttributeNormal;
  if ((st.st_mode & 0222) == 0) attributes |= kAttributeReadOnly;
  return attributes;
}

bool CreateOneFolder(std::u16string_view path) {
  return Sys().Mkdir(NativePath(path).c_str(), 0777) == 0;
}

bool DeleteOneFile(std::u16string_view path, int* error) {
  Reason reason(error);
  PathEnd target;
  try {
    if (int why = WalkPath(NativePath(path), LastName::kAsIs, O_PATH, target)) {
      reason.Set(why);
      return false;
    }
  } catch (const std::bad_alloc&) {
    reason.Set(ENOMEM);
    return false;
  }
  if (Sys().UnlinkAt(target.folder.get(), target.name.c_str()) == 0) return true;
  reason.Set(errno);
  return false;
}

bool CreateNewFile(std::u16string_view path) {
  const int fd =
      Sys().Open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  Sys().Close(fd);
  return true;
}

}  // namespace tirv
