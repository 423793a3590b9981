#include "platform/temporary_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

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

// Removes the temporary `name` when its writer is gone: nobody holds its lock, and it is
// older than the moment between creating and locking. The ctime is what counts, since
// creating the file and swapping it in both renew it. True when the name is free now.
bool RemoveIfLeftBehind(int dirFd, const char* name) {
  UniqueFd fd(Sys().OpenAt(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
  if (!fd.valid()) return errno == ENOENT;
  struct stat held;
  struct stat named;
  if (Sys().Flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;  // its writer is alive
  if (Sys().Fstat(fd.get(), &held) != 0 || !S_ISREG(held.st_mode) || !IsOlderThanASecond(held)) {
    return false;
  }
  if (Sys().StatAt(dirFd, name, &named, false) != 0 || named.st_ino != held.st_ino ||
      named.st_dev != held.st_dev) {
    return false;
  }
  return Sys().UnlinkAt(dirFd, name) == 0;
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

int CreateTemporary(int dirFd, std::string_view target, TemporaryFile& temp) {
  char name[NAME_MAX + 1];
  for (int k = 0; k < kMaxTemporaries; ++k) {
    TemporaryName(target, k, name);
    int why = CreateAndLock(dirFd, name, temp);
    if (why == EEXIST && RemoveIfLeftBehind(dirFd, name)) why = CreateAndLock(dirFd, name, temp);
    if (why != EEXIST) return why;
  }
  return EEXIST;
}

}  // namespace tirv
