#include "message_boxes.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

#include "qt_text.h"
#include "text.h"
#include "workspace.h"

namespace tirv {
namespace {

constexpr const char* kTraceVariable = "TIRVANE_EDITOR_TRACE";

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

int ShowMessageBox(QWidget* owner, std::u16string_view text, std::u16string_view caption,
                   int type) {
  const bool question = type == kBoxYesNoQuestion;
  QMessageBox box(question                  ? QMessageBox::Question
                  : type == kBoxInformation ? QMessageBox::Information
                                            : QMessageBox::NoIcon,
                  ToQString(caption), ToQString(text),
                  question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
  box.setTextFormat(Qt::PlainText);
  int answer = kAnswerOk;
  if (question) {
    box.setDefaultButton(QMessageBox::Yes);
    answer = box.exec() == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
  } else {
    box.exec();
  }
  Trace(owner == nullptr ? "unowned" : "owned", type, caption, text, answer);
  return answer;
}

void ShowApplicationMessageBox(QWidget* owner, std::u16string_view text) {
  QMessageBox box(QMessageBox::Warning, ToQString(kApplicationTitle), ToQString(text),
                  QMessageBox::Ok, owner);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  Trace("application", 0, kApplicationTitle, text, kAnswerOk);
}

}  // namespace tirv
