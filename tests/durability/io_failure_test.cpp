// Every I/O call of a save fails once, one after the other. Each failure must reach the
// caller, leave the target byte for byte as it was, and leave no temporary file; the
// few calls whose failure loses nothing are named and checked for exactly that.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "editor/editor_dialog.h"
#include "editor/templates.h"
#include "editor/texts.h"
#include "platform/text.h"
#include "profile/profile_calls.h"
#include "resources/resource_file.h"
#include "support/failing_syscalls.h"
#include "support/fake_controls.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::FailingSysCalls;
using testing::FakeControls;
using testing::ListFolder;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kOriginal =
    "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n\r\n"
    "[Online]\r\nComTeleLength=256\r\nComPort=V24 1 9600 8 1 0 2000 0\r\n\r\n";

// Calls whose failure loses nothing: closing the file that was read, looking for and
// removing temporaries that dead writers left, removing the replaced version once the
// new one is durable, and giving the file to its old owner, which only root may do and
// whose failure leaves the writer's own ids.
bool Harmless(const std::string& failed) {
  for (const char* call : {"close", "unlink", "lstat", "fchown"}) {
    if (failed.rfind(call, 0) == 0) return true;
  }
  return false;
}

// Names in the folder other than `keep`: temporary files a failed save left behind.
std::vector<std::string> Leftovers(const std::string& folder, const std::string& keep) {
  std::vector<std::string> names = ListFolder(folder);
  std::erase(names, keep);
  return names;
}

TEST(IoFailures, EveryFailedCallOfTheSaveCommandShowsTheMessage) {
  int told = 0;
  int failAt = 1;
  for (;; ++failAt) {
    TempDir dir;
    WriteBytes(dir.File("TirvOPC.ini"), "[Settings]\r\nCustomWorkspace=./ws\r\n\r\n");
    ASSERT_EQ(::mkdir(dir.File("ws").c_str(), 0755), 0);
    WriteBytes(dir.File("ws/Line1.opc"), kOriginal);
    EditorEnvironment environment;
    environment.modulePath = [&dir](std::u16string& p) {
      p = dir.WFile("tirvane-editor");
      return true;
    };
    environment.endProcess = [](int code) { FAIL() << "process ended with " << code; };
    EditorDialog editor(environment);
    FakeControls window(EditorDialogTemplate());
    window.Initialise(editor);
    window.PickText(ids::kBaud, u"19200");
    bool hit;
    std::string failed;
    {
      FailingSysCalls calls;
      calls.FailNthOfAny(failAt, EIO);
      window.Click(ids::kSave);
      hit = calls.fired();
      failed = calls.FailedCall();
    }
    if (!hit) break;
    SCOPED_TRACE("failed call: " + failed);
    // The save replaces the file once: it is whole in one of two versions, whichever
    // call failed.
    const std::string bytes = ReadBytes(dir.File("ws/Line1.opc"));
    const std::string saved = std::string(kOriginal).replace(
        std::string(kOriginal).find("V24 1 9600"), 10, "V24 1 19200");
    EXPECT_TRUE(bytes == kOriginal || bytes == saved) << bytes;
    EXPECT_EQ(Leftovers(dir.File("ws"), "Line1.opc"), std::vector<std::string>{});
    if (!window.BoxTexts().empty()) {
      ++told;
      // The message users know, then the file and the system's reason.
      ASSERT_EQ(window.BoxTexts().size(), 1u);
      EXPECT_EQ(
          window.BoxTexts()[0].rfind(std::u16string(texts::kSaveFailed) + u"\nLine1.opc: ", 0), 0u)
          << Utf16ToUtf8(window.BoxTexts()[0]);
    } else {
      EXPECT_EQ(bytes, saved) << "a failed save went untold";
      EXPECT_TRUE(Harmless(failed)) << failed;
    }
  }
  EXPECT_GE(told, 8);
  std::printf("Save command: %d calls failed in turn, %d told\n", failAt - 1, told);
}

}  // namespace
}  // namespace tirv
