// The ".opc" resource file: its schema, reading a file into a record, and the store
// that writes records back, creates new files and deletes them.
//
// Nothing here shows anything: every operation returns what happened, with the reason
// of a failure (ResourceProblem), and the front end decides what the user sees.
//
// A file is read in one pass and its values whole. A record is written with one safe
// replace of its file: the three keys AdaptationComponent, ComTeleLength and ComPort
// set as three one-shot writes would set them, every other key kept. Only records
// whose values changed since this program last read or wrote their file are written,
// and a file that changed on disk meanwhile is replaced only when the caller agrees.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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
}  // namespace schema

/// Why a file gives no record, or a record could not be written, created or deleted.
enum class ResourceFault {
  kNone,
  kUnreadable,       ///< the file cannot be opened or read; `error` says why
  kZeroByte,         ///< the file holds a zero byte
  kBadLine,          ///< a line is neither a section header, an entry nor blank
  kNoComPort,        ///< the file has no ComPort value
  kUnknownPortText,  ///< the port text names no resource; `detail` holds it
  kUnencodable,      ///< a value holds a character the code page lacks; `detail` holds it
  kLineBreak,        ///< a value holds a CR, LF or zero character
  kExists,           ///< a file of that name exists already
  kSystem,           ///< writing, creating or deleting failed; `error` says why
};

struct ResourceProblem {
  ResourceFault fault = ResourceFault::kNone;
  int error = 0;  ///< errno or a kError... of files.h, for kUnreadable and kSystem
  std::u16string detail;

  bool ok() const { return fault == ResourceFault::kNone; }
};

/// "<fileName>: <reason>", as a person reads it: "Line1.opc: Permission denied",
/// "Line1.opc: there is no ComPort", "Line1.opc: the port text \"x\" names no port".
std::u16string DescribeProblem(std::u16string_view fileName, const ResourceProblem& problem);

/// The written form of a record: the three values that a save puts into its file, in
/// one text. Two records with the same written form leave the same file.
std::string WrittenFormOf(const ResourceRecord& record);

/// What reading one resource file gave.
struct ResourceFileReading {
  /// ok(): `record` (named after the file) is the resource; otherwise the file names none.
  ResourceProblem problem;
  ResourceRecord record;
  /// ParsePortText's status: kGeneralFailure also for a serial text of no known port.
  Status status = kGeneralFailure;
  /// What the file held, for the store.
  RecordBaseline baseline;
};

/// Reads `folder`/`fileName` in one pass: ComPort (default "file not found") and
/// AdaptationComponent, whole, through ParsePortText. A file that cannot be read, holds
/// a zero byte or a line of no known kind, has no ComPort, or whose port text names no
/// resource gives a problem and no record.
ResourceFileReading ReadResourceFile(std::u16string_view folder, std::u16string_view fileName);

/// What a save did with one record.
enum class WriteOutcome {
  kUnchanged,  ///< its values are those last read or written: nothing was done
  kWritten,    ///< its file was replaced
  kOnDisk,     ///< its file already held exactly these bytes: nothing was written
  kConflict,   ///< its file changed (or vanished) on disk since: nothing was written
  kFailed,     ///< nothing was written; `problem` says why
};

struct WriteResult {
  WriteOutcome outcome = WriteOutcome::kUnchanged;
  ResourceProblem problem;
};

/// What saving every changed record did.
struct SaveReport {
  /// kGeneralFailure when the list is empty, when no record has a port kind of 0..6,
  /// or when a record could not be written; 0 otherwise.
  Status status = kGeneralFailure;
  /// The records that could not be written, with why, in list order.
  std::vector<std::pair<std::u16string, ResourceProblem>> failures;
  /// The records whose changed file the caller chose to leave: still changed here.
  std::vector<std::u16string> keptOnDisk;
};

/// The records of one workspace folder, each with what its file held when this program
/// last read or wrote it.
class ResourceStore {
 public:
  explicit ResourceStore(std::u16string folder = {}) : folder_(std::move(folder)) {}

  void SetFolder(std::u16string folder) { folder_ = std::move(folder); }
  const std::u16string& folder() const { return folder_; }
  /// `folder` + "/" + `fileName`.
  std::u16string PathOf(std::u16string_view fileName) const;

  ResourceList& records() { return records_; }
  const ResourceList& records() const { return records_; }

  /// Appends the record that `reading` gave, with what its file held.
  ResourceList::Position Adopt(const ResourceFileReading& reading);
  /// Appends `record` with `baseline` (an empty one: its file does not hold it yet, and
  /// the next save writes it).
  ResourceList::Position Append(const ResourceRecord& record, RecordBaseline baseline = {});

  /// True when the record's values differ from those last read from or written to its
  /// file.
  bool IsChanged(ResourceList::ConstPosition record) const;

  /// Writes the record into its file with one safe replace, when it is changed. When its
  /// file changed or vanished on disk since it was last read or written, it is replaced
  /// only with `replaceChangedFile`; otherwise kConflict. A value the code page cannot
  /// hold, or that holds a line break, is refused before anything is read.
  WriteResult Write(ResourceList::Position record, bool replaceChangedFile);

  /// Writes every changed record, in list order. For each one whose file changed on disk,
  /// `replaceChangedFile` decides (true: write ours; false: leave theirs, ours stays
  /// changed). Goes on after a failure.
  SaveReport SaveChanged(const std::function<bool(const ResourceRecord&)>& replaceChangedFile);

  /// Creates the file of a new resource `resourceName` (without extension), whole or
  /// not at all, with the initial values of a new TCP/IP resource: kExists when any
  /// file of that name exists. On success `baseline` (when given) says what it holds.
  ResourceProblem CreateFile(std::u16string_view resourceName,
                             RecordBaseline* baseline = nullptr) const;

  /// Deletes the file `fileName`; the records stay as they are.
  ResourceProblem DeleteFile(std::u16string_view fileName) const;

 private:
  std::u16string folder_;
  ResourceList records_;
};

}  // namespace tirv
