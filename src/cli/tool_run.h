// One run of tirvane-resources as its commands share it: the console, the one-line
// messages that end a command, and whether the workspace was changed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/command_line.h"
#include "cli/record_output.h"
#include "cli/resources_tool.h"
#include "resources/resource_file.h"
#include "resources/resource_names.h"
#include "workspace/workspace.h"

namespace tirv::cli {

class Run {
 public:
  explicit Run(const ToolConsole& console) : console_(console) {}

  void Out(std::string_view text) const { console_.out(text); }
  /// One message line on standard error, after the program's name.
  void Say(std::string_view message) const;
  int Fail(std::string_view message) const {
    Say(message);
    return kExitFailure;
  }
  int Refuse(std::string_view message) const {
    Say(message);
    return kExitUsage;
  }
  int FailOn(std::u16string_view fileName, const ResourceProblem& problem) const {
    return Fail(PrintableText(DescribeProblem(fileName, problem)));
  }
  int FailOn(std::u16string_view path, int error) const;
  /// A write that failed: a value the file cannot hold is the caller's to mend (exit 2),
  /// any other problem a failure.
  int FailWrite(std::u16string_view fileName, const ResourceProblem& problem) const {
    Say(PrintableText(DescribeProblem(fileName, problem)));
    return problem.refusedValue() ? kExitUsage : kExitFailure;
  }
  const ToolConsole& console() const { return console_; }

  /// Notes that a file of the workspace was written, created or deleted.
  void Changed() const { changed_ = true; }
  bool changed() const { return changed_; }

 private:
  const ToolConsole& console_;
  mutable bool changed_ = false;
};

/// The resource `name` of the workspace (Workspace::Find), or nothing after the message
/// that says why not, with the exit status to end with in `status`: kExitNoSuchResource
/// when no file is listed under the name, kExitFailure when it cannot be read.
std::optional<ResourceFileReading> FindOrSay(const Workspace& workspace, const std::string& name,
                                             const Run& run, int& status);

/// Whether an answer to a question is yes ("y" or "yes", any letter case, blanks around).
bool IsYes(std::string answer);

/// Why a new resource cannot have a name that CheckNewResourceName refused.
std::string_view NameRefusal(NameCheck check);

/* The commands that read and write whole documents (document_commands.cpp). */

/// `export`: every valid resource in the order of `list`, as one document.
int Export(const Workspace& workspace, const Run& run);
/// `apply FILE`: makes the workspace hold what the document says.
int Apply(Workspace& workspace, const Invocation& invocation, const Run& run);

}  // namespace tirv::cli
