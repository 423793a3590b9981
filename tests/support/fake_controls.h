// FakeControls: the in-memory stand-in for a dialog window. It keeps the state of every
// control of a template (enabled, checked, edit texts, combo boxes through ComboModel),
// records every message box and answers it from a script, and runs nested modal
// dialogs with scripted user actions. A person's actions reach the logic's verbs through
// the routing the Qt window uses (dialog/routing.h). Tests assert on the state, not on
// the calls.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialog/combo_model.h"
#include "dialog/control_ops.h"

namespace tirv::testing {

enum class BoxKind { kOwned, kApplication };

/// The answers a script gives to question boxes.
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

struct RecordedBox {
  BoxKind kind;
  std::u16string text;
  std::u16string caption;
  int type;        ///< 64 information, 36 question, 0 the application message box
  int templateId;  ///< the dialog that showed it
};

class FakeControls;
/// What the user does in a modal dialog that the code under test runs.
using ModalScript = std::function<void(FakeControls& dialog)>;

/// Shared by a dialog and the dialogs it runs: the boxes in the order shown, scripted
/// answers, and the scripts of the modal runs still to come.
struct FakeSession {
  std::vector<RecordedBox> boxes;
  std::deque<int> answers;
  std::deque<ModalScript> modalScripts;
  std::vector<int> modalRuns;  ///< template ids, in the order run
};

class FakeControls : public ControlOps {
 public:
  explicit FakeControls(const DialogTemplate& dialogTemplate,
                        std::shared_ptr<FakeSession> session = nullptr);

  /// Attaches `logic` and runs its initialisation.
  bool Initialise(DialogLogic& logic);

  // State, as a person would see it.
  bool IsEnabled(int id) const;
  bool IsChecked(int id) const;
  /// The id of the one checked radio button, or 0.
  int CheckedRadio() const;
  ComboModel& Combo(int id);
  std::vector<std::u16string> Entries(int id);
  bool ended() const { return ended_; }
  int endCode() const { return endCode_; }
  FakeSession& session() { return *session_; }
  std::vector<std::u16string> BoxTexts() const;

  // The user's actions. Disabled controls ignore them.
  void Pick(int comboId, int index);
  /// Picks the entry whose text equals `text`; fails the test when there is none.
  void PickText(int comboId, std::u16string_view text);
  void Type(int id, std::u16string_view text);
  void Click(int id);
  void PressEnter();
  void PressEscape();
  void PressF1();
  /// The close box of the window's caption.
  void ClickCloseBox();
  /// A command that no control of the template stands for (a menu's).
  void ChooseCommand(int id);
  void ChooseSystemCommand(std::uintptr_t command);

  // ControlOps
  void EnableControl(int id, bool enabled) override;
  void CheckRadioButton(int first, int last, int id) override;
  std::u16string GetText(int id) override;
  void SetText(int id, std::u16string_view text) override;
  void ComboReset(int id) override;
  int ComboAdd(int id, std::u16string_view text) override;
  void ComboFill(int id, std::vector<std::u16string> texts) override;
  int ComboCount(int id) override;
  int ComboCurrentIndex(int id) override;
  void ComboSetCurrentIndex(int id, int index) override;
  std::u16string ComboEntryText(int id, int index) override;
  int ComboFindPrefix(int id, int start, std::u16string_view text) override;
  int ComboSelectPrefix(int id, int start, std::u16string_view text) override;
  void InformationBox(std::u16string_view text) override;
  bool QuestionBox(std::u16string_view text) override;
  void ApplicationMessageBox(std::u16string_view text) override;
  int RunModalDialog(DialogLogic& dialog) override;
  void EndDialog(int code) override;
  void SetUpWindow(int iconId) override;

  int windowIcon = 0;
  int setUpCount = 0;

 private:
  struct Control {
    ControlKind kind;
    bool enabled = true;
    bool checked = false;
    std::u16string text;
    std::unique_ptr<ComboModel> combo;
  };
  Control& At(int id);

  const DialogTemplate& template_;
  std::shared_ptr<FakeSession> session_;
  std::map<int, Control> controls_;
  DialogLogic* logic_ = nullptr;
  bool ended_ = false;
  int endCode_ = 0;
};

}  // namespace tirv::testing
