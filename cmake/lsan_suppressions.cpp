// Leak-check suppressions that every program of a sanitizer build carries itself, so a
// run as another user, or from a copy in a temporary folder, needs no file to find.
// They cover process-lifetime caches of the display libraries, not leaks of ours.

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libQt6Core\n"
         "leak:libQt6Gui\n"
         "leak:libQt6Widgets\n"
         "leak:libX11\n"
         "leak:libxcb\n"
         "leak:libglib\n"
         "leak:libdbus\n";
}
