// Fuzz target of the port text, on arbitrary texts (bytes in the code page; the part
// before the first line feed is the ComPort text, the rest the AdaptationComponent):
//  - a text names a resource exactly when it holds "SIM", "DLL" or "V24", and the one
//    that comes first decides the kind: an exact simulation text, TCP/IP (everything
//    after an exact "DLL netdrv.dll " is the parameter), or a serial port;
//  - a record that its port text can carry, written as a port text and read again,
//    gives the same record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/text.h"
#include "port_grammar.h"
#include "resources/port_text.h"

namespace {

using namespace tirv;

std::size_t FirstOf(std::u16string_view text, std::u16string_view word) { return text.find(word); }

// The kind, status and parameter that the first of the three words calls for.
void CheckKind(std::u16string_view text, const PortReading& reading) {
  const std::size_t sim = FirstOf(text, u"SIM");
  const std::size_t dll = FirstOf(text, u"DLL");
  const std::size_t v24 = FirstOf(text, u"V24");
  const std::size_t first = std::min({sim, dll, v24});
  if (reading.namesResource != (first != std::u16string_view::npos)) std::abort();
  if (!reading.namesResource) {
    if (reading.status != kGeneralFailure) std::abort();
    return;
  }
  const ResourceRecord& r = reading.record;
  if (first == dll) {
    if (r.portKind != kPortTcpIp || reading.status != 0) std::abort();
    if (text.starts_with(port_text::kTcpIpPrefix) &&
        r.parameter != text.substr(port_text::kTcpIpPrefix.size())) {
      std::abort();
    }
  } else if (first == sim) {
    const std::int32_t kind = text == port_text::kSimulation1   ? kPortSimulation1
                              : text == port_text::kSimulation2 ? kPortSimulation2
                                                                : kPortKindUnknown;
    if (r.portKind != kind || reading.status != 0) std::abort();
  } else {
    if (r.portKind != kPortKindUnknown && !IsSerialPortKind(r.portKind)) std::abort();
    if ((reading.status == 0) != IsSerialPortKind(r.portKind)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string input =
      CodePage::Windows1252().Decode({reinterpret_cast<const char*>(data), size});
  const std::size_t cut = input.find(u'\n');
  const std::u16string_view portText = std::u16string_view(input).substr(0, cut);
  const std::u16string_view adaptation = cut == std::u16string::npos
                                             ? std::u16string_view()
                                             : std::u16string_view(input).substr(cut + 1);

  const PortReading reading = ParsePortText(portText, adaptation);
  CheckKind(portText, reading);
  if (!reading.namesResource) return 0;
  if (reading.record.alignment != AlignmentOf(adaptation)) std::abort();
  if (!fuzzing::CarriedByPortText(reading.record)) return 0;

  const PortReading again =
      ParsePortText(FormatPortText(reading.record), AdaptationOf(reading.record.alignment));
  if (!again.namesResource || again.status != 0 || !(again.record == reading.record)) {
    std::abort();
  }
  return 0;
}
