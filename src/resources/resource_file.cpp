#include "resources/resource_file.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <span>

#include "platform/text.h"
#include "profile/profile_document.h"

namespace tirv {
namespace {

// A port text named in a message is cut to this many characters.
constexpr std::size_t kShownPortText = 80;

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

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// The fingerprint of a text's units as they lie in memory: nothing is converted, and two
// texts share one exactly when their units do.
Fingerprint FingerprintOfUnits(std::u16string_view text) {
  return FingerprintOf(
      std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)));
}

// What a save writes for the record's port: its port text, or nothing for a port kind
// outside 0..6. ComTeleLength follows from the kind, which the text names.
Fingerprint PortFingerprintOf(const ResourceRecord& record) {
  // One text per thread, used again: thousands of records are fingerprinted on a load.
  thread_local std::u16string text;
  FormatPortTextInto(record, text);
  return FingerprintOfUnits(text);
}

Fingerprint AdaptationFingerprintOf(const ResourceRecord& record) {
  return FingerprintOfUnits(AdaptationOf(record.alignment));
}

// `key "<old>" -> "<new>"`, for the change log.
void AddChange(std::string& change, std::u16string_view key, std::u16string_view before,
               std::u16string_view after) {
  if (!change.empty()) change += "; ";
  change += Utf16ToUtf8(key) + " \"" + Utf16ToUtf8(before) + "\" -> \"" + Utf16ToUtf8(after) + "\"";
}

bool SetEach(ProfileDocument& document,
             std::initializer_list<std::array<std::u16string_view, 3>> values) {
  for (const auto& [section, key, value] : values) {
    if (Failed(document.SetValue(section, key, value))) return false;
  }
  return true;
}

bool SetNewFileLayout(ProfileDocument& document) {
  return SetEach(
      document,
      {{schema::kGeneralSettings, schema::kAdaptationComponent, port_text::kAdaptLittleEndian},
       {schema::kGeneralSettings, schema::kDescription, schema::kDescriptionText},
       {schema::kOnline, schema::kComTeleLength, port_text::kTeleLengthOther},
       {schema::kOnline, schema::kComPort, schema::kNewResourcePort}});
}

// Sets the record's values that changed since `baseline` (all of them for a new file)
// and tells what they were.
bool SetChangedValues(ProfileDocument& document, const ResourceRecord& record,
                      const RecordBaseline& baseline, bool newFile, std::string& change) {
  const bool adaptationChanged =
      newFile || !baseline.held || AdaptationFingerprintOf(record) != baseline.adaptation;
  const bool portChanged =
      IsPortKind(record.portKind) &&
      (newFile || !baseline.held || PortFingerprintOf(record) != baseline.port);
  if (adaptationChanged) {
    const std::u16string_view adaptation = AdaptationOf(record.alignment);
    AddChange(change, schema::kAdaptationComponent,
              document.Value(schema::kGeneralSettings, schema::kAdaptationComponent, u""),
              adaptation);
    if (!SetEach(document,
                 {{schema::kGeneralSettings, schema::kAdaptationComponent, adaptation}})) {
      return false;
    }
  }
  if (!portChanged) return true;
  const std::u16string port = FormatPortText(record);
  AddChange(change, schema::kComPort, document.Value(schema::kOnline, schema::kComPort, u""), port);
  return SetEach(document,
                 {{schema::kOnline, schema::kComTeleLength, TeleLengthOf(record.portKind)},
                  {schema::kOnline, schema::kComPort, port}});
}

// A value as ProfileDocument::Value gives it, decoded into `buffer` when it fits: a read
// of a resource then allocates nothing for its values and leaves no cache behind.
std::u16string_view ValueIn(const ProfileDocument& document, std::u16string_view section,
                            std::u16string_view key, std::u16string_view defaultValue,
                            std::span<char16_t> buffer) {
  const std::int32_t n = document.GetValue(section, key, defaultValue, buffer.data(),
                                           static_cast<std::int32_t>(buffer.size()));
  if (static_cast<std::size_t>(n) + 1 < buffer.size()) {
    return {buffer.data(), static_cast<std::size_t>(n)};
  }
  return document.Value(section, key, defaultValue);
}

}  // namespace

bool ResourceProblem::refusedValue() const {
  return fault == ResourceFault::kUnencodable || fault == ResourceFault::kLineBreak ||
         fault == ResourceFault::kBlankEnds;
}

std::u16string ReasonOf(const ResourceProblem& problem) {
  switch (problem.fault) {
    case ResourceFault::kNone:
      return u"no problem";
    case ResourceFault::kUnreadable:
    case ResourceFault::kSystem:
      return Utf8ToUtf16(ErrorText(problem.error));
    case ResourceFault::kTooLarge:
      return u"the file is larger than " + Utf8ToUtf16(std::to_string(schema::kMaxFileSize)) +
             u" bytes";
    case ResourceFault::kZeroByte:
      return u"it holds a zero byte";
    case ResourceFault::kBadLine:
      return u"a line is neither a [section] header nor a key=value entry in a section";
    case ResourceFault::kNoComPort:
      return u"there is no ComPort";
    case ResourceFault::kUnknownPortText:
      return u"the port text \"" + CutForMessage(problem.detail) + u"\" names no port";
    case ResourceFault::kUnencodable:
      return u"the character " + CharacterName(problem.detail) +
             u" cannot be written in the code page " + Utf8ToUtf16(CodePage::Default().name());
    case ResourceFault::kLineBreak:
      return u"a value holds a line break";
    case ResourceFault::kBlankEnds:
      return u"the parameter begins or ends with a blank, which the file cannot keep (blanks "
             u"at the ends of a value are dropped when it is read)";
    case ResourceFault::kExists:
      return u"a file of that name exists";
    case ResourceFault::kBusy:
      return u"the workspace is being changed by another program";
  }
  return {};
}

std::u16string DescribeProblem(std::u16string_view fileName, const ResourceProblem& problem) {
  std::u16string text(fileName);
  text += u": ";
  return text + ReasonOf(problem);
}

ResourceFileReading ParseResourceFile(std::u16string_view fileName, FileBytes bytes) {
  ResourceFileReading reading;
  reading.record.name = fileName;
  RememberFile(reading.baseline, std::string_view(bytes.data.get(), bytes.size));
  if (std::memchr(bytes.data.get(), 0, bytes.size) != nullptr) {
    reading.problem = Problem(ResourceFault::kZeroByte);
    return reading;
  }
  ProfileDocument document;
  if (Failed(document.LoadBytes(fileName, std::move(bytes)))) {
    reading.problem = Problem(ResourceFault::kBadLine);
    return reading;
  }
  std::array<char16_t, 256> portBuffer, adaptationBuffer;
  const std::u16string_view portText =
      ValueIn(document, schema::kOnline, schema::kComPort, schema::kFileNotFound, portBuffer);
  PortReading port = ParsePortText(
      portText, ValueIn(document, schema::kGeneralSettings, schema::kAdaptationComponent,
                        schema::kFileNotFound, adaptationBuffer));
  if (!port.namesResource) {
    const bool missing = document.Value(schema::kOnline, schema::kComPort, u"").empty();
    reading.problem = missing
                          ? Problem(ResourceFault::kNoComPort)
                          : Problem(ResourceFault::kUnknownPortText, 0, std::u16string(portText));
    return reading;
  }
  port.record.name = std::move(reading.record.name);
  reading.record = std::move(port.record);
  reading.status = port.status;
  RememberValues(reading.baseline, reading.record);
  return reading;
}

void RememberFile(RecordBaseline& baseline, std::string_view bytes) {
  baseline.fileExisted = true;
  baseline.fileSize = bytes.size();
  baseline.file = FingerprintOf(bytes);
}

void RememberValues(RecordBaseline& baseline, const ResourceRecord& record) {
  baseline.held = true;
  baseline.adaptation = AdaptationFingerprintOf(record);
  baseline.port = PortFingerprintOf(record);
}

bool SameFile(const RecordBaseline& now, const RecordBaseline& baseline) {
  return now.fileExisted == baseline.fileExisted && now.fileSize == baseline.fileSize &&
         now.file == baseline.file;
}

bool IsChanged(const ResourceRecord& record, const RecordBaseline& baseline) {
  return !baseline.held || AdaptationFingerprintOf(record) != baseline.adaptation ||
         PortFingerprintOf(record) != baseline.port;
}

ResourceProblem CheckWritable(const ResourceRecord& record, const RecordBaseline* baseline) {
  if (baseline != nullptr && baseline->held && PortFingerprintOf(record) == baseline->port) {
    return {};
  }
  const std::u16string value = FormatPortText(record);
  if (value.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos) {
    return Problem(ResourceFault::kLineBreak);
  }
  const std::size_t bad = CodePage::Default().FindUnencodable(value);
  if (bad != std::u16string_view::npos) {
    return Problem(ResourceFault::kUnencodable, 0, CharacterAt(value, bad));
  }
  const std::u16string& parameter = record.parameter;
  if (record.portKind == kPortTcpIp && !parameter.empty() &&
      (IsBlank(parameter.front()) || IsBlank(parameter.back()))) {
    return Problem(ResourceFault::kBlankEnds);
  }
  return {};
}

ResourceProblem RenderChanges(const ResourceRecord& record, const RecordBaseline& baseline,
                              FileBytes* current, RenderedFile& out) {
  ProfileDocument document;
  if (current != nullptr) {
    const bool zeroByte = std::memchr(current->data.get(), 0, current->size) != nullptr;
    if (Failed(document.LoadBytes(record.name, std::move(*current)))) {
      return Problem(zeroByte ? ResourceFault::kZeroByte : ResourceFault::kBadLine);
    }
  }
  const bool rendered =
      (current != nullptr || SetNewFileLayout(document)) &&
      SetChangedValues(document, record, baseline, current == nullptr, out.change) &&
      Succeeded(document.Render(out.bytes));
  document.Discard();  // the caller writes the bytes; the document never saves itself
  return rendered ? ResourceProblem{} : Problem(ResourceFault::kSystem, ENOMEM);
}

ResourceProblem RenderNewResourceFile(std::string& out) {
  ProfileDocument document;
  const bool rendered = SetNewFileLayout(document) && Succeeded(document.Render(out));
  document.Discard();
  return rendered ? ResourceProblem{} : Problem(ResourceFault::kSystem, ENOMEM);
}

ResourceRecord NewResourceRecord(std::u16string_view fileName) {
  ResourceRecord record =
      ParsePortText(schema::kNewResourcePort, port_text::kAdaptLittleEndian).record;
  record.name = fileName;
  return record;
}

}  // namespace tirv
