#include "resources/resource_names.h"

#include "platform/text.h"

namespace tirv {
namespace {

void TrimSpaces(std::u16string& text) {
  text.erase(text.find_last_not_of(u' ') + 1);  // npos + 1 erases everything
  text.erase(0, text.find_first_not_of(u' '));
}

}  // namespace

NameCheck CheckNewResourceName(std::u16string_view typed, std::u16string& accepted) {
  accepted = typed;
  if (typed.find_first_of(kForbiddenNameCharacters) != std::u16string_view::npos) {
    return NameCheck::kForbiddenCharacter;
  }
  if (accepted.find(u' ') != std::u16string::npos) {
    TrimSpaces(accepted);
    if (accepted.find(u' ') != std::u16string::npos) return NameCheck::kInnerSpace;
  }
  return accepted.empty() ? NameCheck::kEmpty : NameCheck::kAccepted;
}

bool ListedBefore(std::u16string_view entry, std::u16string_view other) {
  return CompareIgnoreCase(entry, other) < 0;
}

// CompareIgnoreCase compares the folded units one by one, a shorter text first where one
// begins the other: the order of the folded texts themselves.
std::u16string ListingKeyOf(std::u16string_view entry) {
  std::u16string key(entry);
  for (char16_t& unit : key) unit = FoldCase(unit);
  return key;
}

}  // namespace tirv
