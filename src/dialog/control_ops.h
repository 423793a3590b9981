// The operations that the editor's logic needs of the dialog framework, and the
// contract between a dialog's logic and the window that the framework builds for it.
//
// The logic holds every decision; an implementation of ControlOps only performs the
// operation on its controls. Combo boxes follow ComboModel (combo_model.h) exactly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/dialog_template.h"

namespace tirv {

inline constexpr int kEndOk = 1;
inline constexpr int kEndCancel = 2;

class DialogLogic;

class ControlOps {
 public:
  virtual ~ControlOps() = default;

  /// Makes a control usable or greyed; its content stays.
  virtual void EnableControl(int id, bool enabled) = 0;
  /// Checks radio button `id` and clears every other one from `first` to `last`.
  virtual void CheckRadioButton(int first, int last, int id) = 0;
  /// An edit's text; a drop-down list's selected entry (empty if none); a drop-down
  /// edit combo's edit field.
  virtual std::u16string GetText(int id) = 0;
  /// An edit or a drop-down edit combo shows `text`; a drop-down list ignores it.
  virtual void SetText(int id, std::u16string_view text) = 0;

  virtual void ComboReset(int id) = 0;
  /// Inserts in sorted place (sorted combos) or appends; returns the entry's index.
  virtual int ComboAdd(int id, std::u16string_view text) = 0;
  /// Replaces every entry by `texts`, sorted once (sorted combos) in the order that adding
  /// them one by one would give; nothing is selected.
  virtual void ComboFill(int id, std::vector<std::u16string> texts) = 0;
  virtual int ComboCount(int id) = 0;
  /// The selected entry's index, or -1.
  virtual int ComboCurrentIndex(int id) = 0;
  /// Selects entry `index`; -1 clears the selection. Raises no notification.
  virtual void ComboSetCurrentIndex(int id, int index) = 0;
  virtual std::u16string ComboEntryText(int id, int index) = 0;
  /// The first entry from `start` + 1 onwards, wrapping round to `start`, that begins
  /// with `text` (letter case ignored); -1 if none or `text` is empty.
  virtual int ComboFindPrefix(int id, int start, std::u16string_view text) = 0;
  /// As ComboFindPrefix, selecting the entry found; the selection stays when none is.
  virtual int ComboSelectPrefix(int id, int start, std::u16string_view text) = 0;

  /// A modal box owned by this dialog, captioned with the application title: an OK
  /// button and the information icon.
  virtual void InformationBox(std::u16string_view text) = 0;
  /// The same with Yes and No and the question icon; true when the answer is Yes.
  virtual bool QuestionBox(std::u16string_view text) = 0;
  /// The framework's box: the application title as caption, an OK button, the warning icon.
  virtual void ApplicationMessageBox(std::u16string_view text) = 0;

  /// Runs another dialog modally over this one; returns its end code.
  virtual int RunModalDialog(DialogLogic& dialog) = 0;
  /// Closes this dialog with `code` once the current handler returns.
  virtual void EndDialog(int code) = 0;
  /// Adds the help button to the caption, sets `iconId` as big and small icon, centres
  /// the window on the screen.
  virtual void SetUpWindow(int iconId) = 0;
};

/// A dialog's logic, driven by the framework window built from its template. Each verb
/// is one action of a person on the window; dialog/routing.h says which is which.
class DialogLogic {
 public:
  virtual ~DialogLogic() = default;
  virtual const DialogTemplate& Template() const = 0;
  /// The window and its controls exist; `ops` operates them until the dialog ends.
  virtual bool OnInitDialog(ControlOps& ops) = 0;
  /// A push button or radio button was clicked, or a command that no control stands for.
  virtual void OnCommand(int id) { (void)id; }
  /// The user picked an entry of combo `id` (never raised by a programmatic change).
  virtual void OnSelectionChange(int id) { (void)id; }
  /// Enter, or the button with id 1.
  virtual void OnOk() = 0;
  /// Escape, the button with id 2, or the close box when OnSystemCommand leaves it.
  virtual void OnCancel() = 0;
  /// F1.
  virtual void OnHelp() {}
  /// A command of the window's system menu; the close box is kSysCommandClose. False
  /// leaves it to the framework, which takes the close command as Cancel.
  virtual bool OnSystemCommand(std::uintptr_t command) {
    (void)command;
    return false;
  }
};

}  // namespace tirv
