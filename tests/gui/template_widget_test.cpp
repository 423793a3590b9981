// The dialogs as built from their templates: every control of the editor (102), the
// new-resource dialog (130) and the About box (100) present, of its kind, with its text,
// initial state and place, converted from dialog units with the dialog font.

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

#include "app/editor_app.h"
#include "editor/templates.h"
#include "gui/icons.h"
#include "widget_test_support.h"

namespace tirv::testing {
namespace {

// The kinds as a person tells them apart.
enum class Kind { kListCombo, kEditCombo, kEdit, kRadio, kButton, kDefaultButton };

std::string KindOf(const QWidget* widget) {
  if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
    return combo->isEditable() ? "edit combo" : "list combo";
  }
  if (qobject_cast<const QLineEdit*>(widget)) return "edit";
  if (qobject_cast<const QRadioButton*>(widget)) return "radio";
  if (auto* button = qobject_cast<const QPushButton*>(widget)) {
    return button->isDefault() ? "default button" : "button";
  }
  return widget == nullptr ? "missing" : widget->metaObject()->className();
}

std::string KindName(Kind kind) {
  switch (kind) {
    case Kind::kListCombo:
      return "list combo";
    case Kind::kEditCombo:
      return "edit combo";
    case Kind::kEdit:
      return "edit";
    case Kind::kRadio:
      return "radio";
    case Kind::kButton:
      return "button";
    case Kind::kDefaultButton:
      return "default button";
  }
  return "";
}

std::string TextOf(const QWidget* widget) {
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    return button->text().toStdString();
  }
  return "";
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

struct ExpectedControl {
  int id;
  Kind kind;
  std::string text;
  bool enabled;
  int x, y, width, height;  // combos: the closed box, 12 units high
};

void ExpectControls(const TemplateDialog& dialog, const std::vector<ExpectedControl>& table) {
  const Scale scale(dialog);
  for (const ExpectedControl& c : table) {
    SCOPED_TRACE("control " + std::to_string(c.id));
    const QWidget* widget = dialog.Control(c.id);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(KindOf(widget), KindName(c.kind));
    EXPECT_EQ(TextOf(widget), c.text);
    EXPECT_EQ(widget->isEnabled(), c.enabled);
    EXPECT_EQ(Describe(widget->geometry()), Describe(scale.Rect(c.x, c.y, c.width, c.height)));
  }
}

/// The label whose text is exactly `text`, or nullptr.
const QLabel* Label(const QWidget& dialog, const QString& text) {
  for (const QLabel* label : dialog.findChildren<const QLabel*>()) {
    if (label->text() == text) return label;
  }
  return nullptr;
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
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  TemplateDialog& dialog = shown.window;
  const Scale scale(dialog);

  EXPECT_EQ(dialog.windowTitle().toStdString(), "Tirvane OPC-Server 2.0 Resource Editor");
  EXPECT_EQ(Describe(QRect(QPoint(0, 0), dialog.size())), Describe(scale.Rect(0, 0, 293, 135)));

  ExpectControls(dialog, {
                             {1007, Kind::kListCombo, "", true, 120, 8, 94, 12},
                             {1023, Kind::kEditCombo, "", true, 120, 23, 94, 12},
                             {1008, Kind::kListCombo, "", false, 120, 38, 94, 12},
                             {1009, Kind::kListCombo, "", false, 120, 53, 94, 12},
                             {1010, Kind::kListCombo, "", false, 120, 68, 94, 12},
                             {1011, Kind::kListCombo, "", false, 120, 83, 94, 12},
                             {1018, Kind::kEdit, "", false, 120, 98, 82, 12},
                             {1013, Kind::kEdit, "", false, 120, 113, 94, 12},
                             {1000, Kind::kRadio, "COM1", true, 16, 19, 39, 8},
                             {1001, Kind::kRadio, "COM2", true, 16, 32, 36, 10},
                             {1002, Kind::kRadio, "COM3", true, 16, 47, 36, 10},
                             {1003, Kind::kRadio, "COM4", true, 16, 62, 36, 10},
                             {1004, Kind::kRadio, "Simulation 1", false, 16, 79, 54, 10},
                             {1005, Kind::kRadio, "Simulation 2", false, 16, 94, 54, 10},
                             {1006, Kind::kRadio, "TCP/IP", true, 16, 110, 40, 10},
                             {1014, Kind::kButton, "Add Resource", true, 226, 7, 60, 14},
                             {1015, Kind::kButton, "Delete Resource", true, 226, 25, 60, 14},
                             {1020, Kind::kButton, "Save", true, 226, 43, 60, 14},
                         });

  // Labels stand at x 81 on the row of their control.
  const std::pair<const char*, int> labels[] = {
      {"Resource:", 1007}, {"Alignment:", 1023}, {"Baud:", 1008},    {"Stopbits:", 1009},
      {"Databits:", 1010}, {"Parity:", 1011},    {"Timeout:", 1018}, {"Parameter:", 1013}};
  for (const auto& [text, id] : labels) {
    SCOPED_TRACE(text);
    const QLabel* label = Label(dialog, QString::fromLatin1(text));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->x(), scale.Rect(81, 0, 0, 0).x());
    const QRect row = dialog.Control(id)->geometry();
    EXPECT_TRUE(label->geometry().center().y() >= row.top() &&
                label->geometry().center().y() <= row.bottom())
        << "label " << Describe(label->geometry()) << " beside " << Describe(row);
  }
  const QLabel* ms = Label(dialog, QStringLiteral("ms"));
  ASSERT_NE(ms, nullptr);
  EXPECT_GE(ms->x(), dialog.Control(1018)->geometry().right());

  const QGroupBox* port = nullptr;
  for (const QGroupBox* box : dialog.findChildren<const QGroupBox*>()) port = box;
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->title().toStdString(), "Port");
  EXPECT_EQ(Describe(port->geometry()), Describe(scale.Rect(7, 4, 65, 121)));

  const std::pair<int, bool> sorting[] = {{1007, true}, {1023, true}, {1008, false},
                                          {1009, true}, {1010, true}, {1011, true}};
  for (const auto& [id, sorted] : sorting) {
    EXPECT_EQ(KeepsEntriesSorted(dialog, id), sorted) << "combo " << id;
  }
}

TEST(DialogTemplates, TimeoutEditTakesDigitsOnly) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  auto* timeout = qobject_cast<QLineEdit*>(shown.window.Control(1018));
  ASSERT_NE(timeout, nullptr);
  timeout->setEnabled(true);
  QTest::keyClicks(timeout, "2a5-0 0");
  EXPECT_EQ(timeout->text().toStdString(), "2500");
  // Only typing is limited; the editor may show whatever a file held.
  shown.window.SetText(1018, u"2000 ms");
  EXPECT_EQ(shown.window.GetText(1018), u"2000 ms");
  auto* parameter = qobject_cast<QLineEdit*>(shown.window.Control(1013));
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
  auto* parameter = qobject_cast<QLineEdit*>(shown.window.Control(1013));
  EXPECT_EQ(paste(parameter, "-ipA\r\n[Injected]\r\nEvil=1"), "-ipA[Injected]Evil=1");
  EXPECT_EQ(shown.window.GetText(1013), u"-ipA[Injected]Evil=1");
  auto* timeout = qobject_cast<QLineEdit*>(shown.window.Control(1018));
  EXPECT_EQ(paste(timeout, "25\n00"), "2500");
  EXPECT_EQ(paste(timeout, "25\nms"), "");  // still digits only
  auto* alignment = qobject_cast<QComboBox*>(shown.window.Control(1023))->lineEdit();
  EXPECT_EQ(paste(alignment, "Big\rEndian\n"), "BigEndian");

  RecordingLogic nameLogic(NewResourceDialogTemplate());
  ShownDialog name(nameLogic);
  EXPECT_EQ(paste(qobject_cast<QLineEdit*>(name.window.Control(1019)), "Line\r\n5"), "Line5");
}

// A resource file may hold a parameter of up to a megabyte; an edit that cut it to Qt's
// default of 32,767 characters would have the next save write it cut.
TEST(DialogTemplates, ParameterEditHoldsAsMuchAsAResourceFile) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  auto* parameter = qobject_cast<QLineEdit*>(shown.window.Control(1013));
  ASSERT_NE(parameter, nullptr);
  EXPECT_EQ(parameter->maxLength(), 1 << 20);
  const std::u16string held = u"-ip" + std::u16string(40000, u'7');
  shown.window.SetText(1013, held);
  EXPECT_EQ(shown.window.GetText(1013), held);

  parameter->setEnabled(true);
  parameter->clear();
  QGuiApplication::clipboard()->setText(QString::fromStdU16String(held));
  parameter->paste();
  QTest::keyClicks(parameter, "9");
  EXPECT_EQ(shown.window.GetText(1013), held + u"9");

  // The other edits keep Qt's limit: no value of theirs comes near it.
  EXPECT_EQ(qobject_cast<QLineEdit*>(shown.window.Control(1018))->maxLength(), 32767);
}

TEST(DialogTemplates, NewResourceDialogAsksForTheName) {
  RecordingLogic logic(NewResourceDialogTemplate());
  ShownDialog shown(logic);
  TemplateDialog& dialog = shown.window;
  const Scale scale(dialog);

  EXPECT_EQ(dialog.windowTitle().toStdString(), "Tirvane OPC-Server 2.0 Resource Editor");
  EXPECT_EQ(Describe(QRect(QPoint(0, 0), dialog.size())), Describe(scale.Rect(0, 0, 216, 61)));
  ExpectControls(dialog, {
                             {1019, Kind::kEdit, "", true, 132, 15, 72, 14},
                             {1, Kind::kDefaultButton, "OK", true, 54, 40, 50, 14},
                             {2, Kind::kButton, "Cancel", true, 111, 40, 50, 14},
                         });
  const QLabel* prompt = Label(dialog, QStringLiteral("Enter the name of the new resource"));
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(Describe(prompt->geometry()), Describe(scale.Rect(7, 17, 120, 8)));
}

TEST(DialogTemplates, AboutBoxShowsIconNameVersionAndOk) {
  AboutDialog about;
  ShownDialog shown(about);
  TemplateDialog& dialog = shown.window;
  const Scale scale(dialog);

  EXPECT_EQ(dialog.windowTitle().toStdString(), "About Lintrel");
  EXPECT_EQ(Describe(QRect(QPoint(0, 0), dialog.size())), Describe(scale.Rect(0, 0, 235, 55)));
  ExpectControls(dialog, {{1, Kind::kDefaultButton, "OK", true, 178, 7, 50, 14}});

  const QLabel* version = Label(dialog, QStringLiteral("Lintrel Version 1.2"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->textFormat(), Qt::PlainText);
  EXPECT_EQ(Describe(version->geometry()), Describe(scale.Rect(41, 10, 119, 8)));

  const QLabel* picture = nullptr;
  for (const QLabel* label : dialog.findChildren<const QLabel*>()) {
    if (!label->pixmap().isNull()) picture = label;
  }
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(Describe(picture->geometry()), Describe(scale.Rect(11, 17, 20, 20)));
  EXPECT_EQ(picture->pixmap().size(), QSize(32, 32));
  // The picture is the program icon, as the editor's window icon is.
  EXPECT_EQ(picture->pixmap().toImage(), ProgramIcon(ids::kProgramIcon).pixmap(32, 32).toImage());

  // Its OK button closes it with the OK end code.
  qobject_cast<QPushButton*>(dialog.Control(1))->click();
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
