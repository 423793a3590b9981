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

/// A connection to the X display named by DISPLAY, held until Close or the end of the
/// object. An X server that has no other client resets when its last one leaves and
/// refuses connections meanwhile, so a program that checks the display first keeps this
/// connection until the toolkit holds its own.
class DisplayConnection {
 public:
  DisplayConnection() = default;
  ~DisplayConnection() { Close(); }
  DisplayConnection(const DisplayConnection&) = delete;
  DisplayConnection& operator=(const DisplayConnection&) = delete;

  /// True when the display accepts a connection now; it is then held.
  bool Open();
  void Close();

 private:
  void* display_ = nullptr;
};

}  // namespace tirv
