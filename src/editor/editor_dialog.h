// EditorDialog: the program's one window. It owns the workspace's records, shows one
// at a time in its controls, keeps the port-kind state, and runs the commands: switch,
// Save, Delete Resource, Add Resource, OK, Cancel and the way to the About box.
//
// It turns what the core returns into what the user sees: message boxes, radio buttons,
// and the end of the process at start-up. It reaches its controls only through
// ControlOps; nothing here throws.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "dialog/control_ops.h"
#include "platform/status.h"
#include "resources/resource_file.h"
#include "resources/resource_record.h"
#include "workspace/location.h"
#include "workspace/resource_store.h"

namespace tirv {

/// What the application shell adds to the editor's window: the About box.
class EditorShell {
 public:
  virtual ~EditorShell() = default;
  /// Runs the About box over the window of `ops`.
  virtual void ShowAboutBox(ControlOps& ops) = 0;
};

/// What the editor takes from the running process; tests stand in for it.
struct EditorEnvironment {
  std::function<void(int)> endProcess;  ///< default: end the process
  ModulePathSource modulePath;          ///< default: the executable's path
  /// A workspace folder to open instead of the one TirvOPC.ini names; empty for that one.
  std::u16string workspaceFolder;
};

/// The editor's window as a person uses it: each verb is an action on it, and what it
/// shows is all there is to see. Help, command ids::kCommandAbout and system command
/// ids::kSysCommandAbout open the shell's About box.
class EditorDialog : public DialogLogic {
 public:
  explicit EditorDialog(EditorEnvironment environment = {});
  ~EditorDialog() override;

  void SetShell(EditorShell* shell) { shell_ = shell; }

  // The window's contract.
  const DialogTemplate& Template() const override;
  bool OnInitDialog(ControlOps& ops) override;
  void OnCommand(int id) override;
  void OnSelectionChange(int id) override;
  void OnOk() override;
  void OnCancel() override;
  void OnHelp() override;
  bool OnSystemCommand(std::uintptr_t command) override;

 private:
  /// The texts bound to the controls, with what the editor shows before any resource.
  struct BoundTexts {
    std::u16string dataBits = std::u16string(shown_first::kDataBits);
    std::u16string parameter = std::u16string(shown_first::kParameter);
    std::u16string parity = std::u16string(shown_first::kParity);
    std::u16string stopBits = std::u16string(shown_first::kStopBits);
    std::u16string timeout = std::u16string(shown_first::kTimeout);
    std::u16string baud = std::u16string(shown_first::kBaud);
    std::u16string alignment = std::u16string(shown_first::kAlignment);
  };

  // Start-up.
  Status LoadWorkspace();
  bool LocateOrEnd();
  Status CreateMissingFolder();
  Status LoadResourceFiles();

  // The commands.
  void SwitchResource();
  void SaveCommand();
  bool SaveChangedResources();
  void DeleteResourceCommand();
  void AddResourceCommand();
  void ShowAboutBox();

  /// Copies the controls into the record that the current Resource entry stands for
  /// (RecordOfEntry). Failure, with no record changed, when the Timeout edit is empty or
  /// the Parameter edit holds nothing but blanks (the Resource combo then selects the
  /// current entry again) or no record stands for the entry. Success when there are no
  /// records. The port kind is taken from the radio buttons only when the record has
  /// one of 0..6 or the user picked one since it was shown.
  Status CollectCurrentResource();

  // The Resource combo and the records its entries stand for.
  ResourceList& records() { return store_.records(); }
  /// Refills the Resource combo from the records, selects and shows its first entry.
  /// The ShowRecord status, or success when there are no records.
  Status RefreshResourceList();
  /// The record that entry `index` of the Resource combo stands for: entries of equal
  /// text stand, in their order, for the records listed under that text in list order.
  /// end() for an index out of range.
  ResourceList::Position RecordOfEntry(int index);
  int EntryOfRecord(ResourceList::Position record);
  void SelectCurrentEntryAgain();

  // The controls.
  /// Enables the setting controls that `kind` (0..6) uses, disables the others, checks
  /// its radio button and makes it the port-kind state. Changes no value.
  void SelectPortKind(std::int32_t kind);
  /// Shows the record, each value exactly as it holds it: a Baud, Stopbits, Databits or
  /// Parity value outside its fixed list as an entry of its own, an empty one with
  /// nothing selected, an alignment that is neither of the two in the Alignment edit
  /// field. Failure, with the values shown but the port kind kept, when its port kind
  /// lies outside 0..6.
  Status ShowRecord(ResourceList::Position record);
  void PushBoundTexts();
  void ShowValue(int comboId, const std::u16string& value);
  int FindEntry(int comboId, std::u16string_view text);
  void EndProcess(int code);

  EditorEnvironment environment_;
  ControlOps* ops_ = nullptr;
  EditorShell* shell_ = nullptr;

  ResourceStore store_;
  WorkspaceLocation workspace_;
  std::u16string loadReason_;                 ///< the second line of the loading's error, if any
  std::u16string currentName_;                ///< the entry whose record the controls show
  int currentEntry_ = -1;                     ///< its index in the Resource combo
  std::int32_t portKind_ = kPortKindUnknown;  ///< the kind last selected
  bool portKindPicked_ = false;               ///< a radio button was clicked since the last show
  BoundTexts bound_;
};

}  // namespace tirv
