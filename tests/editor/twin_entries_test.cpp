// Files listed under one entry text ("Twin.opc", "Twin.OPC", "Twin.x.opc" are all
// "Twin"): each entry is its own file in every command. Entries of equal text stand for
// the records listed under it in list order, the order the folder gave the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "editor/texts.h"
#include "editor_rig.h"

namespace tirv {
namespace {

using testing::EditorRig;
using testing::kYes;
using testing::ListFolder;
using testing::OpcFile;

using Texts = std::vector<std::u16string>;

// Each twin is on a port of its own, so the radio button tells which one is shown.
struct Twin {
  const char* port;
  int radio;
  const char16_t* baud;
  const char* withTimeout4321;
};
const std::map<std::string, Twin> kTwins = {
    {"Twin.opc", {"V24 1 9600 8 1 0 2000 0", 1000, u"9600", "V24 1 9600 8 1 0 4321 0"}},
    {"Twin.OPC", {"V24 2 4800 7 2 1 500 0", 1001, u"4800", "V24 2 4800 7 2 1 4321 0"}},
    {"Twin.x.opc", {"V24 3 600 8 2 2 100 0", 1002, u"600", "V24 3 600 8 2 2 4321 0"}},
};

int RadioOf(const std::string& name) { return kTwins.at(name).radio; }

TEST(TwinEntriesTest, EachTwinEntryIsItsOwnFileWhenShownSwitchedSavedAndDeleted) {
  EditorRig rig;
  for (const auto& [name, twin] : kTwins) rig.File(name, twin.port);
  rig.File("Alpha.opc", "DLL netdrv.dll -ip10.0.0.1");
  rig.Open();
  const std::vector<std::string> order = rig.ListingOrder();
  std::vector<std::string> twins;
  for (const std::string& name : order) {
    if (name != "Alpha.opc") twins.push_back(name);
  }
  ASSERT_EQ(twins.size(), 3u);
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Alpha", u"Twin", u"Twin", u"Twin"}));

  // Shown, each entry from any other: its own file's port and values.
  for (int from : {3, 1, 2, 0, 2, 3, 1}) {
    rig.ui.Pick(ids::kResource, from);
    if (from == 0) continue;
    const std::string& shown = twins[static_cast<std::size_t>(from - 1)];
    SCOPED_TRACE(shown);
    EXPECT_EQ(rig.ui.CheckedRadio(), RadioOf(shown));
    EXPECT_EQ(rig.ui.GetText(ids::kBaud), kTwins.at(shown).baud);
  }
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});

  // Save after a change to the second twin writes its file alone.
  const auto files = rig.Files();
  rig.ui.Pick(ids::kResource, 2);
  rig.ui.Type(ids::kTimeout, u"4321");
  rig.ui.Pick(ids::kResource, 3);
  rig.ui.Click(ids::kSave);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{});
  for (const auto& [name, bytes] : files) {
    EXPECT_EQ(rig.Bytes(name), name == twins[1] ? OpcFile(kTwins.at(name).withTimeout4321) : bytes)
        << name;
  }

  // Delete on the third deletes its file alone; the two left show their own.
  rig.Answer({kYes});
  rig.ui.Click(ids::kDeleteResource);
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{std::u16string(texts::kConfirmDelete)});
  std::vector<std::string> left = {"Alpha.opc", twins[0], twins[1]};
  std::sort(left.begin(), left.end());
  EXPECT_EQ(ListFolder(rig.ws), left);
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Alpha", u"Twin", u"Twin"}));
  for (int entry : {1, 2}) {
    rig.ui.Pick(ids::kResource, entry);
    EXPECT_EQ(rig.ui.CheckedRadio(), RadioOf(twins[static_cast<std::size_t>(entry - 1)]));
  }
}

// A new resource among twins is the entry selected after the Add, and Delete takes its
// file; the twins keep theirs.
TEST(TwinEntriesTest, TheEntrySelectedAfterAnAddAmongTwinsIsTheNewFile) {
  EditorRig rig;
  rig.File("Twin.OPC", kTwins.at("Twin.OPC").port);
  rig.File("Twin.x.opc", kTwins.at("Twin.x.opc").port);
  rig.Open();
  const std::vector<std::string> twins = rig.ListingOrder();
  const auto files = rig.Files();
  EXPECT_EQ(rig.ui.CheckedRadio(), RadioOf(twins[0]));

  rig.ScriptNewResource({u"Twin"});  // an entry of that text exists
  rig.ScriptNewResource({u"twin"});
  rig.ClickAdd();
  EXPECT_EQ(rig.ui.BoxTexts(), Texts{std::u16string(texts::kAlreadyExists)});
  rig.ClickAdd();
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Twin", u"Twin", u"twin"}));
  EXPECT_EQ(rig.ui.ComboCurrentIndex(ids::kResource), 2);
  EXPECT_EQ(rig.ui.CheckedRadio(), 1006);

  rig.Answer({kYes});
  rig.ui.Click(ids::kDeleteResource);
  EXPECT_EQ(rig.Files(), files);
  EXPECT_EQ(rig.ui.Entries(ids::kResource), (Texts{u"Twin", u"Twin"}));
  EXPECT_EQ(rig.ui.CheckedRadio(), RadioOf(twins[0]));
}

}  // namespace
}  // namespace tirv
