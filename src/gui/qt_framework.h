// The application's framework services on Qt and X11: the window lookup, the unowned
// box, the end of the process and the modal run of the main dialog.
#pragma once

#include "app/editor_app.h"

namespace tirv {

class QtFramework : public AppFramework {
 public:
  bool TopLevelWindowExists(std::u16string_view title) override;
  void UnownedInformationBox(std::u16string_view text) override;
  void EndProcess(int exitCode) override;
  int RunMainDialog(DialogLogic& dialog) override;
};

}  // namespace tirv
