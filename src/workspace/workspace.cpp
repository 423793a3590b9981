#include "workspace/workspace.h"

#include <cerrno>

#include "platform/file_search.h"
#include "platform/system_log.h"
#include "platform/termination.h"
#include "platform/text.h"

namespace tirv {
namespace {

constexpr std::u16string_view kResourcePattern = u"*.opc";

ResourceProblem Problem(ResourceFault fault, int error = 0) {
  return ResourceProblem{fault, error, {}};
}

// A reading that failed before the file's bytes were had.
ResourceFileReading Unreadable(std::u16string_view fileName, int error) {
  ResourceFileReading reading;
  reading.record.name = fileName;
  reading.problem = error == kErrorTooLarge ? Problem(ResourceFault::kTooLarge)
                                            : Problem(ResourceFault::kUnreadable, error);
  return reading;
}

bool IsMissing(const ResourceFileReading& reading) {
  return reading.problem.fault == ResourceFault::kUnreadable && reading.problem.error == ENOENT;
}

// An entry text never holds a dot, and a file name never a "/".
bool CanBeEntry(std::u16string_view name) {
  return !name.empty() && name.find_first_of(u"./") == std::u16string_view::npos;
}

ResourceLookup Found(ResourceFileReading reading) {
  return ResourceLookup{LookupOutcome::kFound, std::move(reading), 0};
}

WriteResult Failure(ResourceProblem problem) {
  return WriteResult{WriteOutcome::kFailed, std::move(problem)};
}

}  // namespace

int Workspace::Open(std::u16string_view folder, int lockWaitMs) {
  folder_ = folder;
  lockWaitMs_ = lockWaitMs;
  fullPath_.clear();
  openError_ = OpenFolder(NativePath(folder), fd_);
  if (openError_ == 0) fullPath_ = FullPathOf(fd_.get());
  if (fullPath_.empty()) fullPath_ = NativePath(folder);
  return openError_;
}

SearchEnd Workspace::ForEachResourceFile(
    const std::function<void(std::u16string_view)>& each) const {
  SearchEnd end;
  if (!isOpen()) return end;
  FileSearch search;
  std::u16string name;
  errno = 0;
  if (!search.FirstIn(fd_.get(), kResourcePattern, name)) {
    if (search.lastError() == kErrorSearchFailed) {
      end.failed = true;
      end.error = errno != 0 ? errno : EIO;
    }
    return end;
  }
  for (;;) {
    ++end.found;
    each(name);
    const SearchStep step = search.Next(name);
    if (step == SearchStep::kFound) continue;
    // A failed step ends the search instead of handing an entry on again.
    if (step == SearchStep::kFailed) {
      end.failed = true;
      end.error = errno != 0 ? errno : EIO;
    }
    break;
  }
  if (!search.Close() && !end.failed) {
    end.failed = true;
    end.error = errno != 0 ? errno : EIO;
  }
  return end;
}

ResourceFileReading Workspace::Read(std::u16string_view fileName) const {
  FileBytes bytes;
  if (int why = ReadBytes(fileName, bytes)) return Unreadable(fileName, why);
  return ParseResourceFile(fileName, std::move(bytes));
}

int Workspace::ReadBytes(std::u16string_view fileName, FileBytes& bytes) const {
  if (!isOpen()) return openError_;
  FolderEntry entry;
  if (int why = OpenEntry(fd_.get(), NativePath(fileName), entry)) return why;
  return ReadEntry(entry, schema::kMaxFileSize, bytes);
}

ResourceLookup Workspace::Find(std::u16string_view name, EntryListing* listing) const {
  ResourceLookup lookup;
  if (!CanBeEntry(name)) return lookup;
  std::u16string exact(name);
  exact += schema::kExtension;
  ResourceFileReading first = Read(exact);
  if (first.problem.ok()) return Found(std::move(first));
  if (!IsMissing(first)) {
    lookup.outcome = LookupOutcome::kInvalid;
    lookup.reading = std::move(first);
  }
  EntryListing own;
  EntryListing& names = listing != nullptr ? *listing : own;
  if (!names.made) {
    names.end = ForEachResourceFile([&](std::u16string_view fileName) {
      names.byEntry[std::u16string(EntryTextOf(fileName))].emplace_back(fileName);
    });
    names.made = true;
  }
  // Only the files listed under the name are read, and the first valid one is taken.
  const auto listed = names.byEntry.find(std::u16string(name));
  if (listed != names.byEntry.end()) {
    for (const std::u16string& fileName : listed->second) {
      if (fileName == exact) continue;
      ResourceFileReading reading = Read(fileName);
      if (reading.problem.ok()) return Found(std::move(reading));
      if (lookup.outcome == LookupOutcome::kInvalid) continue;
      lookup.outcome = LookupOutcome::kInvalid;
      lookup.reading = std::move(reading);
    }
  }
  if (!isOpen() || names.end.failed) {
    lookup.outcome = LookupOutcome::kListingFailed;
    lookup.error = isOpen() ? names.end.error : openError_;
  }
  return lookup;
}

WorkspaceLock::WorkspaceLock(Workspace& workspace)
    : workspace_(workspace), problem_(workspace.Acquire()) {}

WorkspaceLock::~WorkspaceLock() {
  if (held()) workspace_.Release();
}

ResourceProblem Workspace::Acquire() {
  if (!isOpen()) return Problem(ResourceFault::kSystem, openError_);
  if (lockHolders_ == 0) {
    const int why = lock_.Take(fd_.get(), lockWaitMs_);
    if (why == EWOULDBLOCK) return Problem(ResourceFault::kBusy);
    if (why != 0) return Problem(ResourceFault::kSystem, why);
  }
  ++lockHolders_;
  return {};
}

void Workspace::Release() {
  if (--lockHolders_ == 0) lock_.Release();
}

void Workspace::Log(std::string_view action, std::u16string_view fileName, std::string_view what) {
  if (!LogFileChange(action, fullPath_ + "/" + NativePath(fileName), what)) logFailed_ = true;
}

WriteResult Workspace::Write(const ResourceRecord& record, RecordBaseline& baseline,
                             bool replaceChangedFile) {
  if (!IsChanged(record, baseline)) return {};
  if (ResourceProblem refused = CheckWritable(record, &baseline); !refused.ok()) {
    return Failure(refused);
  }
  const WorkspaceLock lock(*this);
  if (!lock.held()) return Failure(lock.problem());

  FolderEntry entry;
  const int opened = OpenEntry(fd_.get(), NativePath(record.name), entry);
  if (opened != 0 && opened != ENOENT) return Failure(Problem(ResourceFault::kUnreadable, opened));
  FileBytes current;
  if (int why = entry.exists() ? ReadEntry(entry, schema::kMaxFileSize, current) : 0) {
    return Failure(why == kErrorTooLarge ? Problem(ResourceFault::kTooLarge)
                                         : Problem(ResourceFault::kUnreadable, why));
  }
  RecordBaseline now;
  if (entry.exists()) RememberFile(now, std::string_view(current.data.get(), current.size));
  if (!SameFile(now, baseline) && !replaceChangedFile) {
    WriteResult conflict{WriteOutcome::kConflict, {}};
    conflict.vanished = !entry.exists();
    return conflict;
  }

  // The rendering takes the bytes; keep what comparing with them needs.
  const std::string before(current.data.get(), current.size);
  RenderedFile rendered;
  if (ResourceProblem problem =
          RenderChanges(record, baseline, entry.exists() ? &current : nullptr, rendered);
      !problem.ok()) {
    return Failure(problem);
  }

  WriteResult result;
  // A termination request waits for the file and its line in the change log alike.
  const TerminationGuard wholeChange;
  if (entry.exists() && rendered.bytes == before) {
    result.outcome = WriteOutcome::kOnDisk;
  } else if (int why = ReplaceEntry(entry, rendered.bytes)) {
    if (why == kErrorReplacedMeanwhile) return WriteResult{WriteOutcome::kConflict, {}};
    return Failure(Problem(ResourceFault::kSystem, why));
  } else {
    result.outcome = WriteOutcome::kWritten;
    Log("changed", record.name, rendered.change);
  }
  RememberValues(baseline, record);
  RememberFile(baseline, rendered.bytes);
  return result;
}

ResourceProblem Workspace::Create(std::u16string_view resourceName, RecordBaseline* baseline) {
  std::u16string fileName(resourceName);
  fileName += schema::kExtension;
  std::string bytes;
  if (ResourceProblem problem = RenderNewResourceFile(bytes); !problem.ok()) return problem;
  const WorkspaceLock lock(*this);
  if (!lock.held()) return lock.problem();
  const TerminationGuard wholeChange;
  if (int why = CreateEntry(fd_.get(), NativePath(fileName), bytes)) {
    return why == EEXIST ? Problem(ResourceFault::kExists) : Problem(ResourceFault::kSystem, why);
  }
  Log("added", fileName, Utf16ToUtf8(schema::kNewResourcePort));
  if (baseline != nullptr) {
    RememberValues(*baseline, NewResourceRecord(fileName));
    RememberFile(*baseline, bytes);
  }
  return {};
}

ResourceProblem Workspace::Delete(std::u16string_view fileName) {
  const WorkspaceLock lock(*this);
  if (!lock.held()) return lock.problem();
  const TerminationGuard wholeChange;
  if (int why = DeleteEntry(fd_.get(), NativePath(fileName))) {
    return Problem(ResourceFault::kSystem, why);
  }
  Log("deleted", fileName, "the file is gone");
  return {};
}

}  // namespace tirv
