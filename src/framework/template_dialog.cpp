#include "template_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSignalBlocker>

#include "editor_dialog.h"
#include "icons.h"
#include "message_boxes.h"
#include "qt_text.h"

namespace tirv {
namespace {

// A closed combo box is as high as an edit; the template's height is its drop list's.
constexpr int kComboHeight = 12;

constexpr const char* kAverageWidthSample = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

DialogUnits DialogUnits::ForFont(const QFont& font) {
  const QFontMetrics metrics(font);
  const double average = metrics.horizontalAdvance(QString::fromLatin1(kAverageWidthSample)) / 52.0;
  return DialogUnits{average / 4.0, metrics.height() / 8.0};
}

QRect DialogUnits::ToPixels(int dx, int dy, int width, int height) const {
  return QRect(qRound(dx * x), qRound(dy * y), qRound(width * x), qRound(height * y));
}

TemplateDialog::TemplateDialog(DialogLogic& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
  Build();
}

TemplateDialog::~TemplateDialog() = default;

void TemplateDialog::Build() {
  const DialogTemplate& tmpl = logic_.Template();
  QFont font(ToQString(tmpl.fontName), tmpl.fontPoints);
  font.setStyleHint(QFont::SansSerif);
  setFont(font);
  units_ = DialogUnits::ForFont(font);
  setWindowTitle(ToQString(tmpl.caption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(units_.ToPixels(0, 0, tmpl.width, tmpl.height).size());
  for (const ControlTemplate& control : tmpl.controls) {
    QWidget* widget = CreateControl(control);
    widget->setGeometry(units_.ToPixels(
        control.x, control.y, control.width,
        control.kind == ControlKind::kDropDownList || control.kind == ControlKind::kDropDownEdit
            ? kComboHeight
            : control.height));
    widget->setEnabled(control.enabled);
    if (control.id != kNoId) {
      widget->setObjectName(QStringLiteral("control%1").arg(control.id));
      controls_[control.id] = widget;
    }
  }
}

QWidget* TemplateDialog::CreateControl(const ControlTemplate& control) {
  const QString text = ToQString(control.text);
  switch (control.kind) {
    case ControlKind::kStatic: {
      auto* label = new QLabel(text, this);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::kIcon: {
      auto* picture = new QLabel(this);
      picture->setPixmap(ProgramIcon(control.iconId).pixmap(32, 32));
      return picture;
    }
    case ControlKind::kGroupBox:
      return new QGroupBox(text, this);
    case ControlKind::kPushButton:
    case ControlKind::kDefaultButton: {
      auto* button = new QPushButton(text, this);
      button->setAutoDefault(false);
      button->setDefault(control.kind == ControlKind::kDefaultButton);
      const int id = control.id;
      connect(button, &QPushButton::clicked, this,
              [this, id] { SendWindowMessage(kMsgCommand, id); });
      return button;
    }
    case ControlKind::kRadioButton: {
      auto* radio = new QRadioButton(text, this);
      // The logic decides which radio button is checked; Qt must not uncheck the others.
      radio->setAutoExclusive(false);
      const int id = control.id;
      connect(radio, &QRadioButton::clicked, this, [this, id] { UserClickedRadio(id); });
      return radio;
    }
    case ControlKind::kEdit: {
      auto* edit = new QLineEdit(this);
      if (control.digitsOnly) {
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
      }
      return edit;
    }
    case ControlKind::kDropDownList:
    case ControlKind::kDropDownEdit:
      return CreateCombo(control);
  }
  return new QWidget(this);
}

QComboBox* TemplateDialog::CreateCombo(const ControlTemplate& control) {
  const bool editable = control.kind == ControlKind::kDropDownEdit;
  auto* combo = new QComboBox(this);
  combo->setEditable(editable);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMaxVisibleItems(qMax(1, (control.height - kComboHeight) / 8));
  const int id = control.id;
  models_[id] = std::make_unique<ComboModel>(control.sorted, editable);
  if (editable) {
    combo->setCompleter(nullptr);  // completion would change what the user typed
    connect(combo->lineEdit(), &QLineEdit::textEdited, this,
            [this, id](const QString& typed) { models_[id]->SetText(FromQString(typed)); });
  }
  connect(combo, &QComboBox::activated, this, [this, id](int index) {
    models_[id]->SetCurrentIndex(index);
    ShowModel(id);
    logic_.OnSelectionChange(id);
  });
  return combo;
}

void TemplateDialog::UserClickedRadio(int id) {
  // An auto radio button checks itself and clears the others before the command arrives.
  for (const auto& [otherId, widget] : controls_) {
    if (auto* radio = qobject_cast<QRadioButton*>(widget)) radio->setChecked(otherId == id);
  }
  SendWindowMessage(kMsgCommand, static_cast<std::uintptr_t>(id));
}

int TemplateDialog::RunModal() {
  logic_.OnInitDialog(*this);
  if (ending_) return result();
  return exec();
}

std::intptr_t TemplateDialog::SendWindowMessage(std::uint32_t message, std::uintptr_t wParam) {
  std::intptr_t result = 0;
  DispatchWindowMessage(logic_, message, wParam, result);
  return result;
}

QWidget* TemplateDialog::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

const ComboModel* TemplateDialog::Model(int id) const {
  const auto it = models_.find(id);
  return it == models_.end() ? nullptr : it->second.get();
}

void TemplateDialog::ShowModel(int id) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  const ComboModel* model = Model(id);
  if (combo == nullptr || model == nullptr) return;
  // Start-up shows a record after every file read, mostly with nothing changed; a
  // widget left alone costs nothing.
  const QSignalBlocker block(combo);
  if (combo->currentIndex() != model->CurrentIndex()) combo->setCurrentIndex(model->CurrentIndex());
  if (!model->editable()) return;
  const QString text = ToQString(model->Text());
  if (combo->currentText() != text) combo->setEditText(text);
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!plain) break;
      if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
        button->click();  // Enter presses the push button that has the focus
      } else {
        SendWindowMessage(kMsgCommand, kEndOk);
      }
      return;
    case Qt::Key_Escape:
      SendWindowMessage(kMsgCommand, kEndCancel);
      return;
    case Qt::Key_F1:
      SendWindowMessage(kMsgHelp, 0);
      return;
    default:
      break;
  }
  QDialog::keyPressEvent(event);
}

void TemplateDialog::closeEvent(QCloseEvent* event) {
  if (ending_) {
    QDialog::closeEvent(event);
    return;
  }
  event->ignore();  // the logic decides, and ends the dialog itself
  SendWindowMessage(kMsgSysCommand, kSysCommandClose);
}

void TemplateDialog::EnableControl(int id, bool enabled) {
  QWidget* widget = Control(id);
  if (widget != nullptr && widget->testAttribute(Qt::WA_ForceDisabled) == enabled) {
    widget->setEnabled(enabled);
  }
}

void TemplateDialog::CheckRadioButton(int first, int last, int id) {
  for (int i = first; i <= last; ++i) {
    auto* radio = qobject_cast<QRadioButton*>(Control(i));
    if (radio != nullptr && radio->isChecked() != (i == id)) radio->setChecked(i == id);
  }
}

std::u16string TemplateDialog::GetText(int id) {
  if (const ComboModel* model = Model(id)) return model->Text();
  if (auto* edit = qobject_cast<QLineEdit*>(Control(id))) return FromQString(edit->text());
  if (auto* button = qobject_cast<QAbstractButton*>(Control(id)))
    return FromQString(button->text());
  return {};
}

void TemplateDialog::SetText(int id, std::u16string_view text) {
  if (const auto it = models_.find(id); it != models_.end()) {
    it->second->SetText(text);
    ShowModel(id);
  } else if (auto* edit = qobject_cast<QLineEdit*>(Control(id))) {
    const QString shown = ToQString(text);
    if (edit->text() != shown) edit->setText(shown);
  }
}

void TemplateDialog::ComboReset(int id) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return;
  models_[id]->Reset();
  const QSignalBlocker block(combo);
  combo->clear();
  ShowModel(id);
}

int TemplateDialog::ComboAdd(int id, std::u16string_view text) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return -1;
  const int index = models_[id]->Add(text);
  {
    const QSignalBlocker block(combo);
    combo->insertItem(index, ToQString(text));
  }
  ShowModel(id);
  return index;
}

int TemplateDialog::ComboCount(int id) {
  const ComboModel* model = Model(id);
  return model == nullptr ? 0 : model->Count();
}

int TemplateDialog::ComboCurrentIndex(int id) {
  const ComboModel* model = Model(id);
  return model == nullptr ? -1 : model->CurrentIndex();
}

void TemplateDialog::ComboSetCurrentIndex(int id, int index) {
  if (!models_.count(id)) return;
  models_[id]->SetCurrentIndex(index);
  ShowModel(id);
}

std::u16string TemplateDialog::ComboEntryText(int id, int index) {
  const ComboModel* model = Model(id);
  return model == nullptr ? std::u16string() : model->EntryText(index);
}

int TemplateDialog::ComboFindPrefix(int id, int start, std::u16string_view text) {
  const ComboModel* model = Model(id);
  return model == nullptr ? -1 : model->FindPrefix(start, text);
}

int TemplateDialog::ComboSelectPrefix(int id, int start, std::u16string_view text) {
  if (!models_.count(id)) return -1;
  const int found = models_[id]->SelectPrefix(start, text);
  if (found >= 0) ShowModel(id);
  return found;
}

int TemplateDialog::MessageBox(std::u16string_view text, std::u16string_view caption, int type) {
  return ShowMessageBox(this, text, caption, type);
}

void TemplateDialog::ApplicationMessageBox(std::u16string_view text) {
  ShowApplicationMessageBox(this, text);
}

int TemplateDialog::RunModalDialog(DialogLogic& dialog) {
  TemplateDialog child(dialog, this);
  return child.RunModal();
}

void TemplateDialog::EndDialog(int code) {
  ending_ = true;
  done(code);
}

void TemplateDialog::SetUpWindow(int iconId) {
  setWindowIcon(ProgramIcon(iconId));
  if (const QScreen* screen = this->screen()) {
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

}  // namespace tirv
