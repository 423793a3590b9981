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

#include "status.h"

namespace tirv {

/// The path as the file system takes it: UTF-8, every "\" turned into "/".
std::string NativePath(std::u16string_view path);

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
/// pipe or a device is kFailed), and running out of memory is kFailed too. On kAbsent
/// and kFailed `bytes` is empty.
ReadOutcome ReadWholeFile(std::u16string_view path, FileBytes& bytes);
/// The same into a string.
ReadOutcome ReadWholeFile(std::u16string_view path, std::string& bytes);

/// Replaces the file at `path` with `bytes` so that, whatever happens, the file holds
/// either its old or its new content in full. A symbolic link is followed and stays a
/// link; the new file gets the old one's permission bits (and owner, where allowed).
/// The content goes to a temporary file beside the real target, whose name never ends
/// in ".opc", is flushed, swapped in, and the folder is flushed. Returns 0, or
/// kGeneralFailure with the old file byte for byte as it was and no temporary file left.
/// The folder's permission decides, except that a read-only file (no write permission for
/// anyone) is refused so.
Status ReplaceFileSafely(std::u16string_view path, std::string_view bytes);

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

/// Deletes one file. False when it could not (absent, a folder, no permission).
bool DeleteOneFile(std::u16string_view path);

/// Creates an empty file only if nothing of that name exists. False otherwise.
bool CreateNewFile(std::u16string_view path);

}  // namespace tirv
