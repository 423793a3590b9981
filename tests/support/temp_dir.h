// Real folders and files for tests: a temporary folder removed with everything in it,
// and whole-file reads and writes of raw bytes.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tirv::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  /// The folder, without a trailing "/".
  const std::string& path() const { return path_; }
  std::u16string wpath() const;
  /// path() + "/" + name.
  std::string File(std::string_view name) const;
  std::u16string WFile(std::string_view name) const;

 private:
  std::string path_;
};

void WriteBytes(const std::string& path, std::string_view bytes);
/// The whole file; an empty string for an absent file (check FileExists first).
std::string ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
/// Names in `folder`, sorted, "." and ".." left out.
std::vector<std::string> ListFolder(const std::string& folder);
/// Every entry of `folder` by name, with what it is: "file <octal mode>: <bytes>",
/// "link to <target>", "folder", "fifo" or "other". Opens nothing that could block.
std::map<std::string, std::string> DescribeFolder(const std::string& folder);
/// Removes a file or a whole tree; missing is fine.
void RemoveTree(const std::string& path);

}  // namespace tirv::testing
