// How a person's actions on a dialog window reach its logic's verbs. The Qt window and
// the in-memory controls of the tests both route through here, so the logic meets the
// same actions in tests and on screen.
#pragma once

#include <cstdint>

#include "dialog/control_ops.h"

namespace tirv {

/// The system command of the close box.
inline constexpr std::uintptr_t kSysCommandClose = 0xF060;
/// The low four bits of a system command are the framework's own, never its meaning.
inline constexpr std::uintptr_t kSysCommandMask = 0xFFF0;

/// A click on push button or radio button `id`, or a command that no control stands
/// for: the button with id 1 is OK, the one with id 2 Cancel, any other a command.
void RouteCommand(DialogLogic& logic, int id);

/// A command of the system menu: the logic's first; the close command it leaves is Cancel.
void RouteSystemCommand(DialogLogic& logic, std::uintptr_t command);

}  // namespace tirv
