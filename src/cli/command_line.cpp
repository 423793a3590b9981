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
    "       tirvane-resources [--workspace DIR] export\n"
    "       tirvane-resources [--workspace DIR] apply FILE|- [--prune [--yes]] [--check]\n"
    "                         [--diff] [--json]\n"
    "       tirvane-resources --help | --version\n"
    "\n"
    "Lists, shows, changes, adds and deletes the resources of the Tirvane OPC-Server 2.0:\n"
    "the .opc files of the workspace folder named by TirvOPC.ini beside the program, or\n"
    "of DIR. NAME is a resource's name as the editor lists it, without \".opc\".\n"
    "export prints every resource as one JSON document; apply makes the workspace hold\n"
    "what such a document (read from FILE, or - for standard input) says.\n"
    "\n"
    "Keys of set (several apply together or not at all), and of a document's resources:\n"
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
    "  --json           print JSON (list, show, validate, apply)\n"
    "  --yes            delete without asking (delete, apply --prune)\n"
    "  --prune          delete the resources the document does not name (apply)\n"
    "  --check          change nothing, report what would change (apply)\n"
    "  --diff           show each changed file's lines before and after (apply)\n"
    "  -h, --help       show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage or a refused value or document,\n"
    "3 no resource of that NAME (show, set, delete).\n"
    "The manual page tirvane-resources(1) describes the outputs and the messages.\n";

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
      return "set needs NAME and at least one KEY=VALUE";
    case Command::kShow:
    case Command::kAdd:
    case Command::kDelete:
      return std::string(form.word) + " needs one NAME";
    case Command::kApply:
      return "apply needs one FILE (- for standard input)";
    case Command::kList:
    case Command::kValidate:
    case Command::kExport:
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
    } else if (argument == "--prune") {
      invocation.prune = true;
    } else if (argument == "--check") {
      invocation.check = true;
    } else if (argument == "--diff") {
      invocation.diff = true;
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
  const unsigned strayOptions = OptionsGiven(invocation) & ~form->options;
  for (const auto& [option, spelling] : kOptionNames) {
    if ((strayOptions & option) == 0) continue;
    refusal = std::string(spelling) + " does not go with " + std::string(form->word);
    return false;
  }
  if (count > 0) invocation.name = operands[1];
  if (count > 1) invocation.assignments.assign(operands.begin() + 2, operands.end());
  return true;
}

}  // namespace tirv::cli
