// The floor that loading a workspace is held against: list the folder and read each
// file once, nothing parsed.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <string>
#include <vector>

namespace tirv::bench {

/// Reads every entry of `folder` but the hidden ones; the number of bytes read.
inline std::size_t ListAndReadEveryFile(const std::string& folder) {
  std::vector<char> buffer(16384);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::size_t bytes = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const int fd = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) bytes += n;
    ::close(fd);
  }
  ::closedir(dir);
  return bytes;
}

}  // namespace tirv::bench
