// The record of who changed which resource file, in the system log.
//
// Each line goes to the local syslog socket under the tag "tirvane-editor", so that
// `journalctl -t tirvane-editor` shows it. Logging never fails the work it records: a
// missing or refusing log is ignored.
#pragma once

#include <string_view>

namespace tirv {

/// Logs "<user>: <file>: <what>", where <user> is the name of the real user running the
/// program. `file` is the file's path, `what` the new port text, "added" or "deleted".
void LogFileChange(std::string_view file, std::string_view what);

}  // namespace tirv
