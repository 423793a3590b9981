// The real editor on files that another tool or a colleague wrote: what nobody changed
// keeps every byte, and each of several files listed under one entry text is its own.
// The outcome is read from the files, byte for byte.

#include <dirent.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor_scenario.h"

namespace tirv::testing {
namespace {

namespace at = editor_controls;

constexpr const char* kIni = "[Settings]\r\nCustomWorkspace=./ws\r\n";

// A resource file as another tool writes it: a description of its own, a key the editor
// does not know, and a trailing section.
std::string ForeignFile(const std::string& adaptation, const std::string& port) {
  return "[GeneralSettings]\r\nAdaptationComponent=" + adaptation +
         "\r\nDescription=written by the plant tool\r\n\r\n[Online]\r\nComTeleLength=" +
         (port.starts_with("V24") ? "256" : "1428") + "\r\nComPort=" + port +
         "\r\nRetries=3\r\n\r\n[Alarms]\r\nLimit=80\r\n\r\n";
}

constexpr const char* kLe = "QB.OPC.AdaptTIRV3x.LE.20";

// The names of the folder's resource files in the order the folder lists them, which is
// the order in which the editor reads them.
std::vector<std::string> ListingOrder(const std::string& folder) {
  std::vector<std::string> names;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    std::string name = entry->d_name;
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    if (lower.size() > 4 && lower.ends_with(".opc")) names.push_back(name);
  }
  return names;
}

class KeptValues : public EditorScenario {
 protected:
  void SetUp() override {
    EditorScenario::SetUp();
    WriteIni(kIni);
  }
  std::string ws() const { return programFolder() + "/ws"; }
  void OpenThenEnterKeepsEveryByte(const std::vector<std::pair<std::string, std::string>>& files,
                                   const std::vector<int>& kinds);
  bool FileComesToHold(const std::string& name, const std::string& bytes) {
    return PollUntil([&] { return ReadBytes(WorkspaceFile(name)) == bytes; }, Millis(10000));
  }
};

// Opens the editor on `files` (named so that they are listed in this order), presses
// Enter at once, then opens it again, shows each in turn and presses Enter: every file
// keeps every byte. `kinds` are their port kinds, which tell when each is shown.
void KeptValues::OpenThenEnterKeepsEveryByte(
    const std::vector<std::pair<std::string, std::string>>& files, const std::vector<int>& kinds) {
  for (const auto& [name, bytes] : files) WriteResource(name, bytes);
  const auto before = FilesIn(ws());

  ASSERT_TRUE(OpenEditor());
  EXPECT_TRUE(ShowsCheckedRadio(kinds[0])) << screen_;
  PressKeys({"Return"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(FilesIn(ws()), before);

  // Each switch collects the resource shown; Enter saves what changed: nothing.
  ASSERT_TRUE(OpenEditor());
  EXPECT_TRUE(ShowsCheckedRadio(kinds[0])) << screen_;
  for (std::size_t i = 1; i < kinds.size(); ++i) {
    Wheel(at::kResource, 1);
    EXPECT_TRUE(ShowsCheckedRadio(kinds[i])) << screen_;
  }
  PressKeys({"Return"});
  EXPECT_EQ(ExitCode(*editor_), 0);
  EXPECT_EQ(FilesIn(ws()), before);
  EXPECT_EQ(BoxLines(), std::vector<std::string>{});
}

// The baud 14400 is in no list, and "1" only begins "110"; parity 3 is no parity digit.
TEST_F(KeptValues, OpenThenEnterKeepsValuesOutsideTheLists) {
  OpenThenEnterKeepsEveryByte({{"A14400.opc", ForeignFile(kLe, "V24 2 14400 7 2 2 500 0")},
                               {"BaudOne.opc", ForeignFile(kLe, "V24 3 1 8 1 3 2000 0")}},
                              {1, 2});
}

TEST_F(KeptValues, OpenThenEnterKeepsAnAdaptationOfNoKnownAlignment) {
  OpenThenEnterKeepsEveryByte(
      {{"Custom.opc", ForeignFile("QB.OPC.AdaptCustom.XX.21", "V24 4 9600 8 1 0 2000 0")},
       {"CustomSim.opc", ForeignFile("QB.OPC.AdaptTIRV3x.be.20", "SIM SimHost.dll Vsim1.Vsim1")}},
      {3, 4});
}

// Longer than the 32,767 characters that an edit holds by default.
TEST_F(KeptValues, OpenThenEnterKeepsATcpIpParameterOf40003Characters) {
  const std::string parameter = "-ip" + std::string(40000, '7');
  OpenThenEnterKeepsEveryByte({{"Long.opc", ForeignFile(kLe, "DLL netdrv.dll " + parameter)},
                               {"Short.opc", ForeignFile(kLe, "DLL netdrv.dll -ip10.0.0.1")}},
                              {6, 6});
}

// "Twin.opc", "Twin.OPC" and "Twin.x.opc" are all listed as "Twin", in the order the
// folder lists them; each is on a port of its own, so the radio button tells which file
// an entry shows.
TEST_F(KeptValues, EachOfThreeTwinEntriesShowsSavesAndDeletesItsOwnFile) {
  const std::map<std::string, std::pair<std::string, int>> ports = {
      {"Twin.opc", {"V24 1 9600 8 1 0 2000 0", 0}},
      {"Twin.OPC", {"V24 2 4800 7 2 1 500 0", 1}},
      {"Twin.x.opc", {"V24 3 600 8 2 2 100 0", 2}},
  };
  for (const auto& [name, port] : ports) WriteResource(name, ForeignFile(kLe, port.first));
  const auto before = FilesIn(ws());
  const std::vector<std::string> order = ListingOrder(ws());
  ASSERT_EQ(order.size(), 3u);
  const auto kindOf = [&](std::size_t entry) { return ports.at(order[entry]).second; };

  ASSERT_TRUE(OpenEditor());
  EXPECT_TRUE(ShowsCheckedRadio(kindOf(0))) << screen_;
  Wheel(at::kResource, 1);
  EXPECT_TRUE(ShowsCheckedRadio(kindOf(1))) << screen_;
  Wheel(at::kResource, 1);
  EXPECT_TRUE(ShowsCheckedRadio(kindOf(2))) << screen_;

  // The second twin, changed and saved: its file alone changes.
  Wheel(at::kResource, -1);
  ASSERT_TRUE(ShowsCheckedRadio(kindOf(1))) << screen_;
  ReplaceEditText(at::kTimeout, "4321");
  ClickAt(at::kSave);
  std::string port = ports.at(order[1]).first;
  const std::size_t timeout = port.rfind(' ', port.size() - 3) + 1;
  port.replace(timeout, port.size() - 2 - timeout, "4321");
  const std::string saved = ForeignFile(kLe, port);
  EXPECT_TRUE(FileComesToHold(order[1], saved)) << ReadBytes(WorkspaceFile(order[1]));
  EXPECT_EQ(ReadBytes(WorkspaceFile(order[0])), before.at(order[0]));
  EXPECT_EQ(ReadBytes(WorkspaceFile(order[2])), before.at(order[2]));

  // Delete on the third twin deletes its file alone.
  Wheel(at::kResource, 1);
  ASSERT_TRUE(ShowsCheckedRadio(kindOf(2))) << screen_;
  ClickAt(at::kDeleteResource);
  EXPECT_TRUE(AnswerNextWindow({"Return"}));
  std::vector<std::string> left = {order[0], order[1]};
  std::sort(left.begin(), left.end());
  EXPECT_TRUE(FolderComesToHold(ws(), left)) << screen_;

  EXPECT_EQ(Close(), 0);
  EXPECT_EQ(FilesIn(ws()), (std::map<std::string, std::string>{{order[0], before.at(order[0])},
                                                               {order[1], saved}}));
  EXPECT_EQ(BoxLines(),
            std::vector<std::string>{BoxLine("owned", 36, Traced(texts::kConfirmDelete), 6)});
}

}  // namespace
}  // namespace tirv::testing
