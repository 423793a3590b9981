// Listing the entries of one folder that match a name pattern, one at a time: a first
// call opens the search and gives the first match, each next call the following one,
// and closing the search ends it.
#pragma once

#include <dirent.h>

#include <string>
#include <string_view>

namespace tirv {

/// The reason code of a Next that found no further entry.
inline constexpr int kErrorNoMoreFiles = 18;
/// The reason code of any other failure of the search.
inline constexpr int kErrorSearchFailed = 29;

enum class SearchStep { kFound, kNoMoreFiles, kFailed };

/// Matches `name` against a pattern of "*" and "?" wildcards, letter case ignored.
bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name);

class FileSearch {
 public:
  FileSearch() = default;
  FileSearch(const FileSearch&) = delete;
  FileSearch& operator=(const FileSearch&) = delete;
  ~FileSearch();

  /// Starts a search over `pattern`: a folder, a separator ("/" or "\") and a name
  /// pattern such as "*.opc". Entries come in the order the file system returns them,
  /// folders included. True with the first matching name (without its folder) in
  /// `name`; false when nothing matches or the folder cannot be read.
  bool First(std::u16string_view pattern, std::u16string& name);

  /// The same over the open folder `dirFd`, with the name pattern alone ("*.opc").
  bool FirstIn(int dirFd, std::u16string_view namePattern, std::u16string& name);

  /// The next matching name. kNoMoreFiles at the end; kFailed when reading the folder
  /// fails. lastError() tells the two apart as kErrorNoMoreFiles / kErrorSearchFailed.
  SearchStep Next(std::u16string& name);

  int lastError() const { return lastError_; }

  /// Ends the search. False when closing the folder fails or no search is open.
  bool Close();

 private:
  // Takes `dir` (null when it could not be opened) and finds its first match.
  bool Begin(DIR* dir, std::u16string& name);
  SearchStep ReadMatching(std::u16string& name);

  DIR* dir_ = nullptr;
  std::u16string namePattern_;
  int lastError_ = 0;
};

}  // namespace tirv
