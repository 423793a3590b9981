// The record of who changed which resource file, in the system log.
//
// Each line goes to the local syslog socket under the tag "tirvane-editor", so that
// `journalctl -t tirvane-editor` shows it; the environment variable TIRVANE_LOG_SOCKET
// names another socket, or is "-" for no change log at all (as the tests run). Logging never fails
// the work it records: a missing or refusing log loses the line, and the caller is told so.
#pragma once

#include <string_view>

namespace tirv {

/// Logs "<action> <file> by <user>: <what>", where <user> is the name of the real user
/// running the program, `action` "changed", "added" or "deleted", `file` the file's full
/// path and `what` what changed. Bytes that are not printable text (control characters,
/// C1 controls, invalid UTF-8) and "\\" are written as "\\xNN" and "\\\\", so no name
/// can forge a line or hide a character; a line longer than a log line may be is cut at
/// a character and ends in " [cut]". True when the log took the line.
bool LogFileChange(std::string_view action, std::string_view file, std::string_view what);

}  // namespace tirv
