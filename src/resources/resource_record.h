// ResourceRecord: the in-memory description of one resource (one ".opc" file), and
// ResourceList, the ordered collection of them that the editor works on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tirv {

/// The channel over which the server reaches a resource's target.
enum PortKind : std::int32_t {
  kPortCom1 = 0,
  kPortCom2 = 1,
  kPortCom3 = 2,
  kPortCom4 = 3,
  kPortSimulation1 = 4,
  kPortSimulation2 = 5,
  kPortTcpIp = 6,
};
inline constexpr int kPortKindCount = 7;
/// The port kind of a record whose port text names none of the seven.
inline constexpr std::int32_t kPortKindUnknown = -1;

inline constexpr bool IsPortKind(std::int32_t kind) { return kind >= 0 && kind < kPortKindCount; }
inline constexpr bool IsSerialPortKind(std::int32_t kind) { return kind >= 0 && kind <= 3; }

/// A plain value: copies share nothing. The texts are kept as the user or the file gave
/// them; nothing here checks them.
struct ResourceRecord {
  std::u16string name;  ///< file name with its extension; identifies the record
  std::int32_t portKind = kPortKindUnknown;
  std::u16string baud;
  std::u16string stopBits;
  std::u16string dataBits;
  std::u16string parity;
  std::u16string timeout;
  std::u16string parameter;
  std::u16string alignment;

  bool operator==(const ResourceRecord&) const = default;
};

/// Records in the order they were appended; nothing reorders them. A position stays
/// valid until its own record is removed, whatever else is removed meanwhile. A record
/// may be overwritten through its position, but its name must stay: the list keeps an
/// index by name so that a lookup costs the same for ten records or ten thousand.
class ResourceList {
 public:
  using Position = std::list<ResourceRecord>::iterator;
  using ConstPosition = std::list<ResourceRecord>::const_iterator;

  void Append(const ResourceRecord& record);

  /// The first record, in list order, whose name equals `name` exactly (letter case
  /// included); end() when there is none.
  Position FindByName(std::u16string_view name);

  void Remove(Position position);
  std::size_t Count() const { return records_.size(); }
  void Clear();
  /// How often records have left the list. A reader that walked the list before can
  /// tell by it whether what it saw then is still the start of the list.
  std::size_t Removals() const { return removals_; }

  Position begin() { return records_.begin(); }
  Position end() { return records_.end(); }
  ConstPosition begin() const { return records_.begin(); }
  ConstPosition end() const { return records_.end(); }

 private:
  std::list<ResourceRecord> records_;
  std::unordered_map<std::u16string, Position> firstByName_;
  std::size_t removals_ = 0;
};

}  // namespace tirv
