// A change log of the test's own: a datagram socket bound in a temporary folder and
// named by TIRVANE_LOG_SOCKET while the object lives.
#pragma once

#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "support/temp_dir.h"

namespace tirv::testing {

class LogSocket {
 public:
  explicit LogSocket(const TempDir& dir) : LogSocket(dir.File("log")) {}
  /// A socket at `path` that every user may send to.
  explicit LogSocket(const std::string& path) : path_(path) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path_.c_str());
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             ::chmod(path_.c_str(), 0666) == 0;
    const char* previous = ::getenv("TIRVANE_LOG_SOCKET");
    if (previous != nullptr) previous_ = previous;
    ::setenv("TIRVANE_LOG_SOCKET", path_.c_str(), 1);
  }
  ~LogSocket() {
    if (previous_.empty()) {
      ::unsetenv("TIRVANE_LOG_SOCKET");
    } else {
      ::setenv("TIRVANE_LOG_SOCKET", previous_.c_str(), 1);
    }
    ::close(fd_);
  }
  LogSocket(const LogSocket&) = delete;
  LogSocket& operator=(const LogSocket&) = delete;

  bool bound() const { return bound_; }
  const std::string& path() const { return path_; }
  /// The next line, or "" when none is waiting.
  std::string Next() {
    char line[4096];
    const ssize_t n = ::recv(fd_, line, sizeof line, MSG_DONTWAIT);
    return n > 0 ? std::string(line, static_cast<std::size_t>(n)) : "";
  }

 private:
  std::string path_;
  std::string previous_;
  int fd_ = -1;
  bool bound_ = false;
};

}  // namespace tirv::testing
