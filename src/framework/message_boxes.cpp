#include "message_boxes.h"

#include <QMessageBox>

#include "qt_text.h"
#include "workspace.h"

namespace tirv {

int ShowMessageBox(QWidget* owner, std::u16string_view text, std::u16string_view caption,
                   int type) {
  const bool question = type == kBoxYesNoQuestion;
  QMessageBox box(question                  ? QMessageBox::Question
                  : type == kBoxInformation ? QMessageBox::Information
                                            : QMessageBox::NoIcon,
                  ToQString(caption), ToQString(text),
                  question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
  box.setTextFormat(Qt::PlainText);
  if (!question) {
    box.exec();
    return kAnswerOk;
  }
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
}

void ShowApplicationMessageBox(QWidget* owner, std::u16string_view text) {
  QMessageBox box(QMessageBox::Warning, ToQString(kApplicationTitle), ToQString(text),
                  QMessageBox::Ok, owner);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace tirv
