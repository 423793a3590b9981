// Workspace location and enumeration: finds "TirvOPC.ini" beside the executable,
// resolves its CustomWorkspace text into a folder, and lists the "*.opc" entries of the
// folder in the order the file system returns them.
//
// Nothing here shows anything or ends the process: every outcome, the ones that stop
// the program included, comes back as a value for the front end to act on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace tirv {

namespace workspace_file {
inline constexpr std::u16string_view kIniFileName = u"TirvOPC.ini";
inline constexpr std::u16string_view kSettings = u"Settings";
inline constexpr std::u16string_view kCustomWorkspace = u"CustomWorkspace";
/// What the workspace text is when the key is missing or empty (and is refused).
inline constexpr std::u16string_view kFileNotFound = u"file not found";
inline constexpr std::u16string_view kSearchPattern = u"/*.opc";
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
};

/// Finds the ini file, reads CustomWorkspace whole and resolves it. Whether the folder
/// exists is the last thing told.
WorkspaceLocation LocateWorkspace(const ModulePathSource& modulePath);

/// Creates the one folder `folder` (no intermediate folders). False with `error` set
/// when it could not.
bool CreateWorkspaceFolder(std::u16string_view folder, int& error);

/// How a search of a folder's "*.opc" entries ended.
struct SearchEnd {
  std::size_t found = 0;  ///< entries handed on
  /// The search failed part-way or could not be closed; `error` says why. A folder that
  /// cannot be listed at all finds nothing and does not fail, as an empty one does.
  bool failed = false;
  int error = 0;
};

/// Hands each entry of `folder` whose name matches "*.opc" (letter case ignored; folders
/// and other entries of such a name included) to `each`, in the order the file system
/// returns them, without holding them all.
SearchEnd ForEachResourceFile(std::u16string_view folder,
                              const std::function<void(std::u16string_view)>& each);

/// The "*.opc" entries of a folder.
struct ResourceFileListing {
  std::vector<std::u16string> names;  ///< file names without folder, in search order
  /// The search failed part-way (`names` holds what came before) or could not be closed;
  /// `error` says why. A folder that cannot be listed at all gives no names and no
  /// failure, as an empty one does.
  bool failed = false;
  int error = 0;
};

/// ForEachResourceFile's entries, as a list.
ResourceFileListing ListResourceFiles(std::u16string_view folder);

}  // namespace tirv
