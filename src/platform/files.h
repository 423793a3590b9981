// Files and folders on POSIX, addressed by the editor's wide paths.
//
// Paths are UTF-16 in memory and UTF-8 on disk; "\" is accepted as a separator
// everywhere, like "/". Every call opens, uses and closes its file before it returns.
// Failures are reported as results, never as exceptions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace tirv {

/// The path as the file system takes it: UTF-8, every "\" turned into "/".
std::string NativePath(std::u16string_view path);

/// Why a file operation failed: an errno value, or one of the reasons below that the
/// system has no errno for. 0 when nothing failed.
inline constexpr int kErrorForeignLink = 0x10001;     ///< a symbolic link of another user
inline constexpr int kErrorNotRegularFile = 0x10002;  ///< a folder, a named pipe, a device
inline constexpr int kErrorReadOnlyFile = 0x10003;    ///< no one may write the file

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

/// Replaces the file at `path` with `bytes` so that, whatever happens, the file holds
/// either its old or its new content in full. A symbolic link is followed, under the
/// same rule as ReadWholeFile (kErrorForeignLink otherwise, and nothing changes), and
/// stays a link; the new file gets the old one's permission bits (and owner, where
/// allowed). The content goes to a hidden temporary file beside the real target, whose
/// name never ends in ".opc" and fits NAME_MAX for any target name; it is flushed,
/// swapped in, and the folder is flushed, while a termination request waits (see
/// TerminationGuard). A temporary file that a killed writer left for the same target is
/// removed on the way. Returns 0, or kGeneralFailure with the old file byte for byte as
/// it was, no temporary file left, and `error` (when given) telling why. The folder's
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
