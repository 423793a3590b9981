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
#include "support/log_socket.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::LogSocket;
using testing::TempDir;

TEST(SystemLogTest, EachChangeIsOneLineThatBeginsWithTheAction) {
  TempDir dir;
  LogSocket log(dir);
  ASSERT_TRUE(log.bound());
  const std::string head = "<13>tirvane-editor[" + std::to_string(::getpid()) + "]: ";
  const std::string user = ::getpwuid(::getuid())->pw_name;

  EXPECT_TRUE(LogFileChange("changed", "/ws/Line1.opc", "ComPort \"a\" -> \"b\""));
  EXPECT_TRUE(LogFileChange("added", "/ws/Pump.opc", "DLL netdrv.dll -ip127.0.0.1"));
  EXPECT_EQ(log.Next(), head + "changed /ws/Line1.opc by " + user + ": ComPort \"a\" -> \"b\"");
  EXPECT_EQ(log.Next(), head + "added /ws/Pump.opc by " + user + ": DLL netdrv.dll -ip127.0.0.1");

  // A name cannot forge a line of its own or hide a character: controls, C1 controls,
  // bytes that are not UTF-8 and the escape character itself are written as escapes.
  LogFileChange("deleted", "/ws/x\nroot\xC2\x85\xFF\\.opc", "the file is gone");
  EXPECT_EQ(log.Next(), head + "deleted /ws/x\\x0Aroot\\xC2\\x85\\xFF\\\\.opc by " + user +
                            ": the file is gone");
}

TEST(SystemLogTest, ALongLineKeepsItsActionAndIsMarkedAsCut) {
  TempDir dir;
  LogSocket log(dir);
  std::string wide;
  for (int i = 0; i < 600; ++i) wide += "\xC3\xA4";
  LogFileChange("deleted", "/ws/" + wide + ".opc", "the file is gone");
  const std::string line = log.Next();
  const std::string head = "<13>tirvane-editor[" + std::to_string(::getpid()) + "]: deleted /ws/";
  EXPECT_EQ(line.compare(0, head.size(), head), 0);
  EXPECT_TRUE(line.ends_with("\xC3\xA4 [cut]")) << "a character cut in two, or no mark";
  EXPECT_LE(line.size(), 1024u);
  EXPECT_GE(line.size(), 1024u - 8);
}

TEST(SystemLogTest, AMissingOrFullLogNeverHoldsTheWorkUp) {
  TempDir dir;
  LogSocket log(dir);
  const testing::ChildOutcome child = testing::RunInChild(
      [] {
        // Nobody reads the log: its queue fills, and every line after that is dropped.
        bool dropped = false;
        for (int i = 0; i < 5000; ++i) dropped |= !LogFileChange("changed", "/ws/Line1.opc", "x");
        ::setenv("TIRVANE_LOG_SOCKET", "/nonexistent/log", 1);
        const bool missing = !LogFileChange("deleted", "/ws/Line1.opc", "the file is gone");
        return dropped && missing ? 0 : 1;
      },
      10);
  EXPECT_EQ(child.signal, 0) << "logging blocked";
  EXPECT_TRUE(child.exited);
  EXPECT_EQ(child.exitCode, 0) << "a line that the log did not take was reported as taken";
}

}  // namespace
}  // namespace tirv
