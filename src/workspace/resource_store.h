// The records of one workspace, each with what its file held when this program last read
// or wrote it: the editor's whole state of the files, and what a save writes from.
//
// Only records whose values changed since then are written, each with one safe replace
// under the workspace's lock, and a file that changed on disk meanwhile is replaced only
// when the caller agrees.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/resource_file.h"
#include "resources/resource_record.h"
#include "workspace/workspace.h"

namespace tirv {

/// What saving every changed record did.
struct SaveReport {
  /// kGeneralFailure when the list is empty, when no record has a port kind of 0..6,
  /// or when a record could not be written; 0 otherwise.
  Status status = kGeneralFailure;
  /// The records that could not be written, with why, in list order.
  std::vector<std::pair<std::u16string, ResourceProblem>> failures;
  /// The records whose changed file the caller chose to leave: still changed here.
  std::vector<std::u16string> keptOnDisk;
};

/// Asked for a record whose file changed (or, with `vanished`, was deleted) on disk since
/// it was read: true writes ours (a deleted file is made again), false leaves theirs.
using ReplaceQuestion = std::function<bool(const ResourceRecord& record, bool vanished)>;

class ResourceStore {
 public:
  /// A store on the workspace folder `folder` (opened at once), or on none yet.
  explicit ResourceStore(std::u16string_view folder = {});

  /// Opens `folder` as the store's workspace; 0 or why not (Workspace::Open).
  int Open(std::u16string_view folder, int lockWaitMs = kLockWaitMs);
  Workspace& workspace() { return workspace_; }
  const Workspace& workspace() const { return workspace_; }
  const std::u16string& folder() const { return workspace_.folder(); }

  ResourceList& records() { return records_; }
  const ResourceList& records() const { return records_; }

  /// Appends the record that `reading` gave, with what its file held.
  ResourceList::Position Adopt(const ResourceFileReading& reading);
  ResourceList::Position Adopt(ResourceFileReading&& reading);
  /// Appends `record` with `baseline` (an empty one: its file does not hold it yet, and
  /// the next save writes it).
  ResourceList::Position Append(const ResourceRecord& record, RecordBaseline baseline = {});

  /// True when the record's values differ from those last read from or written to its
  /// file.
  bool IsChanged(ResourceList::ConstPosition record) const;

  /// Writes the record into its file (Workspace::Write).
  WriteResult Write(ResourceList::Position record, bool replaceChangedFile);

  /// Writes every changed record, in list order. For each one whose file changed or
  /// vanished on disk, `replace` decides (true: write ours; false: leave theirs, ours
  /// stays changed). Goes on after a failure.
  SaveReport SaveChanged(const ReplaceQuestion& replace);

  /// Creates the file of a new resource (Workspace::Create).
  ResourceProblem CreateFile(std::u16string_view resourceName, RecordBaseline* baseline = nullptr);

  /// Deletes the file `fileName`; the records stay as they are.
  ResourceProblem DeleteFile(std::u16string_view fileName);

 private:
  Workspace workspace_;
  ResourceList records_;
};

}  // namespace tirv
