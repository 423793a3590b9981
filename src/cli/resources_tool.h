// tirvane-resources as a function: the arguments in, the exit status out, everything
// it prints through the console it is given. The program's main() hands it the real
// terminal; tests and benchmarks may hand it their own.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/location.h"

namespace tirv::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  ///< something could not be read, found or written
inline constexpr int kExitUsage = 2;    ///< wrong arguments, or a refused value or name
/// show, set or delete of a NAME under which no file is listed
inline constexpr int kExitNoSuchResource = 3;

/// Where the tool prints, what it may ask, and where it runs from.
struct ToolConsole {
  std::function<void(std::string_view)> out;  ///< the data: standard output
  std::function<void(std::string_view)> err;  ///< messages: standard error
  /// True when a person can answer questions on standard input.
  bool interactive = false;
  /// Reads one answer line (without its line feed); false at the end of the input.
  std::function<bool(std::string&)> readLine;
  /// Reads the whole of standard input (apply -); false when it could not be read.
  std::function<bool(std::string&)> readAll;
  /// The executable's path, which TirvOPC.ini lies beside.
  ModulePathSource modulePath;
  /// The text of --version.
  std::string version;
};

/// Runs one command line (the arguments after the program's name) and returns its exit
/// status. Every message is one line on `err`, beginning "tirvane-resources: ".
/// `workspaceChanged`, when given, tells whether a file of the workspace was written,
/// created or deleted, whatever the status.
int RunResourcesTool(const std::vector<std::string>& arguments, const ToolConsole& console,
                     bool* workspaceChanged = nullptr);

}  // namespace tirv::cli
