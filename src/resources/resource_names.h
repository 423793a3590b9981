// Resource names as front ends meet them: the rules a new resource's name must follow,
// and the order in which resources are listed by name.
//
// Pure functions: whether a name is still free depends on the workspace and is the
// caller's to find out.
#pragma once

#include <string>
#include <string_view>

namespace tirv {

/// The characters a new resource's name cannot hold.
inline constexpr std::u16string_view kForbiddenNameCharacters = u".\\/:*?<>|\"";

/// Which rule refused a typed name; the rules are checked in this order.
enum class NameCheck {
  kAccepted,
  kForbiddenCharacter,  ///< one of kForbiddenNameCharacters, in the text as typed
  kInnerSpace,          ///< a space between other characters
  kEmpty,               ///< nothing is left once the spaces at both ends are trimmed
};

/// Checks `typed` as the name of a new resource: forbidden characters first, in the text
/// as typed; then, when it holds a space, the spaces (U+0020 only: a tab stays part of
/// the name) are trimmed at both ends and any space left inside refuses it; then an
/// empty name is refused. `accepted` receives the text as typed, trimmed once a space
/// was found in it: with kAccepted, the name to create (without its extension).
NameCheck CheckNewResourceName(std::u16string_view typed, std::u16string& accepted);

/// The order in which resources are listed by their entry texts (EntryTextOf):
/// alphabetical with letter case ignored (CompareIgnoreCase). Entries that compare
/// equal keep the order they came in, so a stable sort by this gives the order that
/// inserting them one by one after every entry that sorts before or equal gives.
bool ListedBefore(std::u16string_view entry, std::u16string_view other);

/// The entry with the letter case of each unit folded: ListedBefore(a, b) exactly when
/// ListingKeyOf(a) < ListingKeyOf(b). Sorting many entries by keys made once spares the
/// folding at every comparison.
std::u16string ListingKeyOf(std::u16string_view entry);

}  // namespace tirv
