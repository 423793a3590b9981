#include "resource_file.h"

#include <vector>

#include "files.h"
#include "profile_calls.h"
#include "profile_document.h"

namespace tirv {
namespace {

constexpr std::u16string_view kSerialPorts[4] = {u"V24 1", u"V24 2", u"V24 3", u"V24 4"};
constexpr std::u16string_view kParityWords[3] = {u"None", u"Odd", u"Even"};
constexpr std::u16string_view kParityDigits[3] = {u"0", u"1", u"2"};
// Characters stripped from the front of a TCP/IP port text: a set, not a prefix.
constexpr std::u16string_view kTcpIpStripSet = u"DLL netdrv.dll";

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

std::u16string AlignmentOf(std::u16string_view adaptation) {
  if (adaptation == schema::kAdaptLittleEndian) return std::u16string(schema::kLittleEndian);
  if (adaptation == schema::kAdaptBigEndian) return std::u16string(schema::kBigEndian);
  return {};
}

std::u16string_view AdaptationOf(std::u16string_view alignment) {
  if (alignment == schema::kBigEndian) return schema::kAdaptBigEndian;
  if (alignment == schema::kLittleEndian) return schema::kAdaptLittleEndian;
  return {};
}

// Unknown parity texts pass through unchanged in both directions.
std::u16string_view ParityWordOf(std::u16string_view digit) {
  for (int i = 0; i < 3; ++i) {
    if (digit == kParityDigits[i]) return kParityWords[i];
  }
  return digit;
}

std::u16string_view ParityDigitOf(std::u16string_view word) {
  for (int i = 0; i < 3; ++i) {
    if (word == kParityWords[i]) return kParityDigits[i];
  }
  return word;
}

std::vector<std::u16string_view> SplitOnSpaces(std::u16string_view text) {
  std::vector<std::u16string_view> tokens;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t begin = text.find_first_not_of(u' ', at);
    if (begin == std::u16string_view::npos) break;
    const std::size_t end = std::min(text.find(u' ', begin), text.size());
    tokens.push_back(text.substr(begin, end - begin));
    at = end;
  }
  return tokens;
}

// The fixed serial settings that simulation and TCP/IP records carry along.
void FillNonSerialDefaults(ResourceRecord& record) {
  record.baud = u"19200";
  record.dataBits = u"8";
  record.stopBits = u"1";
  record.parity = u"None";
  record.timeout = u"2000";
}

std::u16string SerialPortText(const ResourceRecord& r) {
  std::u16string text(kSerialPorts[r.portKind]);
  for (std::u16string_view field : {std::u16string_view(r.baud), std::u16string_view(r.dataBits),
                                    std::u16string_view(r.stopBits), ParityDigitOf(r.parity),
                                    std::u16string_view(r.timeout), std::u16string_view(u"0")}) {
    text += u' ';
    text += field;
  }
  return text;
}

bool Write(std::u16string_view section, std::u16string_view key, std::u16string_view value,
           std::u16string_view path) {
  return WriteProfileString(section, key, value, path) != 0;
}

// ComTeleLength first, then ComPort; stops at the first write that fails.
Status WritePortSettings(const ResourceRecord& record, std::u16string_view path) {
  const std::u16string_view teleLength =
      IsSerialPortKind(record.portKind) ? schema::kTeleLengthSerial : schema::kTeleLengthOther;
  if (!Write(schema::kOnline, schema::kComTeleLength, teleLength, path)) return kGeneralFailure;
  return Write(schema::kOnline, schema::kComPort, PortTextOf(record), path) ? 0 : kGeneralFailure;
}

}  // namespace

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  path += u'/';
  path += name;
  return path;
}

std::u16string PortTextOf(const ResourceRecord& record) {
  if (IsSerialPortKind(record.portKind)) return SerialPortText(record);
  if (record.portKind == kPortSimulation1) return std::u16string(schema::kSimulation1);
  if (record.portKind == kPortSimulation2) return std::u16string(schema::kSimulation2);
  if (record.portKind == kPortTcpIp) return std::u16string(schema::kTcpIpPrefix) + record.parameter;
  return {};
}

Status ResourceFiles::LoadResourceFile(std::u16string_view fileName) {
  // One pass over the file serves both keys, and values come whole: a value cut to a
  // buffer would be written back cut by the next save.
  ProfileDocument document;
  if (Failed(document.Load(JoinPath(workspaceFolder_, fileName)))) {
    return ParseResourceSettings(fileName, u"", u"");
  }
  return ParseResourceSettings(
      fileName, document.Value(schema::kOnline, schema::kComPort, schema::kFileNotFound),
      document.Value(schema::kGeneralSettings, schema::kAdaptationComponent,
                     schema::kFileNotFound));
}

Status ResourceFiles::ParseResourceSettings(std::u16string_view fileName,
                                            std::u16string_view portText,
                                            std::u16string_view adaptation) {
  ResourceRecord record;
  record.name = fileName;
  record.alignment = AlignmentOf(adaptation);

  /* A simulation target: only the two exact texts name a kind. */
  if (Contains(portText, u"SIM")) {
    if (portText == schema::kSimulation1) record.portKind = kPortSimulation1;
    if (portText == schema::kSimulation2) record.portKind = kPortSimulation2;
    FillNonSerialDefaults(record);
    record.parameter = schema::kDefaultParameter;
    list_.Append(record);
    return 0;
  }

  /* TCP/IP: the parameter is what follows the leading run of driver-name characters. */
  if (Contains(portText, u"DLL")) {
    const std::size_t start = portText.find_first_not_of(kTcpIpStripSet);
    record.parameter = start == std::u16string_view::npos ? u"" : portText.substr(start);
    record.portKind = kPortTcpIp;
    FillNonSerialDefaults(record);
    list_.Append(record);
    return 0;
  }

  if (!Contains(portText, u"V24")) {
    editor_.ApplicationMessageBox(schema::kInvalidFile);
    return kGeneralFailure;
  }

  /* A serial port: the port from the substring test, the settings by token position. */
  for (std::int32_t kind = kPortCom1; kind <= kPortCom4; ++kind) {
    if (!Contains(portText, kSerialPorts[kind])) continue;
    record.portKind = kind;
    editor_.SelectPortKind(kind);
    break;
  }
  const std::vector<std::u16string_view> tokens = SplitOnSpaces(portText);
  std::u16string* fields[5] = {&record.baud, &record.dataBits, &record.stopBits, &record.parity,
                               &record.timeout};
  for (std::size_t i = 0; i < 5 && i + 2 < tokens.size(); ++i) *fields[i] = tokens[i + 2];
  record.parity = ParityWordOf(record.parity);
  record.parameter = schema::kDefaultParameter;
  list_.Append(record);
  return IsSerialPortKind(record.portKind) ? 0 : kGeneralFailure;
}

Status ResourceFiles::SaveAllResources() {
  if (list_.Count() == 0) return kGeneralFailure;
  Status status = kGeneralFailure;
  bool anyFailed = false;
  for (const ResourceRecord& record : list_) {
    const std::u16string path = JoinPath(workspaceFolder_, record.name);
    anyFailed |= !Write(schema::kGeneralSettings, schema::kAdaptationComponent,
                        AdaptationOf(record.alignment), path);
    if (!IsPortKind(record.portKind)) continue;
    status = WritePortSettings(record, path);
    anyFailed |= Failed(status);
  }
  return anyFailed ? kGeneralFailure : status;
}

Status CreateResourceFile(std::u16string_view resourceName, std::u16string_view folder) {
  std::u16string path = JoinPath(folder, resourceName);
  path += schema::kExtension;
  CreateNewFile(path);  // an existing file stays and receives the keys below
  const bool written =
      Write(schema::kGeneralSettings, schema::kAdaptationComponent, schema::kAdaptLittleEndian,
            path) &&
      Write(schema::kGeneralSettings, schema::kDescription, schema::kDescriptionText, path) &&
      Write(schema::kOnline, schema::kComTeleLength, schema::kTeleLengthOther, path) &&
      Write(schema::kOnline, schema::kComPort, schema::kNewResourcePort, path);
  return written ? 0 : kGeneralFailure;
}

}  // namespace tirv
