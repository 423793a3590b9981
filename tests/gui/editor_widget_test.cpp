// The editor on real widgets: a workspace in a temporary folder loaded into the Qt
// window, the widgets showing exactly what the editor's combo state holds, a person's
// picks, radio clicks and keys, and the dialogs it runs over itself.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <map>
#include <memory>

#include <sys/stat.h>

#include "app/editor_app.h"
#include "editor/editor_dialog.h"
#include "editor/templates.h"
#include "editor/texts.h"
#include "gui/qt_framework.h"
#include "gui/qt_text.h"
#include "support/temp_dir.h"
#include "widget_test_support.h"

namespace tirv::testing {
namespace {

constexpr int kCombos[] = {ids::kResource, ids::kAlignment, ids::kBaud,
                           ids::kStopBits, ids::kDataBits,  ids::kParity};

// A program folder with TirvOPC.ini and the workspace folder "ws".
class EditorOnWidgets : public ::testing::Test {
 protected:
  void WriteWorkspace(const std::map<std::string, std::string>& files) {
    WriteBytes(dir_.File("TirvOPC.ini"), "[Settings]\r\nCustomWorkspace=./ws\r\n");
    ::mkdir(dir_.File("ws").c_str(), 0755);
    for (const auto& [name, bytes] : files) WriteBytes(dir_.File("ws/" + name), bytes);
  }

  // The editor in its window, initialised as the framework does before the modal run.
  TemplateDialog& Open() {
    EditorEnvironment environment;
    environment.modulePath = [this](std::u16string& path) {
      path = dir_.WFile("tirvane-editor");
      return true;
    };
    environment.endProcess = [this](int code) { endedWith_ = code; };
    editor_ = std::make_unique<EditorDialog>(environment);
    window_ = std::make_unique<TemplateDialog>(*editor_, nullptr);
    editor_->OnInitDialog(*window_);
    window_->show();
    return *window_;
  }

  QComboBox* combo(int id) { return ComboWidget(*window_, id); }
  std::string Shows(int id) {
    if (auto* c = combo(id)) return c->currentText().toStdString();
    return qobject_cast<QLineEdit*>(window_->Control(id))->text().toStdString();
  }
  int CheckedRadio() {
    for (int id = ids::kRadioFirst; id <= ids::kRadioLast; ++id) {
      if (qobject_cast<QRadioButton*>(window_->Control(id))->isChecked()) return id;
    }
    return 0;
  }
  // Enabled flags of Baud, Stopbits, Databits, Parity, Timeout, Parameter.
  std::string EnabledSettings() {
    std::string flags;
    for (int id : {ids::kBaud, ids::kStopBits, ids::kDataBits, ids::kParity, ids::kTimeout,
                   ids::kParameter}) {
      flags += window_->Control(id)->isEnabled() ? '1' : '0';
    }
    return flags;
  }
  // Every combo widget shows the entries and the selection that the operations report.
  void ExpectWidgetsShowTheComboState() {
    for (int id : kCombos) {
      SCOPED_TRACE("combo " + std::to_string(id));
      EXPECT_EQ(WidgetItems(combo(id)), OpsItems(*window_, id));
      EXPECT_EQ(Shown(combo(id)),
                (ComboView{window_->ComboCurrentIndex(id), Utf8(window_->GetText(id))}));
    }
  }

  TempDir dir_;
  std::unique_ptr<EditorDialog> editor_;
  std::unique_ptr<TemplateDialog> window_;
  int endedWith_ = -1;
};

constexpr const char* kSerialLine1 =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n\r\n"
    "[Online]\r\nComTeleLength=256\r\nComPort=V24 1 19200 7 2 1 3000 0\r\n";
constexpr const char* kTcpLine2 =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
    "[Online]\r\nComTeleLength=1428\r\nComPort=DLL netdrv.dll -ip10.0.0.9\r\n";

TEST_F(EditorOnWidgets, ShowsTheFirstResourceAndFollowsTheUsersPicksAndClicks) {
  WriteWorkspace({{"Line2.opc", kTcpLine2}, {"Line1.opc", kSerialLine1}});
  Open();
  EXPECT_EQ(endedWith_, -1);
  EXPECT_EQ(WidgetItems(combo(ids::kResource)), (std::vector<std::string>{"Line1", "Line2"}));
  EXPECT_EQ(Shown(combo(ids::kResource)), (ComboView{0, "Line1"}));
  EXPECT_EQ(WidgetItems(combo(ids::kBaud)),
            (std::vector<std::string>{"110", "300", "600", "1200", "2400", "4800", "9600", "19200",
                                      "38400", "57600"}));
  EXPECT_EQ(WidgetItems(combo(ids::kParity)), (std::vector<std::string>{"Even", "None", "Odd"}));
  EXPECT_EQ(Shows(ids::kAlignment), "Big Endian");
  EXPECT_EQ(Shows(ids::kBaud), "19200");
  EXPECT_EQ(Shows(ids::kDataBits), "7");
  EXPECT_EQ(Shows(ids::kStopBits), "2");
  EXPECT_EQ(Shows(ids::kParity), "Odd");
  EXPECT_EQ(Shows(ids::kTimeout), "3000");
  EXPECT_EQ(CheckedRadio(), 1000);
  EXPECT_EQ(EnabledSettings(), "111110");
  ExpectWidgetsShowTheComboState();

  // The user picks Line2 with the arrow key.
  QTest::keyClick(combo(ids::kResource), Qt::Key_Down);
  EXPECT_EQ(Shown(combo(ids::kResource)), (ComboView{1, "Line2"}));
  EXPECT_EQ(CheckedRadio(), 1006);
  EXPECT_EQ(EnabledSettings(), "000001");
  EXPECT_EQ(Shows(ids::kParameter), "-ip10.0.0.9");
  EXPECT_EQ(Shows(ids::kAlignment), "Little Endian");
  EXPECT_EQ(Shows(ids::kBaud), "19200");
  EXPECT_EQ(Shows(ids::kParity), "None");
  ExpectWidgetsShowTheComboState();

  // A radio click changes what can be edited, and no value.
  QTest::mouseClick(window_->Control(1002), Qt::LeftButton);
  EXPECT_EQ(CheckedRadio(), 1002);
  EXPECT_EQ(EnabledSettings(), "111110");
  EXPECT_EQ(Shows(ids::kParameter), "-ip10.0.0.9");
  EXPECT_EQ(Shows(ids::kParity), "None");

  // Back to Line1: the switch collected Line2 as COM3 from the widgets, as showing it
  // again tells.
  QTest::keyClick(combo(ids::kResource), Qt::Key_Up);
  EXPECT_EQ(Shown(combo(ids::kResource)), (ComboView{0, "Line1"}));
  EXPECT_EQ(Shows(ids::kStopBits), "2");
  ExpectWidgetsShowTheComboState();
  QTest::keyClick(combo(ids::kResource), Qt::Key_Down);
  EXPECT_EQ(CheckedRadio(), 1002);
  EXPECT_EQ(EnabledSettings(), "111110");
  EXPECT_EQ(Shows(ids::kParity), "None");
  ExpectWidgetsShowTheComboState();
}

// What the files hold is shown as it is on the real widgets: a baud outside the list as an
// entry of its own, a parameter longer than Qt's default edit limit whole. Enter then
// writes only what the user changed.
TEST_F(EditorOnWidgets, ValuesOutsideTheListsAndALongParameterAreShownAsTheFilesHoldThem) {
  const std::string longParameter = "-ip" + std::string(40000, '7');
  const std::string tcp =
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptCustom.XX.21\r\n\r\n"
      "[Online]\r\nComTeleLength=1428\r\nComPort=DLL netdrv.dll " +
      longParameter + "\r\n\r\n";
  const std::string serial =
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
      "[Online]\r\nComTeleLength=256\r\nComPort=V24 2 14400 7 2 2 500 0\r\n\r\n";
  WriteWorkspace({{"Line1.opc", serial}, {"Line2.opc", tcp}});
  Open();
  const std::vector<std::string> bauds = {"110",  "300",  "600",   "1200",  "2400",
                                          "4800", "9600", "19200", "38400", "57600"};
  std::vector<std::string> withOwn = bauds;
  withOwn.push_back("14400");
  EXPECT_EQ(WidgetItems(combo(ids::kBaud)), withOwn);
  EXPECT_EQ(Shown(combo(ids::kBaud)), (ComboView{10, "14400"}));
  ExpectWidgetsShowTheComboState();

  // The user's pick replaces the value; the entry stays while Line1 is shown.
  QTest::keyClick(combo(ids::kBaud), Qt::Key_Up);
  EXPECT_EQ(Shown(combo(ids::kBaud)), (ComboView{9, "57600"}));
  EXPECT_EQ(WidgetItems(combo(ids::kBaud)), withOwn);

  QTest::keyClick(combo(ids::kResource), Qt::Key_Down);
  EXPECT_EQ(WidgetItems(combo(ids::kBaud)), bauds);
  EXPECT_EQ(Shows(ids::kAlignment), "");
  EXPECT_EQ(Shows(ids::kParameter), longParameter);
  ExpectWidgetsShowTheComboState();

  window_->Control(ids::kParameter)->setFocus();
  QTest::keyClick(window_->Control(ids::kParameter), Qt::Key_Return);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(ReadBytes(dir_.File("ws/Line2.opc")), tcp);
  std::string saved = serial;
  saved.replace(saved.find("14400"), 5, "57600");
  EXPECT_EQ(ReadBytes(dir_.File("ws/Line1.opc")), saved);
}

TEST_F(EditorOnWidgets, EmptyWorkspaceStartsInTheTcpIpStateWithTheDefaults) {
  WriteWorkspace({});
  std::string said;
  WhenShown user([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
                 [&said](QWidget* w) {
                   auto* box = static_cast<QMessageBox*>(w);
                   said = box->text().toStdString();
                   box->button(QMessageBox::Ok)->click();
                 });
  Open();
  EXPECT_EQ(said, Utf8(texts::kNoOpcFiles));
  EXPECT_EQ(WidgetItems(combo(ids::kResource)), std::vector<std::string>{});
  EXPECT_EQ(Shown(combo(ids::kResource)), (ComboView{-1, ""}));
  EXPECT_EQ(CheckedRadio(), 1006);
  EXPECT_EQ(EnabledSettings(), "000001");
  EXPECT_EQ(Shows(ids::kBaud), "9600");
  EXPECT_EQ(Shows(ids::kStopBits), "1");
  EXPECT_EQ(Shows(ids::kDataBits), "8");
  EXPECT_EQ(Shows(ids::kParity), "None");
  EXPECT_EQ(Shows(ids::kTimeout), "2000");
  EXPECT_EQ(Shows(ids::kAlignment), "Little Endian");
  EXPECT_EQ(Shows(ids::kParameter), "-ip127.0.0.1");
  ExpectWidgetsShowTheComboState();
  EXPECT_EQ(window_->windowIcon().availableSizes(), (QList<QSize>{QSize(32, 32), QSize(16, 16)}));
}

TEST_F(EditorOnWidgets, F1OpensTheAboutBoxOverTheEditor) {
  WriteWorkspace({{"Line1.opc", kSerialLine1}});
  QtFramework framework;
  EditorApp app(framework);
  Open();
  editor_->SetShell(&app);
  QWidget* owner = nullptr;
  WhenShown user([](QWidget* w) { return w->windowTitle() == ToQString(texts::kAboutCaption); },
                 [&owner](QWidget* w) {
                   owner = w->parentWidget();
                   QTest::keyClick(w, Qt::Key_Escape);
                 });
  QTest::keyClick(window_->Control(ids::kTimeout), Qt::Key_F1);
  EXPECT_EQ(user.count(), 1);
  EXPECT_EQ(owner, window_.get());
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(Shows(ids::kTimeout), "3000");
}

TEST_F(EditorOnWidgets, AddResourceAsksForTheNameInADialogOverTheEditor) {
  WriteWorkspace({{"Line1.opc", kSerialLine1}});
  Open();
  bool modalOverEditor = false;
  WhenShown user(
      [this](QWidget* w) {
        return w != window_.get() && dynamic_cast<TemplateDialog*>(w) != nullptr;
      },
      [this, &modalOverEditor](QWidget* w) {
        modalOverEditor =
            QApplication::activeModalWidget() == w && w->parentWidget() == window_.get();
        auto* name = w->findChild<QLineEdit*>();
        QTest::keyClicks(name, " Line5 ");
        QTest::keyClick(name, Qt::Key_Return);
      });
  qobject_cast<QPushButton*>(window_->Control(ids::kAddResource))->click();
  EXPECT_EQ(user.count(), 1);
  EXPECT_TRUE(modalOverEditor);
  EXPECT_TRUE(FileExists(dir_.File("ws/Line5.opc")));
  EXPECT_EQ(WidgetItems(combo(ids::kResource)), (std::vector<std::string>{"Line1", "Line5"}));
  EXPECT_EQ(Shown(combo(ids::kResource)), (ComboView{1, "Line5"}));
  EXPECT_EQ(CheckedRadio(), 1006);
  EXPECT_EQ(Shows(ids::kParameter), "-ip127.0.0.1");
  ExpectWidgetsShowTheComboState();
}

}  // namespace
}  // namespace tirv::testing
