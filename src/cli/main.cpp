// tirvane-resources: the resources of the Tirvane OPC-Server 2.0 on the command line.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/resources_tool.h"
#include "platform/termination.h"

namespace {

void Write(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

// Data that could not all be written (a full disk, a closed pipe) is a failure too.
int CheckStandardOutput(int code) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
  std::fputs("tirvane-resources: the output could not be written\n", stderr);
  return code == tirv::cli::kExitSuccess ? tirv::cli::kExitFailure : code;
}

}  // namespace

int main(int argc, char** argv) {
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
  console.modulePath = tirv::RunningModulePath();
  console.version = TIRV_VERSION;

  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return CheckStandardOutput(tirv::cli::RunResourcesTool(arguments, console));
}
