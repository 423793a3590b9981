#include "workspace.h"

#include <limits.h>

#include "file_search.h"
#include "files.h"
#include "process.h"
#include "profile_calls.h"

namespace tirv {
namespace {

// The longest path the platform takes, so a configured path is never cut short.
constexpr std::int32_t kWorkspaceTextCapacity = PATH_MAX;

bool IsWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::u16string FormatFolderQuestion(std::u16string_view folder) {
  std::u16string text(workspace_text::kFolderMissing);
  text.replace(text.find(u"%s"), 2, folder);
  return text;
}

}  // namespace

WorkspaceLoader::WorkspaceLoader(WorkspaceHost& host, WorkspaceFolders& folders,
                                 ModulePathSource modulePath)
    : host_(host), folders_(folders), modulePath_(std::move(modulePath)) {
  if (!modulePath_) modulePath_ = [](std::u16string& path) { return GetModulePath(path); };
}

std::int32_t WorkspaceLoader::PathExists(std::u16string_view path) {
  return GetFileAttributes(path);
}

Status WorkspaceLoader::FindProgramFolder() {
  std::u16string path;
  if (!modulePath_(path)) return kGeneralFailure;
  const std::size_t cut = path.find_last_of(u"/\\");
  if (cut == std::u16string::npos) return kGeneralFailure;
  folders_.programFolder = path.substr(0, cut + 1);
  return 0;
}

Status WorkspaceLoader::ResolveWorkspacePath(std::u16string& text) {
  std::size_t lead = 0;
  while (lead < text.size() && IsWhiteSpace(text[lead])) ++lead;
  text.erase(0, lead);
  if (text.find(u':') != std::u16string::npos) return 0;
  if (StartsWith(text, u".\\") || StartsWith(text, u"./")) {
    std::u16string module;
    if (!modulePath_(module)) return 0;
    const std::size_t cut = module.find_last_of(u"/\\");
    const std::u16string folder = cut == std::u16string::npos ? u"" : module.substr(0, cut);
    text = folder + u"/" + text.substr(2);
    return 0;
  }
  if (StartsWith(text, u"/")) return 0;
  return kGeneralFailure;
}

Status WorkspaceLoader::LoadWorkspace() {
  if (host_.ResourceEntryCount() == 0) host_.SelectPortKind(6);
  host_.ClearResourceEntries();
  FindProgramFolder();
  const std::u16string iniPath =
      folders_.programFolder + std::u16string(workspace_text::kIniFileName);
  if (PathExists(iniPath) < 0) {
    host_.ApplicationMessageBox(workspace_text::kNoIniFile);
    host_.EndProcess(0);
    return kProcessEnded;
  }

  std::u16string configured(kWorkspaceTextCapacity, u'\0');
  ReadProfileString(workspace_text::kSettings, workspace_text::kCustomWorkspace, u"file not found",
                    configured.data(), kWorkspaceTextCapacity, iniPath);
  configured.resize(configured.find(u'\0'));
  folders_.customWorkspace = configured;
  const Status resolved = ResolveWorkspacePath(folders_.customWorkspace);
  folders_.workspaceFolder = folders_.customWorkspace;
  if (Failed(resolved)) {
    host_.ApplicationMessageBox(workspace_text::kCannotConvert);
    host_.EndProcess(0);
    return kProcessEnded;
  }

  std::int32_t attributes = PathExists(folders_.workspaceFolder);
  if (attributes < 0) return OfferToCreate(attributes);
  folders_.customWorkspace += workspace_text::kSearchPattern;
  return LoadEveryEntry(attributes);
}

Status WorkspaceLoader::OfferToCreate(std::int32_t& attributes) {
  const int answer = host_.OwnedMessageBox(FormatFolderQuestion(folders_.workspaceFolder),
                                           kApplicationTitle, kBoxYesNoQuestion);
  if (answer != kAnswerYes) {
    host_.EndProcess(0);
    return kProcessEnded;
  }
  // The editor opens empty; a folder that could not be made is reported, not hidden.
  if (!CreateOneFolder(folders_.workspaceFolder)) return kGeneralFailure;
  attributes = PathExists(folders_.workspaceFolder);
  return attributes < 0 ? kGeneralFailure : attributes;
}

// Hands every matching entry to the editor, refreshing its list after each. An empty
// folder is a success: the folder's attribute bits.
Status WorkspaceLoader::LoadEveryEntry(std::int32_t folderAttributes) {
  FileSearch search;
  std::u16string name;
  if (!search.First(folders_.customWorkspace, name)) {
    host_.OwnedMessageBox(workspace_text::kNoOpcFiles, kApplicationTitle, kBoxInformation);
    return folderAttributes;
  }
  Status status = 0;
  bool searchBroke = false;
  for (bool last = false; !last;) {
    host_.LoadResourceFile(name);
    const SearchStep step = search.Next(name);
    last = step != SearchStep::kFound;
    searchBroke = step == SearchStep::kFailed;  // ends the loop instead of repeating an entry
    status = host_.RefreshResourceList();
  }
  if (!search.Close() || searchBroke) return kGeneralFailure;
  return status;
}

}  // namespace tirv
