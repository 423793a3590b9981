#include "resources/port_text.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tirv {
namespace {

constexpr std::u16string_view kSerialPorts[4] = {u"V24 1", u"V24 2", u"V24 3", u"V24 4"};
constexpr std::u16string_view kParityWords[3] = {u"None", u"Odd", u"Even"};
constexpr std::u16string_view kParityDigits[3] = {u"0", u"1", u"2"};
// Characters stripped from the front of a TCP/IP text that lacks the driver's exact
// prefix: a set, not a prefix.
constexpr std::u16string_view kTcpIpStripSet = u"DLL netdrv.dll";

enum class Keyword { kNone, kSimulation, kTcpIp, kSerial };

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

// The word that occurs first decides, so a parameter such as "-ipSIMATIC-S7" after
// "DLL" cannot turn a TCP/IP text into a simulation one.
Keyword FirstKeyword(std::u16string_view text) {
  constexpr std::array<std::pair<std::u16string_view, Keyword>, 3> kWords = {
      {{u"SIM", Keyword::kSimulation}, {u"DLL", Keyword::kTcpIp}, {u"V24", Keyword::kSerial}}};
  Keyword first = Keyword::kNone;
  std::size_t firstAt = std::u16string_view::npos;
  for (const auto& [word, keyword] : kWords) {
    const std::size_t at = text.find(word);
    if (at < firstAt) {
      firstAt = at;
      first = keyword;
    }
  }
  return first;
}

// The next token after `at` of a text split on spaces, moving `at` past it; empty at
// the end. No list is made: a workspace of thousands of serial ports reads one each.
std::u16string_view NextToken(std::u16string_view text, std::size_t& at) {
  const std::size_t begin = text.find_first_not_of(u' ', at);
  if (begin == std::u16string_view::npos) {
    at = text.size();
    return {};
  }
  const std::size_t end = std::min(text.find(u' ', begin), text.size());
  at = end;
  return text.substr(begin, end - begin);
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

// Each value is built and moved in: GCC 12 at -O3 takes assigning a short view to a
// string for an overlapping copy (-Wrestrict).
void CarrySerialDefaults(ResourceRecord& record) {
  record.baud = std::u16string(carried::kBaud);
  record.dataBits = std::u16string(carried::kDataBits);
  record.stopBits = std::u16string(carried::kStopBits);
  record.parity = std::u16string(carried::kParity);
  record.timeout = std::u16string(carried::kTimeout);
}

std::u16string TcpIpParameterOf(std::u16string_view text) {
  if (text.starts_with(port_text::kTcpIpPrefix)) {
    return std::u16string(text.substr(port_text::kTcpIpPrefix.size()));
  }
  const std::size_t start = text.find_first_not_of(kTcpIpStripSet);
  return start == std::u16string_view::npos ? u"" : std::u16string(text.substr(start));
}

void ReadSerial(std::u16string_view text, PortReading& reading) {
  ResourceRecord& record = reading.record;
  for (std::int32_t kind = kPortCom1; kind <= kPortCom4; ++kind) {
    if (!Contains(text, kSerialPorts[kind])) continue;
    record.portKind = kind;
    break;
  }
  // The third to the seventh token are the fields; the first two name the port.
  std::u16string* fields[5] = {&record.baud, &record.dataBits, &record.stopBits, &record.parity,
                               &record.timeout};
  std::size_t at = 0;
  for (int skipped = 0; skipped < 2; ++skipped) NextToken(text, at);
  for (std::u16string* field : fields) {
    const std::u16string_view token = NextToken(text, at);
    if (token.empty()) break;
    *field = token;
  }
  record.parity = ParityWordOf(record.parity);
  record.parameter = carried::kParameter;
  reading.status = IsSerialPortKind(record.portKind) ? 0 : kGeneralFailure;
}

void AppendSerialPortText(const ResourceRecord& r, std::u16string& text) {
  text += kSerialPorts[r.portKind];
  for (std::u16string_view field : {std::u16string_view(r.baud), std::u16string_view(r.dataBits),
                                    std::u16string_view(r.stopBits), ParityDigitOf(r.parity),
                                    std::u16string_view(r.timeout), std::u16string_view(u"0")}) {
    text += u' ';
    text += field;
  }
}

}  // namespace

PortReading ParsePortText(std::u16string_view portText, std::u16string_view adaptation) {
  PortReading reading;
  ResourceRecord& record = reading.record;
  record.alignment = AlignmentOf(adaptation);
  switch (FirstKeyword(portText)) {
    case Keyword::kNone:
      return reading;
    case Keyword::kSimulation:
      if (portText == port_text::kSimulation1) record.portKind = kPortSimulation1;
      if (portText == port_text::kSimulation2) record.portKind = kPortSimulation2;
      CarrySerialDefaults(record);
      record.parameter = carried::kParameter;
      reading.status = 0;
      break;
    case Keyword::kTcpIp:
      record.portKind = kPortTcpIp;
      CarrySerialDefaults(record);
      record.parameter = TcpIpParameterOf(portText);
      reading.status = 0;
      break;
    case Keyword::kSerial:
      ReadSerial(portText, reading);
      break;
  }
  reading.namesResource = true;
  return reading;
}

std::u16string FormatPortText(const ResourceRecord& record) {
  std::u16string text;
  FormatPortTextInto(record, text);
  return text;
}

void FormatPortTextInto(const ResourceRecord& record, std::u16string& text) {
  text.clear();
  if (IsSerialPortKind(record.portKind)) {
    AppendSerialPortText(record, text);
  } else if (record.portKind == kPortSimulation1) {
    text = port_text::kSimulation1;
  } else if (record.portKind == kPortSimulation2) {
    text = port_text::kSimulation2;
  } else if (record.portKind == kPortTcpIp) {
    text = port_text::kTcpIpPrefix;
    text += record.parameter;
  }
}

std::u16string_view TeleLengthOf(std::int32_t portKind) {
  return IsSerialPortKind(portKind) ? port_text::kTeleLengthSerial : port_text::kTeleLengthOther;
}

std::u16string AlignmentOf(std::u16string_view adaptation) {
  if (adaptation == port_text::kAdaptLittleEndian) return std::u16string(alignment::kLittleEndian);
  if (adaptation == port_text::kAdaptBigEndian) return std::u16string(alignment::kBigEndian);
  return {};
}

std::u16string_view AdaptationOf(std::u16string_view alignment) {
  if (alignment == alignment::kBigEndian) return port_text::kAdaptBigEndian;
  if (alignment == alignment::kLittleEndian) return port_text::kAdaptLittleEndian;
  return {};
}

}  // namespace tirv
