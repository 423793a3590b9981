// Reading a workspace folder for the command line: one resource by its name, at the
// cost of its own file when it is there; and the lines that listing every file gives,
// in the order the editor lists them.
//
// A name finds the resource that the editor's Resource combo entry of that name stands
// for (ResourceList::FindByEntry): NAME.opc when it is a valid resource file, else the
// first valid file, in the order the folder lists them, whose entry text is NAME (such
// as NAME.OPC or NAME.old.opc).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/resource_file.h"
#include "workspace/workspace.h"

namespace tirv::cli {

/// Why `folder` cannot serve as a workspace: 0 for a folder (one stat), else an errno
/// value (ENOENT, ENOTDIR, EACCES...).
int WorkspaceFolderError(std::u16string_view folder);

/// Hands each "*.opc" entry of `folder` to `each`, as ForEachResourceFile does, except
/// that a folder that cannot be opened at all is a failure with its reason, not an
/// empty folder.
SearchEnd ForEachWorkspaceFile(std::u16string_view folder,
                               const std::function<void(std::u16string_view)>& each);

enum class LookupOutcome {
  kFound,          ///< `reading` holds the resource
  kNoSuchName,     ///< no file of the folder is listed under the name
  kInvalid,        ///< files are listed under the name, none valid: `reading` is the first
  kListingFailed,  ///< the folder could not be listed to the end: `error` says why
};

struct ResourceLookup {
  LookupOutcome outcome = LookupOutcome::kNoSuchName;
  ResourceFileReading reading;
  int error = 0;
};

/// Finds the resource `name` in `folder`. When NAME.opc is a valid resource file it is
/// the only file read, and the folder is not listed.
ResourceLookup FindResource(std::u16string_view folder, std::u16string_view name);

/// Lines to print in the order of the texts they are listed by (ListedBefore: letter
/// case ignored, equal texts in the order added). Only the lines and their keys are
/// kept, so a workspace of many files costs little more than its output.
class ListedLines {
 public:
  void Add(std::u16string_view listedBy, std::string line);
  /// Hands the lines to `print` in order.
  void PrintInOrder(const std::function<void(std::string_view)>& print);

 private:
  std::vector<std::pair<std::u16string, std::string>> lines_;
};

}  // namespace tirv::cli
