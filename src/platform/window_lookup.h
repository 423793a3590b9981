// The X display: whether it can be reached, and finding a top-level window on it by its
// exact title.
#pragma once

#include <string_view>

namespace tirv {

/// True when a window on the display named by DISPLAY bears exactly `title` as its
/// _NET_WM_NAME or WM_NAME. The root window's children are searched recursively, so
/// client windows inside a window manager's frames are found as well as bare windows.
/// False when there is no such window or no display can be opened.
bool TopLevelWindowExists(std::u16string_view title);

/// True when the X display named by DISPLAY accepts a connection now.
bool XDisplayReachable();

}  // namespace tirv
