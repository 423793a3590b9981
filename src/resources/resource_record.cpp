#include "resource_record.h"

#include <cassert>
#include <iterator>

namespace tirv {

void ResourceList::Append(const ResourceRecord& record) {
  records_.push_back(record);
  firstByName_.emplace(record.name, std::prev(records_.end()));  // keeps an earlier twin
}

ResourceList::Position ResourceList::FindByName(std::u16string_view name) {
  const auto found = firstByName_.find(std::u16string(name));
  if (found == firstByName_.end()) return records_.end();
  assert(found->second->name == name && "a record's name changed while it was listed");
  return found->second;
}

void ResourceList::Remove(Position position) {
  const auto indexed = firstByName_.find(position->name);
  if (indexed != firstByName_.end() && indexed->second == position) {
    // The next record of the same name, if any, becomes the one that lookups find.
    auto twin = std::next(position);
    while (twin != records_.end() && twin->name != position->name) ++twin;
    if (twin == records_.end()) {
      firstByName_.erase(indexed);
    } else {
      indexed->second = twin;
    }
  }
  records_.erase(position);
  ++removals_;
}

void ResourceList::Clear() {
  firstByName_.clear();
  records_.clear();
  ++removals_;
}

}  // namespace tirv
