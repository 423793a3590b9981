// ResourceList: its own copies, lookup by exact name and by combo entry, duplicates, and
// positions that survive the removal of other records.
#include <gtest/gtest.h>

#include <vector>

#include "resources/resource_record.h"
#include "support/record_print.h"

namespace tirv {
namespace {

ResourceRecord Named(std::u16string name, std::u16string baud = u"9600") {
  ResourceRecord r;
  r.name = std::move(name);
  r.portKind = kPortCom1;
  r.baud = std::move(baud);
  return r;
}

std::vector<std::u16string> NamesInOrder(const ResourceList& list) {
  std::vector<std::u16string> names;
  for (const ResourceRecord& r : list) names.push_back(r.name);
  return names;
}

TEST(ResourceListTest, HoldsCopiesThatShareNothingWithTheCaller) {
  ResourceList list;
  ResourceRecord mine = Named(u"Line1.opc", u"9600");
  list.Append(mine);
  mine.baud = u"110";
  mine.name = u"Other.opc";
  EXPECT_EQ(list.begin()->baud, u"9600");
  EXPECT_EQ(list.begin()->name, u"Line1.opc");

  ResourceRecord copy = *list.FindByName(u"Line1.opc");
  copy.timeout = u"5000";
  EXPECT_EQ(list.begin()->timeout, u"");

  // A record made without values: eight empty texts.
  const ResourceRecord blank;
  EXPECT_EQ(blank, (ResourceRecord{u"", kPortKindUnknown, u"", u"", u"", u"", u"", u"", u""}));
}

TEST(ResourceListTest, FindByNameComparesTheWholeNameWithLetterCase) {
  ResourceList list;
  list.Append(Named(u"A.opc", u"1"));
  list.Append(Named(u"a.OPC", u"2"));
  list.Append(Named(u"a.opc ", u"3"));
  list.Append(Named(u"a.opc.bak", u"4"));
  EXPECT_EQ(list.FindByName(u"a.opc"), list.end());

  list.Append(Named(u"a.opc", u"5"));
  ASSERT_NE(list.FindByName(u"a.opc"), list.end());
  EXPECT_EQ(list.FindByName(u"a.opc")->baud, u"5");
  EXPECT_EQ(list.FindByName(u"A.opc")->baud, u"1");
  EXPECT_EQ(list.FindByName(u"a"), list.end());
  EXPECT_EQ(list.FindByName(u""), list.end());
}

TEST(ResourceListTest, DuplicateNamesAreKeptAndTheFirstOneIsFound) {
  ResourceList list;
  list.Append(Named(u"Line1.opc", u"first"));
  list.Append(Named(u"Line2.opc"));
  list.Append(Named(u"Line1.opc", u"second"));
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.FindByName(u"Line1.opc")->baud, u"first");

  list.Remove(list.FindByName(u"Line1.opc"));
  EXPECT_EQ(list.FindByName(u"Line1.opc")->baud, u"second");
  EXPECT_EQ(NamesInOrder(list), (std::vector<std::u16string>{u"Line2.opc", u"Line1.opc"}));
}

TEST(ResourceListTest, PositionsStayValidWhileOtherRecordsAreRemoved) {
  ResourceList list;
  for (const char16_t* name : {u"a.opc", u"b.opc", u"c.opc", u"d.opc", u"e.opc"}) {
    list.Append(Named(name));
  }
  const auto a = list.FindByName(u"a.opc");
  const auto c = list.FindByName(u"c.opc");
  const auto e = list.FindByName(u"e.opc");

  list.Remove(list.FindByName(u"b.opc"));
  list.Remove(list.FindByName(u"d.opc"));
  EXPECT_EQ(c->name, u"c.opc");
  EXPECT_EQ(e->name, u"e.opc");
  EXPECT_EQ(NamesInOrder(list), (std::vector<std::u16string>{u"a.opc", u"c.opc", u"e.opc"}));

  // Removing through positions taken before the other removals.
  list.Remove(c);
  list.Remove(a);
  EXPECT_EQ(NamesInOrder(list), (std::vector<std::u16string>{u"e.opc"}));

  // The emptied list takes new records, appended after nothing.
  list.Remove(e);
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.begin(), list.end());
  list.Append(Named(u"f.opc"));
  list.Append(Named(u"g.opc"));
  EXPECT_EQ(NamesInOrder(list), (std::vector<std::u16string>{u"f.opc", u"g.opc"}));

  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.FindByName(u"f.opc"), list.end());
}

TEST(ResourceListTest, FindByEntryTakesTheExactNameFirstThenTheFirstListedUnderTheEntry) {
  ResourceList list;
  list.Append(Named(u"Plant.OPC", u"1"));
  list.Append(Named(u"a.b.opc", u"2"));
  list.Append(Named(u"a.c.opc", u"3"));
  list.Append(Named(u"..hidden.opc", u"4"));
  EXPECT_EQ(list.FindByEntry(u"Plant")->baud, u"1");
  EXPECT_EQ(list.FindByEntry(u"a")->baud, u"2");
  EXPECT_EQ(list.FindByEntry(u"hidden")->baud, u"4");
  EXPECT_EQ(list.FindByEntry(u"plant"), list.end());

  list.Append(Named(u"a.opc", u"5"));  // listed last, named exactly
  EXPECT_EQ(list.FindByEntry(u"a")->baud, u"5");

  // Each removal hands the entry on to the next record listed under it.
  for (const char16_t* next : {u"2", u"3"}) {
    list.Remove(list.FindByEntry(u"a"));
    ASSERT_NE(list.FindByEntry(u"a"), list.end());
    EXPECT_EQ(list.FindByEntry(u"a")->baud, next);
  }
  list.Remove(list.FindByEntry(u"a"));
  EXPECT_EQ(list.FindByEntry(u"a"), list.end());
  EXPECT_EQ(NamesInOrder(list), (std::vector<std::u16string>{u"Plant.OPC", u"..hidden.opc"}));
}

}  // namespace
}  // namespace tirv
