#include "gui/qt_framework.h"

#include "gui/message_boxes.h"
#include "gui/template_dialog.h"
#include "platform/process.h"
#include "platform/window_lookup.h"

namespace tirv {

bool QtFramework::TopLevelWindowExists(std::u16string_view title) {
  return tirv::TopLevelWindowExists(title);
}

void QtFramework::UnownedInformationBox(std::u16string_view text) {
  ShowMessageBox(nullptr, text, BoxKind::kInformation);
}

void QtFramework::EndProcess(int exitCode) { tirv::EndProcess(exitCode); }

int QtFramework::RunMainDialog(DialogLogic& dialog) {
  TemplateDialog window(dialog, nullptr);
  return window.RunModal();
}

}  // namespace tirv
