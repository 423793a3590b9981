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
      // A read returns at most about 2 GiB, so a short read of a smaller request is the end.
      constexpr std::size_t kMostPerRead = std::size_t{1} << 30;
      const std::size_t wanted =
          capacity - bytes.size < kMostPerRead ? capacity - bytes.size : kMostPerRead;
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

std::string NativePath(std::u16string_view path) { return Utf16ToUtf8(path); }

std::string ErrorText(int error) {
  switch (error) {
    case kErrorForeignLink:
      return "a symbolic link that belongs to another user";
    case kErrorNotRegularFile:
      return "not a regular file";
    case kErrorReadOnlyFile:
      return "the file is read-only";
    case kErrorTooLarge:
      return "the file is too large";
    case kErrorReplacedMeanwhile:
      return "another program put a different file in its place while it was being written";
    case kErrorNoTemporaryName:
      return "every name for its temporary file is taken, by a save in progress or by files "
             "left behind that belong to another user";
    case kErrorNotOneName:
      return "not the name of a file in the folder";
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
  FolderEntry target;
  try {
    PathEnd end;
    if (int why = WalkPath(NativePath(path), LastName::kFollow, O_RDONLY, end)) {
      reason.Set(why);
      return kGeneralFailure;
    }
    target.ownFolder = std::move(end.folder);
    target.folder = target.ownFolder.get();
    target.name = std::move(end.name);
  } catch (const std::bad_alloc&) {
    reason.Set(ENOMEM);
    return kGeneralFailure;
  }
  // The file is opened to know it for what it is; one we may not read is known by its
  // place alone, which still names it (O_PATH).
  target.file.reset(Sys().OpenAt(target.folder, target.name.c_str(),
                                 O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
  if (!target.file.valid() && errno == EACCES) {
    target.file.reset(
        Sys().OpenAt(target.folder, target.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC, 0));
  }
  if (!target.file.valid() && errno != ENOENT) {
    reason.Set(errno);
    return kGeneralFailure;
  }
  if (target.exists() && Sys().Fstat(target.file.get(), &target.st) != 0) {
    reason.Set(errno);
    return kGeneralFailure;
  }
  if (int why = ReplaceEntry(target, bytes)) {
    reason.Set(why);
    return kGeneralFailure;
  }
  return 0;
}

Status CreateFileSafely(std::u16string_view path, std::string_view bytes, int* error) {
  Reason reason(error);
  PathEnd target;
  try {
    if (int why = WalkPath(NativePath(path), LastName::kAsIs, O_RDONLY, target)) {
      reason.Set(why);
      return kGeneralFailure;
    }
  } catch (const std::bad_alloc&) {
    reason.Set(ENOMEM);
    return kGeneralFailure;
  }
  if (int why = CreateEntry(target.folder.get(), target.name, bytes)) {
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
