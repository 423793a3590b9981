// EditorDialog: the program's one window. It owns the ResourceList, shows one record at
// a time in its controls, keeps the port-kind state, and runs the commands: switch,
// Save, Delete Resource, Add Resource, OK and Cancel.
//
// It reaches its controls only through ControlOps. Failures reach the user as message
// boxes; nothing here throws.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "control_ops.h"
#include "resource_file.h"
#include "resource_record.h"
#include "status.h"
#include "workspace.h"

namespace tirv {

namespace editor_text {
inline constexpr std::u16string_view kWorkspaceError =
    u"An error has occoured while loading the workspace";
inline constexpr std::u16string_view kSwitchRefused =
    u"An error has occoured, make sure all values have been set";
inline constexpr std::u16string_view kNotSaved =
    u"Data not saved make sure all values have been set";
inline constexpr std::u16string_view kSaveFailed =
    u"An error has occoured, data may not have been saved";
inline constexpr std::u16string_view kSelectToDelete = u"You must select a resource to delete";
inline constexpr std::u16string_view kConfirmDelete =
    u"Are you sure you want to delete this resource?";
inline constexpr std::u16string_view kRefreshFailed =
    u"An error occoured while refreshing the dialog";
inline constexpr std::u16string_view kAddCollectFailed =
    u"An error has occoured while saving the selected resource, make sure all values have been "
    u"set";
}  // namespace editor_text

/// The window messages that are the application shell's business (the About box).
class EditorShell {
 public:
  virtual ~EditorShell() = default;
  /// True when the shell handled the message; false asks for default processing.
  virtual bool HandleEditorMessage(ControlOps& ops, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t& result) = 0;
};

/// What the editor takes from the running process; tests stand in for both.
struct EditorEnvironment {
  std::function<void(int)> endProcess;              ///< default: end the process
  std::function<bool(std::u16string&)> modulePath;  ///< default: the executable's path
};

class EditorDialog : public DialogLogic, private ResourceEditorLink, private WorkspaceHost {
 public:
  explicit EditorDialog(EditorEnvironment environment = {});
  ~EditorDialog() override;

  void SetShell(EditorShell* shell) { shell_ = shell; }
  /// The operations of the window, once it exists.
  ControlOps& ops() { return *ops_; }

  // The window's contract.
  const DialogTemplate& Template() const override;
  bool OnInitDialog(ControlOps& ops) override;
  void OnCommand(int id) override;
  void OnSelectionChange(int id) override;
  void OnOk() override;
  void OnCancel() override;
  bool OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t& result) override;

  /// Enables the setting controls that `kind` (0..6) uses, disables the others, checks
  /// its radio button and makes it the port-kind state. Changes no value.
  void SelectPortKind(std::int32_t kind) override;

  /// Shows the record named `name` + ".opc" (exact). Failure, nothing changed, when no
  /// record has that name; failure, with the values shown but the port kind kept, when
  /// its port kind lies outside 0..6.
  Status ShowResource(std::u16string_view name);

  /// Refills the Resource combo from the list, selects and shows its first entry.
  /// The ShowResource status, or success when the list is empty.
  Status RefreshResourceList() override;

  /// Copies the controls into the record `name` + ".opc". Failure, with no record
  /// changed, when the Timeout or Parameter edit is empty (the Resource combo then
  /// selects currentName again) or no record has that name. Success on an empty list.
  Status CollectCurrentResource(std::u16string_view name);

  void SwitchResource();
  void SaveCommand();
  void DeleteResourceCommand();
  void AddResourceCommand();

  // Members, as the window's state.
  ResourceList resourceList;
  std::u16string deleteName;
  std::u16string currentName;
  std::u16string newName;
  WorkspaceFolders folders;  ///< programFolder, customWorkspace, workspaceFolder
  std::array<std::uint8_t, kPortKindCount> portKindFlags{};

  std::u16string dataBitsText = u"8";
  std::u16string parameterText = u"-ip127.0.0.1";
  std::u16string parityText = u"None";
  std::u16string resourceText;
  std::u16string stopBitsText = u"1";
  std::u16string timeoutText = u"2000";
  std::u16string baudText = u"9600";
  std::u16string alignmentText = u"Little Endian";
  int icon = 0;

 private:
  // WorkspaceHost and ResourceEditorLink.
  int ResourceEntryCount() override;
  void ClearResourceEntries() override;
  Status LoadResourceFile(std::u16string_view fileName) override;
  void ApplicationMessageBox(std::u16string_view text) override;
  int OwnedMessageBox(std::u16string_view text, std::u16string_view caption, int type) override;
  void EndProcess(int exitCode) override;

  void PushBoundTexts();
  void ReadBoundTexts();
  void FillFixedLists();
  void ShowInCombo(std::u16string& bound, const std::u16string& value, int comboId);
  void InformationBox(std::u16string_view text);
  ResourceFiles Files();
  void ListRecordsFrom(ResourceList::Position first);
  int FindAddedEntry(std::u16string_view name);

  EditorEnvironment environment_;
  ControlOps* ops_ = nullptr;
  EditorShell* shell_ = nullptr;
  // How far the Resource combo already lists the records: while records are only
  // appended, a refresh adds the new ones instead of refilling the combo, with the
  // same entries, order and selection as a full refill. Any removal since the listing
  // (the list's removal count moved) makes the listing stale.
  std::size_t listedCount_ = 0;
  std::size_t listedRemovals_ = 0;
  ResourceList::Position lastListed_{};
};

/// The first dot-separated part of a file name, leading dots skipped: what the
/// Resource combo lists for a record.
std::u16string ResourceEntryText(std::u16string_view fileName);

/// Routes a window message as the framework does: to the logic first; then, by default,
/// WM_COMMAND to OnCommand (1: OnOk, 2: OnCancel) and SC_CLOSE to OnCancel.
void DispatchWindowMessage(DialogLogic& logic, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t& result);

}  // namespace tirv
