#include "cli/resources_tool.h"

#include <algorithm>
#include <optional>

#include "cli/command_line.h"
#include "cli/messages.h"
#include "cli/record_output.h"
#include "cli/settings.h"
#include "cli/tool_run.h"
#include "platform/files.h"
#include "platform/text.h"
#include "resources/resource_file.h"
#include "resources/resource_names.h"
#include "workspace/location.h"
#include "workspace/workspace.h"

namespace tirv::cli {

void Run::Say(std::string_view message) const { console_.err(messages::Line(message)); }

int Run::FailOn(std::u16string_view path, int error) const {
  return Fail(messages::OnFile(path, ErrorText(error)));
}

std::optional<ResourceFileReading> FindOrSay(const Workspace& workspace, const std::string& name,
                                             const Run& run, int& status) {
  ResourceLookup lookup = workspace.Find(Utf8ToUtf16(name));
  status = kExitFailure;
  switch (lookup.outcome) {
    case LookupOutcome::kFound:
      status = kExitSuccess;
      return std::move(lookup.reading);
    case LookupOutcome::kNoSuchName:
      run.Say(messages::NoSuchResource(name));
      status = kExitNoSuchResource;
      break;
    case LookupOutcome::kInvalid:
      run.FailOn(lookup.reading.record.name, lookup.reading.problem);
      break;
    case LookupOutcome::kListingFailed:
      run.FailOn(workspace.folder(), lookup.error);
      break;
  }
  return std::nullopt;
}

std::string_view NameRefusal(NameCheck check) {
  switch (check) {
    case NameCheck::kForbiddenCharacter:
      return messages::kNameForbiddenCharacter;
    case NameCheck::kInnerSpace:
      return messages::kNameInnerSpace;
    case NameCheck::kEmpty:
    case NameCheck::kAccepted:
      break;
  }
  return messages::kNameEmpty;
}

bool IsYes(std::string answer) {
  answer.erase(answer.find_last_not_of(" \t\r") + 1);
  answer.erase(0, answer.find_first_not_of(" \t"));
  const std::u16string given = Utf8ToUtf16(answer);
  return EqualsIgnoreCase(given, Utf8ToUtf16(messages::kYesShort)) ||
         EqualsIgnoreCase(given, Utf8ToUtf16(messages::kYes));
}

namespace {

/* The workspace folder. */

// Opens the workspace to work on, or says why not. A missing folder is never made.
bool OpenWorkspace(const Invocation& invocation, const Run& run, Workspace& workspace) {
  const WorkspaceLocation location = invocation.workspace
                                         ? GivenWorkspace(Utf8ToUtf16(*invocation.workspace))
                                         : LocateWorkspace(run.console().modulePath);
  switch (location.outcome) {
    case WorkspaceOutcome::kNoIniFile:
      run.Fail(messages::NoIniFile(DescribeLocation(location)));
      return false;
    case WorkspaceOutcome::kUnresolvable:
    case WorkspaceOutcome::kFolderMissing:
      run.Fail(PrintableText(DescribeLocation(location)));
      return false;
    case WorkspaceOutcome::kReady:
      break;
  }
  if (const int error = workspace.Open(location.folder); error != 0) {
    run.FailOn(location.folder, error);
    return false;
  }
  return true;
}

/* The commands. */

// The lines in their order: as they are, or as the elements of one JSON array.
void PrintLines(ListedLines& lines, bool json, const Run& run) {
  if (!json) {
    lines.PrintInOrder([&run](std::string_view line) { run.Out(line); });
    return;
  }
  JsonArrayWriter array;
  lines.PrintInOrder([&](std::string_view object) { run.Out(array.Element(object)); });
  run.Out(array.End());
}

int List(const Workspace& workspace, bool json, const Run& run) {
  ListedLines lines;
  const SearchEnd end = workspace.ForEachResourceFile([&](std::u16string_view name) {
    const ResourceFileReading file = workspace.Read(name);
    if (!file.problem.ok()) {
      run.Say(PrintableText(DescribeProblem(name, file.problem)));
    } else {
      lines.Add(EntryTextOf(name), json ? RecordJson(file.record) : ListLine(file.record));
    }
  });
  PrintLines(lines, json, run);
  return end.failed ? run.FailOn(workspace.folder(), end.error) : kExitSuccess;
}

int Show(const Workspace& workspace, const Invocation& invocation, const Run& run) {
  int status = kExitSuccess;
  const auto found = FindOrSay(workspace, invocation.name, run, status);
  if (!found) return status;
  run.Out(invocation.json ? RecordJson(found->record) + "\n" : ShowLines(found->record));
  return kExitSuccess;
}

int TellWrite(const ResourceRecord& record, const WriteResult& result, const Run& run) {
  switch (result.outcome) {
    case WriteOutcome::kUnchanged:
    case WriteOutcome::kOnDisk:
      run.Out(std::string(messages::kUnchanged) + '\n');
      return kExitSuccess;
    case WriteOutcome::kWritten:
      run.Changed();
      run.Out(std::string(messages::kChanged) + '\n');
      return kExitSuccess;
    case WriteOutcome::kConflict:
      return run.Fail(messages::ChangedWhileSetting(record.name));
    case WriteOutcome::kFailed:
      break;
  }
  return run.FailWrite(record.name, result.problem);
}

int Set(Workspace& workspace, const Invocation& invocation, const Run& run) {
  SettingChange change;
  std::string refusal;
  if (!ParseAssignments(invocation.assignments, change, refusal)) return run.Refuse(refusal);
  // Read, changed and written under one lock: the change is made on the current bytes.
  const WorkspaceLock lock(workspace);
  if (!lock.held()) return run.FailOn(workspace.folder(), lock.problem());
  int status = kExitSuccess;
  auto found = FindOrSay(workspace, invocation.name, run, status);
  if (!found) return status;
  ResourceRecord record = found->record;
  if (!ApplySettingChange(change, record, refusal)) {
    return run.Refuse(messages::OnFile(record.name, refusal));
  }
  // The record is written only when it differs from what the file held, with one safe
  // replace, and values the file cannot hold are refused before anything is read.
  return TellWrite(record, workspace.Write(record, found->baseline, false), run);
}

int Add(Workspace& workspace, const Invocation& invocation, const Run& run) {
  std::u16string name;
  const NameCheck check = CheckNewResourceName(Utf8ToUtf16(invocation.name), name);
  if (check != NameCheck::kAccepted) return run.Refuse(NameRefusal(check));
  // The editor's name edit keeps to one line; a name here does too.
  if (name.find_first_of(u"\r\n") != std::u16string::npos) {
    return run.Refuse(messages::kNameLineBreak);
  }
  const ResourceLookup existing = workspace.Find(name);
  if (existing.outcome == LookupOutcome::kFound) {
    return run.Fail(messages::NameTaken(name, existing.reading.record.name));
  }
  if (existing.outcome == LookupOutcome::kListingFailed) {
    return run.FailOn(workspace.folder(), existing.error);
  }
  const ResourceProblem problem = workspace.Create(name);
  if (!problem.ok()) return run.FailOn(name + std::u16string(schema::kExtension), problem);
  run.Changed();
  return kExitSuccess;
}

int Delete(Workspace& workspace, const Invocation& invocation, const Run& run) {
  int status = kExitSuccess;
  const auto found = FindOrSay(workspace, invocation.name, run, status);
  if (!found) return status;
  const std::u16string& fileName = found->record.name;
  if (!invocation.yes) {
    run.console().err(messages::DeleteQuestion(messages::DeleteItem(invocation.name, fileName)));
    std::string answer;
    if (!run.console().readLine(answer) || !IsYes(answer)) {
      return run.Fail(messages::NotDeleted(invocation.name));
    }
  }
  const ResourceProblem problem = workspace.Delete(fileName);
  if (!problem.ok()) return run.FailOn(fileName, problem);
  run.Changed();
  return kExitSuccess;
}

int Validate(const Workspace& workspace, bool json, const Run& run) {
  ListedLines lines;
  bool anyInvalid = false;
  const SearchEnd end = workspace.ForEachResourceFile([&](std::u16string_view name) {
    const ResourceProblem problem = workspace.Read(name).problem;
    anyInvalid = anyInvalid || !problem.ok();
    if (json) {
      lines.Add(name, VerdictJson(name, problem));
    } else if (!problem.ok()) {
      lines.Add(name, PrintableText(DescribeProblem(name, problem)) + "\n");
    }
  });
  PrintLines(lines, json, run);
  if (end.failed) return run.FailOn(workspace.folder(), end.error);
  return anyInvalid ? kExitFailure : kExitSuccess;
}

int RunCommand(Workspace& workspace, const Invocation& invocation, const Run& run) {
  switch (invocation.command) {
    case Command::kList:
      return List(workspace, invocation.json, run);
    case Command::kShow:
      return Show(workspace, invocation, run);
    case Command::kSet:
      return Set(workspace, invocation, run);
    case Command::kAdd:
      return Add(workspace, invocation, run);
    case Command::kDelete:
      return Delete(workspace, invocation, run);
    case Command::kValidate:
      return Validate(workspace, invocation.json, run);
    case Command::kExport:
      return Export(workspace, run);
    case Command::kApply:
      return Apply(workspace, invocation, run);
  }
  return kExitUsage;
}

// Prune deletes after asking, and where no one can answer only with --yes; --check
// deletes nothing and needs neither.
bool DeletesUnasked(const Invocation& invocation, const ToolConsole& console) {
  if (invocation.yes) return false;
  const bool interactive = console.interactive && invocation.name != "-";
  if (invocation.command == Command::kDelete) return !interactive;
  return invocation.command == Command::kApply && invocation.prune && !invocation.check &&
         !interactive;
}

int RunInvocation(const std::vector<std::string>& arguments, const Run& run) {
  const ToolConsole& console = run.console();
  Invocation invocation;
  std::string refusal;
  if (!ParseCommandLine(arguments, invocation, refusal)) {
    return run.Refuse(refusal + std::string(messages::kTryHelp));
  }
  if (invocation.help) {
    run.Out(UsageText());
    return kExitSuccess;
  }
  if (invocation.version) {
    run.Out(messages::VersionLine(console.version));
    return kExitSuccess;
  }
  // Nothing is asked where no one can answer, and nothing is deleted unasked.
  if (DeletesUnasked(invocation, console)) {
    return run.Refuse(messages::AsksBeforeDeleting(invocation.command == Command::kDelete
                                                       ? messages::kDeleteCommand
                                                       : messages::kPruneCommand));
  }
  if (const std::string warning = CodePage::DefaultWarning(); !warning.empty()) run.Say(warning);
  Workspace workspace;
  if (!OpenWorkspace(invocation, run, workspace)) return kExitFailure;
  const int status = RunCommand(workspace, invocation, run);
  if (workspace.logFailed()) run.Say(messages::kChangeLogFailed);
  return status;
}

}  // namespace

int RunResourcesTool(const std::vector<std::string>& arguments, const ToolConsole& console,
                     bool* workspaceChanged) {
  const Run run(console);
  const int status = RunInvocation(arguments, run);
  if (workspaceChanged != nullptr) *workspaceChanged = run.changed();
  return status;
}

}  // namespace tirv::cli
