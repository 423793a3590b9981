#include "platform/window_lookup.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <string>

#include "platform/text.h"

namespace tirv {
namespace {

// Deeper than any window manager nests a client inside its frames.
constexpr int kMaxDepth = 6;

// Windows may vanish while the tree is walked; their errors mean "not this one".
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

bool NetWmNameIs(Display* display, Window window, const std::string& title) {
  const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const int rc = XGetWindowProperty(display, window, netWmName, 0, 4096, False, utf8, &type,
                                    &format, &count, &after, &data);
  bool equal = false;
  if (rc == Success && data != nullptr && type == utf8 && format == 8) {
    equal = std::string(reinterpret_cast<char*>(data), count) == title;
  }
  if (data != nullptr) XFree(data);
  return equal;
}

bool WmNameIs(Display* display, Window window, const std::string& title) {
  XTextProperty property{};
  if (XGetWMName(display, window, &property) == 0 || property.value == nullptr) return false;
  bool equal = false;
  char** list = nullptr;
  int count = 0;
  if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && count > 0) {
    equal = title == list[0];
  }
  if (list != nullptr) XFreeStringList(list);
  XFree(property.value);
  return equal;
}

bool TreeHoldsTitle(Display* display, Window window, const std::string& title, int depth) {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return false;
  bool found = false;
  for (unsigned int i = 0; i < count && !found; ++i) {
    found = NetWmNameIs(display, children[i], title) || WmNameIs(display, children[i], title) ||
            (depth + 1 < kMaxDepth && TreeHoldsTitle(display, children[i], title, depth + 1));
  }
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace

bool TopLevelWindowExists(std::u16string_view title) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  const auto previous = XSetErrorHandler(IgnoreXErrors);
  const bool found = TreeHoldsTitle(display, DefaultRootWindow(display), Utf16ToUtf8(title), 0);
  XSync(display, False);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  return found;
}

bool DisplayConnection::Open() {
  Close();
  display_ = XOpenDisplay(nullptr);
  return display_ != nullptr;
}

void DisplayConnection::Close() {
  if (display_ != nullptr) XCloseDisplay(static_cast<Display*>(display_));
  display_ = nullptr;
}

}  // namespace tirv
