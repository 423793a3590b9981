// tirvane-resources: the resources of the Tirvane OPC-Server 2.0 on the command line.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/messages.h"
#include "cli/resources_tool.h"
#include "platform/termination.h"

namespace {

namespace messages = tirv::cli::messages;

void Write(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

// Data that could not all be written (a full disk, a closed pipe) is a failure too,
// unless the workspace was changed: a caller that took the failure for "nothing
// changed" would undo or redo a change that was made.
int CheckStandardOutput(int code, bool workspaceChanged) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
  if (workspaceChanged) {
    std::fputs(messages::Line(messages::kReportLost).c_str(), stderr);
    return code;
  }
  std::fputs(messages::Line(messages::kOutputLost).c_str(), stderr);
  return code == tirv::cli::kExitSuccess ? tirv::cli::kExitFailure : code;
}

// A standard stream that was closed is opened on /dev/null for reading, so that no file
// the program opens takes its number: data meant for standard output could otherwise
// land in a resource file, and a document be read from one. Writes to it still fail.
void HoldStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int opened = ::open("/dev/null", O_RDONLY);
    if (opened >= 0 && opened != fd) ::close(opened);
  }
}

bool ReadAllInput(std::string& text) {
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) text.append(buffer, n);
  return !std::ferror(stdin);
}

}  // namespace

int main(int argc, char** argv) {
  HoldStandardStreams();
  tirv::DeferTerminationSignals();
  // A write over the file-size limit must fail (EFBIG) and be told, not end the program.
  // A reader that goes away (`list | head`) ends it as usual: files are written before
  // anything is printed.
  std::signal(SIGXFSZ, SIG_IGN);

  tirv::cli::ToolConsole console;
  console.out = [](std::string_view text) { Write(stdout, text); };
  console.err = [](std::string_view text) {
    Write(stderr, text);
    std::fflush(stderr);
  };
  console.interactive = ::isatty(STDIN_FILENO) == 1;
  console.readLine = [](std::string& line) {
    return static_cast<bool>(std::getline(std::cin, line));
  };
  console.readAll = ReadAllInput;
  console.modulePath = tirv::RunningModulePath();
  console.version = TIRV_VERSION;

  const std::vector<std::string> arguments(argv + 1, argv + argc);
  bool workspaceChanged = false;
  const int code = tirv::cli::RunResourcesTool(arguments, console, &workspaceChanged);
  return CheckStandardOutput(code, workspaceChanged);
}
