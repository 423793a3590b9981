#include "workspace/location.h"

#include <cerrno>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"
#include "profile/profile_document.h"

namespace tirv {
namespace {

bool IsWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// A text of the user's, as it stands in a message: cut when long.
std::u16string ShownText(std::u16string_view text) {
  constexpr std::size_t kShown = 80;
  if (text.size() <= kShown) return std::u16string(text);
  return std::u16string(text.substr(0, kShown)) + u"\u2026";
}

}  // namespace

ModulePathSource RunningModulePath() {
  return [](std::u16string& path) { return GetModulePath(path); };
}

Status FindProgramFolder(const ModulePathSource& modulePath, std::u16string& programFolder) {
  std::u16string path;
  if (!modulePath(path)) return kGeneralFailure;
  const std::size_t cut = path.find_last_of(u"/\\");
  if (cut == std::u16string::npos) return kGeneralFailure;
  programFolder = path.substr(0, cut + 1);
  return 0;
}

Status ResolveWorkspacePath(std::u16string& text, const ModulePathSource& modulePath) {
  std::size_t lead = 0;
  while (lead < text.size() && IsWhiteSpace(text[lead])) ++lead;
  text.erase(0, lead);
  const bool asItStands = text.find(u':') != std::u16string::npos;
  if (asItStands) {
    // used unchanged, but for its separators
  } else if (StartsWith(text, u".\\") || StartsWith(text, u"./")) {
    std::u16string module;
    if (!modulePath(module)) return 0;
    const std::size_t cut = module.find_last_of(u"/\\");
    const std::u16string folder = cut == std::u16string::npos ? u"" : module.substr(0, cut);
    text = folder + u"/" + text.substr(2);
  } else if (!StartsWith(text, u"/")) {
    return kGeneralFailure;
  }
  // Here alone "\\" separates folders, as it does in the texts users know.
  for (char16_t& c : text) {
    if (c == u'\\') c = u'/';
  }
  return 0;
}

WorkspaceLocation LocateWorkspace(const ModulePathSource& modulePath) {
  WorkspaceLocation location;
  FindProgramFolder(modulePath, location.programFolder);
  location.iniPath = location.programFolder + std::u16string(workspace_file::kIniFileName);
  if (GetFileAttributes(location.iniPath) == kInvalidAttributes) {
    location.outcome = WorkspaceOutcome::kNoIniFile;
    location.error = ENOENT;
    return location;
  }

  // The value is read whole: a path is never cut short.
  FileBytes bytes;
  ProfileDocument ini;
  const ReadOutcome read = ReadWholeFile(location.iniPath, bytes, &location.error);
  location.iniParsed =
      read == ReadOutcome::kRead && Succeeded(ini.LoadBytes(location.iniPath, std::move(bytes)));
  location.iniFault = ini.fault();
  if (location.iniParsed) {
    location.configured = ini.Value(workspace_file::kSettings, workspace_file::kCustomWorkspace,
                                    workspace_file::kFileNotFound);
  }
  location.folder = location.configured;
  if (!location.iniParsed || Failed(ResolveWorkspacePath(location.folder, modulePath))) {
    location.outcome = WorkspaceOutcome::kUnresolvable;
    return location;
  }
  location.error = 0;
  location.outcome = GetFileAttributes(location.folder) == kInvalidAttributes
                         ? WorkspaceOutcome::kFolderMissing
                         : WorkspaceOutcome::kReady;
  return location;
}

WorkspaceLocation GivenWorkspace(std::u16string_view folder) {
  WorkspaceLocation location;
  location.configured = folder;
  location.folder = folder;
  while (location.folder.size() > 1 && location.folder.back() == u'/') location.folder.pop_back();
  location.outcome = GetFileAttributes(location.folder) == kInvalidAttributes
                         ? WorkspaceOutcome::kFolderMissing
                         : WorkspaceOutcome::kReady;
  return location;
}

std::u16string DescribeLocation(const WorkspaceLocation& location) {
  const auto reason = [](std::u16string_view file, int error) {
    return std::u16string(file) + u": " + Utf8ToUtf16(ErrorText(error));
  };
  switch (location.outcome) {
    case WorkspaceOutcome::kReady:
      return {};
    case WorkspaceOutcome::kNoIniFile:
      return reason(location.iniPath, location.error);
    case WorkspaceOutcome::kFolderMissing:
      return reason(location.folder, ENOENT);
    case WorkspaceOutcome::kUnresolvable:
      break;
  }
  if (location.error != 0) return reason(location.iniPath, location.error);
  const std::u16string& ini = location.iniPath;
  const std::u16string line = u", line " + Utf8ToUtf16(std::to_string(location.iniFault.line));
  if (!location.iniParsed) {
    switch (location.iniFault.kind) {
      case ProfileFault::kNotAnEntry:
        return ini + line + u": it is neither a [section] header nor a key=value entry";
      case ProfileFault::kEntryBeforeSection:
        return ini + line + u": a key=value entry comes before the first [section]";
      case ProfileFault::kZeroByte:
        return ini + u": it holds a zero byte";
      case ProfileFault::kNone:
        break;
    }
    return ini + u": it cannot be read as a profile file";
  }
  if (location.configured == workspace_file::kFileNotFound) {
    return ini + u": there is no CustomWorkspace in [Settings]";
  }
  return ini + u": the workspace \"" + ShownText(location.configured) +
         u"\" is neither a full path nor one beginning with ./";
}

bool CreateWorkspaceFolder(std::u16string_view folder, int& error) {
  if (CreateOneFolder(folder)) return true;
  error = errno;
  return false;
}

}  // namespace tirv
