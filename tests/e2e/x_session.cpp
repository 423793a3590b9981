#include "x_session.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

extern char** environ;

namespace tirv::testing {
namespace {

using Clock = std::chrono::steady_clock;

// The environment of this process with `overrides` ("NAME=value") put in.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('=') + 1);
    bool replaced = false;
    for (const std::string& o : overrides) replaced = replaced || o.rfind(name, 0) == 0;
    if (!replaced) merged.push_back(text);
  }
  merged.insert(merged.end(), overrides.begin(), overrides.end());
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& t : texts) pointers.push_back(t.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Starts the process with stdout and stderr on the given descriptors. Returns its pid,
// or -1 with `error` set when it could not be started (exec failure included).
pid_t Spawn(const Child::Options& options, int outFd, int errFd, std::string& error) {
  if (options.argv.empty()) {
    error = "no program";
    return -1;
  }
  std::vector<std::string> args = options.argv;
  std::vector<std::string> env = MergedEnvironment(options.env);
  std::vector<char*> argv = Pointers(args);
  std::vector<char*> envp = Pointers(env);
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    return -1;
  }
  const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    ::dup2(nullFd, 0);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    if (options.inheritFd >= 0) ::fcntl(options.inheritFd, F_SETFD, 0);
    if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0) {
      const int code = errno;
      (void)!::write(report[1], &code, sizeof code);
      ::_exit(127);
    }
    ::execvpe(argv[0], argv.data(), envp.data());
    const int code = errno;
    (void)!::write(report[1], &code, sizeof code);
    ::_exit(127);
  }
  ::close(report[1]);
  ::close(nullFd);
  if (pid < 0) {
    error = std::strerror(errno);
    ::close(report[0]);
    return -1;
  }
  int code = 0;
  const ssize_t got = ::read(report[0], &code, sizeof code);
  ::close(report[0]);
  if (got == static_cast<ssize_t>(sizeof code)) {
    error = options.argv[0] + ": " + std::strerror(code);
    ::waitpid(pid, nullptr, 0);
    return -1;
  }
  return pid;
}

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// A regular expression that matches `text` and nothing else.
std::string ExactPattern(const std::string& text) {
  std::string out = "^";
  for (char c : text) {
    if (std::strchr(".^$*+?()[]{}|\\", c) != nullptr) out += '\\';
    out += c;
  }
  out += '$';
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// A binary PPM (P6) as ImageMagick writes it.
bool ParsePpm(const std::string& bytes, VirtualDisplay::Image& image) {
  std::size_t at = 0;
  const auto nextNumber = [&](int& value) {
    while (at < bytes.size()) {
      if (bytes[at] == '#') {
        while (at < bytes.size() && bytes[at] != '\n') ++at;
      } else if (std::isspace(static_cast<unsigned char>(bytes[at]))) {
        ++at;
      } else {
        break;
      }
    }
    std::size_t end = at;
    while (end < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[end]))) ++end;
    if (end == at) return false;
    value = std::stoi(bytes.substr(at, end - at));
    at = end;
    return true;
  };
  if (bytes.rfind("P6", 0) != 0) return false;
  at = 2;
  int maxValue = 0;
  if (!nextNumber(image.width) || !nextNumber(image.height) || !nextNumber(maxValue)) return false;
  if (maxValue != 255) return false;
  ++at;  // the one white-space byte before the pixels
  const std::size_t size = static_cast<std::size_t>(image.width) * image.height * 3;
  if (bytes.size() < at + size) return false;
  image.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                   bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
  return true;
}

}  // namespace

bool PollUntil(const std::function<bool()>& done, Millis limit) {
  const auto deadline = Clock::now() + limit;
  while (true) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(Millis(25));
  }
}

Child::Child(const Options& options) {
  const int outFd =
      ::open(options.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int errFd =
      ::open(options.stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (outFd < 0 || errFd < 0) {
    error_ = "cannot open the output files of " + options.argv.at(0);
  } else {
    pid_ = Spawn(options, outFd, errFd, error_);
  }
  if (outFd >= 0) ::close(outFd);
  if (errFd >= 0) ::close(errFd);
}

Child::~Child() { Kill(); }

bool Child::Running() {
  if (pid_ < 0 || status_) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = ExitCodeOf(status);
    return false;
  }
  return true;
}

std::optional<int> Child::WaitForExit(Millis limit) {
  PollUntil([this] { return !Running(); }, limit);
  return status_;
}

void Child::Kill() {
  if (!Running()) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  if (::waitpid(pid_, &status, 0) == pid_) status_ = ExitCodeOf(status);
}

VirtualDisplay::VirtualDisplay() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return;
  }
  Child::Options options;
  options.argv = {"Xvfb",      "-displayfd", std::to_string(fds[1]),
                  "-screen",   "0",          "1024x768x24",
                  "-nolisten", "tcp",        "-noreset"};
  options.inheritFd = fds[1];
  server_ = std::make_unique<Child>(options);
  ::close(fds[1]);
  if (server_->pid() < 0) {
    error_ = "cannot start Xvfb: " + server_->error();
    ::close(fds[0]);
    return;
  }
  // Xvfb writes its display number once it accepts clients.
  std::string number;
  const auto deadline = Clock::now() + Millis(15000);
  while (Clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) {
      if (!server_->Running()) break;
      continue;
    }
    char c = 0;
    if (::read(fds[0], &c, 1) != 1) break;
    if (c == '\n') break;
    number += c;
  }
  ::close(fds[0]);
  if (number.empty()) {
    error_ = "Xvfb did not report a display within 15 s";
    server_.reset();
    return;
  }
  name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
  if (server_ && server_->Running()) {
    ::kill(server_->pid(), SIGTERM);
    if (!server_->WaitForExit(Millis(3000))) server_->Kill();
  }
}

Child::Options VirtualDisplay::ClientOptions(std::vector<std::string> argv) const {
  Child::Options options;
  options.argv = std::move(argv);
  options.env = {"DISPLAY=" + name_};
  return options;
}

ToolResult VirtualDisplay::Run(std::vector<std::string> argv, Millis limit) const {
  ToolResult result;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return result;
  std::string error;
  const Child::Options options = ClientOptions(std::move(argv));
  const int nullFd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t pid = Spawn(options, fds[1], nullFd, error);
  ::close(fds[1]);
  ::close(nullFd);
  if (pid < 0) {
    ::close(fds[0]);
    return result;
  }
  const auto deadline = Clock::now() + limit;
  bool ended = false;
  while (Clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (::poll(&p, 1, 50) > 0) {
      char buffer[4096];
      const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
      if (n > 0) {
        result.out.append(buffer, static_cast<std::size_t>(n));
        continue;
      }
      ended = true;  // end of output: the tool is finishing
      break;
    }
  }
  ::close(fds[0]);
  int status = 0;
  if (ended &&
      PollUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; },
                std::chrono::duration_cast<Millis>(deadline - Clock::now()) + Millis(100))) {
    result.exitCode = ExitCodeOf(status);
  } else {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  return result;
}

std::vector<std::string> VirtualDisplay::WindowsTitled(const std::string& title, pid_t pid) const {
  const ToolResult found =
      Run({"xdotool", "search", "--onlyvisible", "--name", ExactPattern(title)});
  std::vector<std::string> ofProcess;
  if (pid > 0) ofProcess = WindowsOf(pid);
  std::vector<std::string> windows;
  for (const std::string& window : Lines(found.out)) {
    // The search ignores letter case; the title must match exactly.
    if (Run({"xdotool", "getwindowname", window}).out != title + "\n") continue;
    if (pid > 0 && std::find(ofProcess.begin(), ofProcess.end(), window) == ofProcess.end()) {
      continue;
    }
    windows.push_back(window);
  }
  return windows;
}

std::vector<std::string> VirtualDisplay::WindowsOf(pid_t pid) const {
  return Lines(Run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}).out);
}

std::optional<VirtualDisplay::Geometry> VirtualDisplay::GeometryOf(
    const std::string& window) const {
  const ToolResult result = Run({"xdotool", "getwindowgeometry", "--shell", window});
  if (result.exitCode != 0) return std::nullopt;
  Geometry g;
  int seen = 0;
  for (const std::string& line : Lines(result.out)) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const int value = std::atoi(line.c_str() + eq + 1);
    if (key == "X") g.x = value, ++seen;
    if (key == "Y") g.y = value, ++seen;
    if (key == "WIDTH") g.width = value, ++seen;
    if (key == "HEIGHT") g.height = value, ++seen;
  }
  if (seen != 4) return std::nullopt;
  return g;
}

bool VirtualDisplay::Keys(const std::string& window, const std::vector<std::string>& keys) const {
  if (Run({"xdotool", "windowfocus", "--sync", window}).exitCode != 0) return false;
  std::vector<std::string> argv = {"xdotool", "key", "--delay", "40"};
  argv.insert(argv.end(), keys.begin(), keys.end());
  return Run(argv).exitCode == 0;
}

bool VirtualDisplay::Type(const std::string& window, const std::string& text) const {
  if (Run({"xdotool", "windowfocus", "--sync", window}).exitCode != 0) return false;
  return Run({"xdotool", "type", "--delay", "40", "--", text}).exitCode ==
         0;  // text may begin with "-"
}

bool VirtualDisplay::Click(int x, int y, int button, int repeat) const {
  return Run({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "--repeat",
              std::to_string(repeat), "--delay", "80", std::to_string(button)})
             .exitCode == 0;
}

double VirtualDisplay::Image::Brightness(int x, int y, int w, int h) const {
  double sum = 0;
  int count = 0;
  for (int row = std::max(0, y); row < std::min(height, y + h); ++row) {
    for (int col = std::max(0, x); col < std::min(width, x + w); ++col) {
      const std::size_t at = (static_cast<std::size_t>(row) * width + col) * 3;
      sum += (rgb[at] + rgb[at + 1] + rgb[at + 2]) / (3.0 * 255.0);
      ++count;
    }
  }
  return count == 0 ? -1.0 : sum / count;
}

std::optional<VirtualDisplay::Image> VirtualDisplay::Capture(const std::string& window,
                                                             const std::string& scratchPath) const {
  if (Run({"import", "-window", window, "-depth", "8", "ppm:" + scratchPath}, Millis(10000))
          .exitCode != 0) {
    return std::nullopt;
  }
  std::ifstream in(scratchPath, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Image image;
  if (!ParsePpm(bytes, image)) return std::nullopt;
  return image;
}

}  // namespace tirv::testing
