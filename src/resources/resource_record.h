// ResourceRecord: the in-memory description of one resource (one ".opc" file), and
// ResourceList, the ordered collection of them that the editor works on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
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
inline constexpr bool IsSerialPortKind(std::int32_t kind) {
  return kind >= kPortCom1 && kind <= kPortCom4;
}

/// The settings of a record that only some port kinds use; the byte order every kind has.
enum class PortSetting { kBaud, kStopBits, kDataBits, kParity, kTimeout, kParameter };

/// Whether a record of `kind` uses `setting`: the serial settings for COM1..COM4, the
/// parameter for TCP/IP; a simulation target, and a record of no known kind, use none.
constexpr bool KindUses(std::int32_t kind, PortSetting setting) {
  return setting == PortSetting::kParameter ? kind == kPortTcpIp : IsSerialPortKind(kind);
}

/// The two byte orders that the adaptation identifiers stand for.
namespace alignment {
inline constexpr std::u16string_view kLittleEndian = u"Little Endian";
inline constexpr std::u16string_view kBigEndian = u"Big Endian";
}  // namespace alignment

/// The driver parameter of a new TCP/IP resource, and the one every other record carries.
inline constexpr std::u16string_view kDefaultParameter = u"-ip127.0.0.1";

/// The settings that a record carries in the fields its port kind does not use: a
/// TCP/IP or simulation record's serial settings, a serial record's parameter.
namespace carried {
inline constexpr std::u16string_view kBaud = u"19200";
inline constexpr std::u16string_view kDataBits = u"8";
inline constexpr std::u16string_view kStopBits = u"1";
inline constexpr std::u16string_view kParity = u"None";
inline constexpr std::u16string_view kTimeout = u"2000";
inline constexpr std::u16string_view kParameter = kDefaultParameter;
}  // namespace carried

/// What the editor's setting controls show before it shows any resource. (A record read
/// from a file carries the values of `carried` instead, in the fields its kind does not
/// use: the two sets differ in the baud, 9600 here and 19200 there.)
namespace shown_first {
inline constexpr std::u16string_view kBaud = u"9600";
inline constexpr std::u16string_view kDataBits = u"8";
inline constexpr std::u16string_view kStopBits = u"1";
inline constexpr std::u16string_view kParity = u"None";
inline constexpr std::u16string_view kTimeout = u"2000";
inline constexpr std::u16string_view kParameter = kDefaultParameter;
inline constexpr std::u16string_view kAlignment = alignment::kLittleEndian;
}  // namespace shown_first

/// The values the editor offers for a serial port's settings and for the byte order, in
/// the order it lists them. Every front end accepts these and no others.
namespace choices {
inline constexpr std::u16string_view kBaudRates[] = {
    u"110", u"300", u"600", u"1200", u"2400", u"4800", u"9600", u"19200", u"38400", u"57600"};
inline constexpr std::u16string_view kStopBits[] = {u"1", u"2"};
inline constexpr std::u16string_view kDataBits[] = {u"7", u"8"};
inline constexpr std::u16string_view kParities[] = {u"None", u"Odd", u"Even"};
inline constexpr std::u16string_view kAlignments[] = {alignment::kLittleEndian,
                                                      alignment::kBigEndian};
}  // namespace choices

/// A plain value: copies share nothing. The texts are kept as the user or the file gave
/// them; nothing here checks them.
struct ResourceRecord {
  std::u16string name;  ///< the real file's name with its extension; identifies the record
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

/// What the Resource combo lists for a file name: its first dot-separated part, leading
/// dots skipped ("Line1.opc" gives "Line1", "a.b.opc" gives "a").
std::u16string_view EntryTextOf(std::u16string_view fileName);

/// A 128-bit fingerprint of some bytes. Two texts with the same fingerprint are taken to
/// be the same: that two different ones share one has a chance of about 2^-128, far below
/// that of a fault of the memory that holds them.
struct Fingerprint {
  std::uint64_t low = 0;
  std::uint64_t high = 0;
  bool operator==(const Fingerprint&) const = default;
};
Fingerprint FingerprintOf(std::string_view bytes);

/// What a record's file held when this program last read or wrote it, and which values
/// were then in the file: a record whose values differ from these is changed here. Kept
/// as fingerprints, so that a hundred thousand records cost little memory.
struct RecordBaseline {
  /// Whether the file held the record's values; false for a record whose file does not
  /// hold it yet (its next save writes every value).
  bool held = false;
  Fingerprint adaptation;  ///< of the AdaptationComponent the record's alignment writes
  Fingerprint port;        ///< of its ComTeleLength and port text (resource_file.h)
  bool fileExisted = false;
  std::uint64_t fileSize = 0;
  Fingerprint file;  ///< of the file's bytes
};

/// Records in the order they were appended; nothing reorders them. A position stays
/// valid until its own record is removed, whatever else is removed meanwhile. A record
/// may be overwritten through its position, but its name must stay: the list keeps
/// indexes by name, so a lookup costs the same for ten records or a hundred thousand.
/// Each record has a baseline beside it, for the store of resource_file.h.
class ResourceList {
  struct Node {
    ResourceRecord record;
    RecordBaseline baseline;
  };
  using Nodes = std::list<Node>;

  template <typename NodeIterator, typename Record>
  class Iterator {
   public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = ResourceRecord;
    using difference_type = std::ptrdiff_t;
    using pointer = Record*;
    using reference = Record&;

    Iterator() = default;
    explicit Iterator(NodeIterator node) : node_(node) {}
    template <typename N, typename R>
    Iterator(const Iterator<N, R>& other) : node_(other.node_) {}  // mutable to const

    Record& operator*() const { return node_->record; }
    Record* operator->() const { return &node_->record; }
    Iterator& operator++() {
      ++node_;
      return *this;
    }
    Iterator operator++(int) { return Iterator(node_++); }
    Iterator& operator--() {
      --node_;
      return *this;
    }
    bool operator==(const Iterator& other) const { return node_ == other.node_; }

   private:
    friend class ResourceList;
    template <typename, typename>
    friend class Iterator;
    NodeIterator node_{};
  };

 public:
  using Position = Iterator<Nodes::iterator, ResourceRecord>;
  using ConstPosition = Iterator<Nodes::const_iterator, const ResourceRecord>;

  ResourceList() = default;
  ResourceList(const ResourceList&) = delete;
  ResourceList& operator=(const ResourceList&) = delete;

  /// Appends a copy of `record` (with an empty baseline) and returns its position.
  Position Append(const ResourceRecord& record, RecordBaseline baseline = {});
  /// The same, taking the record over.
  Position Append(ResourceRecord&& record, RecordBaseline baseline = {});

  /// The first record, in list order, whose name equals `name` exactly (letter case
  /// included); end() when there is none.
  Position FindByName(std::u16string_view name);

  /// The record that the Resource combo entry `entry` stands for: the first record named
  /// `entry` + ".opc" when there is one, else the first record listed under that entry
  /// (a file such as "Plant.OPC" or "a.b.opc"); end() when no record is listed so.
  Position FindByEntry(std::u16string_view entry);

  void Remove(Position position);
  std::size_t Count() const { return nodes_.size(); }
  void Clear();
  /// How often records have left the list. A reader that walked the list before can
  /// tell by it whether what it saw then is still the start of the list.
  std::size_t Removals() const { return removals_; }

  RecordBaseline& BaselineOf(Position position) { return position.node_->baseline; }
  const RecordBaseline& BaselineOf(ConstPosition position) const {
    return position.node_->baseline;
  }

  Position begin() { return Position(nodes_.begin()); }
  Position end() { return Position(nodes_.end()); }
  ConstPosition begin() const { return ConstPosition(nodes_.begin()); }
  ConstPosition end() const { return ConstPosition(nodes_.end()); }

 private:
  using Index = std::unordered_map<std::u16string_view, Nodes::iterator>;
  static void Unindex(Index& index, std::u16string_view key, Nodes::iterator node,
                      Nodes::iterator end, bool byEntry);

  Nodes nodes_;
  // Keys view the names in the nodes, which never change while listed.
  Index firstByName_;
  // Only the records whose name is not their entry + ".opc": few, if any.
  Index firstByEntry_;
  std::size_t removals_ = 0;
};

}  // namespace tirv
