// Child processes and a private X display for end-to-end tests: each test starts its own
// Xvfb (on a free display number that Xvfb picks itself), runs the real program and the
// X tools against it, and stops everything it started, also when the test fails.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tirv::testing {

using Millis = std::chrono::milliseconds;

/// Calls `done` every 25 ms until it returns true or `limit` has passed. Returns the last
/// result.
bool PollUntil(const std::function<bool()>& done, Millis limit);

/// A started process. Its destructor kills it (SIGKILL) and reaps it if it still runs.
class Child {
 public:
  struct Options {
    std::vector<std::string> argv;  ///< argv[0] is looked up in PATH
    std::vector<std::string> env;   ///< "NAME=value" entries added to this environment
    std::string stdoutPath = "/dev/null";
    std::string stderrPath = "/dev/null";
    int inheritFd = -1;  ///< a descriptor the child keeps open under the same number
    std::string workingDirectory;
  };

  /// Starts the process. On failure `error()` says why and `pid()` is -1.
  explicit Child(const Options& options);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  const std::string& error() const { return error_; }
  bool Running();
  /// The exit code (128 + signal number for a killed process) once it ended within
  /// `limit`; nothing when it still runs.
  std::optional<int> WaitForExit(Millis limit);
  void Kill();

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  std::string error_;
};

/// The result of a short-lived tool run.
struct ToolResult {
  int exitCode = -1;  ///< -1: did not start or did not end in time (then killed)
  std::string out;    ///< its standard output
};

/// A private Xvfb server, 1024x768, 24 bits. Stopped by the destructor.
class VirtualDisplay {
 public:
  VirtualDisplay();
  ~VirtualDisplay();

  /// False, with `error()` saying why, when no server could be started.
  bool ok() const { return !name_.empty(); }
  const std::string& error() const { return error_; }
  /// ":<number>"
  const std::string& name() const { return name_; }

  /// Runs a tool (xdotool, xmessage, import...) against this display and waits at most
  /// `limit` for it; its stdout is returned.
  ToolResult Run(std::vector<std::string> argv, Millis limit = Millis(5000)) const;
  /// Starts a long-running client of this display.
  Child::Options ClientOptions(std::vector<std::string> argv) const;

  /// Visible windows whose title is exactly `title`; with `pid` > 0 only that process's.
  std::vector<std::string> WindowsTitled(const std::string& title, pid_t pid = 0) const;
  /// Visible windows of process `pid`, whatever their titles.
  std::vector<std::string> WindowsOf(pid_t pid) const;

  struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
  };
  std::optional<Geometry> GeometryOf(const std::string& window) const;

  /// Gives `window` the keyboard focus, then presses each key (xdotool key names).
  bool Keys(const std::string& window, const std::vector<std::string>& keys) const;
  /// Gives `window` the keyboard focus and types `text`.
  bool Type(const std::string& window, const std::string& text) const;
  /// Moves the pointer to the screen position and presses `button` (4/5: wheel).
  bool Click(int x, int y, int button = 1, int repeat = 1) const;

  /// A picture of the window as an RGB image (through ImageMagick's import).
  struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    /// Mean brightness 0..1 of the pixels in the rectangle (clipped to the image).
    double Brightness(int x, int y, int width, int height) const;
  };
  std::optional<Image> Capture(const std::string& window, const std::string& scratchPath) const;

 private:
  std::string name_;
  std::string error_;
  std::unique_ptr<Child> server_;
};

}  // namespace tirv::testing
