// The combo-box operations on real QComboBoxes: what the operations report and what the
// widget shows must agree, and both must follow the editor's combo rules (control_ops.h)
// rather than Qt's own sorting and auto-selection.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListView>
#include <QTest>

#include "editor/templates.h"
#include "widget_test_support.h"

namespace tirv::testing {
namespace {

class ComboWidgetTest : public ::testing::Test {
 protected:
  ComboWidgetTest() : logic_(EditorDialogTemplate()), shown_(logic_) {}

  TemplateDialog& dialog() { return shown_.window; }
  QComboBox* combo(int id) { return ComboWidget(dialog(), id); }
  void Fill(int id, std::initializer_list<std::u16string_view> entries) {
    for (std::u16string_view entry : entries) dialog().ComboAdd(id, entry);
  }

  RecordingLogic logic_;
  ShownDialog shown_;
};

TEST_F(ComboWidgetTest, SortedComboInsertsInPlaceIgnoringLetterCase) {
  std::vector<int> positions;
  for (std::u16string_view name : {u"press2", u"Line1", u"alpha", u"Press1", u"line0", u"Zeta"}) {
    positions.push_back(dialog().ComboAdd(ids::kResource, name));
  }
  const std::vector<std::string> expected = {"alpha", "line0", "Line1", "Press1", "press2", "Zeta"};
  EXPECT_EQ(OpsItems(dialog(), ids::kResource), expected);
  EXPECT_EQ(WidgetItems(combo(ids::kResource)), expected);
  EXPECT_EQ(positions, (std::vector<int>{0, 0, 0, 2, 1, 5}));
}

TEST_F(ComboWidgetTest, BaudComboKeepsTheOrderOfInsertion) {
  Fill(ids::kBaud, {u"9600", u"110", u"57600", u"1200"});
  const std::vector<std::string> expected = {"9600", "110", "57600", "1200"};
  EXPECT_EQ(OpsItems(dialog(), ids::kBaud), expected);
  EXPECT_EQ(WidgetItems(combo(ids::kBaud)), expected);
}

TEST_F(ComboWidgetTest, PrefixSearchStartsAfterTheStartEntryAndWrapsRound) {
  Fill(ids::kResource, {u"Line1", u"Line10", u"line2", u"Press"});
  struct Case {
    int start;
    std::u16string_view text;
    int expected;
  };
  const Case cases[] = {
      {-1, u"line1", 0},                     // from the first entry
      {0, u"line1", 1},                      // the start entry itself is tried last
      {1, u"LINE1", 0},                      // wraps round to the first entry
      {3, u"l", 0},                          // from the last entry, wrapping
      {2, u"line2", 2},                      // only the start entry matches: found last
      {-1, u"", -1},                         // an empty text matches nothing
      {-1, u"Lines", -1}, {7, u"Press", 3},  // a start beyond the end searches from the first entry
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dialog().ComboFindPrefix(ids::kResource, c.start, c.text), c.expected)
        << "start " << c.start << ", text \"" << Utf8(c.text) << "\"";
  }
  EXPECT_EQ(dialog().ComboCurrentIndex(ids::kResource), -1) << "finding selects nothing";
  EXPECT_EQ(Shown(combo(ids::kResource)), (ComboView{-1, ""}));
}

TEST_F(ComboWidgetTest, SelectByPrefixShowsTheEntryOrLeavesTheSelection) {
  Fill(ids::kParity, {u"None", u"Odd", u"Even"});
  EXPECT_EQ(dialog().ComboSelectPrefix(ids::kParity, 0, u"o"), 2);
  EXPECT_EQ(dialog().GetText(ids::kParity), u"Odd");
  EXPECT_EQ(Shown(combo(ids::kParity)), (ComboView{2, "Odd"}));

  EXPECT_EQ(dialog().ComboSelectPrefix(ids::kParity, -1, u"Mark"), -1);
  EXPECT_EQ(dialog().ComboSelectPrefix(ids::kParity, -1, u""), -1);
  EXPECT_EQ(dialog().ComboCurrentIndex(ids::kParity), 2);
  EXPECT_EQ(Shown(combo(ids::kParity)), (ComboView{2, "Odd"}));
}

TEST_F(ComboWidgetTest, CurrentIndexMinusOneClearsSelectionAndShownText) {
  Fill(ids::kStopBits, {u"1", u"2"});
  dialog().ComboSetCurrentIndex(ids::kStopBits, 1);
  EXPECT_EQ(Shown(combo(ids::kStopBits)), (ComboView{1, "2"}));
  dialog().ComboSetCurrentIndex(ids::kStopBits, -1);
  EXPECT_EQ(dialog().ComboCurrentIndex(ids::kStopBits), -1);
  EXPECT_EQ(dialog().GetText(ids::kStopBits), u"");
  EXPECT_EQ(Shown(combo(ids::kStopBits)), (ComboView{-1, ""}));

  Fill(ids::kAlignment, {u"Little Endian", u"Big Endian"});
  dialog().ComboSetCurrentIndex(ids::kAlignment, 0);
  EXPECT_EQ(Shown(combo(ids::kAlignment)), (ComboView{0, "Big Endian"}));
  dialog().ComboSetCurrentIndex(ids::kAlignment, -1);
  EXPECT_EQ(dialog().GetText(ids::kAlignment), u"");
  EXPECT_EQ(Shown(combo(ids::kAlignment)), (ComboView{-1, ""}));
}

TEST_F(ComboWidgetTest, QtDoesNotSelectTheFirstEntryOnItsOwn) {
  // Qt selects the first item inserted into an empty list; the editor's combo selects
  // nothing until it is told to.
  dialog().ComboAdd(ids::kResource, u"Line1");
  dialog().ComboAdd(ids::kResource, u"Alpha");
  EXPECT_EQ(dialog().ComboCurrentIndex(ids::kResource), -1);
  EXPECT_EQ(Shown(combo(ids::kResource)), (ComboView{-1, ""}));

  dialog().ComboSetCurrentIndex(ids::kResource, 1);
  dialog().ComboAdd(ids::kResource, u"Aardvark");  // lands before the selection
  EXPECT_EQ(dialog().ComboCurrentIndex(ids::kResource), 2);
  EXPECT_EQ(Shown(combo(ids::kResource)), (ComboView{2, "Line1"}));

  dialog().ComboReset(ids::kResource);
  dialog().ComboAdd(ids::kResource, u"Press1");
  EXPECT_EQ(dialog().ComboCount(ids::kResource), 1);
  EXPECT_EQ(WidgetItems(combo(ids::kResource)), std::vector<std::string>{"Press1"});
  EXPECT_EQ(Shown(combo(ids::kResource)), (ComboView{-1, ""}));

  // The edit field of the Alignment combo keeps its text when the list fills.
  dialog().SetText(ids::kAlignment, u"Little Endian");
  Fill(ids::kAlignment, {u"Little Endian", u"Big Endian"});
  EXPECT_EQ(dialog().ComboCurrentIndex(ids::kAlignment), -1);
  EXPECT_EQ(Shown(combo(ids::kAlignment)), (ComboView{-1, "Little Endian"}));
}

TEST_F(ComboWidgetTest, AlignmentComboTextIsItsEditField) {
  Fill(ids::kAlignment, {u"Little Endian", u"Big Endian"});
  dialog().SetText(ids::kAlignment, u"Middle Endian");
  EXPECT_EQ(dialog().GetText(ids::kAlignment), u"Middle Endian");
  EXPECT_EQ(combo(ids::kAlignment)->currentText().toStdString(), "Middle Endian");

  // What the user types is the text, whether or not an entry matches it.
  QLineEdit* field = combo(ids::kAlignment)->lineEdit();
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(field, "big endian");
  EXPECT_EQ(dialog().GetText(ids::kAlignment), u"big endian");

  // Leaving the field, or Enter, keeps the text as typed: no entry is chosen for it.
  dialog().Control(ids::kTimeout)->setEnabled(true);
  dialog().Control(ids::kTimeout)->setFocus();
  QTest::keyClick(field, Qt::Key_Tab);
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(dialog().GetText(ids::kAlignment), u"big endian");
  EXPECT_EQ(field->text().toStdString(), "big endian");
  EXPECT_EQ(dialog().ComboCurrentIndex(ids::kAlignment), -1);
  EXPECT_EQ(logic_.selectionChanges, std::vector<int>{});

  EXPECT_EQ(dialog().ComboSelectPrefix(ids::kAlignment, 0, u"Little"), 1);
  EXPECT_EQ(dialog().GetText(ids::kAlignment), u"Little Endian");
  EXPECT_EQ(field->text().toStdString(), "Little Endian");
}

TEST_F(ComboWidgetTest, DropDownListIgnoresSetText) {
  Fill(ids::kDataBits, {u"7", u"8"});
  dialog().ComboSetCurrentIndex(ids::kDataBits, 1);
  dialog().SetText(ids::kDataBits, u"5");
  EXPECT_EQ(dialog().GetText(ids::kDataBits), u"8");
  EXPECT_EQ(Shown(combo(ids::kDataBits)), (ComboView{1, "8"}));
}

TEST_F(ComboWidgetTest, OnlyTheUsersPickNotifiesTheLogic) {
  QComboBox* resource = combo(ids::kResource);
  dialog().ComboReset(ids::kResource);
  Fill(ids::kResource, {u"Line1", u"Line2", u"Line3"});
  dialog().ComboSetCurrentIndex(ids::kResource, 0);
  dialog().ComboSelectPrefix(ids::kResource, -1, u"Line3");
  dialog().ComboSetCurrentIndex(ids::kResource, -1);
  dialog().ComboSelectPrefix(ids::kResource, 0, u"Line2");
  dialog().SetText(ids::kResource, u"Line1");
  EXPECT_EQ(logic_.selectionChanges, std::vector<int>{}) << "programmatic changes";

  // A person moves the selection with the arrow key...
  QTest::keyClick(resource, Qt::Key_Down);
  EXPECT_EQ(logic_.selectionChanges, std::vector<int>{ids::kResource});
  EXPECT_EQ(dialog().ComboCurrentIndex(ids::kResource), 2);
  EXPECT_EQ(dialog().GetText(ids::kResource), u"Line3");
  EXPECT_EQ(Shown(resource), (ComboView{2, "Line3"}));

  // ...and picks from the drop list with the mouse.
  resource->showPopup();
  auto* view = qobject_cast<QListView*>(resource->view());
  ASSERT_NE(view, nullptr);
  const QModelIndex first = view->model()->index(0, 0);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(first).center());
  EXPECT_EQ(logic_.selectionChanges, (std::vector<int>{ids::kResource, ids::kResource}));
  EXPECT_EQ(dialog().GetText(ids::kResource), u"Line1");
  EXPECT_EQ(Shown(resource), (ComboView{0, "Line1"}));
}

}  // namespace
}  // namespace tirv::testing
