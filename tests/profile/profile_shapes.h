// Profile files of the shapes that cost the engine the most memory for their size, and
// the shape of real resource files, built to a given size. Shared by the memory test and
// the benchmark.
#pragma once

#include <string>
#include <vector>

namespace tirv::testing {

struct ProfileShape {
  const char* label;
  std::string head;  // once at the start
  std::string line;  // then repeated until the file has the size asked for
};

inline const std::vector<ProfileShape>& ProfileShapes() {
  static const std::vector<ProfileShape> shapes = {
      {"[] lines, LF", "", "[]\n"},
      {"[] lines, CR LF", "", "[]\r\n"},
      {"= lines, LF", "[S]\n", "=\n"},
      {"= lines, CR", "[S]\r", "=\r"},
      {"= lines, CR LF", "[S]\r\n", "=\r\n"},
      {"blank lines", "", "\n"},
      {"one long line", "[S]\r\nK=", "v"},
      {"resource files", "",
       "[GeneralSettings]\r\nAdaptationComponent=TirvAdaptS7\r\n"
       "Description=Press line 1 \xB4main hall\xB4\r\nComTeleLength=256\r\n\r\n"
       "[Online]\r\nComPort=COM1:19200,1,8,N,3000\r\n\r\n"},
  };
  return shapes;
}

// `shape` built to `size` bytes or a little less: whole lines only.
inline std::string ShapedFile(const ProfileShape& shape, std::size_t size) {
  std::string out;
  out.reserve(size);
  out += shape.head;
  while (out.size() + shape.line.size() <= size) out += shape.line;
  return out;
}

}  // namespace tirv::testing
