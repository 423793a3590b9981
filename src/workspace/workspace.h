// The workspace: one open folder of resource files that the editor, the command line
// and the colleagues of a group share.
//
// The folder is opened once, and every resource file is addressed by its one name in it,
// never by a joined path: a name read from the folder is one name ("\" is an ordinary
// character of it), so no name leads out of the folder and nothing on the way can be
// swapped between a check and its use. Every change (write, create, delete) is made
// under one lock of the whole workspace (flock on the folder), held across reading,
// checking and replacing, so that a change is made on the current bytes or refused. A
// lock that another program holds for longer than the wait is a refusal (kBusy), never
// a wait without end.
//
// Nothing here shows anything: every call returns what happened, and the reasons are
// told by DescribeProblem (resource_file.h) and DescribeLocation (location.h).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files.h"
#include "platform/unique_fd.h"
#include "resources/resource_file.h"
#include "resources/resource_record.h"

namespace tirv {

/// How long a change waits for another program's change to end.
inline constexpr int kLockWaitMs = 5000;

/// How a search of the folder's "*.opc" entries ended.
struct SearchEnd {
  std::size_t found = 0;  ///< entries handed on
  /// The search failed part-way or could not be closed; `error` says why.
  bool failed = false;
  int error = 0;
};

enum class LookupOutcome {
  kFound,          ///< `reading` holds the resource
  kNoSuchName,     ///< no file of the folder is listed under the name
  kInvalid,        ///< files are listed under the name, none valid: `reading` is the first
  kListingFailed,  ///< the folder could not be listed to the end: `error` says why
};

struct ResourceLookup {
  LookupOutcome outcome = LookupOutcome::kNoSuchName;
  ResourceFileReading reading;
  int error = 0;
};

/// The folder's "*.opc" names by the entry text they are listed under, in listing order,
/// made by the first Find that needs it and used by every later one: many lookups cost
/// one listing of the folder, not one each.
struct EntryListing {
  bool made = false;
  std::unordered_map<std::u16string, std::vector<std::u16string>> byEntry;
  SearchEnd end;
};

/// What a write did with one record.
enum class WriteOutcome {
  kUnchanged,  ///< its values are those last read or written: nothing was done
  kWritten,    ///< its file was replaced
  kOnDisk,     ///< its file already held exactly these bytes: nothing was written
  kConflict,   ///< its file changed (or vanished) on disk since: nothing was written
  kFailed,     ///< nothing was written; `problem` says why
};

struct WriteResult {
  WriteOutcome outcome = WriteOutcome::kUnchanged;
  ResourceProblem problem;
  bool vanished = false;  ///< (kConflict) the file was deleted, not changed
};

class Workspace;

/// Holds the workspace's lock for as long as it lives, so that what the holder reads and
/// then writes is one change: the writes made meanwhile take the lock no second time.
class WorkspaceLock {
 public:
  explicit WorkspaceLock(Workspace& workspace);
  ~WorkspaceLock();
  WorkspaceLock(const WorkspaceLock&) = delete;
  WorkspaceLock& operator=(const WorkspaceLock&) = delete;

  /// kBusy when another program held the lock longer than the wait, kSystem when the
  /// workspace is not open or the lock failed; ok() when it is held.
  const ResourceProblem& problem() const { return problem_; }
  bool held() const { return problem_.ok(); }

 private:
  Workspace& workspace_;
  ResourceProblem problem_;
};

class Workspace {
 public:
  Workspace() = default;
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  /// Opens the folder `folder` (links on the way followed only under the rule of
  /// path_walk.h), for every later call; a change waits at most `lockWaitMs` for
  /// another's. Returns 0 or why not (ENOENT, ENOTDIR, EACCES...). A workspace that is not
  /// open lists nothing, and every change fails with that reason.
  int Open(std::u16string_view folder, int lockWaitMs = kLockWaitMs);
  bool isOpen() const { return fd_.valid(); }
  /// The folder as it was given.
  const std::u16string& folder() const { return folder_; }

  /// Hands each entry whose name matches "*.opc" (letter case ignored; folders and other
  /// entries of such a name included) to `each`, in the order the file system returns
  /// them, without holding them all.
  SearchEnd ForEachResourceFile(const std::function<void(std::u16string_view)>& each) const;

  /// Reads the resource file `fileName`, one name in the folder: a file larger than
  /// schema::kMaxFileSize is refused unread (kTooLarge).
  ResourceFileReading Read(std::u16string_view fileName) const;

  /// The bytes of the file `fileName` as Read reads them, for showing a file whole: 0,
  /// or why not (an errno, kErrorTooLarge, kErrorNotRegularFile...).
  int ReadBytes(std::u16string_view fileName, FileBytes& bytes) const;

  /// The resource that the Resource combo entry `name` stands for: NAME.opc when it is a
  /// valid resource file (then it is the only file read and the folder is not listed),
  /// else the first valid file, in the order the folder lists them, whose entry text is
  /// NAME (such as NAME.OPC or NAME.old.opc). A name that holds "." or "/" finds nothing.
  /// With `listing`, the folder is listed at most once for all the calls that share it.
  ResourceLookup Find(std::u16string_view name, EntryListing* listing = nullptr) const;

  /// Writes the record into its file, when it changed since `baseline`: only the values
  /// that changed are set (resource_file.h). Under the lock, the file is read, compared
  /// with `baseline` and replaced by one safe replace; when it changed or vanished on
  /// disk meanwhile, it is replaced (or made again) only with `replaceChangedFile`, else
  /// kConflict. A value the file cannot hold is refused before anything is read. On
  /// kWritten and kOnDisk `baseline` tells what the file holds now.
  WriteResult Write(const ResourceRecord& record, RecordBaseline& baseline,
                    bool replaceChangedFile);

  /// Creates the file of a new resource `resourceName` (without extension), whole or not
  /// at all, with the layout of a new resource file: kExists when any file of that name
  /// exists. On success `baseline` (when given) says what it holds.
  ResourceProblem Create(std::u16string_view resourceName, RecordBaseline* baseline = nullptr);

  /// Deletes the file `fileName` (a symbolic link itself).
  ResourceProblem Delete(std::u16string_view fileName);

  /// True once a change could not be written to the change log (system_log.h).
  bool logFailed() const { return logFailed_; }

 private:
  friend class WorkspaceLock;
  ResourceProblem Acquire();
  void Release();
  void Log(std::string_view action, std::u16string_view fileName, std::string_view what);

  std::u16string folder_;
  std::string fullPath_;  ///< the folder's full path, for the change log
  UniqueFd fd_;
  int openError_ = 0;
  int lockWaitMs_ = kLockWaitMs;
  ExclusiveLock lock_;
  int lockHolders_ = 0;
  bool logFailed_ = false;
};

}  // namespace tirv
