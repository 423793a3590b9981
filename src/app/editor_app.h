// The application shell: start-up with its refusal of a second instance, the modal run
// of the editor dialog as the only main window, and the About box it opens for the editor.
#pragma once

#include <string_view>

#include "dialog/control_ops.h"
#include "editor/editor_dialog.h"

namespace tirv {

inline constexpr int kStringApplicationTitle = 57344;
inline constexpr int kAboutDialog = 100;

/// Loads string resource `id` into `buffer` (cut to `capacity` - 1, terminated).
/// Returns its length; 0, with an empty text, when there is no such string.
int LoadAppString(int id, char16_t* buffer, int capacity);

/// What start-up needs of the platform and the dialog framework.
class AppFramework {
 public:
  virtual ~AppFramework() = default;
  virtual bool TopLevelWindowExists(std::u16string_view title) = 0;
  /// A message box without owner, captioned with the application title: an OK button
  /// and the information icon.
  virtual void UnownedInformationBox(std::u16string_view text) = 0;
  /// Ends the process; returns only where a test stands in for the process.
  virtual void EndProcess(int exitCode) = 0;
  /// Makes `dialog` the main window and runs it modally; returns its end code.
  virtual int RunMainDialog(DialogLogic& dialog) = 0;
};

const DialogTemplate& AboutDialogTemplate();

/// The About box: the program's icon, name and version, and an OK button.
class AboutDialog : public DialogLogic {
 public:
  const DialogTemplate& Template() const override { return AboutDialogTemplate(); }
  bool OnInitDialog(ControlOps& ops) override;
  void OnOk() override { ops_->EndDialog(kEndOk); }
  void OnCancel() override { ops_->EndDialog(kEndCancel); }

 private:
  ControlOps* ops_ = nullptr;
};

class EditorApp : public EditorShell {
 public:
  explicit EditorApp(AppFramework& framework, EditorEnvironment environment = {})
      : framework_(framework), environment_(std::move(environment)) {}

  /// Refuses to run (message, exit code 1) when a window already bears the
  /// application title; otherwise runs the editor dialog until it closes. Returns false:
  /// no further message loop is to run.
  bool StartApplication();

  /// Runs the About box over the window of `ops`; its end code is not used.
  void ShowAboutBox(ControlOps& ops) override;

 private:
  AppFramework& framework_;
  EditorEnvironment environment_;
};

}  // namespace tirv
