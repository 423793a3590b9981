// Workspace location and enumeration: finds "TirvOPC.ini" beside the executable,
// resolves its CustomWorkspace text into a folder, offers to create a missing folder,
// and hands every "*.opc" entry of the folder to the editor, one by one.
//
// Three outcomes end the process with exit code 0 (no ini file, a workspace text that
// cannot be resolved, creation of a missing folder declined); everything else is a
// returned status.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "status.h"

namespace tirv {

namespace workspace_text {
inline constexpr std::u16string_view kIniFileName = u"TirvOPC.ini";
inline constexpr std::u16string_view kSettings = u"Settings";
inline constexpr std::u16string_view kCustomWorkspace = u"CustomWorkspace";
inline constexpr std::u16string_view kNoIniFile = u"There is no ini file";
inline constexpr std::u16string_view kCannotConvert =
    u"Error converting workspace path, this program will now shut down";
inline constexpr std::u16string_view kFolderMissing =
    u"The folder %s does not exist, \n\n would you like it to be created for you?";
inline constexpr std::u16string_view kNoOpcFiles =
    u"There are no files of type .opc, select Add Resource to create one";
inline constexpr std::u16string_view kSearchPattern = u"/*.opc";
}  // namespace workspace_text

/// Message box types and answers of the original platform.
inline constexpr int kBoxInformation = 64;    ///< OK button, information icon
inline constexpr int kBoxYesNoQuestion = 36;  ///< Yes and No buttons, question icon
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

/// The caption of every box that the editor owns, and the application title.
inline constexpr std::u16string_view kApplicationTitle = u"Tirvane OPC-Server 2.0 Resource Editor";

/// What the workspace loading needs of the editor dialog.
class WorkspaceHost {
 public:
  virtual ~WorkspaceHost() = default;
  virtual int ResourceEntryCount() = 0;
  virtual void ClearResourceEntries() = 0;
  virtual void SelectPortKind(std::int32_t kind) = 0;
  virtual Status LoadResourceFile(std::u16string_view fileName) = 0;
  virtual Status RefreshResourceList() = 0;
  virtual void ApplicationMessageBox(std::u16string_view text) = 0;
  /// A box owned by the editor with `caption` and `type`; returns the answer.
  virtual int OwnedMessageBox(std::u16string_view text, std::u16string_view caption, int type) = 0;
  /// Ends the process; returns only where a test stands in for the process.
  virtual void EndProcess(int exitCode) = 0;
};

/// The folders that the loading fills in, members of the editor dialog.
struct WorkspaceFolders {
  std::u16string programFolder;    ///< the executable's folder, with a trailing "/"
  std::u16string customWorkspace;  ///< the configured text, resolved, then the search pattern
  std::u16string workspaceFolder;  ///< the resolved folder, without a trailing separator
};

/// The status LoadWorkspace returns after the host's EndProcess came back (tests only).
inline constexpr Status kProcessEnded = 1;

class WorkspaceLoader {
 public:
  using ModulePathSource = std::function<bool(std::u16string&)>;

  /// `modulePath` tells the executable's path; by default the running process's.
  WorkspaceLoader(WorkspaceHost& host, WorkspaceFolders& folders,
                  ModulePathSource modulePath = nullptr);

  /// Runs once, as the last step of the editor's initialisation. Returns a negative
  /// status when the refresh after the last file failed, the search failed before its
  /// end, closing the search failed, or a missing folder could not be created.
  Status LoadWorkspace();

  /// Sets programFolder from the executable's path. kGeneralFailure, and programFolder
  /// unchanged, when the path holds no separator.
  Status FindProgramFolder();

  /// The attribute bits of `path`, or -1 when nothing of that name exists.
  static std::int32_t PathExists(std::u16string_view path);

  /// Resolves the configured text in place, after removing white space at its start:
  /// a text with ":" is used unchanged; one beginning with ".\" or "./" is taken
  /// relative to the executable's folder; one beginning with "/" is a full path.
  /// Anything else is refused with kGeneralFailure and left unchanged.
  Status ResolveWorkspacePath(std::u16string& text);

 private:
  Status OfferToCreate(std::int32_t& attributes);
  Status LoadEveryEntry(std::int32_t folderAttributes);

  WorkspaceHost& host_;
  WorkspaceFolders& folders_;
  ModulePathSource modulePath_;
};

}  // namespace tirv
