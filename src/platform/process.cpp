#include "platform/process.h"

#include <limits.h>
#include <stdlib.h>

#include <cstdio>

#include "platform/text.h"

namespace tirv {

bool GetModulePath(std::u16string& path) {
  char* resolved = ::realpath("/proc/self/exe", nullptr);
  if (resolved == nullptr) return false;
  path = Utf8ToUtf16(resolved);
  std::free(resolved);
  return true;
}

void EndProcess(int code) {
  std::fflush(nullptr);
  std::exit(code);
}

}  // namespace tirv
