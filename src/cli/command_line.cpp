#include "cli/command_line.h"

#include <array>
#include <utility>

#include "cli/messages.h"
#include "cli/settings.h"

namespace tirv::cli {

const std::string& UsageText() {
  static const std::string usage = messages::Usage(KeyUsageLines());
  return usage;
}

namespace {

// The options that only some commands take.
enum Option : unsigned {
  kJson = 1u << 0,
  kYes = 1u << 1,
  kPrune = 1u << 2,
  kCheck = 1u << 3,
  kDiff = 1u << 4,
};

struct CommandForm {
  std::string_view word;
  Command command;
  std::size_t minOperands;  // after the command word
  std::size_t maxOperands;
  unsigned options;  // the Option bits it takes
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);

constexpr std::array<CommandForm, 8> kForms = {{
    {"list", Command::kList, 0, 0, kJson},
    {"show", Command::kShow, 1, 1, kJson},
    {"set", Command::kSet, 2, kAny, 0},
    {"add", Command::kAdd, 1, 1, 0},
    {"delete", Command::kDelete, 1, 1, kYes},
    {"validate", Command::kValidate, 0, 0, kJson},
    {"export", Command::kExport, 0, 0, 0},
    {"apply", Command::kApply, 1, 1, kJson | kYes | kPrune | kCheck | kDiff},
}};

// The options given, as Option bits, each with its spelling.
constexpr std::array<std::pair<Option, std::string_view>, 5> kOptionNames = {{
    {kJson, "--json"},
    {kYes, "--yes"},
    {kPrune, "--prune"},
    {kCheck, "--check"},
    {kDiff, "--diff"},
}};

unsigned OptionsGiven(const Invocation& invocation) {
  return (invocation.json ? kJson : 0u) | (invocation.yes ? kYes : 0u) |
         (invocation.prune ? kPrune : 0u) | (invocation.check ? kCheck : 0u) |
         (invocation.diff ? kDiff : 0u);
}

// What the operands after the command word should have been.
std::string OperandsWanted(const CommandForm& form) {
  switch (form.command) {
    case Command::kSet:
      return std::string(messages::kSetNeedsAssignments);
    case Command::kShow:
    case Command::kAdd:
    case Command::kDelete:
      return messages::NeedsOneName(form.word);
    case Command::kApply:
      return std::string(messages::kApplyNeedsFile);
    case Command::kList:
    case Command::kValidate:
    case Command::kExport:
      break;
  }
  return messages::TakesNoName(form.word);
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& arguments, Invocation& invocation,
                      std::string& refusal) {
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      operands.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "-h" || argument == "--help") {
      invocation.help = true;
      return true;
    } else if (argument == "--version") {
      invocation.version = true;
      return true;
    } else if (argument == "--workspace" || argument.starts_with("--workspace=")) {
      const bool attached = argument != "--workspace";
      if (!attached && i + 1 == arguments.size()) {
        refusal = messages::kWorkspaceNeedsFolder;
        return false;
      }
      invocation.workspace = attached ? argument.substr(12) : arguments[++i];
      if (invocation.workspace->empty()) {
        refusal = messages::kWorkspaceNeedsFolder;
        return false;
      }
    } else if (argument == "--json") {
      invocation.json = true;
    } else if (argument == "--yes") {
      invocation.yes = true;
    } else if (argument == "--prune") {
      invocation.prune = true;
    } else if (argument == "--check") {
      invocation.check = true;
    } else if (argument == "--diff") {
      invocation.diff = true;
    } else {
      refusal = messages::UnknownOption(argument);
      return false;
    }
  }
  if (operands.empty()) {
    refusal = messages::kNoCommand;
    return false;
  }
  const CommandForm* form = nullptr;
  for (const CommandForm& candidate : kForms) {
    if (candidate.word == operands.front()) form = &candidate;
  }
  if (form == nullptr) {
    refusal = messages::UnknownCommand(operands.front());
    return false;
  }
  invocation.command = form->command;
  const std::size_t count = operands.size() - 1;
  if (count < form->minOperands || count > form->maxOperands) {
    refusal = OperandsWanted(*form);
    return false;
  }
  const unsigned strayOptions = OptionsGiven(invocation) & ~form->options;
  for (const auto& [option, spelling] : kOptionNames) {
    if ((strayOptions & option) == 0) continue;
    refusal = messages::DoesNotGoWith(spelling, form->word);
    return false;
  }
  if (count > 0) invocation.name = operands[1];
  if (count > 1) invocation.assignments.assign(operands.begin() + 2, operands.end());
  return true;
}

}  // namespace tirv::cli
