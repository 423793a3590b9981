#include "dialog/combo_model.h"

#include <algorithm>

#include "platform/text.h"
#include "resources/resource_names.h"

namespace tirv {

void ComboModel::Reset() {
  entries_.clear();
  current_ = -1;
  editText_.clear();
}

int ComboModel::Add(std::u16string_view text) {
  auto at = entries_.end();
  if (sorted_) {
    at = std::upper_bound(entries_.begin(), entries_.end(), text, ListedBefore);
  }
  const int index = static_cast<int>(at - entries_.begin());
  entries_.insert(at, std::u16string(text));
  if (current_ >= index) ++current_;
  return index;
}

void ComboModel::Fill(std::vector<std::u16string> texts) {
  Reset();
  // A stable sort keeps equal entries in the order given, as inserting each after every
  // entry that sorts before or equal to it does.
  if (sorted_) {
    std::stable_sort(texts.begin(), texts.end(), ListedBefore);
  }
  entries_ = std::move(texts);
}

void ComboModel::SetCurrentIndex(int index) {
  current_ = (index >= 0 && index < Count()) ? index : -1;
  if (editable_) editText_ = EntryText(current_);
}

std::u16string ComboModel::EntryText(int index) const {
  if (index < 0 || index >= Count()) return {};
  return entries_[static_cast<std::size_t>(index)];
}

int ComboModel::FindPrefix(int start, std::u16string_view text) const {
  const int n = Count();
  if (text.empty() || n == 0) return -1;
  if (start < 0 || start >= n) start = -1;
  for (int step = 1; step <= n; ++step) {
    const int i = (start + step) % n;
    if (StartsWithIgnoreCase(entries_[static_cast<std::size_t>(i)], text)) return i;
  }
  return -1;
}

int ComboModel::SelectPrefix(int start, std::u16string_view text) {
  const int found = FindPrefix(start, text);
  if (found >= 0) SetCurrentIndex(found);
  return found;
}

std::u16string ComboModel::Text() const { return editable_ ? editText_ : EntryText(current_); }

void ComboModel::SetText(std::u16string_view text) {
  if (editable_) editText_ = text;
}

}  // namespace tirv
