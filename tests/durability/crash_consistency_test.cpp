// Saves killed at random moments: a child process saves in a loop and is killed with
// SIGKILL; afterwards every file must hold one complete version, still load, and no
// leftover temporary file may be listed by the workspace search or disturb the next
// save. TIRV_CRASH_KILLS sets the number of kills per scenario (default 500).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "file_search.h"
#include "profile_calls.h"
#include "profile_document.h"
#include "resource_file.h"
#include "temp_dir.h"
#include "text.h"

namespace tirv {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

int KillsPerScenario() {
  const char* text = std::getenv("TIRV_CRASH_KILLS");
  return text != nullptr ? std::atoi(text) : 500;
}

// Runs `loop` in a child, kills it after a random pause of up to `maxMicros`, and reaps it.
template <typename Loop>
void RunAndKill(std::mt19937& random, int maxMicros, Loop loop) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    loop();
    ::_exit(0);
  }
  ::usleep(std::uniform_int_distribution<int>(0, maxMicros)(random));
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
}

std::set<std::string> OpcFilesListed(const TempDir& dir) {
  std::set<std::string> names;
  FileSearch search;
  std::u16string name;
  for (bool more = search.First(dir.wpath() + u"/*.opc", name); more;
       more = search.Next(name) == SearchStep::kFound) {
    names.insert(Utf16ToUtf8(name));
  }
  return names;
}

std::string ProfileText(const std::string& value) {
  return "[Online]\r\nComPort=" + value + "\r\n\r\n";
}

TEST(CrashConsistency, KilledOneShotWritesLeaveOneCompleteVersion) {
  TempDir dir;
  const std::string path = dir.File("Line1.opc");
  // Two versions of very different length, so a torn write cannot pass for either.
  const std::string shortValue = "V24 1 9600 8 1 0 2000 0";
  const std::string longValue = "DLL netdrv.dll -ip127.0.0.1 " + std::string(6000, 'x');
  const std::set<std::string> versions = {ProfileText(shortValue), ProfileText(longValue)};
  WriteBytes(path, ProfileText(shortValue));

  std::mt19937 random(20261208);
  const int kills = KillsPerScenario();
  int damaged = 0;
  std::set<std::string> seen;
  for (int round = 0; round < kills; ++round) {
    RunAndKill(random, 4000, [&] {
      for (int i = 0;; ++i) {
        WriteProfileString(u"Online", u"ComPort", Utf8ToUtf16(i % 2 ? longValue : shortValue),
                           Utf8ToUtf16(path));
      }
    });
    const std::string bytes = ReadBytes(path);
    if (versions.count(bytes) == 0) ++damaged;
    seen.insert(bytes);
    char16_t buffer[8] = {};
    EXPECT_GT(ReadProfileString(u"Online", u"ComPort", u"", buffer, 8, Utf8ToUtf16(path)), 0);
    EXPECT_EQ(OpcFilesListed(dir), std::set<std::string>{"Line1.opc"}) << "round " << round;
  }
  EXPECT_EQ(damaged, 0) << "of " << kills << " kills";
  std::printf("one-shot writes: %d kills, %d damaged files\n", kills, damaged);
  EXPECT_EQ(seen, versions) << "the killed writers must have got far enough to write both";

  // Whatever the killed writers left behind, the next write works and is complete.
  ASSERT_EQ(WriteProfileString(u"Online", u"ComPort", u"after", Utf8ToUtf16(path)), 1);
  EXPECT_EQ(ReadBytes(path), ProfileText("after"));
}

ResourceRecord SerialRecord(int index, bool second) {
  ResourceRecord r;
  r.name = Utf8ToUtf16("Res" + std::to_string(index) + ".opc");
  r.portKind = second ? kPortCom2 : kPortCom1;
  r.baud = second ? u"19200" : u"9600";
  r.dataBits = u"8";
  r.stopBits = second ? u"2" : u"1";
  r.parity = second ? u"Even" : u"None";
  r.timeout = u"2000";
  r.parameter = u"-ip127.0.0.1";
  r.alignment = second ? u"Big Endian" : u"Little Endian";
  return r;
}

// The only texts a record's file may hold: one of its two versions, each whole. A record
// is written with one replace, so no mix of old and new keys is ever seen.
std::set<std::string> ReachableTexts() {
  const auto text = [](const char* adapt, const char* tele, const std::string& port) {
    return std::string("[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.") + adapt +
           ".20\r\n\r\n[Online]\r\nComTeleLength=" + tele + "\r\nComPort=" + port + "\r\n\r\n";
  };
  const std::string first = "V24 1 9600 8 1 0 2000 0";
  const std::string second = "V24 2 19200 8 2 2 2000 0";
  return {text("LE", "256", first), text("BE", "256", second)};
}

// Gives the store's records `values` and saves every one, replacing whatever is on disk.
Status SaveAll(ResourceStore& store, const std::vector<ResourceRecord>& values) {
  auto record = store.records().begin();
  for (const ResourceRecord& value : values) *record++ = value;
  return store.SaveChanged([](const ResourceRecord&) { return true; }).status;
}

TEST(CrashConsistency, KilledSaveOfAWorkspaceLeavesEveryFileWhole) {
  constexpr int kRecords = 20;
  TempDir dir;
  const std::u16string folder = dir.wpath();
  std::vector<ResourceRecord> first;
  std::vector<ResourceRecord> second;
  ResourceStore store(folder);
  for (int i = 0; i < kRecords; ++i) {
    first.push_back(SerialRecord(i, false));
    second.push_back(SerialRecord(i, true));
    store.Append(first.back());
  }
  ASSERT_EQ(SaveAll(store, first), 0);

  std::set<std::string> expectedNames;
  for (int i = 0; i < kRecords; ++i) expectedNames.insert("Res" + std::to_string(i) + ".opc");

  std::mt19937 random(8122026);
  const int kills = KillsPerScenario();
  const std::set<std::string> reachable = ReachableTexts();
  int damaged = 0;
  std::set<std::string> seen;
  for (int round = 0; round < kills; ++round) {
    RunAndKill(random, 20000, [&] {
      for (int i = 0;; ++i) SaveAll(store, i % 2 ? first : second);
    });
    for (int i = 0; i < kRecords; ++i) {
      const std::string bytes = ReadBytes(dir.File("Res" + std::to_string(i) + ".opc"));
      if (reachable.count(bytes) == 0) ++damaged;
      seen.insert(bytes);
    }
    ASSERT_EQ(OpcFilesListed(dir), expectedNames) << "round " << round;
  }
  EXPECT_EQ(damaged, 0) << "damaged files after " << kills << " kills";
  std::printf("workspace saves: %d kills, %d damaged files of %d\n", kills, damaged, kRecords);
  EXPECT_EQ(seen, reachable) << "the killed saves must have got far enough to write both";

  for (const std::string& name : expectedNames) {
    const ResourceFileReading reading = ReadResourceFile(folder, Utf8ToUtf16(name));
    EXPECT_TRUE(reading.problem.ok()) << name;
    EXPECT_EQ(reading.status, 0) << name;
  }
  EXPECT_EQ(SaveAll(store, first), 0);
}

}  // namespace
}  // namespace tirv
