#include "platform/temporary_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/files.h"

namespace tirv {
namespace {

constexpr char kSuffix[] = ".tmp-";
// "." + name + ".tmp-" + two digits.
constexpr std::size_t kRoomForName = NAME_MAX - 1 - (sizeof kSuffix - 1) - 2;
// Of a name too long for that: the first bytes, "~" and 16 hex digits of a hash.
constexpr std::size_t kRoomForCutName = kRoomForName - 1 - 16;

std::uint64_t HashOf(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// The length of the longest start of `text` within `room` bytes that ends at a UTF-8
// character boundary, so that a cut name stays valid text.
std::size_t CutAtCharacter(std::string_view text, std::size_t room) {
  std::size_t n = room;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return n;
}

bool IsOlderThanASecond(const struct stat& st) {
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec - st.st_ctim.tv_sec > 1 ||
         (now.tv_sec - st.st_ctim.tv_sec == 1 && now.tv_nsec >= st.st_ctim.tv_nsec);
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

// Removes the temporary `name` when its writer is gone: nobody holds its lock and, where
// temporaries are named before they are locked, it is older than the moment between the
// two. The ctime is what counts there, since creating the file and swapping it in both
// renew it. True when the name is free now.
bool RemoveIfLeftBehind(int dirFd, const char* name, bool bornLocked) {
  struct stat named;
  if (Sys().StatAt(dirFd, name, &named, false) != 0) return errno == ENOENT;
  UniqueFd fd(Sys().OpenAt(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
  if (!fd.valid()) return errno == ENOENT;
  struct stat held;
  if (Sys().Flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;  // its writer is alive
  if (Sys().Fstat(fd.get(), &held) != 0 || !S_ISREG(held.st_mode)) return false;
  if (!bornLocked && !IsOlderThanASecond(held)) return false;
  // The name may lead to another file by now; only the one inspected goes.
  if (Sys().StatAt(dirFd, name, &named, false) != 0 || !SameFile(named, held)) return false;
  return Sys().UnlinkAt(dirFd, name) == 0;
}

// Removes the dead temporaries of `target`. The number of the first free name, or -1.
int RemoveDeadTemporaries(int dirFd, std::string_view target, bool bornLocked) {
  int firstFree = -1;
  char name[NAME_MAX + 1];
  for (int k = 0; k < kMaxTemporaries; ++k) {
    TemporaryName(target, k, name);
    if (RemoveIfLeftBehind(dirFd, name, bornLocked) && firstFree < 0) firstFree = k;
  }
  return firstFree;
}

// Creates the temporary `name` and locks it. 0 on success; EEXIST when the name is taken
// (or was taken from us before we held the lock); else the errno of the failure.
int CreateAndLock(int dirFd, const char* name, TemporaryFile& temp) {
  temp.fd.reset(
      Sys().OpenAt(dirFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!temp.fd.valid()) return errno;
  struct stat st;
  // Someone judging the name at this very moment holds the lock for a moment; the file
  // then ages into one left behind, and the next write of the target removes it.
  const bool locked = Sys().Flock(temp.fd.get(), LOCK_EX | LOCK_NB) == 0;
  if (locked && Sys().Fstat(temp.fd.get(), &st) != 0) {
    const int why = errno;
    Sys().UnlinkAt(dirFd, name);
    temp.fd.reset();
    return why;
  }
  // No link left means that a process judged us dead while we stood still between
  // creating and locking, and removed the name: it may lead to another file by now.
  if (!locked || st.st_nlink == 0) {
    temp.fd.reset();
    return EEXIST;
  }
  std::memcpy(temp.name, name, std::strlen(name) + 1);
  return 0;
}

// Where no file can be made without a name: the first free name, made and locked.
int CreateNamed(int dirFd, std::string_view target, TemporaryFile& temp) {
  const int firstFree = RemoveDeadTemporaries(dirFd, target, false);
  if (firstFree < 0) return kErrorNoTemporaryName;
  char name[NAME_MAX + 1];
  for (int k = firstFree; k < kMaxTemporaries; ++k) {
    TemporaryName(target, k, name);
    const int why = CreateAndLock(dirFd, name, temp);
    if (why != EEXIST) return why;
  }
  return kErrorNoTemporaryName;
}

bool NoNamelessFilesHere(int why) {
  return why == EOPNOTSUPP || why == EISDIR || why == EINVAL || why == ENOTSUP;
}

}  // namespace

void TemporaryName(std::string_view target, int k, char (&name)[NAME_MAX + 1]) {
  if (target.size() <= kRoomForName) {
    std::snprintf(name, sizeof name, ".%.*s%s%d", static_cast<int>(target.size()), target.data(),
                  kSuffix, k);
    return;
  }
  const std::size_t cut = CutAtCharacter(target, kRoomForCutName);
  std::snprintf(name, sizeof name, ".%.*s~%016llx%s%d", static_cast<int>(cut), target.data(),
                static_cast<unsigned long long>(HashOf(target)), kSuffix, k);
}

int OpenTemporary(int dirFd, std::string_view target, TemporaryFile& temp) {
  temp.name[0] = '\0';
  temp.bornLocked = false;
  temp.fd.reset(Sys().OpenAt(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (!temp.fd.valid()) {
    const int why = errno;
    // A folder that was removed refuses with EPERM; the reason that tells is its absence.
    struct stat folder;
    if (Sys().Fstat(dirFd, &folder) == 0 && folder.st_nlink == 0) return ENOENT;
    if (!NoNamelessFilesHere(why)) return why;
    return CreateNamed(dirFd, target, temp);
  }
  // Nobody else can reach a file without a name: the lock is ours at once.
  if (Sys().Flock(temp.fd.get(), LOCK_EX | LOCK_NB) != 0) {
    const int why = errno;
    temp.fd.reset();
    return why;
  }
  temp.bornLocked = true;
  return 0;
}

int NameTemporary(int dirFd, std::string_view target, TemporaryFile& temp) {
  if (temp.name[0] != '\0') return 0;
  const int firstFree = RemoveDeadTemporaries(dirFd, target, true);
  if (firstFree < 0) return kErrorNoTemporaryName;
  char name[NAME_MAX + 1];
  for (int k = firstFree; k < kMaxTemporaries; ++k) {
    TemporaryName(target, k, name);
    if (Sys().LinkOpenFile(temp.fd.get(), dirFd, name) == 0) {
      std::memcpy(temp.name, name, std::strlen(name) + 1);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return kErrorNoTemporaryName;
}

}  // namespace tirv
