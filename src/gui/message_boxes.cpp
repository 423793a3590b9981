#include "gui/message_boxes.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

#include "gui/qt_text.h"
#include "platform/text.h"

namespace tirv {
namespace {

constexpr const char* kTraceVariable = "TIRVANE_EDITOR_TRACE";

// The answers that the trace prints: OK, Yes and No.
constexpr int kAnswerOk = 1;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;

std::string Quoted(std::u16string_view text) {
  std::string out = "\"";
  for (char c : Utf16ToUtf8(text)) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}

void Trace(std::string_view kind, int type, std::u16string_view caption, std::u16string_view text,
           int answer) {
  if (std::getenv(kTraceVariable) == nullptr) return;
  const std::string line = MessageBoxTraceLine(kind, type, caption, text, answer) + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace

std::string MessageBoxTraceLine(std::string_view kind, int type, std::u16string_view caption,
                                std::u16string_view text, int answer) {
  return "tirvane-editor: message box kind=" + std::string(kind) + " type=" + std::to_string(type) +
         " caption=" + Quoted(caption) + " text=" + Quoted(text) +
         " answer=" + std::to_string(answer);
}

bool ShowMessageBox(QWidget* owner, std::u16string_view text, BoxKind kind) {
  const bool question = kind == BoxKind::kQuestion;
  QMessageBox box(question ? QMessageBox::Question : QMessageBox::Information,
                  ToQString(texts::kApplicationTitle), ToQString(text),
                  question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
  box.setTextFormat(Qt::PlainText);
  int answer = kAnswerOk;
  if (question) {
    box.setDefaultButton(QMessageBox::Yes);
    answer = box.exec() == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
  } else {
    box.exec();
  }
  Trace(owner == nullptr ? "unowned" : "owned", static_cast<int>(kind), texts::kApplicationTitle,
        text, answer);
  return answer != kAnswerNo;
}

void ShowApplicationMessageBox(QWidget* owner, std::u16string_view text) {
  QMessageBox box(QMessageBox::Warning, ToQString(texts::kApplicationTitle), ToQString(text),
                  QMessageBox::Ok, owner);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  Trace("application", static_cast<int>(BoxKind::kApplication), texts::kApplicationTitle, text,
        kAnswerOk);
}

}  // namespace tirv
