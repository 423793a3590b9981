#include "workspace/workspace.h"

#include <cerrno>

#include "platform/file_search.h"
#include "platform/files.h"
#include "platform/process.h"
#include "profile/profile_document.h"

namespace tirv {
namespace {

bool IsWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
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
  if (text.find(u':') != std::u16string::npos) return 0;
  if (StartsWith(text, u".\\") || StartsWith(text, u"./")) {
    std::u16string module;
    if (!modulePath(module)) return 0;
    const std::size_t cut = module.find_last_of(u"/\\");
    const std::u16string folder = cut == std::u16string::npos ? u"" : module.substr(0, cut);
    text = folder + u"/" + text.substr(2);
    return 0;
  }
  if (StartsWith(text, u"/")) return 0;
  return kGeneralFailure;
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

bool CreateWorkspaceFolder(std::u16string_view folder, int& error) {
  if (CreateOneFolder(folder)) return true;
  error = errno;
  return false;
}

SearchEnd ForEachResourceFile(std::u16string_view folder,
                              const std::function<void(std::u16string_view)>& each) {
  SearchEnd end;
  FileSearch search;
  std::u16string name;
  std::u16string pattern(folder);
  pattern += workspace_file::kSearchPattern;
  if (!search.First(pattern, name)) return end;
  for (;;) {
    ++end.found;
    each(name);
    const SearchStep step = search.Next(name);
    if (step == SearchStep::kFound) continue;
    // A failed step ends the search instead of handing an entry on again.
    if (step == SearchStep::kFailed) {
      end.failed = true;
      end.error = errno != 0 ? errno : EIO;
    }
    break;
  }
  if (!search.Close() && !end.failed) {
    end.failed = true;
    end.error = errno != 0 ? errno : EIO;
  }
  return end;
}

ResourceFileListing ListResourceFiles(std::u16string_view folder) {
  ResourceFileListing listing;
  const SearchEnd end = ForEachResourceFile(
      folder, [&](std::u16string_view name) { listing.names.emplace_back(name); });
  listing.failed = end.failed;
  listing.error = end.error;
  return listing;
}

}  // namespace tirv
