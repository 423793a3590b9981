// tirvane-editor: the resource editor of the Tirvane OPC-Server 2.0.

#include <sys/stat.h>
#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "app/editor_app.h"
#include "gui/qt_framework.h"
#include "platform/termination.h"
#include "platform/text.h"
#include "platform/window_lookup.h"

namespace {

constexpr const char* kUsageHead =
    "Usage: tirvane-editor [--workspace DIR | --help | --version]\n"
    "\n"
    "Opens the resource editor of the Tirvane OPC-Server 2.0 on the workspace folder\n"
    "named by CustomWorkspace in section [Settings] of the configuration file\n";

constexpr const char* kUsageTail =
    "Each resource is one .opc file in that folder.\n"
    "\n"
    "  --workspace DIR  open the workspace folder DIR instead; the configuration file\n"
    "                   is not read\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "The manual page tirvane-editor(1) describes the dialog, the resource files and the\n"
    "messages.\n";

// The configuration file the editor reads, for the usage text: TirvOPC.ini in the folder
// of the real executable. When that is a link (as in the package, to /etc), the file it
// leads to is named, so that the user edits the right one.
std::string ConfigurationFileText() {
  char* program = ::realpath("/proc/self/exe", nullptr);
  if (program == nullptr) return "  TirvOPC.ini in the program's folder\n";
  std::string folder(program);
  std::free(program);
  folder.erase(folder.rfind('/'));
  const std::string file = folder + "/TirvOPC.ini";
  struct stat st {};
  if (::lstat(file.c_str(), &st) != 0) return "  " + file + " (missing)\n";
  if (!S_ISLNK(st.st_mode)) return "  " + file + "\n";
  char* target = ::realpath(file.c_str(), nullptr);
  if (target == nullptr) return "  " + file + " (a link that leads to no file)\n";
  std::string text = "  ";
  text += target;
  std::free(target);
  text += "\n(through the link " + file + ")\n";
  return text;
}

// The argument as it can stand in a one-line message: control characters become "?".
std::string Printable(const char* argument) {
  std::string text(argument);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return text;
}

const char* Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// The editor draws on an X11 display (a Wayland desktop offers one through XWayland).
// Qt ends the process with a core dump when its display cannot be reached, so the
// display is tried first. Returns the one line that says why there is none, or "" when
// the window can open. A platform other than X11 that QT_QPA_PLATFORM names on purpose
// (offscreen, vnc) is taken as it is.
std::string DisplayProblem(tirv::DisplayConnection& probe) {
  const char* platform = Environment("QT_QPA_PLATFORM");
  if (platform != nullptr && std::strncmp(platform, "xcb", 3) != 0) {
    if (std::strncmp(platform, "wayland", 7) != 0) return {};
    return std::string(
               "no display; the editor needs an X11 display, and QT_QPA_PLATFORM "
               "names \"") +
           Printable(platform) + "\"";
  }
  const char* display = Environment("DISPLAY");
  if (display == nullptr) {
    if (const char* wayland = Environment("WAYLAND_DISPLAY")) {
      return std::string(
                 "no display; the editor needs an X11 display (DISPLAY), and only the "
                 "Wayland display \"") +
             Printable(wayland) + "\" is set";
    }
    return "no display; set DISPLAY, or run it under xvfb-run";
  }
  if (!probe.Open()) {
    return std::string("no display; cannot open the X display \"") + Printable(display) + "\"";
  }
  // Qt would try Wayland first on a Wayland desktop; the display reached is X11.
  ::setenv("QT_QPA_PLATFORM", "xcb", 0);
  return {};
}

// What the arguments ask for. The run ends before any window opens on --help and
// --version (0) and on any argument it does not take (2, after one line).
struct Arguments {
  int exitCode = -1;  ///< -1: go on and open the dialog
  std::u16string workspaceFolder;
};

int Refuse(const char* format, const std::string& argument, const char* after = "") {
  std::fprintf(stderr, format, argument.c_str(), after);
  return 2;
}

// DIR as a full path, so that the dialog names the folder it works on whatever the
// current folder was.
std::u16string FullFolderPath(const std::string& folder) {
  if (folder.front() == '/') return tirv::Utf8ToUtf16(folder);
  char* current = ::getcwd(nullptr, 0);
  if (current == nullptr) return tirv::Utf8ToUtf16(folder);
  std::string full(current);
  std::free(current);
  if (full.back() != '/') full += '/';
  return tirv::Utf8ToUtf16(full + folder);
}

int PrintHelpOrVersion(bool help) {
  if (help) {
    std::fputs(kUsageHead, stdout);
    std::fputs(ConfigurationFileText().c_str(), stdout);
    std::fputs(kUsageTail, stdout);
  } else {
    std::printf("tirvane-editor %s\n", TIRV_VERSION);
  }
  return 0;
}

Arguments ReadArguments(int argc, char** argv) {
  Arguments arguments;
  if (argc < 2) return arguments;
  const std::string first = argv[1];
  const bool help = first == "--help";
  const bool version = first == "--version";
  const bool workspace = first == "--workspace" || first.rfind("--workspace=", 0) == 0;
  if (!help && !version && !workspace) {
    arguments.exitCode =
        Refuse("tirvane-editor: unknown argument \"%s\" (try --help)\n", Printable(argv[1]));
    return arguments;
  }
  int next = 2;
  std::string folder;
  if (workspace) {
    if (first == "--workspace") {
      if (argc > 2) folder = argv[2];
      next = 3;
    } else {
      folder = first.substr(std::strlen("--workspace="));
    }
    if (folder.empty()) {
      std::fputs("tirvane-editor: --workspace needs a folder (try --help)\n", stderr);
      arguments.exitCode = 2;
      return arguments;
    }
  }
  if (argc > next) {
    // Name the argument that is wrong, not the valid option before it.
    arguments.exitCode =
        Refuse("tirvane-editor: unexpected argument \"%s\" after %s (try --help)\n",
               Printable(argv[next]), workspace ? "--workspace" : argv[1]);
    return arguments;
  }
  if (workspace) {
    arguments.workspaceFolder = FullFolderPath(folder);
  } else {
    arguments.exitCode = PrintHelpOrVersion(help);
  }
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  const Arguments arguments = ReadArguments(argc, argv);
  if (arguments.exitCode >= 0) return arguments.exitCode;
  // Held until Qt has its own connection: a display with no other client would reset
  // between the two and refuse Qt.
  tirv::DisplayConnection probe;
  if (const std::string problem = DisplayProblem(probe); !problem.empty()) {
    std::fprintf(stderr, "tirvane-editor: %s\n", problem.c_str());
    return 2;
  }
  if (const std::string warning = tirv::CodePage::DefaultWarning(); !warning.empty()) {
    std::fprintf(stderr, "tirvane-editor: %s\n", warning.c_str());
  }
  // A write over the file-size limit must fail (EFBIG) and be told like any failed save,
  // not end the program with the user's edits.
  std::signal(SIGXFSZ, SIG_IGN);
  // A termination request waits until a file being written and its log line are done.
  tirv::DeferTerminationSignals();
  QApplication application(argc, argv);
  probe.Close();
  QGuiApplication::setDesktopFileName(QStringLiteral("tirvane-editor"));
  tirv::QtFramework framework;
  tirv::EditorEnvironment environment;
  environment.workspaceFolder = arguments.workspaceFolder;
  tirv::EditorApp editorApp(framework, std::move(environment));
  editorApp.StartApplication();
  return 0;
}
