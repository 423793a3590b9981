// Helpers for the widget tests: a dialog logic that records what the window tells it,
// and views of the real widgets as a person sees them.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "dialog/control_ops.h"
#include "dialog/routing.h"
#include "gui/template_dialog.h"

namespace tirv::testing {

/// Records the user's actions that reach a dialog's logic; OK and Cancel end the dialog.
class RecordingLogic : public DialogLogic {
 public:
  explicit RecordingLogic(const DialogTemplate& dialogTemplate) : template_(dialogTemplate) {}

  const DialogTemplate& Template() const override { return template_; }
  bool OnInitDialog(ControlOps& ops) override {
    ops_ = &ops;
    return true;
  }
  void OnCommand(int id) override { commands.push_back(id); }
  void OnSelectionChange(int id) override { selectionChanges.push_back(id); }
  void OnOk() override {
    closes.push_back("OK");
    ops_->EndDialog(kEndOk);
  }
  void OnCancel() override {
    closes.push_back("Cancel");
    ops_->EndDialog(kEndCancel);
  }
  void OnHelp() override { ++helps; }
  bool OnSystemCommand(std::uintptr_t command) override {
    systemCommands.push_back(command);
    return takesSystemCommands;
  }

  std::vector<int> commands;
  std::vector<int> selectionChanges;
  std::vector<std::string> closes;
  int helps = 0;
  std::vector<std::uintptr_t> systemCommands;
  /// True: the logic takes every system command, so the close box cancels nothing.
  bool takesSystemCommands = false;

 private:
  const DialogTemplate& template_;
  ControlOps* ops_ = nullptr;
};

/// A template dialog on `logic`, initialised and shown but not run modally.
struct ShownDialog {
  explicit ShownDialog(DialogLogic& logic) : window(logic, nullptr) {
    logic.OnInitDialog(window);
    window.show();
  }
  TemplateDialog window;
};

inline QComboBox* ComboWidget(const TemplateDialog& dialog, int id) {
  return qobject_cast<QComboBox*>(dialog.Control(id));
}

/// The entries that the QComboBox itself holds, in UTF-8.
inline std::vector<std::string> WidgetItems(const QComboBox* combo) {
  std::vector<std::string> items;
  for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
  return items;
}

/// The entries that the control operations report, in UTF-8.
inline std::vector<std::string> OpsItems(TemplateDialog& dialog, int id) {
  std::vector<std::string> items;
  for (int i = 0; i < dialog.ComboCount(id); ++i) {
    items.push_back(QString::fromStdU16String(dialog.ComboEntryText(id, i)).toStdString());
  }
  return items;
}

/// What a person sees in a combo: its current index and its shown text.
struct ComboView {
  int index;
  std::string text;
  bool operator==(const ComboView&) const = default;
};
inline ComboView Shown(const QComboBox* combo) {
  return {combo->currentIndex(), combo->currentText().toStdString()};
}
inline void PrintTo(const ComboView& view, std::ostream* os) {
  *os << "{index " << view.index << ", \"" << view.text << "\"}";
}

/// Runs `action` once on the first visible top-level widget that `match` accepts. It
/// polls from a timer, so it acts inside a modal loop that the code under test runs.
class WhenShown {
 public:
  WhenShown(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action)
      : match_(std::move(match)), action_(std::move(action)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }
  /// How often the action ran: 0 or 1.
  int count() const { return count_; }

 private:
  void Poll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (!widget->isVisible() || !match_(widget)) continue;
      timer_.stop();
      ++count_;
      action_(widget);
      return;
    }
  }

  std::function<bool(QWidget*)> match_;
  std::function<void(QWidget*)> action_;
  QTimer timer_;
  int count_ = 0;
};

inline std::string Utf8(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

}  // namespace tirv::testing
