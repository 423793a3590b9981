#include "platform/system_log.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace tirv {
namespace {

constexpr char kDefaultSocket[] = "/dev/log";
constexpr char kSocketVariable[] = "TIRVANE_LOG_SOCKET";
constexpr char kNoLog[] = "-";  // the variable's value that asks for no change log
// RFC 3164 allows a message of 1024 bytes; a longer line is cut.
constexpr std::size_t kMaxLine = 1024;

// One log line being put together in place. What does not fit is cut at a character
// boundary, and the line then ends in kCutMark.
constexpr std::string_view kCutMark = " [cut]";

class Line {
 public:
  /// Appends `text` as it stands (the line's own words).
  void AppendPlain(std::string_view text) { PutWhole(text); }
  /// Appends `text` with every byte that is not printable UTF-8 escaped.
  void AppendEscaped(std::string_view text) {
    for (std::size_t i = 0; i < text.size() && !cut_;) {
      const std::size_t length = PrintableAt(text, i);
      if (length == 0) {
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[i]));
        PutWhole(escaped);
        ++i;
      } else if (text[i] == '\\') {
        PutWhole("\\\\");
        ++i;
      } else {
        PutWhole(text.substr(i, length));
        i += length;
      }
    }
  }
  std::string_view Text() {
    if (cut_) {
      for (const char c : kCutMark) text_[size_++] = c;
    }
    return {text_, size_};
  }

 private:
  static constexpr std::size_t kRoom = kMaxLine - kCutMark.size();

  // The length of the printable character at `at`: 0 for a control character, a C1
  // control (U+0080-U+009F) or a byte that does not start valid UTF-8.
  static std::size_t PrintableAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char b0 = byte(0);
    if (b0 < 0x20 || b0 == 0x7F) return 0;
    if (b0 < 0x80) return 1;
    std::size_t length = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) length = 2;
    if (b0 >= 0xE0 && b0 <= 0xEF) length = 3;
    if (b0 >= 0xF0 && b0 <= 0xF4) length = 4;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
      if ((byte(k) & 0xC0) != 0x80) return 0;
    }
    if (b0 == 0xC2 && byte(1) < 0xA0) return 0;   // C1 controls
    if (b0 == 0xE0 && byte(1) < 0xA0) return 0;   // overlong
    if (b0 == 0xED && byte(1) >= 0xA0) return 0;  // surrogates
    if (b0 == 0xF0 && byte(1) < 0x90) return 0;   // overlong
    if (b0 == 0xF4 && byte(1) >= 0x90) return 0;  // beyond U+10FFFF
    return length;
  }
  // A character or an escape goes in whole or not at all.
  void PutWhole(std::string_view piece) {
    if (cut_) return;
    if (size_ + piece.size() > kRoom) {
      cut_ = true;
      return;
    }
    for (const char c : piece) text_[size_++] = c;
  }

  char text_[kMaxLine];
  std::size_t size_ = 0;
  bool cut_ = false;
};

// The name of the real user running the program, or the number when it has none. The
// lookup may ask a directory service, so it is done once per user id.
void AppendUserName(Line& line) {
  static std::mutex mutex;
  static uid_t cachedUid = static_cast<uid_t>(-1);
  static char cachedName[256];
  const uid_t uid = ::getuid();
  std::lock_guard<std::mutex> lock(mutex);
  if (uid != cachedUid || cachedName[0] == '\0') {
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
      std::snprintf(cachedName, sizeof cachedName, "%s", found->pw_name);
    } else {
      std::snprintf(cachedName, sizeof cachedName, "%u", static_cast<unsigned>(uid));
    }
    cachedUid = uid;
  }
  line.AppendEscaped(cachedName);
}

// Sends one datagram without waiting: a full or missing log loses the line. True when
// the log took it.
bool Send(std::string_view text) {
  const char* path = ::getenv(kSocketVariable);
  if (path == nullptr || *path == '\0') path = kDefaultSocket;
  if (std::strcmp(path, kNoLog) == 0) return true;
  struct sockaddr_un address {};
  address.sun_family = AF_UNIX;
  if (std::strlen(path) >= sizeof address.sun_path) return false;
  std::strcpy(address.sun_path, path);
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  const ssize_t sent = ::sendto(fd, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                                reinterpret_cast<const struct sockaddr*>(&address), sizeof address);
  ::close(fd);
  return sent == static_cast<ssize_t>(text.size());
}

}  // namespace

bool LogFileChange(std::string_view action, std::string_view file, std::string_view what) {
  char header[64];
  std::snprintf(header, sizeof header, "<13>tirvane-editor[%d]: ", static_cast<int>(::getpid()));
  Line line;
  line.AppendPlain(header);
  line.AppendEscaped(action);
  line.AppendPlain(" ");
  line.AppendEscaped(file);
  line.AppendPlain(" by ");
  AppendUserName(line);
  line.AppendPlain(": ");
  line.AppendEscaped(what);
  return Send(line.Text());
}

}  // namespace tirv
