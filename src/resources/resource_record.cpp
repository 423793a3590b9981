#include "resources/resource_record.h"

#include <cassert>
#include <cstring>

namespace tirv {
namespace {

constexpr std::u16string_view kExtension = u".opc";

// A name that its entry + ".opc" finds directly needs no entry index.
bool IsEntryWithExtension(std::u16string_view name, std::u16string_view entry) {
  return name.size() == entry.size() + kExtension.size() && name.starts_with(entry) &&
         name.ends_with(kExtension);
}

// The mixing of MurmurHash3's 128-bit variant: two lanes over 16-byte blocks.
constexpr std::uint64_t kMixA = 0x87c37b91114253d5ull;
constexpr std::uint64_t kMixB = 0x4cf5ad432745937full;

std::uint64_t RotateLeft(std::uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }

std::uint64_t Finish(std::uint64_t k) {
  k ^= k >> 33;
  k *= 0xff51afd7ed558ccdull;
  k ^= k >> 33;
  k *= 0xc4ceb9fe1a85ec53ull;
  return k ^ (k >> 33);
}

std::uint64_t TakeLane(std::uint64_t k, std::uint64_t first, std::uint64_t second, int bits) {
  return RotateLeft(k * first, bits) * second;
}

}  // namespace

Fingerprint FingerprintOf(std::string_view bytes) {
  const char* data = bytes.data();
  const std::size_t size = bytes.size();
  std::uint64_t h1 = 0x9e3779b97f4a7c15ull;
  std::uint64_t h2 = 0xc2b2ae3d27d4eb4full;
  std::size_t at = 0;
  for (; at + 16 <= size; at += 16) {
    std::uint64_t k1 = 0;
    std::uint64_t k2 = 0;
    std::memcpy(&k1, data + at, 8);
    std::memcpy(&k2, data + at + 8, 8);
    h1 ^= TakeLane(k1, kMixA, kMixB, 31);
    h1 = (RotateLeft(h1, 27) + h2) * 5 + 0x52dce729;
    h2 ^= TakeLane(k2, kMixB, kMixA, 33);
    h2 = (RotateLeft(h2, 31) + h1) * 5 + 0x38495ab5;
  }
  std::uint64_t k1 = 0;
  std::uint64_t k2 = 0;
  const std::size_t tail = size - at;
  if (tail > 0) std::memcpy(&k1, data + at, tail < 8 ? tail : 8);
  if (tail > 8) std::memcpy(&k2, data + at + 8, tail - 8);
  h1 ^= TakeLane(k1, kMixA, kMixB, 31);
  h2 ^= TakeLane(k2, kMixB, kMixA, 33);
  h1 ^= size;
  h2 ^= size;
  h1 += h2;
  h2 += h1;
  h1 = Finish(h1);
  h2 = Finish(h2);
  h1 += h2;
  h2 += h1;
  return Fingerprint{h1, h2};
}

std::u16string_view EntryTextOf(std::u16string_view fileName) {
  const std::size_t begin = fileName.find_first_not_of(u'.');
  if (begin == std::u16string_view::npos) return {};
  const std::size_t end = fileName.find(u'.', begin);
  return fileName.substr(begin, end == std::u16string_view::npos ? end : end - begin);
}

ResourceList::Position ResourceList::Append(const ResourceRecord& record, RecordBaseline baseline) {
  return Append(ResourceRecord(record), std::move(baseline));
}

ResourceList::Position ResourceList::Append(ResourceRecord&& record, RecordBaseline baseline) {
  nodes_.push_back(Node{std::move(record), std::move(baseline)});
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
