// tirvane-editor: the resource editor of the Tirvane OPC-Server 2.0.

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor_app.h"
#include "qt_framework.h"

namespace {

constexpr const char* kUsage =
    "Usage: tirvane-editor [--help | --version]\n"
    "\n"
    "Opens the resource editor of the Tirvane OPC-Server 2.0 on the workspace folder\n"
    "named by CustomWorkspace in section [Settings] of TirvOPC.ini, which lies beside the\n"
    "program. Each resource is one .opc file in that folder.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    if (std::strcmp(argv[1], "--help") == 0 && argc == 2) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0 && argc == 2) {
      std::printf("tirvane-editor %s\n", TIRV_VERSION);
      return 0;
    }
    std::fprintf(stderr, "tirvane-editor: unknown argument \"%s\" (try --help)\n", argv[1]);
    return 2;
  }
  if (!HasDisplay()) {
    std::fputs("tirvane-editor: no display; set DISPLAY, or run it under xvfb-run\n", stderr);
    return 2;
  }
  QApplication application(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("tirvane-editor"));
  tirv::QtFramework framework;
  tirv::EditorApp editorApp(framework);
  editorApp.StartApplication();
  return 0;
}
