// The change log: one line per change, read back from a log socket of the test's own.
#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/system_log.h"
#include "support/forked_child.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::TempDir;

// A datagram socket bound in a temporary folder, named by TIRVANE_LOG_SOCKET.
class LogSocket {
 public:
  explicit LogSocket(const TempDir& dir) : path_(dir.File("log")) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path_.c_str());
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::setenv("TIRVANE_LOG_SOCKET", path_.c_str(), 1);
  }
  ~LogSocket() {
    ::unsetenv("TIRVANE_LOG_SOCKET");
    ::close(fd_);
  }
  bool bound() const { return bound_; }
  /// The next line, or "" when none is waiting.
  std::string Next() {
    char line[4096];
    const ssize_t n = ::recv(fd_, line, sizeof line, MSG_DONTWAIT);
    return n > 0 ? std::string(line, static_cast<std::size_t>(n)) : "";
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool bound_ = false;
};

TEST(SystemLogTest, EachChangeIsOneLineWithTheUserAndTheFile) {
  TempDir dir;
  LogSocket log(dir);
  ASSERT_TRUE(log.bound());
  const std::string head = "<13>tirvane-editor[" + std::to_string(::getpid()) +
                           "]: " + ::getpwuid(::getuid())->pw_name + ": ";

  LogFileChange("/ws/Line1.opc", "V24 1 9600 8 1 0 2000 0");
  LogFileChange("/ws/Pump.opc", "added");
  EXPECT_EQ(log.Next(), head + "/ws/Line1.opc: V24 1 9600 8 1 0 2000 0");
  EXPECT_EQ(log.Next(), head + "/ws/Pump.opc: added");

  // A name cannot forge a line of its own, and a long one is cut whole characters.
  LogFileChange("/ws/x\nroot: /etc/passwd: deleted.opc", "deleted");
  EXPECT_EQ(log.Next(), head + "/ws/x?root: /etc/passwd: deleted.opc: deleted");
  std::string wide;
  for (int i = 0; i < 600; ++i) wide += "\xC3\xA4";
  LogFileChange("/ws/" + wide + ".opc", "deleted");
  const std::string whole = head + "/ws/" + wide + ".opc: deleted";
  const std::string cut = log.Next();
  EXPECT_EQ(whole.compare(0, cut.size(), cut), 0);
  EXPECT_GE(cut.size(), 1023u);
  EXPECT_LE(cut.size(), 1024u);
  EXPECT_NE(static_cast<unsigned char>(cut.back()), 0xC3) << "a character cut in two";
  EXPECT_EQ(log.Next(), "");
}

TEST(SystemLogTest, AMissingOrFullLogNeverHoldsTheWorkUp) {
  TempDir dir;
  LogSocket log(dir);
  const testing::ChildOutcome child = testing::RunInChild(
      [] {
        // Nobody reads the log: its queue fills, and every line after that is dropped.
        for (int i = 0; i < 5000; ++i) LogFileChange("/ws/Line1.opc", "V24 1 9600 8 1 0 2000 0");
        ::setenv("TIRVANE_LOG_SOCKET", "/nonexistent/log", 1);
        LogFileChange("/ws/Line1.opc", "deleted");
        return 0;
      },
      10);
  EXPECT_EQ(child.signal, 0) << "logging blocked";
  EXPECT_TRUE(child.exited);
}

}  // namespace
}  // namespace tirv
