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
// RFC 3164 allows a message of 1024 bytes; a longer line is cut.
constexpr std::size_t kMaxLine = 1024;

// One log line being put together in place; what does not fit is cut at a character
// boundary.
class Line {
 public:
  void Append(std::string_view text) {
    for (const char c : text) {
      if (size_ == kMaxLine) return;
      // A control character would let a file name forge a line of its own.
      const auto byte = static_cast<unsigned char>(c);
      text_[size_++] = (byte < 0x20 || byte == 0x7F) ? '?' : c;
    }
  }
  // The text to send: a character that the cut left incomplete is left out.
  std::string_view Text() const {
    std::size_t lead = size_;
    while (lead > 0 && (Byte(lead - 1) & 0xC0) == 0x80) --lead;
    if (size_ < kMaxLine || lead == 0 || Byte(lead - 1) < 0xC0) return {text_, size_};
    const std::size_t length = Byte(lead - 1) >= 0xF0 ? 4 : Byte(lead - 1) >= 0xE0 ? 3 : 2;
    return {text_, size_ - (lead - 1) < length ? lead - 1 : size_};
  }

 private:
  unsigned char Byte(std::size_t at) const { return static_cast<unsigned char>(text_[at]); }

  char text_[kMaxLine];
  std::size_t size_ = 0;
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
  line.Append(cachedName);
}

// Sends one datagram without waiting: a full or missing log loses the line.
void Send(std::string_view text) {
  const char* path = ::getenv(kSocketVariable);
  if (path == nullptr || *path == '\0') path = kDefaultSocket;
  struct sockaddr_un address {};
  address.sun_family = AF_UNIX;
  if (std::strlen(path) >= sizeof address.sun_path) return;
  std::strcpy(address.sun_path, path);
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  ::sendto(fd, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
           reinterpret_cast<const struct sockaddr*>(&address), sizeof address);
  ::close(fd);
}

}  // namespace

void LogFileChange(std::string_view file, std::string_view what) {
  char header[64];
  std::snprintf(header, sizeof header, "<13>tirvane-editor[%d]: ", static_cast<int>(::getpid()));
  Line line;
  line.Append(header);
  AppendUserName(line);
  line.Append(": ");
  line.Append(file);
  line.Append(": ");
  line.Append(what);
  Send(line.Text());
}

}  // namespace tirv
