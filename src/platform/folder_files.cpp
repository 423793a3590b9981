// Files addressed by one name in an open folder: opening, reading whole, and the safe
// replace that every write of the program goes through.
#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <limits.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/access_rights.h"
#include "platform/files.h"
#include "platform/path_walk.h"
#include "platform/syscalls.h"
#include "platform/temporary_file.h"
#include "platform/termination.h"

namespace tirv {
namespace {

// Without O_NONBLOCK, opening a named pipe would wait for a writer.
constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

bool IsOneName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// Makes `entry` the name `name` of `dirFd`, with nothing open yet.
int NameEntry(int dirFd, std::string_view name, FolderEntry& entry) {
  entry.file.reset();
  entry.ownFolder.reset();
  entry.folder = dirFd;
  if (!IsOneName(name)) return kErrorNotOneName;
  try {
    entry.name.assign(name);
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  }
  return 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

// 0 when `name` in `dirFd` is the file described by `st` (and not a link to it),
// kErrorReplacedMeanwhile when it is another, or why it cannot be told.
int CheckNameLeadsTo(int dirFd, const char* name, const struct stat& st) {
  struct stat now;
  if (Sys().StatAt(dirFd, name, &now, false) != 0) return errno;
  return SameFile(now, st) ? 0 : kErrorReplacedMeanwhile;
}

// Removes `name` from `dirFd` while it is the file described by `st`; a second try keeps a
// passing hiccup from leaving the file behind.
void RemoveWhileItIs(int dirFd, const char* name, const struct stat& st) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int why = CheckNameLeadsTo(dirFd, name, st);
    if (why == kErrorReplacedMeanwhile || why == ENOENT) return;
    if (why == 0 && Sys().UnlinkAt(dirFd, name) == 0) return;
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = Sys().Write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Follows the symbolic link `name` of `dirFd` under the rule of the walk, and opens what
// it finally names.
int OpenThroughLink(int dirFd, const std::string& name, FolderEntry& entry) {
  UniqueFd start(Sys().OpenAt(dirFd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC, 0));
  if (!start.valid()) return errno;
  PathEnd end;
  try {
    if (int why = WalkName(std::move(start), name, LastName::kFollow, O_RDONLY, end)) return why;
    entry.name = std::move(end.name);
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  }
  entry.ownFolder = std::move(end.folder);
  entry.folder = entry.ownFolder.get();
  if (!end.exists) return ENOENT;
  // A link put at the end meanwhile makes this fail (ELOOP): a refusal, never a detour.
  entry.file.reset(Sys().OpenAt(entry.folder, entry.name.c_str(), kReadFlags, 0));
  if (!entry.file.valid()) return errno;
  return Sys().Fstat(entry.file.get(), &entry.st) == 0 ? 0 : errno;
}

// Only a regular file is replaced. The swap needs only the folder's permission, which
// lets a group share a workspace; a file that no one may write is read-only and stays.
int CheckReplaceable(const FolderEntry& target) {
  if (!target.exists()) return 0;
  if (!S_ISREG(target.st.st_mode)) return kErrorNotRegularFile;
  if ((target.st.st_mode & 0222) == 0) return kErrorReadOnlyFile;
  return 0;
}

// Writes the whole content into the temporary file with its final rights, and flushes it.
int FillTemporary(const TemporaryFile& temp, std::string_view bytes, const FileRights& rights) {
  if (int why = rights.PrepareWhileWritten(temp.fd.get())) return why;
  if (!WriteAll(temp.fd.get(), bytes)) return errno;
  if (int why = rights.ApplyTo(temp.fd.get())) return why;
  return Sys().Fsync(temp.fd.get()) == 0 ? 0 : errno;
}

bool CannotSwapHere(int why) { return why == EINVAL || why == ENOSYS || why == EOPNOTSUPP; }

// Puts the named temporary file in place of the target. An existing target is exchanged,
// so that the old file sits under the temporary name (`exchanged`) and can be swapped
// back; when what came out is not the file that was opened, the exchange is undone. A
// new one is moved in only if the name is still free: neither a colleague's file created
// meanwhile nor a link planted there is ever replaced.
int SwapIn(const FolderEntry& target, const TemporaryFile& temp, bool& exchanged) {
  const int dirFd = target.folder;
  const char* name = target.name.c_str();
  exchanged = false;
  if (target.exists()) {
    if (Sys().ExchangeAt(dirFd, temp.name, name) == 0) {
      const int why = CheckNameLeadsTo(dirFd, temp.name, target.st);
      if (why == 0) {
        exchanged = true;
        return 0;
      }
      Sys().ExchangeAt(dirFd, temp.name, name);
      return why;
    }
    if (!CannotSwapHere(errno)) return errno;
    if (int why = CheckNameLeadsTo(dirFd, name, target.st)) return why;
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
// closed first, and a close that reports an error is taken as seriously as a failed
// flush. `written` describes the new file, so that only it is ever taken back.
int MakeDurableOrUndo(const FolderEntry& target, TemporaryFile& temp, bool exchanged,
                      const struct stat& written) {
  const int dirFd = target.folder;
  int why = Sys().Close(temp.fd.release()) == 0 ? 0 : errno;
  if (why == 0 && Sys().Fsync(dirFd) != 0) why = errno;
  if (why == 0) {
    // The old file now sits under the temporary name, still locked by the caller's
    // descriptor, so nobody else takes it away meanwhile.
    if (exchanged) RemoveWhileItIs(dirFd, temp.name, target.st);
    return 0;
  }
  if (exchanged) {
    Sys().ExchangeAt(dirFd, temp.name, target.name.c_str());
    RemoveWhileItIs(dirFd, temp.name, written);
  } else if (!target.exists()) {
    RemoveWhileItIs(dirFd, target.name.c_str(), written);
  }
  return why;
}

// Undoes what a failed write made: the temporary file, if it got a name.
int DropTemporary(const FolderEntry& target, const TemporaryFile& temp, int why) {
  if (temp.name[0] != '\0') Sys().UnlinkAt(target.folder, temp.name);
  return why;
}

// Writes `bytes` to a temporary file beside `target` and swaps it in, whole or not at
// all, while a termination request waits. Allocates nothing.
int WriteAndSwapIn(const FolderEntry& target, const FileRights& rights, std::string_view bytes) {
  TerminationGuard guard;
  TemporaryFile temp;
  if (int why = OpenTemporary(target.folder, target.name, temp)) return why;
  struct stat written;
  int why = FillTemporary(temp, bytes, rights);
  if (why == 0 && Sys().Fstat(temp.fd.get(), &written) != 0) why = errno;
  if (why == 0) why = NameTemporary(target.folder, target.name, temp);
  if (why != 0) return DropTemporary(target, temp, why);
  // Held until the old file is gone again, so that nobody takes it for a leftover while
  // it sits under the temporary name. A reader that holds it makes no difference.
  if (target.exists()) Sys().Flock(target.file.get(), LOCK_EX | LOCK_NB);
  bool exchanged = false;
  why = SwapIn(target, temp, exchanged);
  if (why != 0) return DropTemporary(target, temp, why);
  return MakeDurableOrUndo(target, temp, exchanged, written);
}

}  // namespace

int OpenEntry(int dirFd, std::string_view name, FolderEntry& entry) {
  if (int why = NameEntry(dirFd, name, entry)) return why;
  entry.file.reset(Sys().OpenAt(dirFd, entry.name.c_str(), kReadFlags, 0));
  if (entry.file.valid()) return Sys().Fstat(entry.file.get(), &entry.st) == 0 ? 0 : errno;
  if (errno != ELOOP) return errno;
  return OpenThroughLink(dirFd, std::string(name), entry);
}

int ReadEntry(const FolderEntry& entry, std::size_t limit, FileBytes& bytes) {
  bytes = FileBytes{};
  if (!entry.exists()) return ENOENT;
  if (S_ISDIR(entry.st.st_mode)) return EISDIR;
  if (!S_ISREG(entry.st.st_mode)) return kErrorNotRegularFile;
  if (static_cast<std::uint64_t>(entry.st.st_size) > limit) return kErrorTooLarge;
  // Each read asks for at most limit + 1 bytes, far below what one read may return, so a
  // short read is the end of the file; one more byte than the limit tells a file that grew.
  std::size_t capacity = static_cast<std::size_t>(entry.st.st_size) + 1;
  try {
    bytes.data = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
      const std::size_t wanted = capacity - bytes.size;
      const ssize_t n = Sys().Pread(entry.file.get(), bytes.data.get() + bytes.size, wanted,
                                    static_cast<off_t>(bytes.size));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      bytes.size += static_cast<std::size_t>(n);
      if (bytes.size > limit) return kErrorTooLarge;
      if (static_cast<std::size_t>(n) < wanted) return 0;
      const std::size_t larger = capacity * 2 > limit + 1 ? limit + 1 : capacity * 2;
      auto grown = std::make_unique_for_overwrite<char[]>(larger);
      std::memcpy(grown.get(), bytes.data.get(), bytes.size);
      bytes.data = std::move(grown);
      capacity = larger;
    }
  } catch (const std::bad_alloc&) {
    bytes = FileBytes{};
    return ENOMEM;
  }
}

int ReplaceEntry(const FolderEntry& entry, std::string_view bytes) {
  if (int why = CheckReplaceable(entry)) return why;
  FileRights rights;
  const int why =
      entry.exists() ? rights.TakeFrom(entry.file.get(), entry.st) : rights.PlanNew(entry.folder);
  if (why != 0) return why;
  return WriteAndSwapIn(entry, rights, bytes);
}

int CreateEntry(int dirFd, std::string_view name, std::string_view bytes) {
  FolderEntry entry;
  if (int why = NameEntry(dirFd, name, entry)) return why;
  struct stat st;
  // A dangling link too: creating through it would write elsewhere.
  if (Sys().StatAt(dirFd, entry.name.c_str(), &st, false) == 0) return EEXIST;
  if (errno != ENOENT) return errno;
  FileRights rights;
  if (int why = rights.PlanNew(dirFd)) return why;
  return WriteAndSwapIn(entry, rights, bytes);
}

int DeleteEntry(int dirFd, std::string_view name) {
  if (!IsOneName(name)) return kErrorNotOneName;
  try {
    const std::string own(name);
    return Sys().UnlinkAt(dirFd, own.c_str()) == 0 ? 0 : errno;
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  }
}

int OpenFolder(std::string_view path, UniqueFd& folder) {
  if (path.empty()) return ENOENT;
  PathEnd end;
  try {
    // A name in the folder that is never looked at: the walk ends in the folder itself,
    // whatever names it ("ws", "ws/", ".", "..", "/").
    std::string inside(path);
    inside += "/x";
    if (int why = WalkPath(inside, LastName::kAsIs, O_RDONLY, end)) return why;
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  }
  folder = std::move(end.folder);
  return 0;
}

std::string FullPathOf(int dirFd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", dirFd);
  char path[PATH_MAX];
  const ssize_t n = ::readlink(link, path, sizeof path);
  if (n <= 0 || static_cast<std::size_t>(n) == sizeof path) return {};
  try {
    return std::string(path, static_cast<std::size_t>(n));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

ExclusiveLock::~ExclusiveLock() { Release(); }

void ExclusiveLock::Release() {
  if (fd_ >= 0) Sys().Flock(fd_, LOCK_UN);
  fd_ = -1;
}

int ExclusiveLock::Take(int fd, int milliseconds) {
  constexpr int kStepMs = 20;
  for (int waited = 0;; waited += kStepMs) {
    if (Sys().Flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return 0;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) return errno;
    if (waited >= milliseconds) return EWOULDBLOCK;
    const struct timespec step = {0, kStepMs * 1000000L};
    ::nanosleep(&step, nullptr);
  }
}

}  // namespace tirv
