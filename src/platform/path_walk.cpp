#include "platform/path_walk.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace tirv {
namespace {

constexpr int kMaxLinkHops = 40;

// Puts the names of `path` on top of `pending`, the first one last, so that the walk
// pops them in order. A path that ends in "/" ends in "." here: it names a folder.
void PushNames(std::string_view path, std::vector<std::string>& pending) {
  std::vector<std::string> names;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string_view::npos) slash = path.size();
    if (slash > at) names.emplace_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  if (!path.empty() && path.back() == '/') names.emplace_back(".");
  pending.insert(pending.end(), names.rbegin(), names.rend());
}

class Walker {
 public:
  Walker(LastName last, int folderFlags) : last_(last), folderFlags_(folderFlags) {}

  // Starts at "/" or at the working folder.
  int StartAt(const std::string& path) {
    if (int why = EnterRoot(path[0] == '/' ? "/" : ".")) return why;
    PushNames(path, pending_);
    return 0;
  }

  // Starts in an open folder with one name left to look at.
  int StartIn(UniqueFd folder, const std::string& name, bool openedAsPath) {
    folder_ = std::move(folder);
    folderIsPath_ = openedAsPath;
    folderStKnown_ = false;  // looked up only if a link is met there
    pending_.push_back(name);
    return 0;
  }

  int Run(PathEnd& end) {
    while (!pending_.empty()) {
      std::string name = std::move(pending_.back());
      pending_.pop_back();
      const bool isLast = pending_.empty();
      if (isLast && (name == "." || name == "..")) return EISDIR;
      if (name == ".") continue;
      if (!isLast) {
        if (int why = Enter(name)) return why;
      } else if (last_ == LastName::kAsIs) {
        return Finish(std::move(name), end);
      } else if (int why = LookAtLast(name, end); why != kFollowed) {
        return why != 0 ? why : Finish(std::move(name), end);
      }
    }
    return EISDIR;  // the path was "/" alone
  }

 private:
  static constexpr int kFollowed = -1;

  int EnterRoot(const char* root) {
    folder_.reset(Sys().OpenAt(AT_FDCWD, root, O_PATH | O_DIRECTORY | O_CLOEXEC, 0));
    folderIsPath_ = true;
    folderStKnown_ = true;
    if (!folder_.valid() || Sys().Fstat(folder_.get(), &folderSt_) != 0) return errno;
    return 0;
  }

  // Steps into the folder `name`, or along the link `name`.
  int Enter(const std::string& name) {
    UniqueFd next(Sys().OpenAt(folder_.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC, 0));
    struct stat st;
    if (!next.valid() || Sys().Fstat(next.get(), &st) != 0) return errno;
    if (S_ISLNK(st.st_mode)) return Follow(next.get(), st);
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    folder_ = std::move(next);
    folderSt_ = st;
    folderStKnown_ = true;
    folderIsPath_ = true;
    return 0;
  }

  // Fills `end` with what is at the last name, or follows the link there (kFollowed).
  int LookAtLast(const std::string& name, PathEnd& end) {
    struct stat st;
    if (Sys().StatAt(folder_.get(), name.c_str(), &st, false) != 0) {
      end.exists = false;
      return errno == ENOENT ? 0 : errno;
    }
    if (!S_ISLNK(st.st_mode)) {
      end.exists = true;
      end.st = st;
      return 0;
    }
    // The link is judged and read through one descriptor, so a link swapped in after the
    // look above is never read under another one's permission.
    UniqueFd link(Sys().OpenAt(folder_.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC, 0));
    if (!link.valid() || Sys().Fstat(link.get(), &st) != 0) return errno;
    if (!S_ISLNK(st.st_mode)) {
      if (++hops_ > kMaxLinkHops) return ELOOP;
      pending_.push_back(name);  // it changed meanwhile: look again
      return kFollowed;
    }
    const int why = Follow(link.get(), st);
    return why != 0 ? why : kFollowed;
  }

  // Puts the text of the link `linkFd` ahead of the names still to walk.
  int Follow(int linkFd, const struct stat& linkSt) {
    if (++hops_ > kMaxLinkHops) return ELOOP;
    if (!folderStKnown_ && Sys().Fstat(folder_.get(), &folderSt_) != 0) return errno;
    folderStKnown_ = true;
    if (!MayFollowLink(linkSt, folderSt_)) return kErrorForeignLink;
    char text[PATH_MAX];
    const ssize_t n = Sys().ReadlinkOf(linkFd, text, sizeof text);
    if (n < 0) return errno;
    if (n == 0) return ENOENT;
    if (static_cast<std::size_t>(n) == sizeof text) return ENAMETOOLONG;
    const std::string_view target(text, static_cast<std::size_t>(n));
    if (target[0] == '/') {
      if (int why = EnterRoot("/")) return why;
    }
    PushNames(target, pending_);
    return 0;
  }

  int Finish(std::string name, PathEnd& end) {
    if (folderIsPath_ && folderFlags_ != O_PATH) {
      folder_.reset(Sys().OpenAt(folder_.get(), ".", folderFlags_ | O_DIRECTORY | O_CLOEXEC, 0));
      if (!folder_.valid()) return errno;
    }
    end.folder = std::move(folder_);
    end.name = std::move(name);
    return 0;
  }

  const LastName last_;
  const int folderFlags_;
  UniqueFd folder_;
  struct stat folderSt_ {};
  bool folderStKnown_ = false;
  bool folderIsPath_ = true;
  std::vector<std::string> pending_;
  int hops_ = 0;
};

// Most paths hold no link at all: one openat2 finds their folder. Returns -1 when the
// path needs the walk name by name (a link on the way, or no openat2).
int WalkWithoutLinks(const std::string& path, LastName last, int folderFlags, PathEnd& end) {
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return -1;
  const std::string folderPath =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  UniqueFd folder(
      Sys().OpenWithoutLinks(folderPath.c_str(), folderFlags | O_DIRECTORY | O_CLOEXEC));
  if (!folder.valid()) return -1;
  Walker walker(last, folderFlags);
  if (int why = walker.StartIn(std::move(folder), name, folderFlags == O_PATH)) return why;
  return walker.Run(end);
}

}  // namespace

bool MayFollowLink(const struct stat& link, const struct stat& folder) {
  return link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

int WalkName(UniqueFd folder, const std::string& name, LastName last, int folderFlags,
             PathEnd& end) {
  Walker walker(last, folderFlags);
  if (int why = walker.StartIn(std::move(folder), name, true)) return why;
  return walker.Run(end);
}

int WalkPath(const std::string& path, LastName last, int folderFlags, PathEnd& end) {
  if (path.empty()) return ENOENT;
  if (const int fast = WalkWithoutLinks(path, last, folderFlags, end); fast >= 0) return fast;
  Walker walker(last, folderFlags);
  if (int why = walker.StartAt(path)) return why;
  return walker.Run(end);
}

}  // namespace tirv
