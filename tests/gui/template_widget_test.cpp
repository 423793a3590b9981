// The dialogs as built from their templates: every control of the editor (102), the
// new-resource dialog (130) and the About box (100) present, of its kind, with its text
// and initial state, at the place its template gives, converted from dialog units with
// the dialog font. The places are read from the templates; what is checked of them is
// what a person needs: each label beside its control on its row, no two controls over
// each other, the radio buttons inside the Port group box, every control inside the
// dialog.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "app/editor_app.h"
#include "editor/templates.h"
#include "editor/texts.h"
#include "gui/icons.h"
#include "gui/qt_text.h"
#include "widget_test_support.h"

namespace tirv::testing {
namespace {

// The kinds as a person tells them apart.
std::string KindOf(const QWidget* widget) {
  if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
    return combo->isEditable() ? "edit combo" : "list combo";
  }
  if (qobject_cast<const QLineEdit*>(widget)) return "edit";
  if (qobject_cast<const QRadioButton*>(widget)) return "radio";
  if (auto* button = qobject_cast<const QPushButton*>(widget)) {
    return button->isDefault() ? "default button" : "button";
  }
  if (qobject_cast<const QGroupBox*>(widget)) return "group box";
  if (auto* label = qobject_cast<const QLabel*>(widget)) {
    return label->pixmap().isNull() ? "label" : "picture";
  }
  return widget == nullptr ? "missing" : widget->metaObject()->className();
}

std::string KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kStatic:
      return "label";
    case ControlKind::kIcon:
      return "picture";
    case ControlKind::kGroupBox:
      return "group box";
    case ControlKind::kPushButton:
      return "button";
    case ControlKind::kDefaultButton:
      return "default button";
    case ControlKind::kRadioButton:
      return "radio";
    case ControlKind::kEdit:
      return "edit";
    case ControlKind::kDropDownList:
      return "list combo";
    case ControlKind::kDropDownEdit:
      return "edit combo";
  }
  return "";
}

// The text a person reads on the control; edits and combos show values, not labels.
std::u16string TextOf(const QWidget* widget) {
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    return FromQString(button->text());
  }
  if (auto* label = qobject_cast<const QLabel*>(widget)) return FromQString(label->text());
  if (auto* box = qobject_cast<const QGroupBox*>(widget)) return FromQString(box->title());
  return {};
}

// Pixels per dialog unit, worked out here from the dialog's font: the average width of
// the letters A-Z and a-z over 4, the character height over 8.
struct Scale {
  double x;
  double y;
  explicit Scale(const QWidget& dialog) {
    const QFontMetrics metrics(dialog.font());
    x = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
        52.0 / 4.0;
    y = metrics.height() / 8.0;
  }
  QRect Rect(int dx, int dy, int width, int height) const {
    return QRect(static_cast<int>(std::lround(dx * x)), static_cast<int>(std::lround(dy * y)),
                 static_cast<int>(std::lround(width * x)),
                 static_cast<int>(std::lround(height * y)));
  }
};

std::string Describe(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
         "x" + std::to_string(r.height());
}

/// One control of a template and the widget built for it.
struct Built {
  const ControlTemplate* control;
  const QWidget* widget;
  std::string Name() const { return KindName(control->kind) + " \"" + Utf8(control->text) + "\""; }
};

// The widgets of the dialog in template order: the framework makes one child widget per
// control, in the order of the template.
std::vector<Built> BuiltControls(const TemplateDialog& dialog, const DialogTemplate& tmpl) {
  const QList<QWidget*> children = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  EXPECT_EQ(children.size(), static_cast<qsizetype>(tmpl.controls.size()));
  std::vector<Built> built;
  for (std::size_t i = 0; i < tmpl.controls.size() && i < static_cast<std::size_t>(children.size());
       ++i) {
    built.push_back({&tmpl.controls[i], children[static_cast<qsizetype>(i)]});
  }
  return built;
}

/// The widget of the label whose template text is `text`; nullptr, with a failure, when
/// there is not exactly one.
const QWidget* LabelWidget(const std::vector<Built>& built, std::u16string_view text) {
  const QWidget* found = nullptr;
  int count = 0;
  for (const Built& b : built) {
    if (b.control->kind != ControlKind::kStatic || b.control->text != text) continue;
    found = b.widget;
    ++count;
  }
  EXPECT_EQ(count, 1) << "labels \"" << Utf8(text) << "\"";
  return count == 1 ? found : nullptr;
}

// Every control of the kind, text, state and place that its template gives.
void ExpectBuiltAsTheTemplateSays(const TemplateDialog& dialog, const DialogTemplate& tmpl) {
  const Scale scale(dialog);
  EXPECT_EQ(dialog.windowTitle(), ToQString(tmpl.caption));
  EXPECT_EQ(Describe(QRect(QPoint(0, 0), dialog.size())),
            Describe(scale.Rect(0, 0, tmpl.width, tmpl.height)));
  for (const Built& b : BuiltControls(dialog, tmpl)) {
    SCOPED_TRACE(b.Name());
    const ControlTemplate& c = *b.control;
    if (c.id != kNoId) {
      EXPECT_EQ(dialog.Control(c.id), b.widget) << "control " << c.id;
    }
    EXPECT_EQ(KindOf(b.widget), KindName(c.kind));
    EXPECT_EQ(Utf8(TextOf(b.widget)), Utf8(c.text));
    EXPECT_EQ(b.widget->isEnabled(), c.enabled);
    EXPECT_EQ(Describe(b.widget->geometry()),
              Describe(scale.Rect(c.x, c.y, c.width, c.ShownHeight())));
  }
}

// No two controls over each other, a group box and what it holds excepted; every
// control inside the dialog.
void ExpectNoOverlapsAndAllInside(const TemplateDialog& dialog, const DialogTemplate& tmpl) {
  const std::vector<Built> built = BuiltControls(dialog, tmpl);
  const QRect inside(QPoint(0, 0), dialog.size());
  for (std::size_t i = 0; i < built.size(); ++i) {
    const QRect a = built[i].widget->geometry();
    EXPECT_TRUE(inside.contains(a))
        << built[i].Name() << " " << Describe(a) << " outside " << Describe(inside);
    for (std::size_t j = i + 1; j < built.size(); ++j) {
      const QRect b = built[j].widget->geometry();
      const bool grouped = (built[i].control->kind == ControlKind::kGroupBox && a.contains(b)) ||
                           (built[j].control->kind == ControlKind::kGroupBox && b.contains(a));
      if (grouped) continue;
      EXPECT_FALSE(a.intersects(b)) << built[i].Name() << " " << Describe(a) << " and "
                                    << built[j].Name() << " " << Describe(b) << " overlap";
    }
  }
}

// `label` stands left of `control`, on its row: its middle within the control's height.
void ExpectBeside(const QWidget* label, const QWidget* control) {
  ASSERT_NE(label, nullptr);
  ASSERT_NE(control, nullptr);
  const QRect l = label->geometry();
  const QRect c = control->geometry();
  EXPECT_LE(l.right(), c.left()) << "label " << Describe(l) << " not left of " << Describe(c);
  EXPECT_TRUE(l.center().y() >= c.top() && l.center().y() <= c.bottom())
      << "label " << Describe(l) << " not on the row of " << Describe(c);
}

// Sorted or not shows in where an entry lands.
bool KeepsEntriesSorted(TemplateDialog& dialog, int id) {
  dialog.ComboReset(id);
  dialog.ComboAdd(id, u"b");
  dialog.ComboAdd(id, u"A");
  const bool sorted = ComboWidget(dialog, id)->itemText(0) == QStringLiteral("A");
  dialog.ComboReset(id);
  return sorted;
}

TEST(DialogTemplates, EditorDialogHoldsEveryControlInPlace) {
  const DialogTemplate& tmpl = EditorDialogTemplate();
  RecordingLogic logic(tmpl);
  ShownDialog shown(logic);
  TemplateDialog& dialog = shown.window;
  // The title that a second start looks for.
  EXPECT_EQ(dialog.windowTitle(), ToQString(texts::kApplicationTitle));
  ExpectBuiltAsTheTemplateSays(dialog, tmpl);
  ExpectNoOverlapsAndAllInside(dialog, tmpl);
  const std::vector<Built> built = BuiltControls(dialog, tmpl);

  // The labels stand in one column, each beside its control; the unit after the Timeout.
  const std::pair<std::u16string_view, int> labels[] = {
      {texts::kResourceLabel, ids::kResource}, {texts::kAlignmentLabel, ids::kAlignment},
      {texts::kBaudLabel, ids::kBaud},         {texts::kStopBitsLabel, ids::kStopBits},
      {texts::kDataBitsLabel, ids::kDataBits}, {texts::kParityLabel, ids::kParity},
      {texts::kTimeoutLabel, ids::kTimeout},   {texts::kParameterLabel, ids::kParameter}};
  const QWidget* first = LabelWidget(built, labels[0].first);
  ASSERT_NE(first, nullptr);
  for (const auto& [text, id] : labels) {
    SCOPED_TRACE(Utf8(text));
    const QWidget* label = LabelWidget(built, text);
    ExpectBeside(label, dialog.Control(id));
    if (label != nullptr) {
      EXPECT_EQ(label->x(), first->x()) << "out of the labels' column";
    }
  }
  ExpectBeside(dialog.Control(ids::kTimeout), LabelWidget(built, texts::kMilliseconds));

  // The radio buttons, one per port kind in its order, inside the Port group box.
  const QWidget* port = nullptr;
  for (const Built& b : built) {
    if (b.control->kind == ControlKind::kGroupBox) port = b.widget;
  }
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(TextOf(port), texts::kPortGroup);
  const std::u16string_view radios[] = {texts::kCom1, texts::kCom2,        texts::kCom3,
                                        texts::kCom4, texts::kSimulation1, texts::kSimulation2,
                                        texts::kTcpIp};
  int above = -1;
  for (int kind = 0; kind < kPortKindCount; ++kind) {
    SCOPED_TRACE(kind);
    const QWidget* radio = dialog.Control(ids::kRadioFirst + kind);
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(TextOf(radio), radios[kind]);
    EXPECT_TRUE(port->geometry().contains(radio->geometry()))
        << Describe(radio->geometry()) << " outside the group box " << Describe(port->geometry());
    EXPECT_GT(radio->y(), above) << "out of the kinds' order";
    above = radio->y();
  }

  // The buttons, with their texts.
  const std::pair<int, std::u16string_view> buttons[] = {
      {ids::kAddResource, texts::kAddResourceButton},
      {ids::kDeleteResource, texts::kDeleteResourceButton},
      {ids::kSave, texts::kSaveButton}};
  for (const auto& [id, text] : buttons) EXPECT_EQ(TextOf(dialog.Control(id)), text);

  for (const Built& b : built) {
    if (!b.control->IsCombo()) continue;
    EXPECT_EQ(KeepsEntriesSorted(dialog, b.control->id), b.control->sorted)
        << "combo " << b.control->id;
  }
}

TEST(DialogTemplates, TimeoutEditTakesDigitsOnly) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  auto* timeout = qobject_cast<QLineEdit*>(shown.window.Control(ids::kTimeout));
  ASSERT_NE(timeout, nullptr);
  timeout->setEnabled(true);
  QTest::keyClicks(timeout, "2a5-0 0");
  EXPECT_EQ(timeout->text().toStdString(), "2500");
  // Only typing is limited; the editor may show whatever a file held.
  shown.window.SetText(ids::kTimeout, u"2000 ms");
  EXPECT_EQ(shown.window.GetText(ids::kTimeout), u"2000 ms");
  auto* parameter = qobject_cast<QLineEdit*>(shown.window.Control(ids::kParameter));
  parameter->setEnabled(true);
  QTest::keyClicks(parameter, "-ip10.0.0.2 x");
  EXPECT_EQ(parameter->text().toStdString(), "-ip10.0.0.2 x");
}

// A pasted line break would end up in the file as the start of a new line, a section or a
// key the user never meant: every edit takes a paste without its line breaks.
TEST(DialogTemplates, EditsTakeAPasteWithoutItsLineBreaks) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  const auto paste = [](QLineEdit* edit, const char* text) {
    edit->setEnabled(true);
    edit->clear();
    QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
    edit->paste();
    return edit->text().toStdString();
  };
  auto* parameter = qobject_cast<QLineEdit*>(shown.window.Control(ids::kParameter));
  EXPECT_EQ(paste(parameter, "-ipA\r\n[Injected]\r\nEvil=1"), "-ipA[Injected]Evil=1");
  EXPECT_EQ(shown.window.GetText(ids::kParameter), u"-ipA[Injected]Evil=1");
  auto* timeout = qobject_cast<QLineEdit*>(shown.window.Control(ids::kTimeout));
  EXPECT_EQ(paste(timeout, "25\n00"), "2500");
  EXPECT_EQ(paste(timeout, "25\nms"), "");  // still digits only
  auto* alignment = qobject_cast<QComboBox*>(shown.window.Control(ids::kAlignment))->lineEdit();
  EXPECT_EQ(paste(alignment, "Big\rEndian\n"), "BigEndian");

  RecordingLogic nameLogic(NewResourceDialogTemplate());
  ShownDialog name(nameLogic);
  EXPECT_EQ(paste(qobject_cast<QLineEdit*>(name.window.Control(ids::kNewName)), "Line\r\n5"),
            "Line5");
}

// A resource file may hold a parameter of up to a megabyte; an edit that cut it to Qt's
// default of 32,767 characters would have the next save write it cut.
TEST(DialogTemplates, ParameterEditHoldsAsMuchAsAResourceFile) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  auto* parameter = qobject_cast<QLineEdit*>(shown.window.Control(ids::kParameter));
  ASSERT_NE(parameter, nullptr);
  EXPECT_EQ(parameter->maxLength(), 1 << 20);
  const std::u16string held = u"-ip" + std::u16string(40000, u'7');
  shown.window.SetText(ids::kParameter, held);
  EXPECT_EQ(shown.window.GetText(ids::kParameter), held);

  parameter->setEnabled(true);
  parameter->clear();
  QGuiApplication::clipboard()->setText(QString::fromStdU16String(held));
  parameter->paste();
  QTest::keyClicks(parameter, "9");
  EXPECT_EQ(shown.window.GetText(ids::kParameter), held + u"9");

  // The other edits keep Qt's limit: no value of theirs comes near it.
  EXPECT_EQ(qobject_cast<QLineEdit*>(shown.window.Control(ids::kTimeout))->maxLength(), 32767);
}

TEST(DialogTemplates, NewResourceDialogAsksForTheName) {
  const DialogTemplate& tmpl = NewResourceDialogTemplate();
  RecordingLogic logic(tmpl);
  ShownDialog shown(logic);
  TemplateDialog& dialog = shown.window;
  EXPECT_EQ(dialog.windowTitle(), ToQString(texts::kApplicationTitle));
  ExpectBuiltAsTheTemplateSays(dialog, tmpl);
  ExpectNoOverlapsAndAllInside(dialog, tmpl);

  ExpectBeside(LabelWidget(BuiltControls(dialog, tmpl), texts::kEnterNewName),
               dialog.Control(ids::kNewName));
  EXPECT_EQ(TextOf(dialog.Control(ids::kOk)), texts::kOkButton);
  EXPECT_EQ(TextOf(dialog.Control(ids::kCancel)), texts::kCancelButton);
  EXPECT_EQ(KindOf(dialog.Control(ids::kOk)), "default button");
}

TEST(DialogTemplates, AboutBoxShowsIconNameVersionAndOk) {
  const DialogTemplate& tmpl = AboutDialogTemplate();
  AboutDialog about;
  ShownDialog shown(about);
  TemplateDialog& dialog = shown.window;
  EXPECT_EQ(dialog.windowTitle(), ToQString(texts::kAboutCaption));
  ExpectBuiltAsTheTemplateSays(dialog, tmpl);
  ExpectNoOverlapsAndAllInside(dialog, tmpl);

  const std::vector<Built> built = BuiltControls(dialog, tmpl);
  const auto* version = qobject_cast<const QLabel*>(LabelWidget(built, texts::kAboutVersion));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->textFormat(), Qt::PlainText);
  EXPECT_EQ(TextOf(dialog.Control(ids::kOk)), texts::kOkButton);

  const QLabel* picture = nullptr;
  for (const Built& b : built) {
    if (b.control->kind == ControlKind::kIcon) picture = qobject_cast<const QLabel*>(b.widget);
  }
  ASSERT_NE(picture, nullptr);
  EXPECT_LE(picture->geometry().right(), version->geometry().left()) << "the icon beside the name";
  EXPECT_EQ(picture->pixmap().size(), QSize(32, 32));
  // The picture is the program icon, as the editor's window icon is.
  EXPECT_EQ(picture->pixmap().toImage(), ProgramIcon(ids::kProgramIcon).pixmap(32, 32).toImage());

  // Its OK button closes it with the OK end code.
  qobject_cast<QPushButton*>(dialog.Control(ids::kOk))->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), kEndOk);
}

TEST(ProgramIcon, HoldsA32And16PixelImageOf16ColoursForBothIds) {
  for (int id : {ids::kProgramIcon, ids::kExecutableIcon}) {
    SCOPED_TRACE("icon " + std::to_string(id));
    const QIcon icon = ProgramIcon(id);
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(32, 32), QSize(16, 16)}));
    for (int size : {16, 32}) {
      const QImage image = icon.pixmap(size, size).toImage();
      QSet<QRgb> colours;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
      }
      EXPECT_LE(colours.size(), 16) << size << " pixels";
      EXPECT_GE(colours.size(), 4) << size << " pixels: a picture, not a blank";
    }
  }
  EXPECT_TRUE(ProgramIcon(1).isNull());
}

}  // namespace
}  // namespace tirv::testing
