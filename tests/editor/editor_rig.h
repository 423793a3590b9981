// An editor dialog on the in-memory controls, over a real workspace folder: the program
// folder "bin" with its TirvOPC.ini (CustomWorkspace=./ws) and the workspace "bin/ws".
// The executable's path and the end of the process are injected.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "editor/editor_dialog.h"
#include "editor/templates.h"
#include "support/fake_controls.h"
#include "support/resource_texts.h"
#include "support/temp_dir.h"

namespace tirv::testing {

inline constexpr int kYes = kAnswerYes;
inline constexpr int kNo = kAnswerNo;

/// The editor's window as in-memory controls.
class EditorControls : public FakeControls {
 public:
  EditorControls() : FakeControls(EditorDialogTemplate()) {}
};

/// What the user sees, for whole-state comparisons.
struct Seen {
  std::vector<std::u16string> entries;
  int selected;
  /// Baud, Stopbits, Databits, Parity, Timeout, Parameter, Alignment.
  std::vector<std::u16string> values;
  /// Baud, Stopbits, Databits, Parity, Timeout, Parameter: "x" enabled, "-" disabled.
  std::string enabled;
  int checkedRadio;
  std::vector<std::u16string> boxes;
  int endCode;  ///< 0 while the dialog is open

  bool operator==(const Seen&) const = default;
};
void PrintTo(const Seen& seen, std::ostream* os);

struct EditorRig {
  EditorRig();

  /// A canonical resource file in the workspace: the layout a save leaves behind.
  void File(const std::string& name, const std::string& portText,
            const std::string& adaptation = "QB.OPC.AdaptTIRV3x.LE.20") const;
  void Raw(const std::string& name, const std::string& bytes) const;
  std::string Bytes(const std::string& name) const;
  std::string WsPath(const std::string& name) const { return ws + "/" + name; }
  /// Every file of the workspace with its bytes, for "nothing was written" checks.
  std::vector<std::pair<std::string, std::string>> Files() const;
  /// The workspace's resource files in the order the folder lists them, the order in
  /// which the editor reads them and lists twins.
  std::vector<std::string> ListingOrder() const;

  /// Initialises the editor dialog on the controls: the workspace is loaded.
  void Open();

  Seen Now();
  std::vector<std::u16string> Values();
  std::string Enabled();
  /// The text of the selected Resource entry; empty when none is selected.
  std::u16string Selected() { return ui.GetText(ids::kResource); }

  /// Answers the next question boxes, in order.
  void Answer(std::initializer_list<int> answers);
  /// Runs the new-resource dialog as a person would: types each name, presses OK
  /// after each, and presses Escape when the dialog is still open at the end.
  void ScriptNewResource(std::vector<std::u16string> names);
  void ClickAdd() { ui.Click(ids::kAddResource); }

  TempDir dir;
  std::string bin;
  std::string ws;
  std::vector<int> exitCodes;
  EditorDialog editor;
  EditorControls ui;
};

/// A canonical resource file's bytes.
std::string OpcFile(const std::string& portText,
                    const std::string& adaptation = "QB.OPC.AdaptTIRV3x.LE.20");

}  // namespace tirv::testing
