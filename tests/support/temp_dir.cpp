#include "support/temp_dir.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/text.h"

namespace tirv::testing {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/tirv-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  // Tests may leave folders without permissions behind; give them back first.
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
  }
  ::chmod(path_.c_str(), 0700);
  RemoveTree(path_);
}

std::u16string TempDir::wpath() const { return Utf8ToUtf16(path_); }
std::string TempDir::File(std::string_view name) const { return path_ + "/" + std::string(name); }
std::u16string TempDir::WFile(std::string_view name) const { return Utf8ToUtf16(File(name)); }

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> DescribeFolder(const std::string& folder) {
  std::map<std::string, std::string> entries;
  for (const std::string& name : ListFolder(folder)) {
    const std::string path = folder + "/" + name;
    struct stat st {};
    ::lstat(path.c_str(), &st);
    std::string& entry = entries[name];
    if (S_ISREG(st.st_mode)) {
      char mode[16];
      std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
      entry = "file " + std::string(mode) + ": " + ReadBytes(path);
    } else if (S_ISLNK(st.st_mode)) {
      std::error_code ec;
      entry = "link to " + std::filesystem::read_symlink(path, ec).string();
    } else if (S_ISDIR(st.st_mode)) {
      entry = "folder";
    } else if (S_ISFIFO(st.st_mode)) {
      entry = "fifo";
    } else {
      entry = "other";
    }
  }
  return entries;
}

void RemoveTree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

}  // namespace tirv::testing
