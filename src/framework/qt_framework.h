// The application's framework services on Qt and X11: the window lookup, the unowned
// box, the end of the process and the modal run of the main dialog.
#pragma once

#include "editor_app.h"

namespace tirv {

class QtFramework : public AppFramework {
 public:
  bool TopLevelWindowExists(std::u16string_view title) override;
  void UnownedMessageBox(std::u16string_view text, std::u16string_view caption, int type) override;
  void EndProcess(int exitCode) override;
  int RunMainDialog(DialogLogic& dialog) override;
};

}  // namespace tirv
