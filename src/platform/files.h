// Files and folders on POSIX: by wide path, and by one name in an open folder.
//
// Paths are UTF-16 in memory and UTF-8 on disk, and "/" is their only separator: a "\"
// is an ordinary character of a name. The calls on a name in an open folder address the
// file by that one name, so nothing on the way to the folder can be swapped between a
// check and its use. Every call opens, uses and closes its file before it returns, but
// for the entry that OpenEntry hands to its caller. Failures are reported as results,
// never as exceptions.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "platform/unique_fd.h"

namespace tirv {

/// The path as the file system takes it: UTF-8.
std::string NativePath(std::u16string_view path);

/// Why a file operation failed: an errno value, or one of the reasons below that the
/// system has no errno for. 0 when nothing failed.
inline constexpr int kErrorForeignLink = 0x10001;     ///< a symbolic link of another user
inline constexpr int kErrorNotRegularFile = 0x10002;  ///< a folder, a named pipe, a device
inline constexpr int kErrorReadOnlyFile = 0x10003;    ///< no one may write the file
inline constexpr int kErrorTooLarge = 0x10004;        ///< larger than the reader takes
/// The name led to another file when the new one was swapped in: nothing was changed.
inline constexpr int kErrorReplacedMeanwhile = 0x10005;
/// Every temporary name of the file is held by a live writer, or by a file left by a user
/// whose files we may not judge.
inline constexpr int kErrorNoTemporaryName = 0x10006;
inline constexpr int kErrorNotOneName = 0x10007;  ///< empty, ".", "..", or holds a "/"

/// The reason as a person reads it: strerror's text, or ours ("Permission denied", "a
/// symbolic link that belongs to another user"...).
std::string ErrorText(int error);

enum class ReadOutcome {
  kRead,    ///< `bytes` holds the whole file
  kAbsent,  ///< nothing exists at the path (or a folder on the way is missing)
  kFailed,  ///< it exists but cannot be opened or read: no permission, a folder, a FIFO or
            ///< device, an I/O error
};

/// A whole file in one allocation that is not zero-filled first (files can be large).
struct FileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};

/// Reads the whole file into `bytes`: only a regular file is read (a folder, a named
/// pipe or a device is kFailed), and running out of memory is kFailed too. A symbolic
/// link is followed only when it belongs to the user or to the owner of its folder
/// (the rule of fs.protected_symlinks); any other is kFailed with kErrorForeignLink.
/// On kAbsent and kFailed `bytes` is empty and `error` (when given) tells why.
ReadOutcome ReadWholeFile(std::u16string_view path, FileBytes& bytes, int* error = nullptr);
/// The same into a string.
ReadOutcome ReadWholeFile(std::u16string_view path, std::string& bytes, int* error = nullptr);

/// An entry of an open folder: where it lies, and the file there, opened for reading.
struct FolderEntry {
  int folder = -1;     ///< the folder that holds it: the caller's, or `ownFolder`
  UniqueFd ownFolder;  ///< the folder at the end of a symbolic link, when one was followed
  std::string name;    ///< its name in `folder`
  UniqueFd file;       ///< open for reading; not valid when nothing is at the name
  struct stat st {};   ///< what `file` is

  bool exists() const { return file.valid(); }
};

/// Opens the entry `name` of the open folder `dirFd`. `name` is one name, never a path
/// (kErrorNotOneName). A symbolic link there is followed, hop by hop, only when it
/// belongs to the user or to the owner of the folder that holds it (the rule of
/// path_walk.h; kErrorForeignLink otherwise). Returns 0 with `file` open; ENOENT with
/// `folder` and `name` saying where a new file of that name would go; or why not
/// (EACCES, ELOOP when a link appears while it is opened...).
int OpenEntry(int dirFd, std::string_view name, FolderEntry& entry);

/// Reads the whole of the opened file into `bytes`, when it is a regular file of at most
/// `limit` bytes: its size is checked before anything is read, and a file that grows
/// beyond the limit while it is read is refused too (kErrorTooLarge). EISDIR for a folder,
/// kErrorNotRegularFile for a named pipe or a device, ENOMEM, or the errno of a read.
int ReadEntry(const FolderEntry& entry, std::size_t limit, FileBytes& bytes);

/// Replaces the file that `entry` opened with `bytes`, whole or not at all, as
/// ReplaceFileSafely does. The file that was opened is the file that is replaced: when
/// the name leads to another one by the time the new file is swapped in, the swap is
/// undone and the result is kErrorReplacedMeanwhile. An entry with nothing at its name
/// is created as CreateEntry creates (EEXIST if a file or link takes the name
/// meanwhile). Returns 0 or why not, with nothing changed.
int ReplaceEntry(const FolderEntry& entry, std::string_view bytes);

/// Creates the file `name` of the open folder `dirFd` with `bytes`, whole or not at all,
/// only when nothing of that name exists (a symbolic link, even a dangling one, counts:
/// EEXIST). Rights as CreateFileSafely gives them. Returns 0 or why not.
int CreateEntry(int dirFd, std::string_view name, std::string_view bytes);

/// Deletes the entry `name` of the open folder `dirFd` (a symbolic link itself, never
/// what it leads to). Returns 0 or why not.
int DeleteEntry(int dirFd, std::string_view name);

/// Opens the folder at `path` for reading, following links under the rule of
/// path_walk.h. Returns 0 or why not (ENOTDIR for anything but a folder).
int OpenFolder(std::string_view path, UniqueFd& folder);

/// The full path of the open folder `dirFd`, as the system names it now; empty when it
/// cannot be told.
std::string FullPathOf(int dirFd);

/// An exclusive lock (flock) on an open file, given up when it goes.
class ExclusiveLock {
 public:
  ExclusiveLock() = default;
  ~ExclusiveLock();
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

  /// Takes the lock on `fd`, trying for at most `milliseconds`. Returns 0, EWOULDBLOCK
  /// when somebody held it all that time, or the errno of the failure.
  int Take(int fd, int milliseconds);
  /// Gives the lock up, if it is held.
  void Release();

 private:
  int fd_ = -1;
};

/// Replaces the file at `path` with `bytes` so that, whatever happens, the file holds
/// either its old or its new content in full. A symbolic link is followed, under the
/// same rule as ReadWholeFile (kErrorForeignLink otherwise, and nothing changes), and
/// stays a link; the new file gets the old one's rights (access_rights.h: its permission
/// bits without set-ID bits, its ACL, and its owner where allowed). The content goes to a hidden
/// temporary file beside the real target, whose name never ends in ".opc" and fits NAME_MAX for any
/// target name; it is flushed, swapped in, and the folder is flushed, while a termination request
/// waits (see TerminationGuard). The temporary files that killed writers left for the same target
/// are removed on the way (temporary_file.h). Returns 0, or kGeneralFailure with the old file byte
/// for byte as it was, no temporary file left, and `error` (when given) telling why. The folder's
/// permission decides, except that a read-only file (no write permission for anyone) is
/// refused so.
///
/// A target that does not exist yet is created as CreateFileSafely creates: EEXIST if a
/// file or link takes the name meanwhile.
Status ReplaceFileSafely(std::u16string_view path, std::string_view bytes, int* error = nullptr);

/// Creates the file at `path` with `bytes`, whole or not at all, and only when nothing
/// of that name exists (a symbolic link, even a dangling one, counts as existing:
/// kGeneralFailure with EEXIST, also when it appears while the file is written). The
/// new file gets the mode that the umask allows, and in a folder whose group is not the
/// user's own but the file's (the folder is set-group-ID, or the user belongs to its
/// group) also read and write for that group, and that group. Flushed like
/// ReplaceFileSafely; no temporary file is left on failure.
Status CreateFileSafely(std::u16string_view path, std::string_view bytes, int* error = nullptr);

/// The file attribute bits that GetFileAttributes reports: read-only (no write permission
/// for anyone), folder, and normal (anything that is not a folder).
inline constexpr std::int32_t kAttributeReadOnly = 0x01;
inline constexpr std::int32_t kAttributeDirectory = 0x10;
inline constexpr std::int32_t kAttributeNormal = 0x80;
/// What GetFileAttributes returns when nothing of that name exists.
inline constexpr std::int32_t kInvalidAttributes = -1;

/// kInvalidAttributes when nothing exists at `path`, else its attribute bits.
std::int32_t GetFileAttributes(std::u16string_view path);

/// Creates one folder (no intermediate folders). False when it could not.
bool CreateOneFolder(std::u16string_view path);

/// Deletes one file (a symbolic link itself, not its target; links on the way to it are
/// followed under the rule of ReadWholeFile). False when it could not (absent, a folder,
/// no permission), with `error` (when given) telling why.
bool DeleteOneFile(std::u16string_view path, int* error = nullptr);

/// Creates an empty file only if nothing of that name exists. False otherwise.
bool CreateNewFile(std::u16string_view path);

}  // namespace tirv
