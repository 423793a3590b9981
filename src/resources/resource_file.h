// The ".opc" resource file: its schema, what its bytes read as, and the bytes a changed
// record or a new resource is written as. Pure: nothing here opens a file; the workspace
// (workspace/workspace.h) reads and writes them.
//
// Every failure is a ResourceProblem, and DescribeProblem is the one place that tells
// it in words: the front ends show these texts, never their own.
//
// A record is written by setting only the keys whose values changed since its file was
// read: AdaptationComponent when the alignment changed, ComTeleLength and ComPort when a
// port value did. Every other key, and every value nobody changed, keeps its bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/status.h"
#include "resources/port_text.h"
#include "resources/resource_record.h"

namespace tirv {

namespace schema {
inline constexpr std::u16string_view kGeneralSettings = u"GeneralSettings";
inline constexpr std::u16string_view kOnline = u"Online";
inline constexpr std::u16string_view kAdaptationComponent = u"AdaptationComponent";
inline constexpr std::u16string_view kDescription = u"Description";
inline constexpr std::u16string_view kComTeleLength = u"ComTeleLength";
inline constexpr std::u16string_view kComPort = u"ComPort";
inline constexpr std::u16string_view kDescriptionText =
    u"QB-Software Adaptation for Tirvane LE PLC\u00B4s";
inline constexpr std::u16string_view kNewResourcePort = u"DLL netdrv.dll -ip127.0.0.1";
inline constexpr std::u16string_view kExtension = u".opc";
/// The port text of a file without a ComPort value.
inline constexpr std::u16string_view kFileNotFound = u"file not found";
/// The largest resource file that is read: a real one holds a few hundred bytes, so one
/// that is larger is refused unread rather than costing every reader its size.
inline constexpr std::size_t kMaxFileSize = std::size_t{1} << 20;
}  // namespace schema

/// Why a file gives no record, or a record could not be written, created or deleted.
enum class ResourceFault {
  kNone,
  kUnreadable,       ///< the file cannot be opened or read; `error` says why
  kTooLarge,         ///< the file is larger than schema::kMaxFileSize
  kZeroByte,         ///< the file holds a zero byte
  kBadLine,          ///< a line is neither a section header, an entry nor blank
  kNoComPort,        ///< the file has no ComPort value
  kUnknownPortText,  ///< the port text names no resource; `detail` holds it
  kUnencodable,      ///< a value holds a character the code page lacks; `detail` holds it
  kLineBreak,        ///< a value holds a CR, LF or zero character
  kBlankEnds,        ///< a value begins or ends with a blank, which reading would trim
  kExists,           ///< a file of that name exists already
  kBusy,             ///< another program holds the workspace for longer than we wait
  kSystem,           ///< writing, creating or deleting failed; `error` says why
};

struct ResourceProblem {
  ResourceFault fault = ResourceFault::kNone;
  int error = 0;  ///< errno or a kError... of files.h, for kUnreadable and kSystem
  std::u16string detail;

  bool ok() const { return fault == ResourceFault::kNone; }
  /// A value the file cannot hold: the call was wrong, and nothing was read or written.
  bool refusedValue() const;
};

/// The reason of a problem as a person reads it, without a file name: "Permission
/// denied", "there is no ComPort", "the port text \"x\" names no port".
std::u16string ReasonOf(const ResourceProblem& problem);

/// "<fileName>: <reason>", as a person reads it: "Line1.opc: Permission denied".
std::u16string DescribeProblem(std::u16string_view fileName, const ResourceProblem& problem);

/// What reading one resource file gave.
struct ResourceFileReading {
  /// ok(): `record` (named after the file) is the resource; otherwise the file names none.
  ResourceProblem problem;
  ResourceRecord record;
  /// ParsePortText's status: kGeneralFailure also for a serial text of no known port.
  Status status = kGeneralFailure;
  /// What the file held, for a later write.
  RecordBaseline baseline;
};

/// Reads the bytes of the file `fileName`: ComPort (default "file not found") and
/// AdaptationComponent, whole, through ParsePortText. Bytes that hold a zero byte or a
/// line of no known kind, that have no ComPort, or whose port text names no resource
/// give a problem and no record.
ResourceFileReading ParseResourceFile(std::u16string_view fileName, FileBytes bytes);

/// Remembers `bytes` as what the record's file holds now.
void RememberFile(RecordBaseline& baseline, std::string_view bytes);
/// Remembers the record's values as the ones its file holds now.
void RememberValues(RecordBaseline& baseline, const ResourceRecord& record);
/// True when the file that `now` describes is the one `baseline` remembers.
bool SameFile(const RecordBaseline& now, const RecordBaseline& baseline);
/// True when the record's values differ from those its file held (RememberValues).
bool IsChanged(const ResourceRecord& record, const RecordBaseline& baseline);

/// What a record's file cannot hold, checked before anything is read: a character the
/// code page lacks, a line break, blanks at either end of the parameter. Only a port text
/// that a write would set is checked: with `baseline`, one that has not changed since
/// the file was read is the file's own, and stays as it is.
ResourceProblem CheckWritable(const ResourceRecord& record,
                              const RecordBaseline* baseline = nullptr);

/// A record's file as a write leaves it.
struct RenderedFile {
  std::string bytes;
  /// What changed, for the change log: `ComPort "<old>" -> "<new>"` and
  /// `AdaptationComponent "<old>" -> "<new>"` for the keys that were set, joined by "; ".
  std::string change;
};

/// The bytes of the record's file with the values changed since `baseline` set: `current`
/// is the file as it is now, or null when there is none (then the file gets the whole
/// layout of a new resource file, with the record's values). kZeroByte or kBadLine when
/// `current` cannot be read as a profile file.
ResourceProblem RenderChanges(const ResourceRecord& record, const RecordBaseline& baseline,
                              FileBytes* current, RenderedFile& out);

/// The eight lines of a new resource file: a TCP/IP resource with the parameter
/// "-ip127.0.0.1" and the byte order "Little Endian".
ResourceProblem RenderNewResourceFile(std::string& out);

/// The record a new resource file holds, named `fileName`.
ResourceRecord NewResourceRecord(std::u16string_view fileName);

}  // namespace tirv
