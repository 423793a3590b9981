// Status values shared by every subsystem of the editor.
#pragma once

#include <cstdint>

namespace tirv {

/// A signed 32-bit outcome: zero or more is success, a negative value is failure.
using Status = std::int32_t;

/// The one failure value that the editor produces itself.
inline constexpr Status kGeneralFailure = static_cast<Status>(0x80004005u);

inline constexpr bool Succeeded(Status s) { return s >= 0; }
inline constexpr bool Failed(Status s) { return s < 0; }

}  // namespace tirv
