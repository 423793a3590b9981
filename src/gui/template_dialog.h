// TemplateDialog: a Qt dialog built from a dialog template, driving a DialogLogic.
//
// It owns the widgets, converts template positions from dialog units with the dialog
// font, hands each action of the user to the logic's verb (buttons and radio buttons
// as commands, a pick in a combo as a selection change, Enter as OK, Escape as Cancel,
// the close box as the close system command, F1 as help; dialog/routing.h) and performs
// the logic's ControlOps on the widgets.
// Combo boxes keep a ComboModel, which decides; the QComboBox only shows it.
#pragma once

#include <QDialog>

#include <map>
#include <memory>

#include "dialog/combo_model.h"
#include "dialog/control_ops.h"

class QComboBox;

namespace tirv {

class ComboItemModel;

/// Pixels per dialog unit for a dialog font: average character width / 4, height / 8.
struct DialogUnits {
  double x = 1.5;
  double y = 1.625;
  static DialogUnits ForFont(const QFont& font);
  QRect ToPixels(int x, int y, int width, int height) const;
};

class TemplateDialog : public QDialog, public ControlOps {
 public:
  TemplateDialog(DialogLogic& logic, QWidget* parent);
  ~TemplateDialog() override;

  /// Initialises the logic, then runs the dialog modally; returns its end code.
  int RunModal();

  QWidget* Control(int id) const;
  const ComboModel* Model(int id) const;

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

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Build();
  QWidget* CreateControl(const ControlTemplate& control);
  QComboBox* CreateCombo(const ControlTemplate& control);
  void ShowModel(int id);
  template <typename Change>
  void ChangeEntries(int id, Change change);
  void UserClickedRadio(int id);

  DialogLogic& logic_;
  DialogUnits units_;
  std::map<int, QWidget*> controls_;
  std::map<int, std::unique_ptr<ComboModel>> models_;
  std::map<int, ComboItemModel*> itemModels_;  // owned by their combo boxes
  bool ending_ = false;
};

}  // namespace tirv
