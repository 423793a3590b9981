#include "files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "memory.h"
#include "syscalls.h"
#include "text.h"

namespace tirv {
namespace {

constexpr int kMaxLinkHops = 40;

void CloseQuietly(int fd) {
  if (fd >= 0) Sys().Close(fd);
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links to the file they finally name, which may not exist yet.
bool ResolveLinks(std::string path, std::string& target) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (Sys().Lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return false;
      target = path;
      return true;
    }
    if (!S_ISLNK(st.st_mode)) {
      target = path;
      return true;
    }
    std::string link(4096, '\0');
    const ssize_t n = Sys().Readlink(path.c_str(), link.data(), link.size());
    if (n < 0 || static_cast<std::size_t>(n) >= link.size()) return false;
    link.resize(static_cast<std::size_t>(n));
    path = (link[0] == '/') ? link : DirectoryOf(path) + "/" + link;
  }
  return false;  // a loop of links
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

// The mode the process's file mode creation mask gives a new file. The mask is read from
// the "Umask:" line of /proc/self/status, because setting it to read it back would change
// it for every thread for a moment; without that line the usual mask 022 is assumed.
mode_t ModeForNewFile() {
  mode_t mask = 022;
  const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char text[4096];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    text[n > 0 ? n : 0] = '\0';
    unsigned value = 0;
    if (const char* line = std::strstr(text, "\nUmask:");
        line != nullptr && std::sscanf(line + 7, "%o", &value) == 1) {
      mask = static_cast<mode_t>(value & 0777);
    }
  }
  return 0666 & ~mask;
}

// A fresh name beside `target` that no other process uses; it never ends in ".opc", so
// the workspace search passes it by even when a killed process leaves it behind.
int CreateTemporaryBeside(const std::string& target, std::string& tempPath) {
  static unsigned long long counter = 0;
  const std::string prefix = DirectoryOf(target) + "/." + BaseNameOf(target) + ".tmp-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    struct timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "%d-%llx-%lx", static_cast<int>(::getpid()), ++counter,
                  static_cast<long>(ts.tv_nsec));
    tempPath = prefix + suffix;
    const int fd = Sys().Open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

struct Target {
  std::string path;
  bool exists = false;
  struct stat st {};
};

// Only a regular file is replaced. The swap needs only the folder's permission, which
// lets a group share a workspace; a file that no one may write is read-only and stays.
bool InspectTarget(std::u16string_view path, Target& target) {
  if (!ResolveLinks(NativePath(path), target.path)) return false;
  if (Sys().Stat(target.path.c_str(), &target.st) != 0) return errno == ENOENT;
  target.exists = true;
  return S_ISREG(target.st.st_mode) && (target.st.st_mode & 0222) != 0;
}

// Writes the complete new content into a flushed, closed temporary file with the final
// permission bits, named in `tempPath`. False with nothing left behind on any failure.
bool WriteTemporary(const Target& target, std::string_view bytes, std::string& tempPath) {
  const int fd = CreateTemporaryBeside(target.path, tempPath);
  if (fd < 0) return false;
  const mode_t mode = target.exists ? (target.st.st_mode & 07777) : ModeForNewFile();
  bool ok = WriteAll(fd, bytes);
  // The owner before the mode: a change of owner clears the set-user-ID and set-group-ID
  // bits. Only root (or, for the group, a member of it) may change them; otherwise the
  // new file keeps our own ids, which is harmless.
  if (ok && target.exists && (target.st.st_uid != ::geteuid() || target.st.st_gid != ::getegid())) {
    Sys().Fchown(fd, target.st.st_uid, target.st.st_gid);
  }
  ok = ok && Sys().Fchmod(fd, mode) == 0;
  ok = ok && Sys().Fsync(fd) == 0;
  ok = (Sys().Close(fd) == 0) && ok;
  if (!ok) Sys().Unlink(tempPath.c_str());
  return ok;
}

// Swaps the temporary file in. With `exchanged` the old content now sits under the
// temporary name and can be swapped back.
bool SwapIn(const Target& target, const std::string& tempPath, bool& exchanged) {
  exchanged = false;
  if (target.exists) {
    if (Sys().Exchange(tempPath.c_str(), target.path.c_str()) == 0) {
      exchanged = true;
      return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  }
  return Sys().Rename(tempPath.c_str(), target.path.c_str()) == 0;
}

// The swap is not durable until the folder is flushed; when that fails the old state is
// put back, so a failure report always means "nothing changed".
bool FlushFolderOrUndo(const Target& target, const std::string& tempPath, int dirFd,
                       bool exchanged) {
  if (Sys().Fsync(dirFd) == 0) {
    // The old version now sits under the temporary name. The save is complete either way;
    // a second try keeps a passing hiccup from leaving it behind.
    if (exchanged && Sys().Unlink(tempPath.c_str()) != 0) Sys().Unlink(tempPath.c_str());
    return true;
  }
  if (exchanged) {
    Sys().Exchange(tempPath.c_str(), target.path.c_str());
    Sys().Unlink(tempPath.c_str());
  } else if (!target.exists) {
    Sys().Unlink(target.path.c_str());
  }
  return false;
}

// True when `fd` is a regular file, which is the only kind that the editor reads.
bool IsRegularFile(int fd, std::size_t& size) {
  struct stat st;
  if (Sys().Fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<std::size_t>(st.st_size);
  return true;
}

// Reads the whole of `fd` into `bytes`; false when it is not a regular file, a read
// fails or memory runs out.
//
// Most profile files fit the first read, so the file's kind is only asked for when that
// read fills its buffer or finds nothing: a folder refuses to be read (EISDIR), and
// pread rather than read makes a named pipe or a terminal refuse as well (ESPIPE)
// instead of handing over data meant for another reader. A read that returns less than
// it was asked for has reached the end of a regular file; the size from fstat is only a
// hint, since the file may change while it is read.
bool ReadRegularFile(int fd, FileBytes& bytes) {
  constexpr std::size_t kFirstRead = 16384;
  bool kindKnown = false;
  try {
    std::size_t capacity = kFirstRead;
    bytes.data = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
      if (bytes.size == capacity) {
        std::size_t size = 0;
        if (!kindKnown && !IsRegularFile(fd, size)) return false;
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
      if (n < 0) return false;
      bytes.size += static_cast<std::size_t>(n);
      if (static_cast<std::size_t>(n) < wanted) break;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::size_t ignored = 0;
  return bytes.size > 0 || kindKnown || IsRegularFile(fd, ignored);  // empty, or a device?
}

}  // namespace

std::string NativePath(std::u16string_view path) {
  std::string native = Utf16ToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

ReadOutcome ReadWholeFile(std::u16string_view path, FileBytes& bytes) {
  bytes = FileBytes{};
  std::string native;
  try {
    native = NativePath(path);
  } catch (const std::bad_alloc&) {
    return ReadOutcome::kFailed;
  }
  // Without O_NONBLOCK, opening a named pipe would wait for a writer.
  const int fd = Sys().Open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
  if (fd < 0) {
    return (errno == ENOENT || errno == ENOTDIR) ? ReadOutcome::kAbsent : ReadOutcome::kFailed;
  }
  const bool complete = ReadRegularFile(fd, bytes);
  CloseQuietly(fd);
  if (!complete) {
    bytes = FileBytes{};
    return ReadOutcome::kFailed;
  }
  return ReadOutcome::kRead;
}

ReadOutcome ReadWholeFile(std::u16string_view path, std::string& bytes) {
  bytes.clear();
  FileBytes whole;
  const ReadOutcome outcome = ReadWholeFile(path, whole);
  if (outcome != ReadOutcome::kRead) return outcome;
  try {
    bytes.assign(whole.data.get(), whole.size);
  } catch (const std::bad_alloc&) {
    return ReadOutcome::kFailed;
  }
  return outcome;
}

Status ReplaceFileSafely(std::u16string_view path, std::string_view bytes) {
  // Every allocation happens before the temporary file exists, so running out of
  // memory can leave nothing behind.
  Target target;
  std::string folder;
  std::string tempPath;
  try {
    if (!InspectTarget(path, target)) return kGeneralFailure;
    folder = DirectoryOf(target.path);
    tempPath.reserve(target.path.size() + 64);
    if (!WriteTemporary(target, bytes, tempPath)) return kGeneralFailure;
  } catch (const std::bad_alloc&) {
    return kGeneralFailure;
  }
  const int dirFd = Sys().Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (dirFd < 0) {
    Sys().Unlink(tempPath.c_str());
    return kGeneralFailure;
  }
  bool exchanged = false;
  if (!SwapIn(target, tempPath, exchanged)) {
    Sys().Unlink(tempPath.c_str());
    CloseQuietly(dirFd);
    return kGeneralFailure;
  }
  const bool durable = FlushFolderOrUndo(target, tempPath, dirFd, exchanged);
  CloseQuietly(dirFd);
  return durable ? 0 : kGeneralFailure;
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

bool DeleteOneFile(std::u16string_view path) { return Sys().Unlink(NativePath(path).c_str()) == 0; }

bool CreateNewFile(std::u16string_view path) {
  const int fd =
      Sys().Open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  CloseQuietly(fd);
  return true;
}

}  // namespace tirv
