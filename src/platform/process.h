// The running program: where its executable lies, and ending it.
#pragma once

#include <string>

namespace tirv {

/// Full path of the running executable, links resolved, with no length limit.
/// False (and `path` unchanged) when the system does not tell.
bool GetModulePath(std::u16string& path);

/// Ends the process with `code` after the end-of-process functions have run.
[[noreturn]] void EndProcess(int code);

}  // namespace tirv
