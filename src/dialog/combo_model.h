// ComboModel: the behaviour of the editor's combo boxes, in plain C++: sorted insertion
// that ignores letter case, prefix search from an index with wrap-around, a selection
// that only the user's pick announces. The test double and the Qt combo boxes both keep
// one, so the logic meets the same semantics in tests and on screen.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tirv {

class ComboModel {
 public:
  /// `sorted`: entries are inserted in alphabetical order, letter case ignored.
  /// `editable`: a drop-down with an edit field, whose text may be any text.
  ComboModel(bool sorted, bool editable) : sorted_(sorted), editable_(editable) {}

  /// Removes all entries; nothing is selected and the edit field is empty.
  void Reset();
  /// Inserts `text` after every entry that sorts before or equal to it (sorted), or at
  /// the end; the selected entry stays selected. Returns the new entry's index.
  int Add(std::u16string_view text);
  /// Replaces every entry by `texts`: the entries and their order are those that adding
  /// them one by one would give, at the cost of one sort. Nothing is selected.
  void Fill(std::vector<std::u16string> texts);
  int Count() const { return static_cast<int>(entries_.size()); }
  int CurrentIndex() const { return current_; }
  /// Selects entry `index`; -1, or an index out of range, clears the selection (and the
  /// edit field).
  void SetCurrentIndex(int index);
  /// The entry's text; empty for an index out of range.
  std::u16string EntryText(int index) const;
  /// The first entry after `start` (wrapping round, `start` itself last; -1 or out of
  /// range: from the first entry) that begins with `text`, letter case ignored. -1 when
  /// none does or `text` is empty.
  int FindPrefix(int start, std::u16string_view text) const;
  /// As FindPrefix, and selects the entry found. -1, selection unchanged, when none.
  int SelectPrefix(int start, std::u16string_view text);
  /// The selected entry's text (empty if none), or the edit field of an editable combo.
  std::u16string Text() const;
  /// Sets the edit field of an editable combo; a drop-down list ignores it.
  void SetText(std::u16string_view text);

  bool sorted() const { return sorted_; }
  bool editable() const { return editable_; }
  const std::vector<std::u16string>& entries() const { return entries_; }

 private:
  bool sorted_;
  bool editable_;
  std::vector<std::u16string> entries_;
  int current_ = -1;
  std::u16string editText_;
};

}  // namespace tirv
