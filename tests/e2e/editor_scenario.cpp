#include "editor_scenario.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tirv::testing {

std::string Traced(std::u16string_view text) {
  std::string traced;
  for (const char c : Utf16ToUtf8(text)) {
    switch (c) {
      case '\\':
        traced += "\\\\";
        break;
      case '"':
        traced += "\\\"";
        break;
      case '\r':
        traced += "\\r";
        break;
      case '\n':
        traced += "\\n";
        break;
      default:
        traced += c;
    }
  }
  return traced;
}

std::string BoxLine(std::string_view kind, int type, std::string_view text, int answer) {
  return "tirvane-editor: message box kind=" + std::string(kind) + " type=" + std::to_string(type) +
         " caption=\"" + kTitle + "\" text=\"" + std::string(text) +
         "\" answer=" + std::to_string(answer);
}

EditorScenario::EditorScenario() {
  std::error_code ec;
  std::filesystem::copy_file(TIRV_EDITOR_EXECUTABLE, dir_.File("tirvane-editor"), ec);
  EXPECT_FALSE(ec) << "cannot copy the editor: " << ec.message();
}

void EditorScenario::SetUp() {
  ASSERT_TRUE(display_.ok()) << "no virtual display for the editor: " << display_.error();
}

void EditorScenario::WriteIni(std::string_view bytes) {
  WriteBytes(dir_.File("TirvOPC.ini"), bytes);
}

void EditorScenario::WriteResource(const std::string& name, std::string_view bytes) {
  ::mkdir(dir_.File("ws").c_str(), 0755);
  WriteBytes(WorkspaceFile(name), bytes);
}

std::map<std::string, std::string> EditorScenario::FilesIn(const std::string& folder) const {
  std::map<std::string, std::string> files;
  for (const std::string& name : ListFolder(folder)) files[name] = ReadBytes(folder + "/" + name);
  return files;
}

std::unique_ptr<Child> EditorScenario::Start(const std::string& log) {
  std::vector<std::string> argv = launcher_;
  argv.push_back(dir_.File("tirvane-editor"));
  argv.insert(argv.end(), editorArguments_.begin(), editorArguments_.end());
  Child::Options options = display_.ClientOptions(argv);
  options.env.push_back("TIRVANE_EDITOR_TRACE=1");
  options.env.push_back("QT_STYLE_OVERRIDE=Fusion");  // the look the pixel checks expect
  options.env.insert(options.env.end(), editorEnvironment_.begin(), editorEnvironment_.end());
  options.stdoutPath = dir_.File(log + ".out");
  options.stderrPath = dir_.File(log + ".err");
  auto child = std::make_unique<Child>(options);
  EXPECT_GT(child->pid(), 0) << child->error();
  return child;
}

std::vector<std::string> EditorScenario::BoxLines(const std::string& log) const {
  std::vector<std::string> lines;
  std::istringstream in(ReadBytes(dir_.File(log + ".err")));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("tirvane-editor: message box ", 0) == 0) lines.push_back(line);
  }
  return lines;
}

std::string EditorScenario::WaitForWindow(pid_t pid, const std::string& title,
                                          const std::set<std::string>& known, int limitMs) {
  std::string found;
  PollUntil(
      [&] {
        for (const std::string& window : display_.WindowsTitled(title, pid)) {
          if (known.count(window) == 0) found = window;
        }
        return !found.empty();
      },
      Millis(limitMs));
  EXPECT_NE(found, "") << "no window \"" << title << "\" of process " << pid << " appeared";
  return found;
}

bool EditorScenario::OpenEditor() {
  editor_ = Start();
  if (editor_->pid() <= 0) return false;
  return WaitForEditor();
}

bool EditorScenario::WaitForEditor(int limitMs) {
  window_ = WaitForWindow(editor_->pid(), kTitle, {}, limitMs);
  if (window_.empty()) return false;
  const auto geometry = display_.GeometryOf(window_);
  EXPECT_TRUE(geometry.has_value());
  if (!geometry) return false;
  geometry_ = *geometry;
  return true;
}

int EditorScenario::Close() {
  PressKeys({"Escape"});
  return ExitCode(*editor_);
}

int EditorScenario::ExitCode(Child& process, int limitMs) {
  const std::optional<int> code = process.WaitForExit(Millis(limitMs));
  EXPECT_TRUE(code.has_value()) << "process " << process.pid() << " still runs";
  return code.value_or(-1);
}

int EditorScenario::ScreenX(double dialogX) const {
  const double dialogWidth = EditorDialogTemplate().width;
  return geometry_.x + static_cast<int>(std::lround(dialogX * geometry_.width / dialogWidth));
}

int EditorScenario::ScreenY(double dialogY) const {
  const double dialogHeight = EditorDialogTemplate().height;
  return geometry_.y + static_cast<int>(std::lround(dialogY * geometry_.height / dialogHeight));
}

void EditorScenario::ClickAt(const DialogRect& control, int button, int repeat) {
  EXPECT_TRUE(display_.Click(ScreenX(control.x + control.width / 2.0),
                             ScreenY(control.y + control.height / 2.0), button, repeat));
}

void EditorScenario::Wheel(const DialogRect& combo, int steps) {
  ClickAt(combo, steps > 0 ? 5 : 4, std::abs(steps));
}

void EditorScenario::PressKeys(const std::vector<std::string>& keys) {
  EXPECT_TRUE(display_.Keys(window_, keys));
}

void EditorScenario::ReplaceEditText(const DialogRect& edit, const std::string& text) {
  ClickAt(edit);
  PressKeys({"ctrl+a", "BackSpace"});
  EXPECT_TRUE(display_.Type(window_, text));
}

bool EditorScenario::AnswerNextWindow(const std::vector<std::string>& keys, const std::string& text,
                                      const std::string& title) {
  std::set<std::string> known;
  if (!window_.empty()) known.insert(window_);
  return AnswerNewWindow(known, keys, text, title);
}

bool EditorScenario::AnswerNextBoxOver(const std::string& dialog,
                                       const std::vector<std::string>& keys) {
  return AnswerNewWindow({window_, dialog}, keys, "", kTitle);
}

bool EditorScenario::AnswerNewWindow(const std::set<std::string>& known,
                                     const std::vector<std::string>& keys, const std::string& text,
                                     const std::string& title) {
  const std::string box = WaitForWindow(editor_->pid(), title, known);
  if (box.empty()) return false;
  if (!text.empty()) {
    EXPECT_TRUE(display_.Type(box, text));
  }
  EXPECT_TRUE(display_.Keys(box, keys));
  // The next move must not meet the window that is going away.
  const bool gone = PollUntil(
      [&] {
        const auto windows = display_.WindowsOf(editor_->pid());
        return std::find(windows.begin(), windows.end(), box) == windows.end();
      },
      Millis(10000));
  EXPECT_TRUE(gone) << "window \"" << title << "\" stayed open";
  return gone;
}

void EditorScenario::PickFromDropList(const DialogRect& combo, int steps) {
  const std::size_t before = display_.WindowsOf(editor_->pid()).size();
  ClickAt(combo);
  const bool open =
      PollUntil([&] { return display_.WindowsOf(editor_->pid()).size() > before; }, Millis(10000));
  ASSERT_TRUE(open) << "the drop list did not open";
  std::vector<std::string> keys = {"xdotool", "key", "--delay", "40"};
  for (int i = 0; i < steps; ++i) keys.push_back("Down");
  for (int i = 0; i > steps; --i) keys.push_back("Up");
  keys.push_back("Return");
  EXPECT_EQ(display_.Run(keys).exitCode, 0);
  EXPECT_TRUE(
      PollUntil([&] { return display_.WindowsOf(editor_->pid()).size() == before; }, Millis(10000)))
      << "the drop list stayed open";
}

std::optional<VirtualDisplay::Image> EditorScenario::CaptureEditor() {
  auto image = display_.Capture(window_, dir_.File("window.ppm"));
  if (!image) screen_ = "the editor window could not be captured";
  return image;
}

int EditorScenario::CheckedRadioOnScreen() {
  const auto image = CaptureEditor();
  if (!image) return -1;
  std::vector<double> centres;
  screen_ = "radio button centres (brightness):";
  for (const DialogRect& r : editor_controls::kRadios) {
    // The indicator is a circle of about 13 pixels at the button's left edge; the dot
    // of a checked one fills its middle (greyed, but still darker, when disabled).
    const int centreX = ScreenX(r.x) - geometry_.x + 6;
    const int centreY = ScreenY(r.y + r.height / 2.0) - geometry_.y;
    centres.push_back(image->Brightness(centreX - 2, centreY - 2, 4, 4));
    screen_ += ' ';
    screen_ += std::to_string(centres.back());
  }
  const auto darkest = std::min_element(centres.begin(), centres.end());
  for (auto it = centres.begin(); it != centres.end(); ++it) {
    if (it != darkest && *it < *darkest + 0.15) return -1;
  }
  return static_cast<int>(darkest - centres.begin());
}

std::optional<bool> EditorScenario::EditLooksEnabled(const DialogRect& edit) {
  const auto image = CaptureEditor();
  if (!image) return std::nullopt;
  // The right end of the field, where short texts leave the background bare.
  const int left = ScreenX(edit.x + edit.width * 0.75) - geometry_.x;
  const int right = ScreenX(edit.x + edit.width * 0.95) - geometry_.x;
  const int middle = ScreenY(edit.y + edit.height / 2.0) - geometry_.y;
  const double brightness = image->Brightness(left, middle - 2, right - left, 4);
  screen_ = "edit field brightness " + std::to_string(brightness);
  // White when enabled, the window's light grey when not; anything else (a window not
  // yet painted, text in the way) tells nothing.
  if (brightness > 0.98) return true;
  if (brightness > 0.88 && brightness < 0.975) return false;
  return std::nullopt;
}

bool EditorScenario::ShowsCheckedRadio(int kind) {
  return PollUntil([&] { return CheckedRadioOnScreen() == kind; }, Millis(5000));
}

bool EditorScenario::ShowsEditEnabled(const DialogRect& edit, bool enabled) {
  return PollUntil([&] { return EditLooksEnabled(edit) == enabled; }, Millis(5000));
}

bool EditorScenario::FolderComesToHold(const std::string& folder,
                                       const std::vector<std::string>& names) {
  std::vector<std::string> seen;
  const bool held = PollUntil(
      [&] {
        seen = ListFolder(folder);
        return seen == names;
      },
      Millis(5000));
  screen_ = "the folder holds:";
  for (const std::string& name : seen) screen_ += " " + name;
  return held;
}

}  // namespace tirv::testing
