// The frame of an end-to-end scenario: a private display, a program folder with a copy
// of the built editor, its TirvOPC.ini and workspace as the test writes them, and the
// moves of a person on the editor's window (clicks at the places of the editor's
// template, worked out from the window's size; keys, typing), with every wait bounded.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "editor/templates.h"
#include "editor/texts.h"
#include "platform/text.h"
#include "support/temp_dir.h"
#include "x_session.h"

namespace tirv::testing {

/// The title the editor's windows and boxes bear.
inline const std::string kTitle = Utf16ToUtf8(texts::kApplicationTitle);

/// `text` in UTF-8 as the box trace writes it: backslash, double quote, CR and LF escaped.
std::string Traced(std::u16string_view text);

/// A control's place in the editor, in dialog units, as its window shows it: the place
/// its template gives, a combo box closed.
struct DialogRect {
  int x, y, width, height;
};

/// The place of control `id` of the editor's template; empty when it has none.
inline DialogRect EditorControl(int id) {
  const ControlTemplate* control = EditorDialogTemplate().Find(id);
  if (control == nullptr) return {};
  return {control->x, control->y, control->width, control->ShownHeight()};
}

namespace editor_controls {
inline const DialogRect kResource = EditorControl(ids::kResource);
inline const DialogRect kAlignment = EditorControl(ids::kAlignment);
inline const DialogRect kBaud = EditorControl(ids::kBaud);
inline const DialogRect kStopBits = EditorControl(ids::kStopBits);
inline const DialogRect kDataBits = EditorControl(ids::kDataBits);
inline const DialogRect kParity = EditorControl(ids::kParity);
inline const DialogRect kTimeout = EditorControl(ids::kTimeout);
inline const DialogRect kParameter = EditorControl(ids::kParameter);
inline const DialogRect kAddResource = EditorControl(ids::kAddResource);
inline const DialogRect kDeleteResource = EditorControl(ids::kDeleteResource);
inline const DialogRect kSave = EditorControl(ids::kSave);
/// The radio buttons COM1 .. TCP/IP, indexed by port kind.
inline const std::array<DialogRect, 7> kRadios = {
    EditorControl(ids::kRadioFirst),       EditorControl(ids::kRadioFirst + 1),
    EditorControl(ids::kRadioFirst + 2),   EditorControl(ids::kRadioFirst + 3),
    EditorControl(ids::kRadioSimulation1), EditorControl(ids::kRadioSimulation2),
    EditorControl(ids::kRadioLast)};
}  // namespace editor_controls

/// The trace line of an answered box with the application title as caption; `text` as
/// the trace writes it (backslash, quote and line feed escaped).
std::string BoxLine(std::string_view kind, int type, std::string_view text, int answer);

class EditorScenario : public ::testing::Test {
 protected:
  EditorScenario();
  void SetUp() override;

  // The program folder.
  const std::string& programFolder() const { return dir_.path(); }
  void WriteIni(std::string_view bytes);
  /// Writes a file of the workspace folder "ws", creating the folder.
  void WriteResource(const std::string& name, std::string_view bytes);
  std::string WorkspaceFile(const std::string& name) const { return dir_.File("ws/" + name); }
  /// Every file of a folder with its bytes.
  std::map<std::string, std::string> FilesIn(const std::string& folder) const;

  // Running the program.
  /// Starts the copied editor, with `editorArguments_`, and the box trace on; its stderr
  /// goes to `<log>.err`.
  std::unique_ptr<Child> Start(const std::string& log = "editor");
  /// The trace lines of the answered boxes of a run.
  std::vector<std::string> BoxLines(const std::string& log = "editor") const;
  /// Waits for a new visible window of `pid` titled `title`, not one of `known`; its id,
  /// or "" (with a test failure) when none appears within `limitMs`.
  std::string WaitForWindow(pid_t pid, const std::string& title,
                            const std::set<std::string>& known = {}, int limitMs = 20000);
  /// Starts the editor on the program folder and waits for its window.
  bool OpenEditor();
  /// Waits for the editor's own window once the start-up boxes are answered.
  bool WaitForEditor(int limitMs = 20000);
  /// Escape, then the exit code of the editor.
  int Close();
  /// Waits for the process to end; its exit code, or -1 (with a test failure).
  int ExitCode(Child& process, int limitMs = 10000);

  // A person's moves on the editor window.
  void ClickAt(const DialogRect& control, int button = 1, int repeat = 1);
  /// Turns the mouse wheel over a combo: positive steps move down the list.
  void Wheel(const DialogRect& combo, int steps);
  void PressKeys(const std::vector<std::string>& keys);
  /// Clicks into an edit, selects all of it and types `text`.
  void ReplaceEditText(const DialogRect& edit, const std::string& text);
  /// Waits for a box (or dialog) of the editor titled `title` over its window, then
  /// types `text` into it (if any) and presses `keys`. False when none appeared.
  bool AnswerNextWindow(const std::vector<std::string>& keys, const std::string& text = "",
                        const std::string& title = kTitle);
  /// The same for a box over `dialog`, a dialog the editor runs over its window.
  bool AnswerNextBoxOver(const std::string& dialog, const std::vector<std::string>& keys);
  /// Picks the entry `steps` below the current one (above, when negative) through the
  /// combo's drop list.
  void PickFromDropList(const DialogRect& combo, int steps);

  // What the window shows. Each waits up to 5 s for the window to be repainted;
  // `screen_` then describes what was last seen.
  /// True once the dot of radio button `kind` (a port kind), and of no other, is drawn.
  bool ShowsCheckedRadio(int kind);
  /// True once the edit's field is drawn white (enabled) or grey (disabled).
  bool ShowsEditEnabled(const DialogRect& edit, bool enabled);
  /// True once `folder` holds exactly the files `names` (sorted).
  bool FolderComesToHold(const std::string& folder, const std::vector<std::string>& names);

  VirtualDisplay display_;
  TempDir dir_;
  /// Put before the editor's path when it starts (setpriv, prlimit...); empty by default.
  std::vector<std::string> launcher_;
  /// Put after the editor's path when it starts; empty by default.
  std::vector<std::string> editorArguments_;
  /// "NAME=value" entries the editor gets besides the test's environment.
  std::vector<std::string> editorEnvironment_;
  std::unique_ptr<Child> editor_;
  std::string window_;  ///< the editor's window
  VirtualDisplay::Geometry geometry_;
  std::string screen_;

 private:
  bool AnswerNewWindow(const std::set<std::string>& known, const std::vector<std::string>& keys,
                       const std::string& text, const std::string& title);
  std::optional<VirtualDisplay::Image> CaptureEditor();
  int CheckedRadioOnScreen();
  std::optional<bool> EditLooksEnabled(const DialogRect& edit);
  int ScreenX(double dialogX) const;
  int ScreenY(double dialogY) const;
};

}  // namespace tirv::testing
