#include "editor_rig.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include <gtest/gtest.h>

#include "platform/text.h"

namespace tirv::testing {
namespace {

void PrintTexts(const std::vector<std::u16string>& texts, std::ostream* os) {
  *os << "[";
  for (std::size_t i = 0; i < texts.size(); ++i) *os << (i ? ", " : "") << Utf16ToUtf8(texts[i]);
  *os << "]";
}

}  // namespace

void PrintTo(const Seen& s, std::ostream* os) {
  *os << "\n  entries ";
  PrintTexts(s.entries, os);
  *os << " selected " << s.selected << "\n  values ";
  PrintTexts(s.values, os);
  *os << " enabled " << s.enabled << " radio " << s.checkedRadio << "\n  boxes ";
  PrintTexts(s.boxes, os);
  *os << " end code " << s.endCode << "\n";
}

std::string OpcFile(const std::string& portText, const std::string& adaptation) {
  const bool serial = portText.starts_with("V24");
  return "[GeneralSettings]\r\nAdaptationComponent=" + adaptation +
         "\r\nDescription=made by the tests\r\n\r\n[Online]\r\nComTeleLength=" +
         (serial ? "256" : "1428") + "\r\nComPort=" + portText + "\r\n\r\n";
}

EditorRig::EditorRig()
    : bin(dir.File("bin")),
      ws(bin + "/ws"),
      editor(EditorEnvironment{[this](int code) { exitCodes.push_back(code); },
                               [this](std::u16string& path) {
                                 path = U16(bin + "/tirvane-editor");
                                 return true;
                               },
                               {}}) {
  ::mkdir(bin.c_str(), 0755);
  ::mkdir(ws.c_str(), 0755);
  WriteBytes(bin + "/TirvOPC.ini", "[Settings]\r\nCustomWorkspace=./ws\r\n\r\n");
}

void EditorRig::File(const std::string& name, const std::string& portText,
                     const std::string& adaptation) const {
  WriteBytes(WsPath(name), OpcFile(portText, adaptation));
}

void EditorRig::Raw(const std::string& name, const std::string& bytes) const {
  WriteBytes(WsPath(name), bytes);
}

std::string EditorRig::Bytes(const std::string& name) const { return ReadBytes(WsPath(name)); }

std::vector<std::pair<std::string, std::string>> EditorRig::Files() const {
  std::vector<std::pair<std::string, std::string>> files;
  for (const std::string& name : ListFolder(ws)) files.emplace_back(name, Bytes(name));
  return files;
}

std::vector<std::string> EditorRig::ListingOrder() const {
  std::vector<std::string> names;
  const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(ws.c_str()), ::closedir);
  if (!folder) return names;
  while (const dirent* entry = ::readdir(folder.get())) {
    const std::string name = entry->d_name;
    if (name.size() > 4 && EqualsIgnoreCase(Utf8ToUtf16(name.substr(name.size() - 4)), u".opc")) {
      names.push_back(name);
    }
  }
  return names;
}

void EditorRig::Open() { ASSERT_TRUE(ui.Initialise(editor)); }

std::vector<std::u16string> EditorRig::Values() {
  return {ui.GetText(ids::kBaud),     ui.GetText(ids::kStopBits), ui.GetText(ids::kDataBits),
          ui.GetText(ids::kParity),   ui.GetText(ids::kTimeout),  ui.GetText(ids::kParameter),
          ui.GetText(ids::kAlignment)};
}

std::string EditorRig::Enabled() {
  std::string enabled;
  for (int id :
       {ids::kBaud, ids::kStopBits, ids::kDataBits, ids::kParity, ids::kTimeout, ids::kParameter}) {
    enabled += ui.IsEnabled(id) ? 'x' : '-';
  }
  return enabled;
}

Seen EditorRig::Now() {
  Seen s;
  s.entries = ui.Entries(ids::kResource);
  s.selected = ui.Combo(ids::kResource).CurrentIndex();
  s.values = Values();
  s.enabled = Enabled();
  s.checkedRadio = ui.CheckedRadio();
  s.boxes = ui.BoxTexts();
  s.endCode = ui.ended() ? ui.endCode() : 0;
  return s;
}

void EditorRig::Answer(std::initializer_list<int> answers) {
  ui.session().answers.insert(ui.session().answers.end(), answers.begin(), answers.end());
}

void EditorRig::ScriptNewResource(std::vector<std::u16string> names) {
  ui.session().modalScripts.push_back([names](FakeControls& dialog) {
    for (const std::u16string& name : names) {
      dialog.Type(ids::kNewName, name);
      dialog.PressEnter();
      if (dialog.ended()) return;
    }
    dialog.PressEscape();
  });
}

}  // namespace tirv::testing
