// tirvane-resources in this process, through its entry point RunResourcesTool, on a real
// workspace in a temporary folder: what it prints, its exit status, whether it changed
// the workspace, and every file's inode and bytes around it. What only a process shows
// (the exit status as the shell sees it, closed streams, a terminal) is in
// process_test.cpp.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/messages.h"
#include "cli/resources_tool.h"
#include "platform/text.h"
#include "support/forked_child.h"
#include "support/temp_dir.h"
#include "workspace/location.h"

namespace tirv::testing {

using Args = std::vector<std::string>;
namespace messages = cli::messages;

inline constexpr const char* kLittle = "QB.OPC.AdaptTIRV3x.LE.20";
inline constexpr const char* kBig = "QB.OPC.AdaptTIRV3x.BE.20";

/// A resource file as the editor or another program leaves it: a description of its own,
/// and ComTeleLength as given (by default what a save writes for the port).
inline std::string Opc(const std::string& port, const std::string& adaptation = kLittle,
                       const std::string& teleLength = "") {
  const std::string tele = !teleLength.empty()       ? teleLength
                           : port.starts_with("V24") ? "256"
                                                     : "1428";
  return "[GeneralSettings]\r\nAdaptationComponent=" + adaptation +
         "\r\nDescription=kept as it is\r\n\r\n[Online]\r\nComTeleLength=" + tele +
         "\r\nComPort=" + port + "\r\n\r\n";
}

/// What one run did.
struct Ran {
  int status = -1;
  std::string out;
  std::string err;
  bool changed = false;
};

/// The console of a run, besides its arguments.
struct Console {
  std::string input;      ///< standard input, read whole by apply -
  bool terminal = false;  ///< a person can answer questions
  Args answers;           ///< the lines that person types, in order; then the input ends
  /// Where the program lies, for TirvOPC.ini beside it; empty: nowhere that can be told.
  std::string programPath;
  std::string version = "9.8.7";
};

inline Ran RunTool(const Args& arguments, Console console = {}) {
  Ran ran;
  cli::ToolConsole tool;
  tool.out = [&ran](std::string_view text) { ran.out += text; };
  tool.err = [&ran](std::string_view text) { ran.err += text; };
  tool.interactive = console.terminal;
  tool.readLine = [&console](std::string& line) {
    if (console.answers.empty()) return false;
    line = console.answers.front();
    console.answers.erase(console.answers.begin());
    return true;
  };
  tool.readAll = [&console](std::string& text) {
    text = console.input;
    return true;
  };
  tool.modulePath = [path = console.programPath](std::u16string& module) {
    module = Utf8ToUtf16(path);
    return !path.empty();
  };
  tool.version = console.version;
  ran.status = cli::RunResourcesTool(arguments, tool, &ran.changed);
  return ran;
}

/// RunTool in a child process as an ordinary user ("nobody" when the tests run as root):
/// its status and what it said on standard error.
inline Ran RunToolUnprivileged(const Args& arguments) {
  int pipe[2];
  if (::pipe(pipe) != 0) return {};
  const ChildOutcome child = RunUnprivileged([&] {
    ::close(pipe[0]);
    const Ran ran = RunTool(arguments);
    const bool told =
        ::write(pipe[1], ran.err.data(), ran.err.size()) == static_cast<ssize_t>(ran.err.size());
    return told ? ran.status : 98;
  });
  ::close(pipe[1]);
  Ran ran;
  ran.status = child.exited ? child.exitCode : -1;
  char buffer[4096];
  for (ssize_t n = 0; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) ran.err.append(buffer, n);
  ::close(pipe[0]);
  return ran;
}

/// A message as the tool says it on standard error.
inline std::string Said(std::string_view message) { return messages::Line(message); }

/// Each file of a folder with its inode and bytes: a file replaced by the same bytes, or
/// touched at all, shows.
inline std::map<std::string, std::pair<ino_t, std::string>> Snapshot(const std::string& folder) {
  std::map<std::string, std::pair<ino_t, std::string>> files;
  for (const std::string& name : ListFolder(folder)) {
    struct stat st {};
    ::lstat((folder + "/" + name).c_str(), &st);
    files[name] = {st.st_ino, ReadBytes(folder + "/" + name)};
  }
  return files;
}

/// A workspace folder "ws" in a temporary folder, and the tool run on it.
class ToolRig : public ::testing::Test {
 protected:
  ToolRig() { ::mkdir(ws_.c_str(), 0755); }

  void Put(const std::string& name, const std::string& bytes) const {
    WriteBytes(Path(name), bytes);
  }
  std::string Path(const std::string& name) const { return ws_ + "/" + name; }
  std::string Bytes(const std::string& name) const { return ReadBytes(Path(name)); }

  /// The tool on the workspace `folder` (default ws_).
  Ran Tool(Args arguments, Console console = {}, const std::string& folder = "") const {
    arguments.insert(arguments.begin(), {"--workspace", folder.empty() ? ws_ : folder});
    return RunTool(arguments, std::move(console));
  }

  TempDir dir_;
  std::string ws_ = dir_.File("ws");
};

}  // namespace tirv::testing
