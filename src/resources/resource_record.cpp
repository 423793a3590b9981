#include "resource_record.h"

#include <cassert>

namespace tirv {
namespace {

constexpr std::u16string_view kExtension = u".opc";

// A name that its entry + ".opc" finds directly needs no entry index.
bool IsEntryWithExtension(std::u16string_view name, std::u16string_view entry) {
  return name.size() == entry.size() + kExtension.size() && name.starts_with(entry) &&
         name.ends_with(kExtension);
}

}  // namespace

std::u16string_view EntryTextOf(std::u16string_view fileName) {
  const std::size_t begin = fileName.find_first_not_of(u'.');
  if (begin == std::u16string_view::npos) return {};
  const std::size_t end = fileName.find(u'.', begin);
  return fileName.substr(begin, end == std::u16string_view::npos ? end : end - begin);
}

ResourceList::Position ResourceList::Append(const ResourceRecord& record, RecordBaseline baseline) {
  nodes_.push_back(Node{record, std::move(baseline)});
  const auto node = std::prev(nodes_.end());
  const std::u16string_view name = node->record.name;
  firstByName_.emplace(name, node);  // keeps an earlier twin
  const std::u16string_view entry = EntryTextOf(name);
  if (!IsEntryWithExtension(name, entry)) firstByEntry_.emplace(entry, node);
  return Position(node);
}

ResourceList::Position ResourceList::FindByName(std::u16string_view name) {
  const auto found = firstByName_.find(name);
  if (found == firstByName_.end()) return end();
  assert(found->second->record.name == name && "a record's name changed while it was listed");
  return Position(found->second);
}

ResourceList::Position ResourceList::FindByEntry(std::u16string_view entry) {
  std::u16string name(entry);
  name += kExtension;
  const Position exact = FindByName(name);
  if (exact != end()) return exact;
  const auto found = firstByEntry_.find(entry);
  return found == firstByEntry_.end() ? end() : Position(found->second);
}

// The next record under the same key, if any, becomes the one that lookups find.
void ResourceList::Unindex(Index& index, std::u16string_view key, Nodes::iterator node,
                           Nodes::iterator end, bool byEntry) {
  const auto indexed = index.find(key);
  if (indexed == index.end() || indexed->second != node) return;
  auto twin = std::next(node);
  const auto sameKey = [&](const Node& n) {
    if (!byEntry) return n.record.name == key;
    const std::u16string_view entry = EntryTextOf(n.record.name);
    return entry == key && !IsEntryWithExtension(n.record.name, entry);
  };
  while (twin != end && !sameKey(*twin)) ++twin;
  if (twin == end) {
    index.erase(indexed);
  } else {
    // The key views the removed record's name: take the twin's own.
    index.erase(indexed);
    index.emplace(byEntry ? EntryTextOf(twin->record.name) : std::u16string_view(twin->record.name),
                  twin);
  }
}

void ResourceList::Remove(Position position) {
  const auto node = position.node_;
  const std::u16string_view name = node->record.name;
  Unindex(firstByName_, name, node, nodes_.end(), false);
  const std::u16string_view entry = EntryTextOf(name);
  if (!IsEntryWithExtension(name, entry)) {
    Unindex(firstByEntry_, entry, node, nodes_.end(), true);
  }
  nodes_.erase(node);
  ++removals_;
}

void ResourceList::Clear() {
  firstByName_.clear();
  firstByEntry_.clear();
  nodes_.clear();
  ++removals_;
}

}  // namespace tirv
