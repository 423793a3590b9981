// The three kinds of message box as a person meets them: caption, icon, buttons, the
// answer each button gives, and the trace line that tests of the whole program read.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdlib>
#include <functional>
#include <string>

#include "editor/templates.h"
#include "editor/texts.h"
#include "gui/message_boxes.h"
#include "gui/qt_framework.h"
#include "widget_test_support.h"

namespace tirv::testing {
namespace {

struct SeenBox {
  std::string caption;
  std::string text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  bool hasParent = false;
  Qt::TextFormat format = Qt::AutoText;
};

// Notes what the next message box shows and presses `press` on it.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(QMessageBox::StandardButton press)
      : watcher_([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
                 [this, press](QWidget* w) { Answer(static_cast<QMessageBox*>(w), press); }) {}
  const SeenBox& seen() const { return seen_; }
  int boxes() const { return watcher_.count(); }

 private:
  void Answer(QMessageBox* box, QMessageBox::StandardButton press) {
    seen_.caption = box->windowTitle().toStdString();
    seen_.text = box->text().toStdString();
    seen_.icon = box->icon();
    seen_.buttons = box->standardButtons();
    seen_.defaultButton =
        box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
    seen_.hasParent = box->parentWidget() != nullptr;
    seen_.format = box->textFormat();
    box->button(press)->click();
  }

  SeenBox seen_;
  WhenShown watcher_;
};

// The trace lines among whatever else Qt writes to stderr.
std::string TraceLines(const std::string& printed) {
  std::string lines;
  std::size_t begin = 0;
  while (begin < printed.size()) {
    std::size_t end = printed.find('\n', begin);
    end = end == std::string::npos ? printed.size() : end + 1;
    const std::string line = printed.substr(begin, end - begin);
    if (line.rfind("tirvane-editor:", 0) == 0) lines += line;
    begin = end;
  }
  return lines;
}

class ScopedTrace {
 public:
  ScopedTrace() { ::setenv("TIRVANE_EDITOR_TRACE", "1", 1); }
  ~ScopedTrace() { ::unsetenv("TIRVANE_EDITOR_TRACE"); }
};

const std::string kTitle = Utf8(texts::kApplicationTitle);

TEST(MessageBoxes, QuestionBoxHasYesAndNoAndTellsYes) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  {
    BoxAnswerer user(QMessageBox::Yes);
    EXPECT_TRUE(shown.window.QuestionBox(u"Delete it?"));
    EXPECT_EQ(user.boxes(), 1);
    EXPECT_EQ(user.seen().caption, kTitle);
    EXPECT_EQ(user.seen().text, "Delete it?");
    EXPECT_EQ(user.seen().icon, QMessageBox::Question);
    EXPECT_EQ(user.seen().buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(user.seen().defaultButton, QMessageBox::Yes);
    EXPECT_TRUE(user.seen().hasParent);
  }
  BoxAnswerer user(QMessageBox::No);
  EXPECT_FALSE(shown.window.QuestionBox(u"Delete it?"));
  EXPECT_EQ(user.boxes(), 1);
}

TEST(MessageBoxes, InformationBoxHasOkOnly) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  BoxAnswerer user(QMessageBox::Ok);
  shown.window.InformationBox(texts::kSaveFailed);
  EXPECT_EQ(user.boxes(), 1);
  EXPECT_EQ(user.seen().caption, kTitle);
  EXPECT_EQ(user.seen().text, Utf8(texts::kSaveFailed));
  EXPECT_EQ(user.seen().icon, QMessageBox::Information);
  EXPECT_EQ(user.seen().buttons, QMessageBox::Ok);
}

TEST(MessageBoxes, ApplicationBoxHasTheTitleAWarningIconAndOk) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  BoxAnswerer user(QMessageBox::Ok);
  shown.window.ApplicationMessageBox(texts::kSelectToDelete);
  EXPECT_EQ(user.boxes(), 1);
  EXPECT_EQ(user.seen().caption, kTitle);
  EXPECT_EQ(user.seen().text, Utf8(texts::kSelectToDelete));
  EXPECT_EQ(user.seen().icon, QMessageBox::Warning);
  EXPECT_EQ(user.seen().buttons, QMessageBox::Ok);
  EXPECT_TRUE(user.seen().hasParent);
}

TEST(MessageBoxes, StartUpBoxHasNoOwner) {
  QtFramework framework;
  BoxAnswerer user(QMessageBox::Ok);
  framework.UnownedInformationBox(texts::kAlreadyStarted);
  EXPECT_EQ(user.boxes(), 1);
  EXPECT_EQ(user.seen().caption, kTitle);
  EXPECT_EQ(user.seen().text, Utf8(texts::kAlreadyStarted));
  EXPECT_EQ(user.seen().icon, QMessageBox::Information);
  EXPECT_FALSE(user.seen().hasParent);
}

TEST(MessageBoxes, TextsAreShownAsWrittenNotAsRichText) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  for (int kind = 0; kind < 2; ++kind) {
    BoxAnswerer user(QMessageBox::Ok);
    if (kind == 0) {
      shown.window.InformationBox(u"characters \". \\ / : * ? < > |");
    } else {
      shown.window.ApplicationMessageBox(u"characters \". \\ / : * ? < > |");
    }
    EXPECT_EQ(user.seen().text, "characters \". \\ / : * ? < > |");
    EXPECT_EQ(user.seen().format, Qt::PlainText);
  }
}

TEST(MessageBoxTrace, EveryAnsweredBoxPrintsOneLine) {
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  const ScopedTrace trace;
  ::testing::internal::CaptureStderr();
  {
    BoxAnswerer user(QMessageBox::No);
    shown.window.QuestionBox(u"The folder /a\\b does not exist, \n\n would you like \"it\"?");
  }
  {
    BoxAnswerer user(QMessageBox::Ok);
    shown.window.ApplicationMessageBox(u"There is no file");
  }
  {
    BoxAnswerer user(QMessageBox::Ok);
    QtFramework().UnownedInformationBox(u"Started already");
  }
  const std::string printed = TraceLines(::testing::internal::GetCapturedStderr());
  const std::string caption = "caption=\"" + kTitle + "\" ";
  EXPECT_EQ(printed,
            "tirvane-editor: message box kind=owned type=36 " + caption +
                "text=\"The folder /a\\\\b does not exist, \\n\\n would you like \\\"it\\\"?\" "
                "answer=7\n"
                "tirvane-editor: message box kind=application type=0 " +
                caption +
                "text=\"There is no file\" answer=1\n"
                "tirvane-editor: message box kind=unowned type=64 " +
                caption + "text=\"Started already\" answer=1\n");
}

TEST(MessageBoxTrace, SilentWithoutTheVariable) {
  ::unsetenv("TIRVANE_EDITOR_TRACE");
  RecordingLogic logic(EditorDialogTemplate());
  ShownDialog shown(logic);
  ::testing::internal::CaptureStderr();
  BoxAnswerer user(QMessageBox::Ok);
  shown.window.ApplicationMessageBox(u"There is no file");
  EXPECT_EQ(user.boxes(), 1);
  EXPECT_EQ(TraceLines(::testing::internal::GetCapturedStderr()), "");
}

}  // namespace
}  // namespace tirv::testing
