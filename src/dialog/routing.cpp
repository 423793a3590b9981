#include "dialog/routing.h"

namespace tirv {

void RouteCommand(DialogLogic& logic, int id) {
  if (id == kEndOk) {
    logic.OnOk();
  } else if (id == kEndCancel) {
    logic.OnCancel();
  } else {
    logic.OnCommand(id);
  }
}

void RouteSystemCommand(DialogLogic& logic, std::uintptr_t command) {
  if (logic.OnSystemCommand(command)) return;
  if ((command & kSysCommandMask) == kSysCommandClose) logic.OnCancel();
}

}  // namespace tirv
