// The resource list refresh lists only the records appended since the last refresh.
// Each scenario runs on two editors side by side over identical workspaces: one as
// built, one whose Resource combo never lets it trust what it listed before, so that
// every refresh refills from scratch. Whatever the user sees must be the same.
#include <gtest/gtest.h>

#include <functional>

#include "editor_rig.h"
#include "text.h"

namespace tirv {
namespace {

using namespace std::string_literals;

using testing::EditorRig;
using testing::kYes;

using Texts = std::vector<std::u16string>;

struct Twins {
  EditorRig built;
  EditorRig refilling{true};

  void Files(const std::function<void(EditorRig&)>& make) {
    make(built);
    make(refilling);
  }
  void Open() {
    built.Open();
    refilling.Open();
    ExpectSame("opening");
  }
  /// Does the same to both and compares what they show afterwards.
  void Both(const char* step, const std::function<void(EditorRig&)>& action) {
    action(built);
    action(refilling);
    ExpectSame(step);
  }
  void ExpectSame(const char* step) {
    SCOPED_TRACE(step);
    EXPECT_EQ(built.Now(), refilling.Now());
    EXPECT_EQ(built.Files(), refilling.Files());
  }
  /// The built editor listed without refilling at least once.
  void ExpectListingSkippedRefills() {
    EXPECT_LT(built.ui.resourceResets, refilling.ui.resourceResets);
  }
};

ResourceRecord Record(const char16_t* name, int kind, const char16_t* baud) {
  return {name, kind, baud, u"1", u"8", u"None", u"2000", u"-ip" + std::u16string(name), u""};
}

TEST(RefreshTest, RecordsAppendedBetweenRefreshesAreListedLikeAFullRefill) {
  Twins twins;
  twins.Open();
  // Names that sort into every place, entries that differ only in letter case, entries
  // that repeat, and entries whose record cannot be found by them.
  const std::vector<std::vector<ResourceRecord>> batches = {
      {Record(u"Mid.opc", 0, u"600")},
      {Record(u"beta.opc", 6, u"110"), Record(u"Line1.opc", 1, u"300")},
      {},
      {Record(u"Line1.old.opc", 2, u"1200"), Record(u"line1.opc", 4, u"2400"),
       Record(u"LINE1.bak.opc", 5, u"4800")},
      {Record(u"Alpha.b.opc", 3, u"9600")},
      {Record(u".hidden.opc", 0, u"19200"), Record(u"zeta.opc", 1, u"38400")},
      {Record(u"Aardvark.opc", 2, u"57600")},
      {Record(u"Line1.opc", 6, u"110")},  // a second record of the same name
  };
  for (const auto& batch : batches) {
    twins.Both("refresh", [&batch](EditorRig& rig) {
      for (const ResourceRecord& r : batch) rig.editor.resourceList.Append(r);
      rig.editor.RefreshResourceList();
    });
  }
  EXPECT_EQ(twins.built.ui.Entries(ids::kResource),
            (Texts{u"Aardvark", u"Alpha", u"beta", u"hidden", u"Line1", u"Line1", u"line1",
                   u"LINE1", u"Line1", u"Mid", u"zeta"}));
  EXPECT_EQ(twins.built.editor.currentName, u"Aardvark");
  EXPECT_EQ(twins.built.ui.CheckedRadio(), 1002);
  twins.ExpectListingSkippedRefills();
}

TEST(RefreshTest, LoadingAWorkspaceListsLikeAFullRefill) {
  Twins twins;
  twins.Files([](EditorRig& rig) {
    rig.File("Alpha.opc", "DLL netdrv.dll -ip10.0.0.1");
    rig.File("Line1.opc", "V24 1 9600 8 1 0 2000 0");
    rig.File("Line1.old.opc", "V24 2 4800 7 2 1 500 0");
    rig.File("Odd.opc", "V24 5 1200 8 1 0 2000 0");
    rig.File("Sim.opc", "SIM SimHost.dll Vsim1.Vsim1");
    rig.Raw("bad.opc", "[Online]\r\nComPort=unknown\r\n");
    rig.Raw("zero.opc", "[Online]\r\n\0"s);
  });
  twins.Open();
  EXPECT_EQ(twins.built.ui.Entries(ids::kResource),
            (Texts{u"Alpha", u"Line1", u"Line1", u"Odd", u"Sim"}));
  EXPECT_EQ(twins.built.ui.BoxTexts(), (Texts{u"Invalid File", u"Invalid File"}));
  EXPECT_EQ(twins.built.editor.currentName, u"Alpha");
  EXPECT_EQ(twins.built.ui.GetText(ids::kParameter), u"-ip10.0.0.1");
  twins.ExpectListingSkippedRefills();
}

TEST(RefreshTest, AddAndDeleteInAnyOrderListLikeAFullRefill) {
  Twins twins;
  twins.Files([](EditorRig& rig) {
    rig.File("Alpha.opc", "V24 1 9600 8 1 0 2000 0");
    rig.File("Beta.opc", "DLL netdrv.dll -ip10.0.0.2");
    rig.File("Gamma.opc", "V24 3 600 7 2 2 100 0");
  });
  twins.Open();
  twins.Both("delete Beta", [](EditorRig& rig) {
    rig.ui.PickText(ids::kResource, u"Beta");
    rig.Answer({kYes});
    rig.ui.Click(ids::kDeleteResource);
  });
  twins.Both("add Delta", [](EditorRig& rig) {
    rig.ScriptNewResource({u"Delta"});
    rig.ClickAdd();
  });
  twins.Both("add Aaa", [](EditorRig& rig) {
    rig.ScriptNewResource({u"Aaa"});
    rig.ClickAdd();
  });
  twins.Both("switch and edit", [](EditorRig& rig) {
    rig.ui.PickText(ids::kResource, u"Gamma");
    rig.ui.PickText(ids::kBaud, u"57600");
    rig.ui.PickText(ids::kResource, u"Delta");
  });
  twins.Both("delete Alpha", [](EditorRig& rig) {
    rig.ui.PickText(ids::kResource, u"Alpha");
    rig.Answer({kYes});
    rig.ui.Click(ids::kDeleteResource);
  });
  twins.Both("add Beta again, refused once", [](EditorRig& rig) {
    rig.ScriptNewResource({u"Gamma", u"Beta"});
    rig.ClickAdd();
  });
  twins.Both("delete the newest", [](EditorRig& rig) {
    rig.Answer({kYes});
    rig.ui.Click(ids::kDeleteResource);
  });
  twins.Both("add after a cancelled add", [](EditorRig& rig) {
    rig.ScriptNewResource({u"bad name"});
    rig.ClickAdd();
    rig.ScriptNewResource({u"Omega"});
    rig.ClickAdd();
  });
  twins.Both("save", [](EditorRig& rig) { rig.ui.Click(ids::kSave); });
  EXPECT_EQ(twins.built.ui.Entries(ids::kResource), (Texts{u"Aaa", u"Delta", u"Gamma", u"Omega"}));
  EXPECT_EQ(twins.built.editor.currentName, u"Omega");
  EXPECT_NE(twins.built.Bytes("Gamma.opc").find("ComPort=V24 3 57600 7 2 2 100 0\r\n"),
            std::string::npos);
  twins.ExpectListingSkippedRefills();
}

TEST(RefreshTest, RecordsRemovedFromTheListAreNotListedAgain) {
  Twins twins;
  twins.Files([](EditorRig& rig) {
    rig.File("Alpha.opc", "V24 1 9600 8 1 0 2000 0");
    rig.File("Beta.opc", "DLL netdrv.dll -ip10.0.0.2");
  });
  twins.Open();
  // The list is open to its owner: a record leaves and another takes its place before
  // the next refresh, so the count alone does not tell that the listing is stale.
  twins.Both("replace the last record", [](EditorRig& rig) {
    auto& list = rig.editor.resourceList;
    list.Remove(list.FindByName(u"Beta.opc"));
    list.Remove(list.FindByName(u"Alpha.opc"));
    list.Append(Record(u"Zulu.opc", 6, u"110"));
    list.Append(Record(u"Yankee.opc", 0, u"300"));
    rig.editor.RefreshResourceList();
  });
  twins.Both("emptied and refilled", [](EditorRig& rig) {
    auto& list = rig.editor.resourceList;
    list.Clear();
    list.Append(Record(u"Xray.opc", 1, u"600"));
    list.Append(Record(u"Whiskey.opc", 2, u"1200"));
    rig.editor.RefreshResourceList();
  });
  EXPECT_EQ(twins.built.ui.Entries(ids::kResource), (Texts{u"Whiskey", u"Xray"}));
}

}  // namespace
}  // namespace tirv
