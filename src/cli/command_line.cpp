#include "cli/command_line.h"

#include <array>
#include <utility>

#include "cli/record_output.h"

namespace tirv::cli {

const std::string_view kUsage =
    "Usage: tirvane-resources [--workspace DIR] list [--json]\n"
    "       tirvane-resources [--workspace DIR] show NAME [--json]\n"
    "       tirvane-resources [--workspace DIR] set NAME KEY=VALUE...\n"
    "       tirvane-resources [--workspace DIR] add NAME\n"
    "       tirvane-resources [--workspace DIR] delete NAME [--yes]\n"
    "       tirvane-resources [--workspace DIR] validate [--json]\n"
    "       tirvane-resources --help | --version\n"
    "\n"
    "Lists, shows, changes, adds and deletes the resources of the Tirvane OPC-Server 2.0:\n"
    "the .opc files of the workspace folder named by TirvOPC.ini beside the program, or\n"
    "of DIR. NAME is a resource's name as the editor lists it, without \".opc\".\n"
    "\n"
    "Keys of set (several apply together or not at all):\n"
    "  port       COM1, COM2, COM3, COM4, Simulation1, Simulation2, TCP/IP\n"
    "  baud       110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600 (COM ports)\n"
    "  databits   7, 8 (COM ports)\n"
    "  stopbits   1, 2 (COM ports)\n"
    "  parity     None, Odd, Even (COM ports)\n"
    "  timeout    milliseconds, digits only (COM ports)\n"
    "  parameter  the driver parameter, such as -ip127.0.0.1 (TCP/IP)\n"
    "  alignment  Little Endian (little), Big Endian (big)\n"
    "\n"
    "  --workspace DIR  use the workspace folder DIR\n"
    "  --json           print JSON (list, show, validate)\n"
    "  --yes            delete without asking\n"
    "  -h, --help       show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage or a refused value.\n"
    "The manual page tirvane-resources(1) describes the outputs and the messages.\n";

namespace {

struct CommandForm {
  std::string_view word;
  Command command;
  std::size_t minOperands;  // after the command word
  std::size_t maxOperands;
  bool takesJson;
  bool takesYes;
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);

constexpr std::array<CommandForm, 6> kForms = {{
    {"list", Command::kList, 0, 0, true, false},
    {"show", Command::kShow, 1, 1, true, false},
    {"set", Command::kSet, 2, kAny, false, false},
    {"add", Command::kAdd, 1, 1, false, false},
    {"delete", Command::kDelete, 1, 1, false, true},
    {"validate", Command::kValidate, 0, 0, true, false},
}};

// What the operands after the command word should have been.
std::string OperandsWanted(const CommandForm& form) {
  switch (form.command) {
    case Command::kSet:
      return "set needs NAME and at least one KEY=VALUE";
    case Command::kShow:
    case Command::kAdd:
    case Command::kDelete:
      return std::string(form.word) + " needs one NAME";
    case Command::kList:
    case Command::kValidate:
      break;
  }
  return std::string(form.word) + " takes no NAME";
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
        refusal = "--workspace needs a folder";
        return false;
      }
      invocation.workspace = attached ? argument.substr(12) : arguments[++i];
      if (invocation.workspace->empty()) {
        refusal = "--workspace needs a folder";
        return false;
      }
    } else if (argument == "--json") {
      invocation.json = true;
    } else if (argument == "--yes") {
      invocation.yes = true;
    } else {
      refusal = "unknown option " + QuotedText(argument);
      return false;
    }
  }
  if (operands.empty()) {
    refusal = "no command given";
    return false;
  }
  const CommandForm* form = nullptr;
  for (const CommandForm& candidate : kForms) {
    if (candidate.word == operands.front()) form = &candidate;
  }
  if (form == nullptr) {
    refusal = "unknown command " + QuotedText(operands.front());
    return false;
  }
  invocation.command = form->command;
  const std::size_t count = operands.size() - 1;
  if (count < form->minOperands || count > form->maxOperands) {
    refusal = OperandsWanted(*form);
    return false;
  }
  if ((invocation.json && !form->takesJson) || (invocation.yes && !form->takesYes)) {
    refusal = std::string(invocation.json && !form->takesJson ? "--json" : "--yes") +
              " does not go with " + std::string(form->word);
    return false;
  }
  if (count > 0) invocation.name = operands[1];
  if (count > 1) invocation.assignments.assign(operands.begin() + 2, operands.end());
  return true;
}

}  // namespace tirv::cli
