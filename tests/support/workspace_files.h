// Reading one resource file as the workspace reads it, for tests that look at a file a
// program wrote.
#pragma once

#include <string_view>

#include "resources/resource_file.h"
#include "workspace/workspace.h"

namespace tirv {

inline ResourceFileReading ReadResourceFile(std::u16string_view folder,
                                            std::u16string_view fileName) {
  Workspace workspace;
  workspace.Open(folder);
  return workspace.Read(fileName);
}

}  // namespace tirv
