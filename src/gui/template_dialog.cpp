#include "gui/template_dialog.h"

#include <QAbstractListModel>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QValidator>

#include "dialog/routing.h"
#include "gui/icons.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"

namespace tirv {
namespace {

// A dialog unit is a quarter of the font's average character width across, an eighth of
// its height down; the average is taken over the letters.
constexpr const char* kAverageWidthSample = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr double kAverageWidthSampleLength = 52.0;
constexpr double kUnitsPerAverageWidth = 4.0;
constexpr double kUnitsPerHeight = 8.0;

}  // namespace

// Keeps an edit to one line: a paste loses its line breaks (and zero characters) instead
// of carrying them into a value, where they would start new lines in the file. Typing
// in a digits-only edit takes digits only.
class OneLineValidator : public QValidator {
 public:
  OneLineValidator(bool digitsOnly, QObject* parent)
      : QValidator(parent), digitsOnly_(digitsOnly) {}

  State validate(QString& input, int& position) const override {
    for (qsizetype i = input.size(); i-- > 0;) {
      const QChar c = input[i];
      if (c != u'\r' && c != u'\n' && c != u'\0') continue;
      input.remove(i, 1);
      if (i < position) --position;
    }
    if (!digitsOnly_) return Acceptable;
    for (const QChar c : input) {
      if (c < u'0' || c > u'9') return Invalid;
    }
    return Acceptable;
  }

 private:
  bool digitsOnly_;
};

// Shows a ComboModel's entries to its QComboBox without copying them, so that a list
// of many thousand resources is filled at the cost of one sort.
class ComboItemModel : public QAbstractListModel {
 public:
  ComboItemModel(const ComboModel& model, QObject* parent)
      : QAbstractListModel(parent), model_(model) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : model_.Count();
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return ToQString(model_.EntryText(index.row()));
  }
  /// Wraps a change of the entries.
  template <typename Change>
  void Reset(Change change) {
    beginResetModel();
    change();
    endResetModel();
  }

 private:
  const ComboModel& model_;
};

DialogUnits DialogUnits::ForFont(const QFont& font) {
  const QFontMetrics metrics(font);
  const double average = metrics.horizontalAdvance(QString::fromLatin1(kAverageWidthSample)) /
                         kAverageWidthSampleLength;
  return DialogUnits{average / kUnitsPerAverageWidth, metrics.height() / kUnitsPerHeight};
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
    widget->setGeometry(
        units_.ToPixels(control.x, control.y, control.width, control.ShownHeight()));
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
      connect(button, &QPushButton::clicked, this, [this, id] { RouteCommand(logic_, id); });
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
      edit->setValidator(new OneLineValidator(control.digitsOnly, edit));
      if (control.textLimit > 0) edit->setMaxLength(control.textLimit);
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
  const int id = control.id;
  models_[id] = std::make_unique<ComboModel>(control.sorted, editable);
  auto* items = new ComboItemModel(*models_[id], combo);
  combo->setModel(items);
  itemModels_[id] = items;
  combo->setEditable(editable);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMaxVisibleItems(qMax(1, (control.height - kClosedComboHeight) / 8));
  // The size is the template's: measuring every entry of a long list would be wasted, and
  // a long drop list is laid out in batches as it scrolls, not all at once as it opens.
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  if (auto* list = qobject_cast<QListView*>(combo->view())) list->setLayoutMode(QListView::Batched);
  if (editable) {
    combo->setCompleter(nullptr);  // completion would change what the user typed
    combo->lineEdit()->setValidator(new OneLineValidator(false, combo->lineEdit()));
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
  RouteCommand(logic_, id);
}

int TemplateDialog::RunModal() {
  logic_.OnInitDialog(*this);
  if (ending_) return result();
  return exec();
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
        logic_.OnOk();
      }
      return;
    case Qt::Key_Escape:
      logic_.OnCancel();
      return;
    case Qt::Key_F1:
      logic_.OnHelp();
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
  RouteSystemCommand(logic_, kSysCommandClose);
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

template <typename Change>
void TemplateDialog::ChangeEntries(int id, Change change) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (combo == nullptr) return;
  {
    const QSignalBlocker block(combo);
    itemModels_[id]->Reset(change);
  }
  ShowModel(id);
}

void TemplateDialog::ComboReset(int id) {
  ChangeEntries(id, [this, id] { models_[id]->Reset(); });
}

int TemplateDialog::ComboAdd(int id, std::u16string_view text) {
  int index = -1;
  ChangeEntries(id, [&] { index = models_[id]->Add(text); });
  return index;
}

void TemplateDialog::ComboFill(int id, std::vector<std::u16string> texts) {
  ChangeEntries(id, [&] { models_[id]->Fill(std::move(texts)); });
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

void TemplateDialog::InformationBox(std::u16string_view text) {
  ShowMessageBox(this, text, BoxKind::kInformation);
}

bool TemplateDialog::QuestionBox(std::u16string_view text) {
  return ShowMessageBox(this, text, BoxKind::kQuestion);
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
