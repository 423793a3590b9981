#include "resources/resource_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/system_log.h"
#include "platform/termination.h"
#include "platform/text.h"
#include "profile/profile_document.h"

namespace tirv {
namespace {

// A port text named in a message is cut to this many characters.
constexpr std::size_t kShownPortText = 80;

void RememberFile(RecordBaseline& baseline, const char* data, std::size_t size) {
  baseline.fileExisted = true;
  baseline.fileSize = size;
  baseline.file = FingerprintOf(std::string_view(data, size));
}

void RememberValues(RecordBaseline& baseline, std::string_view writtenForm) {
  baseline.held = true;
  baseline.written = FingerprintOf(writtenForm);
}

bool SameFile(const RecordBaseline& a, const RecordBaseline& b) {
  return a.fileExisted == b.fileExisted && a.fileSize == b.fileSize && a.file == b.file;
}

bool HoldsValues(const RecordBaseline& baseline, std::string_view writtenForm) {
  return baseline.held && baseline.written == FingerprintOf(writtenForm);
}

ResourceProblem Problem(ResourceFault fault, int error = 0, std::u16string detail = {}) {
  return ResourceProblem{fault, error, std::move(detail)};
}

std::u16string CutForMessage(std::u16string_view text) {
  if (text.size() <= kShownPortText) return std::u16string(text);
  return std::u16string(text.substr(0, kShownPortText)) + u"\u2026";
}

// A character as it stands, and its code point: "ł" (U+0142). `character` is one unit,
// or the two of a surrogate pair.
std::u16string CharacterName(std::u16string_view character) {
  char32_t point = character.empty() ? U'?' : character[0];
  if (character.size() == 2) point = 0x10000 + ((point - 0xD800) << 10) + (character[1] - 0xDC00);
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(point));
  return u"\"" + std::u16string(character) + u"\" (" + Utf8ToUtf16(code) + u")";
}

// The character at `at` of `text`: one unit, or both units of a surrogate pair.
std::u16string CharacterAt(std::u16string_view text, std::size_t at) {
  const bool pair = text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < text.size() &&
                    text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
  return std::u16string(text.substr(at, pair ? 2 : 1));
}

// What the values of a record's file would hold that the file cannot: a character
// outside the code page, or a line break that would start a new line.
ResourceProblem CheckWritable(std::u16string_view value) {
  if (value.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos) {
    return Problem(ResourceFault::kLineBreak);
  }
  const std::size_t bad = CodePage::Default().FindUnencodable(value);
  if (bad != std::u16string_view::npos) {
    return Problem(ResourceFault::kUnencodable, 0, CharacterAt(value, bad));
  }
  return {};
}

// The file's bytes with the record's keys set, as three one-shot writes in this order
// would leave them. `current` is the file as it is now, or null when there is none.
ResourceProblem RenderRecord(const ResourceRecord& record, std::u16string_view path,
                             FileBytes* current, std::string& out) {
  ProfileDocument document;
  if (current != nullptr) {
    const bool zeroByte = std::memchr(current->data.get(), 0, current->size) != nullptr;
    if (Failed(document.LoadBytes(path, std::move(*current)))) {
      return Problem(zeroByte ? ResourceFault::kZeroByte : ResourceFault::kBadLine);
    }
  }
  bool set = Succeeded(document.SetValue(schema::kGeneralSettings, schema::kAdaptationComponent,
                                         AdaptationOf(record.alignment)));
  if (IsPortKind(record.portKind)) {
    set = set &&
          Succeeded(document.SetValue(schema::kOnline, schema::kComTeleLength,
                                      TeleLengthOf(record.portKind))) &&
          Succeeded(document.SetValue(schema::kOnline, schema::kComPort, FormatPortText(record)));
  }
  if (!set || Failed(document.Render(out))) return Problem(ResourceFault::kSystem, ENOMEM);
  document.Discard();
  return {};
}

// What the log says a save put into the file: the new port text, or the adaptation of a
// record whose port text names no known port.
std::string ChangeLogText(const ResourceRecord& record) {
  if (IsPortKind(record.portKind)) return Utf16ToUtf8(FormatPortText(record));
  return "AdaptationComponent=" + Utf16ToUtf8(AdaptationOf(record.alignment));
}

}  // namespace

std::u16string DescribeProblem(std::u16string_view fileName, const ResourceProblem& problem) {
  std::u16string text(fileName);
  text += u": ";
  switch (problem.fault) {
    case ResourceFault::kNone:
      return text + u"no problem";
    case ResourceFault::kUnreadable:
    case ResourceFault::kSystem:
      return text + Utf8ToUtf16(ErrorText(problem.error));
    case ResourceFault::kZeroByte:
      return text + u"it holds a zero byte";
    case ResourceFault::kBadLine:
      return text + u"a line is neither a [section] header nor a key=value entry in a section";
    case ResourceFault::kNoComPort:
      return text + u"there is no ComPort";
    case ResourceFault::kUnknownPortText:
      return text + u"the port text \"" + CutForMessage(problem.detail) + u"\" names no port";
    case ResourceFault::kUnencodable:
      return text + u"the character " + CharacterName(problem.detail) +
             u" cannot be written in the code page " + Utf8ToUtf16(CodePage::Default().name());
    case ResourceFault::kLineBreak:
      return text + u"a value holds a line break";
    case ResourceFault::kExists:
      return text + u"a file of that name exists";
  }
  return text;
}

std::string WrittenFormOf(const ResourceRecord& record) {
  std::u16string form(AdaptationOf(record.alignment));
  if (IsPortKind(record.portKind)) {
    form += u'\n';
    form += TeleLengthOf(record.portKind);
    form += u'\n';
    form += FormatPortText(record);
  }
  return Utf16ToUtf8(form);
}

ResourceFileReading ReadResourceFile(std::u16string_view folder, std::u16string_view fileName) {
  ResourceFileReading reading;
  reading.record.name = fileName;
  std::u16string path(folder);
  path += u'/';
  path += fileName;

  FileBytes bytes;
  int error = 0;
  if (ReadWholeFile(path, bytes, &error) != ReadOutcome::kRead) {
    reading.problem = Problem(ResourceFault::kUnreadable, error);
    return reading;
  }
  RememberFile(reading.baseline, bytes.data.get(), bytes.size);
  if (std::memchr(bytes.data.get(), 0, bytes.size) != nullptr) {
    reading.problem = Problem(ResourceFault::kZeroByte);
    return reading;
  }
  ProfileDocument document;
  if (Failed(document.LoadBytes(path, std::move(bytes)))) {
    reading.problem = Problem(ResourceFault::kBadLine);
    return reading;
  }
  const std::u16string_view portText =
      document.Value(schema::kOnline, schema::kComPort, schema::kFileNotFound);
  PortReading port =
      ParsePortText(portText, document.Value(schema::kGeneralSettings, schema::kAdaptationComponent,
                                             schema::kFileNotFound));
  if (!port.namesResource) {
    const bool missing = document.Value(schema::kOnline, schema::kComPort, u"").empty();
    reading.problem = missing
                          ? Problem(ResourceFault::kNoComPort)
                          : Problem(ResourceFault::kUnknownPortText, 0, std::u16string(portText));
    return reading;
  }
  port.record.name = fileName;
  reading.record = std::move(port.record);
  reading.status = port.status;
  RememberValues(reading.baseline, WrittenFormOf(reading.record));
  return reading;
}

std::u16string ResourceStore::PathOf(std::u16string_view fileName) const {
  std::u16string path(folder_);
  path += u'/';
  path += fileName;
  return path;
}

ResourceList::Position ResourceStore::Adopt(const ResourceFileReading& reading) {
  return records_.Append(reading.record, reading.baseline);
}

ResourceList::Position ResourceStore::Append(const ResourceRecord& record,
                                             RecordBaseline baseline) {
  return records_.Append(record, std::move(baseline));
}

bool ResourceStore::IsChanged(ResourceList::ConstPosition record) const {
  return !HoldsValues(records_.BaselineOf(record), WrittenFormOf(*record));
}

WriteResult ResourceStore::Write(ResourceList::Position position, bool replaceChangedFile) {
  const ResourceRecord& record = *position;
  RecordBaseline& baseline = records_.BaselineOf(position);
  const std::string written = WrittenFormOf(record);
  if (HoldsValues(baseline, written)) return {};

  WriteResult result;
  result.outcome = WriteOutcome::kFailed;
  result.problem = CheckWritable(FormatPortText(record));
  if (!result.problem.ok()) return result;

  const std::u16string path = PathOf(record.name);
  FileBytes current;
  int error = 0;
  const ReadOutcome read = ReadWholeFile(path, current, &error);
  if (read == ReadOutcome::kFailed) {
    result.problem = Problem(ResourceFault::kUnreadable, error);
    return result;
  }
  RecordBaseline now;
  if (read == ReadOutcome::kRead) RememberFile(now, current.data.get(), current.size);
  if (!SameFile(now, baseline) && !replaceChangedFile) {
    result.outcome = WriteOutcome::kConflict;
    return result;
  }

  // The rendering takes the bytes; keep what comparing with them needs.
  const std::string before =
      read == ReadOutcome::kRead ? std::string(current.data.get(), current.size) : std::string();
  std::string bytes;
  result.problem =
      RenderRecord(record, path, read == ReadOutcome::kRead ? &current : nullptr, bytes);
  if (!result.problem.ok()) return result;

  // A termination request waits for the file and its line in the change log alike.
  const TerminationGuard wholeChange;
  if (read == ReadOutcome::kRead && bytes == before) {
    result.outcome = WriteOutcome::kOnDisk;
  } else if (Failed(ReplaceFileSafely(path, bytes, &error))) {
    result.problem = Problem(ResourceFault::kSystem, error);
    return result;
  } else {
    result.outcome = WriteOutcome::kWritten;
    LogFileChange(NativePath(path), ChangeLogText(record));
  }
  RememberValues(baseline, written);
  RememberFile(baseline, bytes.data(), bytes.size());
  return result;
}

SaveReport ResourceStore::SaveChanged(
    const std::function<bool(const ResourceRecord&)>& replaceChangedFile) {
  SaveReport report;
  if (records_.Count() == 0) return report;
  bool anyKnownKind = false;
  for (auto position = records_.begin(); position != records_.end(); ++position) {
    anyKnownKind = anyKnownKind || IsPortKind(position->portKind);
    WriteResult result = Write(position, false);
    if (result.outcome == WriteOutcome::kConflict) {
      if (!replaceChangedFile(*position)) {
        report.keptOnDisk.push_back(position->name);
        continue;
      }
      result = Write(position, true);
    }
    if (result.outcome == WriteOutcome::kFailed) {
      report.failures.emplace_back(position->name, result.problem);
    }
  }
  report.status = report.failures.empty() && anyKnownKind ? 0 : kGeneralFailure;
  return report;
}

ResourceProblem ResourceStore::CreateFile(std::u16string_view resourceName,
                                          RecordBaseline* baseline) const {
  std::u16string fileName(resourceName);
  fileName += schema::kExtension;
  const std::u16string path = PathOf(fileName);
  ProfileDocument document;
  std::string bytes;
  const bool rendered =
      Succeeded(document.SetValue(schema::kGeneralSettings, schema::kAdaptationComponent,
                                  port_text::kAdaptLittleEndian)) &&
      Succeeded(document.SetValue(schema::kGeneralSettings, schema::kDescription,
                                  schema::kDescriptionText)) &&
      Succeeded(document.SetValue(schema::kOnline, schema::kComTeleLength,
                                  port_text::kTeleLengthOther)) &&
      Succeeded(document.SetValue(schema::kOnline, schema::kComPort, schema::kNewResourcePort)) &&
      Succeeded(document.Render(bytes));
  document.Discard();
  if (!rendered) return Problem(ResourceFault::kSystem, ENOMEM);
  int error = 0;
  const TerminationGuard wholeChange;
  if (Failed(CreateFileSafely(path, bytes, &error))) {
    return error == EEXIST ? Problem(ResourceFault::kExists)
                           : Problem(ResourceFault::kSystem, error);
  }
  LogFileChange(NativePath(path), "added");
  if (baseline != nullptr) {
    ResourceRecord created =
        ParsePortText(schema::kNewResourcePort, port_text::kAdaptLittleEndian).record;
    created.name = fileName;
    RememberValues(*baseline, WrittenFormOf(created));
    RememberFile(*baseline, bytes.data(), bytes.size());
  }
  return {};
}

ResourceProblem ResourceStore::DeleteFile(std::u16string_view fileName) const {
  const std::u16string path = PathOf(fileName);
  int error = 0;
  const TerminationGuard wholeChange;
  if (!DeleteOneFile(path, &error)) return Problem(ResourceFault::kSystem, error);
  LogFileChange(NativePath(path), "deleted");
  return {};
}

}  // namespace tirv
