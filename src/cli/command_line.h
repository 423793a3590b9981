// The command line of tirvane-resources: what the arguments ask for, read without
// looking at the workspace.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tirv::cli {

enum class Command { kList, kShow, kSet, kAdd, kDelete, kValidate, kExport, kApply };

struct Invocation {
  bool help = false;                     ///< -h or --help: print the usage, nothing else
  bool version = false;                  ///< --version: print the version, nothing else
  std::optional<std::string> workspace;  ///< --workspace DIR, as given
  Command command = Command::kList;
  std::string name;                      ///< NAME of show, set, add and delete; FILE of apply
  std::vector<std::string> assignments;  ///< KEY=VALUE texts of set
  bool json = false;                     ///< --json (list, show, validate, apply)
  bool yes = false;                      ///< --yes (delete, apply)
  bool prune = false;                    ///< --prune (apply)
  bool check = false;                    ///< --check (apply)
  bool diff = false;                     ///< --diff (apply)
};

/// Reads the arguments after the program's name. Options may come before or after the
/// command; "--" ends them. -h, --help and --version end the reading where they stand.
/// False, with `refusal` saying what is wrong, for an unknown command or option, an
/// option the command does not take, or a missing or surplus operand.
bool ParseCommandLine(const std::vector<std::string>& arguments, Invocation& invocation,
                      std::string& refusal);

/// The text of --help, with the keys of the key table (settings.h).
const std::string& UsageText();

}  // namespace tirv::cli
