// Where the workspace is: "TirvOPC.ini" beside the executable and its CustomWorkspace
// text, or a folder given by name.
//
// Nothing here shows anything or ends the process: every outcome, the ones that stop
// the program included, comes back as a value for the front end to act on, and
// DescribeLocation is the one place that tells it in words.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "profile/profile_document.h"

namespace tirv {

namespace workspace_file {
inline constexpr std::u16string_view kIniFileName = u"TirvOPC.ini";
inline constexpr std::u16string_view kSettings = u"Settings";
inline constexpr std::u16string_view kCustomWorkspace = u"CustomWorkspace";
/// What the workspace text is when the key is missing or empty (and is refused).
inline constexpr std::u16string_view kFileNotFound = u"file not found";
}  // namespace workspace_file

/// Tells the executable's full path; false when it cannot.
using ModulePathSource = std::function<bool(std::u16string&)>;

/// The running process's executable (links resolved).
ModulePathSource RunningModulePath();

/// The executable's folder, with its trailing separator, into `programFolder`.
/// kGeneralFailure, and `programFolder` unchanged, when the path holds no separator or
/// cannot be told.
Status FindProgramFolder(const ModulePathSource& modulePath, std::u16string& programFolder);

/// Resolves the configured text in place, after removing white space at its start:
/// a text with ":" is used unchanged; one beginning with ".\" or "./" is taken
/// relative to the executable's folder (unchanged when that cannot be told); one
/// beginning with "/" is a full path. Anything else is refused with kGeneralFailure and
/// left unchanged.
Status ResolveWorkspacePath(std::u16string& text, const ModulePathSource& modulePath);

enum class WorkspaceOutcome {
  kReady,          ///< the folder exists
  kNoIniFile,      ///< nothing named TirvOPC.ini beside the executable
  kUnresolvable,   ///< the ini cannot be read, or its text is refused
  kFolderMissing,  ///< the resolved folder does not exist
};

struct WorkspaceLocation {
  WorkspaceOutcome outcome = WorkspaceOutcome::kNoIniFile;
  std::u16string programFolder;  ///< the executable's folder, with a trailing "/"
  std::u16string iniPath;        ///< programFolder + "TirvOPC.ini"
  std::u16string configured;     ///< the CustomWorkspace text as read (or the default)
  std::u16string folder;         ///< the resolved folder, without a trailing separator
  int error = 0;                 ///< why the ini is missing or could not be read, or 0
  bool iniParsed = false;        ///< the ini was read as a profile file
  ProfileFault iniFault;         ///< why it was not, when it was read
};

/// Finds the ini file, reads CustomWorkspace whole and resolves it. Whether the folder
/// exists is the last thing told.
WorkspaceLocation LocateWorkspace(const ModulePathSource& modulePath);

/// The location of a folder given by name (the --workspace option), relative to the
/// current folder unless it begins with "/": kReady, or kFolderMissing when nothing of
/// that name exists.
WorkspaceLocation GivenWorkspace(std::u16string_view folder);

/// Why a location is not ready, as a person reads it, with the file or folder first:
/// "<ini>: No such file or directory", "<ini>, line 1: the line is neither ...",
/// "<ini>: there is no CustomWorkspace in [Settings]", "<ini>: the workspace \"x\" is
/// neither a full path nor one beginning with ./". Empty for a ready one.
std::u16string DescribeLocation(const WorkspaceLocation& location);

/// Creates the one folder `folder` (no intermediate folders). False with `error` set
/// when it could not.
bool CreateWorkspaceFolder(std::u16string_view folder, int& error);

}  // namespace tirv
