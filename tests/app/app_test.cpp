// The application shell: start-up with its refusal of a second instance, the editor as
// the main window, and the ways from the editor's window to the About box.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>

#include "app/editor_app.h"
#include "editor/templates.h"
#include "editor/texts.h"
#include "platform/text.h"
#include "support/fake_controls.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::FakeControls;
using testing::FakeSession;
using testing::TempDir;
using testing::WriteBytes;

const std::u16string kTitle(texts::kApplicationTitle);

struct UnownedBox {
  std::u16string text;
  std::u16string caption;
  int type;
  bool operator==(const UnownedBox&) const = default;
};

// The platform and the dialog framework as start-up meets them. The main dialog runs on
// the in-memory controls, where `user` acts on it before Escape closes it.
struct StandInFramework : AppFramework {
  bool TopLevelWindowExists(std::u16string_view title) override {
    lookedUp.emplace_back(title);
    return windowExists;
  }
  void UnownedInformationBox(std::u16string_view text) override {
    unowned.push_back({std::u16string(text), std::u16string(texts::kApplicationTitle), 64});
  }
  void EndProcess(int exitCode) override { exitCodes.push_back(exitCode); }
  int RunMainDialog(DialogLogic& dialog) override {
    mainDialogs.push_back(dialog.Template().id);
    FakeControls ui(dialog.Template(), session);
    EXPECT_TRUE(ui.Initialise(dialog));
    if (user) user(ui);
    if (!ui.ended()) ui.PressEscape();
    return ui.endCode();
  }

  bool windowExists = false;
  std::vector<std::u16string> lookedUp;
  std::vector<UnownedBox> unowned;
  std::vector<int> exitCodes;
  std::vector<int> mainDialogs;
  std::shared_ptr<FakeSession> session = std::make_shared<FakeSession>();
  std::function<void(FakeControls&)> user;
};

// A program folder with its ini file and a workspace of one resource.
struct Installation {
  TempDir dir;
  std::string bin = dir.File("bin");
  std::vector<int> exitCodes;

  Installation() {
    ::mkdir(bin.c_str(), 0755);
    ::mkdir((bin + "/ws").c_str(), 0755);
    WriteBytes(bin + "/TirvOPC.ini", "[Settings]\r\nCustomWorkspace=./ws\r\n");
    WriteBytes(bin + "/ws/Line1.opc",
               "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n\r\n"
               "[Online]\r\nComTeleLength=256\r\nComPort=V24 2 4800 7 2 1 500 0\r\n\r\n");
  }
  EditorEnvironment Environment() {
    return {[this](int code) { exitCodes.push_back(code); },
            [this](std::u16string& path) {
              path = U16(bin + "/tirvane-editor");
              return true;
            },
            {}};
  }
};

TEST(StartApplicationTest, AWindowBearingTheTitleRefusesTheStart) {
  Installation installation;
  StandInFramework framework;
  framework.windowExists = true;
  EditorApp app(framework, installation.Environment());

  EXPECT_FALSE(app.StartApplication());
  EXPECT_EQ(framework.lookedUp, std::vector<std::u16string>{kTitle});
  const UnownedBox refusal{std::u16string(texts::kAlreadyStarted), kTitle, 64};
  EXPECT_EQ(framework.unowned, std::vector<UnownedBox>{refusal});
  EXPECT_EQ(framework.exitCodes, std::vector<int>{1});
  EXPECT_EQ(framework.mainDialogs, std::vector<int>{});
}

TEST(StartApplicationTest, OtherwiseTheEditorRunsAsTheMainWindowOnItsWorkspace) {
  Installation installation;
  StandInFramework framework;
  std::vector<std::u16string> entries;
  std::u16string baud;
  framework.user = [&](FakeControls& ui) {
    entries = ui.Entries(ids::kResource);
    baud = ui.GetText(ids::kBaud);
    ui.PressEnter();
  };
  EditorApp app(framework, installation.Environment());

  EXPECT_FALSE(app.StartApplication());
  EXPECT_EQ(framework.lookedUp, std::vector<std::u16string>{kTitle});
  EXPECT_EQ(framework.unowned, std::vector<UnownedBox>{});
  EXPECT_EQ(framework.exitCodes, std::vector<int>{});
  EXPECT_EQ(framework.mainDialogs, std::vector<int>{ids::kEditorDialog});
  EXPECT_EQ(entries, std::vector<std::u16string>{u"Line1"});
  EXPECT_EQ(baud, u"4800");
  EXPECT_EQ(installation.exitCodes, std::vector<int>{});
}

TEST(AboutBoxTest, HelpCommand32771AndSystemCommand0x10OpenItAndNothingElseDoes) {
  Installation installation;
  StandInFramework framework;
  FakeSession& session = *framework.session;
  framework.user = [&session](FakeControls& ui) {
    const auto shown = [&ui] {
      return std::make_tuple(ui.Entries(ids::kResource), ui.GetText(ids::kBaud),
                             ui.GetText(ids::kTimeout), ui.CheckedRadio());
    };
    const auto before = shown();
    struct Route {
      const char* what;
      std::function<void(FakeControls&)> act;
      bool opensAbout;
    };
    const auto systemCommand = [](std::uintptr_t command) {
      return [command](FakeControls& window) { window.ChooseSystemCommand(command); };
    };
    const Route routes[] = {
        {"F1", [](FakeControls& window) { window.PressF1(); }, true},
        {"command 32771", [](FakeControls& window) { window.ChooseCommand(32771); }, true},
        {"system command 0x10", systemCommand(0x10), true},
        {"system command 0x1F", systemCommand(0x1F), true},
        {"system command 0x20", systemCommand(0x20), false},
        {"system command 0xF010 (move)", systemCommand(0xF010), false},
        {"command 32772", [](FakeControls& window) { window.ChooseCommand(32772); }, false},
    };
    bool closeBox = false;
    for (const Route& route : routes) {
      SCOPED_TRACE(route.what);
      const std::size_t runs = session.modalRuns.size();
      // The About box closes by its OK button (Enter) or its close box.
      closeBox = !closeBox;
      session.modalScripts.push_back([closeBox](FakeControls& about) {
        if (closeBox) {
          about.ClickCloseBox();
        } else {
          about.PressEnter();
        }
      });
      route.act(ui);
      EXPECT_EQ(session.modalRuns.size(), runs + (route.opensAbout ? 1 : 0));
      if (route.opensAbout) {
        EXPECT_EQ(session.modalRuns.back(), 100);
      } else {
        session.modalScripts.pop_back();
      }
      EXPECT_EQ(shown(), before);
      EXPECT_FALSE(ui.ended());
    }

    // The close box's system command is the Cancel command.
    ui.ClickCloseBox();
    EXPECT_TRUE(ui.ended());
    EXPECT_EQ(ui.endCode(), kEndCancel);
  };
  EditorApp app(framework, installation.Environment());
  app.StartApplication();
  EXPECT_EQ(session.modalRuns, std::vector<int>(4, 100));
  EXPECT_EQ(session.boxes.size(), 0u);
}

TEST(AppStringTest, TheApplicationTitleIsStringResource57344) {
  char16_t buffer[255];
  EXPECT_EQ(LoadAppString(57344, buffer, 255), static_cast<int>(kTitle.size()));
  EXPECT_EQ(std::u16string(buffer), kTitle);
  EXPECT_EQ(LoadAppString(57344, buffer, 10), 9);
  EXPECT_EQ(std::u16string(buffer), kTitle.substr(0, 9));
  EXPECT_EQ(LoadAppString(57345, buffer, 255), 0);
  EXPECT_EQ(std::u16string(buffer), u"");
}

}  // namespace
}  // namespace tirv
