// How a person's keys and clicks on a template dialog reach its logic's verbs: Enter is
// OK, Escape Cancel, the close box the close system command (Cancel unless the logic
// takes it), F1 help, buttons and radio buttons their commands.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "editor/templates.h"
#include "widget_test_support.h"

namespace tirv::testing {
namespace {

std::vector<int> CheckedRadios(const TemplateDialog& dialog) {
  std::vector<int> checked;
  for (int id = ids::kRadioFirst; id <= ids::kRadioLast; ++id) {
    if (qobject_cast<QRadioButton*>(dialog.Control(id))->isChecked()) checked.push_back(id);
  }
  return checked;
}

void EnableAll(TemplateDialog& dialog) {
  for (int id : {ids::kTimeout, ids::kParameter, ids::kBaud}) dialog.EnableControl(id, true);
}

TEST(DialogKeys, EnterIsTheOkCommandWhereverTheFocusIsNotAButton) {
  const int targets[] = {ids::kTimeout, ids::kParameter, ids::kAlignment, ids::kResource,
                         ids::kBaud};
  for (int target : targets) {
    SCOPED_TRACE("focus in control " + std::to_string(target));
    RecordingLogic logic(EditorDialogTemplate());
    ShownDialog shown(logic);
    EnableAll(shown.window);
    shown.window.ComboAdd(ids::kAlignment, u"Little Endian");
    QWidget* widget = shown.window.Control(target);
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->isEditable()) {
      widget = combo->lineEdit();
    }
    QTest::keyClick(widget, Qt::Key_Return);
    EXPECT_EQ(logic.closes, std::vector<std::string>{"OK"});
    EXPECT_EQ(logic.commands, std::vector<int>{});
    EXPECT_FALSE(shown.window.isVisible());
    EXPECT_EQ(shown.window.result(), kEndOk);
  }
}

TEST(DialogKeys, EnterOnAFocusedButtonPressesThatButton) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  shown.window.Control(ids::kSave)->setFocus();  // as a click or Tab leaves it
  QTest::keyClick(shown.window.Control(ids::kSave), Qt::Key_Enter);
  EXPECT_EQ(logic.commands, std::vector<int>{ids::kSave});
  EXPECT_EQ(logic.closes, std::vector<std::string>{});
  EXPECT_TRUE(shown.window.isVisible());
}

TEST(DialogKeys, EscapeAndTheCloseBoxAreTheCancelCommand) {
  {
    RecordingLogic logic(EditorDialogTemplate());
    ShownDialog shown(logic);
    EnableAll(shown.window);
    QTest::keyClick(shown.window.Control(ids::kTimeout), Qt::Key_Escape);
    EXPECT_EQ(logic.closes, std::vector<std::string>{"Cancel"});
    EXPECT_FALSE(shown.window.isVisible());
    EXPECT_EQ(shown.window.result(), kEndCancel);
  }
  {
    RecordingLogic logic(EditorDialogTemplate());
    ShownDialog shown(logic);
    shown.window.ComboAdd(ids::kAlignment, u"Big Endian");
    QTest::keyClick(ComboWidget(shown.window, ids::kAlignment)->lineEdit(), Qt::Key_Escape);
    EXPECT_EQ(logic.closes, std::vector<std::string>{"Cancel"});
  }
  {
    RecordingLogic logic(EditorDialogTemplate());
    ShownDialog shown(logic);
    shown.window.close();
    EXPECT_EQ(logic.systemCommands, std::vector<std::uintptr_t>{kSysCommandClose});
    EXPECT_EQ(logic.closes, std::vector<std::string>{"Cancel"});
    EXPECT_FALSE(shown.window.isVisible());
    EXPECT_EQ(shown.window.result(), kEndCancel);
  }
}

// The close box asks the logic, which may keep the dialog open.
class StubbornLogic : public RecordingLogic {
 public:
  StubbornLogic() : RecordingLogic(EditorDialogTemplate()) {}
  void OnCancel() override { closes.push_back("Cancel refused"); }
};

TEST(DialogKeys, CloseBoxLeavesTheDecisionToTheLogic) {
  {
    StubbornLogic logic;
    ShownDialog shown(logic);
    shown.window.close();
    EXPECT_EQ(logic.closes, std::vector<std::string>{"Cancel refused"});
    EXPECT_TRUE(shown.window.isVisible());
  }
  // A logic that takes the close command itself is not cancelled.
  RecordingLogic logic(EditorDialogTemplate());
  logic.takesSystemCommands = true;
  ShownDialog shown(logic);
  shown.window.close();
  EXPECT_EQ(logic.systemCommands, std::vector<std::uintptr_t>{kSysCommandClose});
  EXPECT_EQ(logic.closes, std::vector<std::string>{});
  EXPECT_TRUE(shown.window.isVisible());
}

TEST(DialogKeys, F1IsHelp) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  EnableAll(shown.window);
  QTest::keyClick(shown.window.Control(ids::kTimeout), Qt::Key_F1);
  QTest::keyClick(shown.window.Control(ids::kResource), Qt::Key_F1);
  EXPECT_EQ(logic.helps, 2);
  EXPECT_EQ(logic.commands, std::vector<int>{});
  EXPECT_EQ(logic.closes, std::vector<std::string>{});
  EXPECT_TRUE(shown.window.isVisible());
}

TEST(DialogKeys, NewResourceDialogButtonsAreOkAndCancel) {
  {
    RecordingLogic logic(NewResourceDialogTemplate());
    ShownDialog shown(logic);
    QTest::keyClicks(shown.window.Control(ids::kNewName), "Line5");
    QTest::keyClick(shown.window.Control(ids::kNewName), Qt::Key_Return);
    EXPECT_EQ(logic.closes, std::vector<std::string>{"OK"});
    EXPECT_EQ(shown.window.GetText(ids::kNewName), u"Line5");
  }
  {
    RecordingLogic logic(NewResourceDialogTemplate());
    ShownDialog shown(logic);
    qobject_cast<QPushButton*>(shown.window.Control(ids::kOk))->click();
    EXPECT_EQ(logic.closes, std::vector<std::string>{"OK"});
  }
  {
    RecordingLogic logic(NewResourceDialogTemplate());
    ShownDialog shown(logic);
    qobject_cast<QPushButton*>(shown.window.Control(ids::kCancel))->click();
    EXPECT_EQ(logic.closes, std::vector<std::string>{"Cancel"});
    EXPECT_EQ(shown.window.result(), kEndCancel);
  }
  {
    RecordingLogic logic(NewResourceDialogTemplate());
    ShownDialog shown(logic);
    QTest::keyClick(shown.window.Control(ids::kNewName), Qt::Key_Escape);
    EXPECT_EQ(logic.closes, std::vector<std::string>{"Cancel"});
  }
}

TEST(DialogClicks, RadioButtonClickChecksOnlyItselfAndSendsItsCommand) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  TemplateDialog& dialog = shown.window;
  dialog.CheckRadioButton(ids::kRadioFirst, ids::kRadioLast, 1006);

  QTest::mouseClick(dialog.Control(1001), Qt::LeftButton);
  EXPECT_EQ(CheckedRadios(dialog), std::vector<int>{1001});
  // A second click on the checked button leaves it checked, as an auto radio button does.
  QTest::mouseClick(dialog.Control(1001), Qt::LeftButton);
  EXPECT_EQ(CheckedRadios(dialog), std::vector<int>{1001});
  QTest::mouseClick(dialog.Control(1003), Qt::LeftButton);
  EXPECT_EQ(CheckedRadios(dialog), std::vector<int>{1003});
  // The disabled simulation buttons take no click.
  QTest::mouseClick(dialog.Control(1004), Qt::LeftButton);
  EXPECT_EQ(CheckedRadios(dialog), std::vector<int>{1003});
  EXPECT_EQ(logic.commands, (std::vector<int>{1001, 1001, 1003}));

  // The program may check a disabled one.
  dialog.CheckRadioButton(ids::kRadioFirst, ids::kRadioLast, 1005);
  EXPECT_EQ(CheckedRadios(dialog), std::vector<int>{1005});
}

TEST(DialogClicks, PushButtonsSendTheirCommands) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  for (int id : {ids::kAddResource, ids::kDeleteResource, ids::kSave}) {
    QTest::mouseClick(shown.window.Control(id), Qt::LeftButton);
  }
  EXPECT_EQ(logic.commands,
            (std::vector<int>{ids::kAddResource, ids::kDeleteResource, ids::kSave}));
  EXPECT_EQ(logic.closes, std::vector<std::string>{});
}

}  // namespace
}  // namespace tirv::testing
