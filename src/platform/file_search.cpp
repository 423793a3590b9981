#include "platform/file_search.h"

#include <cerrno>

#include "platform/files.h"
#include "platform/syscalls.h"
#include "platform/text.h"

namespace tirv {

bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starP = std::u16string_view::npos;
  std::size_t starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() &&
               (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;  // let the last "*" take one more unit
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

FileSearch::~FileSearch() {
  if (dir_ != nullptr) Sys().Closedir(dir_);
}

bool FileSearch::First(std::u16string_view pattern, std::u16string& name) {
  if (dir_ != nullptr) Close();
  const std::size_t cut = pattern.find_last_of(u"/\\");
  std::u16string_view folder = u".";
  if (cut != std::u16string_view::npos) folder = cut == 0 ? u"/" : pattern.substr(0, cut);
  namePattern_ = pattern.substr(cut == std::u16string_view::npos ? 0 : cut + 1);
  return Begin(Sys().Opendir(NativePath(folder).c_str()), name);
}

bool FileSearch::FirstIn(int dirFd, std::u16string_view namePattern, std::u16string& name) {
  if (dir_ != nullptr) Close();
  namePattern_ = namePattern;
  return Begin(Sys().OpendirAt(dirFd), name);
}

bool FileSearch::Begin(DIR* dir, std::u16string& name) {
  dir_ = dir;
  if (dir_ == nullptr) {
    lastError_ = kErrorSearchFailed;
    return false;
  }
  if (ReadMatching(name) == SearchStep::kFound) return true;
  const int why = errno;  // of a failed read, for the caller
  Sys().Closedir(dir_);
  dir_ = nullptr;
  errno = why;
  return false;
}

SearchStep FileSearch::Next(std::u16string& name) {
  if (dir_ == nullptr) {
    lastError_ = kErrorSearchFailed;
    return SearchStep::kFailed;
  }
  return ReadMatching(name);
}

SearchStep FileSearch::ReadMatching(std::u16string& name) {
  for (;;) {
    struct dirent* entry = Sys().Readdir(dir_);
    if (entry == nullptr) {
      const bool failed = errno != 0;
      lastError_ = failed ? kErrorSearchFailed : kErrorNoMoreFiles;
      return failed ? SearchStep::kFailed : SearchStep::kNoMoreFiles;
    }
    const std::u16string candidate = Utf8ToUtf16(entry->d_name);
    if (candidate == u"." || candidate == u"..") continue;
    if (!MatchesWildcard(namePattern_, candidate)) continue;
    name = candidate;
    return SearchStep::kFound;
  }
}

bool FileSearch::Close() {
  if (dir_ == nullptr) return false;
  const int rc = Sys().Closedir(dir_);
  dir_ = nullptr;
  return rc == 0;
}

}  // namespace tirv
