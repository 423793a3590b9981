#include "cli/workspace_reading.h"

#include <algorithm>
#include <cerrno>

#include "platform/file_search.h"
#include "platform/files.h"
#include "resources/resource_names.h"

namespace tirv::cli {
namespace {

// An entry text never holds a dot, and no file name a separator: such a name stands for
// no resource, and must never reach a path.
bool CanBeEntry(std::u16string_view name) {
  return !name.empty() && name.find_first_of(u"./\\") == std::u16string_view::npos;
}

// Why the folder cannot be opened for listing, or 0.
int OpenError(std::u16string_view folder) {
  FileSearch search;
  std::u16string name;
  std::u16string pattern(folder);
  pattern += u"/*";
  errno = 0;
  if (search.First(pattern, name)) return 0;
  // An empty folder finds nothing too; only a folder that cannot be opened is refused.
  if (search.lastError() != kErrorSearchFailed) return 0;
  return errno != 0 ? errno : EIO;
}

ResourceLookup Found(ResourceFileReading reading) {
  return ResourceLookup{LookupOutcome::kFound, std::move(reading), 0};
}

}  // namespace

int WorkspaceFolderError(std::u16string_view folder) {
  const std::int32_t attributes = GetFileAttributes(folder);
  if (attributes != kInvalidAttributes && (attributes & kAttributeDirectory) != 0) return 0;
  return OpenError(folder);
}

SearchEnd ForEachWorkspaceFile(std::u16string_view folder,
                               const std::function<void(std::u16string_view)>& each) {
  SearchEnd end = ForEachResourceFile(folder, each);
  if (end.found == 0 && !end.failed) {
    end.error = OpenError(folder);
    end.failed = end.error != 0;
  }
  return end;
}

ResourceLookup FindResource(std::u16string_view folder, std::u16string_view name) {
  ResourceLookup lookup;
  if (!CanBeEntry(name)) return lookup;
  std::u16string exact(name);
  exact += schema::kExtension;
  std::u16string path(folder);
  path += u'/';
  path += exact;
  if (GetFileAttributes(path) != kInvalidAttributes) {
    ResourceFileReading reading = ReadResourceFile(folder, exact);
    if (reading.problem.ok()) return Found(std::move(reading));
    lookup.outcome = LookupOutcome::kInvalid;
    lookup.reading = std::move(reading);
  }
  // Only the files listed under the name are read, and the first valid one is taken.
  std::vector<std::u16string> listedUnderName;
  const SearchEnd end = ForEachWorkspaceFile(folder, [&](std::u16string_view fileName) {
    if (fileName != exact && EntryTextOf(fileName) == name) listedUnderName.emplace_back(fileName);
  });
  for (const std::u16string& fileName : listedUnderName) {
    ResourceFileReading reading = ReadResourceFile(folder, fileName);
    if (reading.problem.ok()) return Found(std::move(reading));
    if (lookup.outcome == LookupOutcome::kInvalid) continue;
    lookup.outcome = LookupOutcome::kInvalid;
    lookup.reading = std::move(reading);
  }
  if (end.failed) {
    lookup.outcome = LookupOutcome::kListingFailed;
    lookup.error = end.error;
  }
  return lookup;
}

void ListedLines::Add(std::u16string_view listedBy, std::string line) {
  lines_.emplace_back(ListingKeyOf(listedBy), std::move(line));
}

void ListedLines::PrintInOrder(const std::function<void(std::string_view)>& print) {
  // The keys are folded once, so comparing them is plain comparing (ListingKeyOf).
  std::stable_sort(lines_.begin(), lines_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [key, line] : lines_) print(line);
}

}  // namespace tirv::cli
