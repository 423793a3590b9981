// Finding a top-level window by its exact title on the X display.
#pragma once

#include <string_view>

namespace tirv {

/// True when a window on the display named by DISPLAY bears exactly `title` as its
/// _NET_WM_NAME or WM_NAME. The root window's children are searched recursively, so
/// client windows inside a window manager's frames are found as well as bare windows.
/// False when there is no such window or no display can be opened.
bool TopLevelWindowExists(std::u16string_view title);

}  // namespace tirv
