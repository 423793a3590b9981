// Workspace saves killed at random points: a child process saves in a loop and is killed
// with SIGKILL; afterwards every file must hold one complete version, still load, and no
// leftover temporary file may be listed by the workspace search or disturb the next
// save. (A single safe replace is killed before each of its calls in turn by the
// platform's tests.) The workspace saves are also ended by SIGTERM, SIGINT and SIGHUP, which the
// editor defers past the file being written: those leave no temporary file at all.
// TIRV_CRASH_KILLS sets the number of kills per scenario (default 500).
//
// A kill point is a number of I/O calls the child has begun, not a moment: the child
// counts its calls in memory it shares with the test, so a loaded machine moves the
// kills no earlier and no later in the save. Half the kills stop the child right before
// the chosen call; the other half let it run on past that call until the kill arrives.
// The child's fsync calls are made but flush nothing: a killed process loses nothing
// that a flush would keep, so the files it leaves are the same, and the kills can reach
// every call of three whole saves in little time.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/file_search.h"
#include "platform/termination.h"
#include "platform/text.h"
#include "profile/profile_calls.h"
#include "profile/profile_document.h"
#include "resources/resource_file.h"
#include "support/failing_syscalls.h"
#include "support/temp_dir.h"
#include "support/workspace_files.h"
#include "workspace/resource_store.h"

namespace tirv {
namespace {

using testing::Call;
using testing::FailingSysCalls;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

int KillsPerScenario() {
  const char* text = std::getenv("TIRV_CRASH_KILLS");
  return text != nullptr ? std::atoi(text) : 500;
}

// The number of I/O calls `work` makes.
int CallsOf(const std::function<void()>& work) {
  FailingSysCalls layer;
  int calls = 0;
  layer.SetHook([&calls](Call, int total) { calls = total; });
  work();
  return calls;
}

// Kills children that save in a loop at points chosen by their progress.
class Killer {
 public:
  // `callsPerRound`: the I/O calls of one pass of the loop; kill points are spread over
  // the first three passes.
  explicit Killer(int callsPerRound, unsigned seed) : random_(seed), pick_(1, 3 * callsPerRound) {
    void* shared = ::mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared != MAP_FAILED) begun_ = new (shared) std::atomic<int>(0);
  }
  ~Killer() {
    if (begun_ != nullptr) ::munmap(begun_, sizeof(std::atomic<int>));
  }
  Killer(const Killer&) = delete;
  Killer& operator=(const Killer&) = delete;

  // Runs `loop` in a child and sends it `sig` once it has begun the chosen I/O call:
  // stopped right before it in even rounds, running on in odd ones. A child sent a
  // catchable signal defers it as the editor does. Returns "" or what went wrong.
  std::string RunAndKill(int round, const std::function<void()>& loop, int sig = SIGKILL) {
    if (begun_ == nullptr) return "no shared memory for the child's progress";
    const int target = pick_(random_);
    const bool stopBefore = round % 2 == 0;
    begun_->store(0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return "fork failed";
    if (child == 0) {
      if (sig != SIGKILL) DeferAsTheEditorDoes();
      FailingSysCalls layer;  // fails nothing; it counts
      layer.SkipFlushes();
      layer.SetHook([this, target, stopBefore](Call, int total) {
        begun_->store(total);
        if (stopBefore && total == target) ::raise(SIGSTOP);
      });
      loop();
      ::_exit(0);
    }
    std::string problem;
    int status = 0;
    if (stopBefore) {
      if (::waitpid(child, &status, WUNTRACED) != child || !WIFSTOPPED(status)) {
        problem = EndedBefore(target);
      }
    } else {
      while (begun_->load() < target) {
        if (::waitpid(child, &status, WNOHANG) == child) {
          problem = EndedBefore(target);
          break;
        }
        ::usleep(20);
      }
    }
    if (problem.empty()) {
      ::kill(child, sig);
      if (stopBefore) ::kill(child, SIGCONT);  // a stopped child takes the signal on waking
      if (::waitpid(child, &status, 0) != child) {
        problem = "the child could not be reaped";
      } else if (!WIFSIGNALED(status) || WTERMSIG(status) != sig) {
        problem = "the child did not end by signal " + std::to_string(sig);
      }
    }
    return problem;
  }

 private:
  // A child started in the background may inherit ignored signals; the editor starts
  // with their default actions.
  static void DeferAsTheEditorDoes() {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) ::signal(sig, SIG_DFL);
    DeferTerminationSignals();
  }

  static std::string EndedBefore(int call) {
    std::string text = "the child ended before I/O call ";
    text += std::to_string(call);
    return text;
  }

  std::mt19937 random_;
  std::uniform_int_distribution<int> pick_;
  std::atomic<int>* begun_ = nullptr;
};

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

// Hidden ones too: a temporary file left behind shows here.
std::set<std::string> EveryFileIn(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

void RemoveHiddenFiles(const TempDir& dir) {
  for (const std::string& name : EveryFileIn(dir)) {
    if (name[0] == '.') std::filesystem::remove(dir.path() + "/" + name);
  }
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
// is written with one replace, so no mix of old and new keys is ever seen. The files are
// made by the first save, with the layout of a new resource file.
std::set<std::string> ReachableTexts() {
  const auto text = [](const char* adapt, const char* tele, const std::string& port) {
    return std::string("[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.") + adapt +
           ".20\r\nDescription=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n\r\n"
           "[Online]\r\nComTeleLength=" +
           tele + "\r\nComPort=" + port + "\r\n\r\n";
  };
  const std::string first = "V24 1 9600 8 1 0 2000 0";
  const std::string second = "V24 2 19200 8 2 2 2000 0";
  return {text("LE", "256", first), text("BE", "256", second)};
}

// Gives the store's records `values` and saves every one, replacing whatever is on disk.
Status SaveAll(ResourceStore& store, const std::vector<ResourceRecord>& values) {
  auto record = store.records().begin();
  for (const ResourceRecord& value : values) *record++ = value;
  return store.SaveChanged([](const ResourceRecord&, bool) { return true; }).status;
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
  const int callsPerSave = CallsOf([&] { SaveAll(store, second); });
  ASSERT_GT(callsPerSave, 0);

  std::set<std::string> expectedNames;
  for (int i = 0; i < kRecords; ++i) expectedNames.insert("Res" + std::to_string(i) + ".opc");

  Killer killer(callsPerSave, 8122026);
  const int kills = KillsPerScenario();
  const std::set<std::string> reachable = ReachableTexts();
  int damaged = 0;
  std::set<std::string> seen;
  // Every other pair of rounds ends the child with a catchable signal.
  constexpr int kSignals[] = {SIGKILL, SIGKILL, SIGTERM, SIGKILL, SIGKILL,
                              SIGINT,  SIGKILL, SIGKILL, SIGHUP};
  for (int round = 0; round < kills; ++round) {
    const int sig = kSignals[round % std::size(kSignals)];
    // What earlier kills left goes first, so that whatever is left was left by this one.
    if (sig != SIGKILL) RemoveHiddenFiles(dir);
    ASSERT_EQ(killer.RunAndKill(
                  round,
                  [&] {
                    for (int i = 0;; ++i) SaveAll(store, i % 2 ? first : second);
                  },
                  sig),
              "")
        << "round " << round;
    for (int i = 0; i < kRecords; ++i) {
      const std::string bytes = ReadBytes(dir.File("Res" + std::to_string(i) + ".opc"));
      if (reachable.count(bytes) == 0) ++damaged;
      seen.insert(bytes);
    }
    ASSERT_EQ(OpcFilesListed(dir), expectedNames) << "round " << round;
    if (sig != SIGKILL) {
      ASSERT_EQ(EveryFileIn(dir), expectedNames) << "round " << round << ", signal " << sig;
    }
  }
  EXPECT_EQ(damaged, 0) << "damaged files after " << kills << " kills";
  std::printf("workspace saves: %d kills (%d I/O calls per save), %d damaged files of %d\n", kills,
              callsPerSave, damaged, kRecords);
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
