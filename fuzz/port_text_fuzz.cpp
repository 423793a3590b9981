// Fuzz target of the port text, on arbitrary texts (bytes in the code page; the part
// before the first line feed is the ComPort text, the rest the AdaptationComponent):
//  - a text without "SIM", "DLL" or "V24" appends nothing and says "Invalid File";
//  - a record of a known port kind whose fields the grammar can carry, written back as
//    a port text and read again, gives the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "resource_file.h"
#include "text.h"

namespace {

using namespace tirv;

class CountingEditor : public ResourceEditorLink {
 public:
  void SelectPortKind(std::int32_t) override {}
  void ApplicationMessageBox(std::u16string_view text) override {
    if (text != schema::kInvalidFile) std::abort();
    ++invalid;
  }
  int invalid = 0;
};

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

// A field that the written text keeps as one token and that cannot change the kind.
bool CarriesAsToken(std::u16string_view field) {
  return !field.empty() && !Contains(field, u" ") && !Contains(field, u"SIM") &&
         !Contains(field, u"DLL") && !Contains(field, u"V24");
}

bool WithinGrammar(const ResourceRecord& r) {
  if (IsSerialPortKind(r.portKind)) {
    for (const std::u16string* f : {&r.baud, &r.dataBits, &r.stopBits, &r.parity, &r.timeout}) {
      if (!CarriesAsToken(*f)) return false;
    }
    return true;
  }
  if (r.portKind == kPortTcpIp) {
    // The reader strips the driver's characters from the front, and "SIM" would win.
    return !Contains(r.parameter, u"SIM") &&
           (r.parameter.empty() || !Contains(u"DLL netdrv.dll", r.parameter.substr(0, 1)));
  }
  return r.portKind == kPortSimulation1 || r.portKind == kPortSimulation2;
}

std::u16string_view AdaptationFor(std::u16string_view alignment) {
  if (alignment == schema::kLittleEndian) return schema::kAdaptLittleEndian;
  if (alignment == schema::kBigEndian) return schema::kAdaptBigEndian;
  return {};
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

  ResourceList list;
  CountingEditor editor;
  ResourceFiles files(list, u"/nonexistent", editor);
  files.ParseResourceSettings(u"R.opc", portText, adaptation);
  const bool recognised =
      Contains(portText, u"SIM") || Contains(portText, u"DLL") || Contains(portText, u"V24");
  if (list.Count() != (recognised ? 1u : 0u) || editor.invalid != (recognised ? 0 : 1))
    std::abort();
  if (!recognised) return 0;

  const ResourceRecord first = *list.begin();
  if (!WithinGrammar(first)) return 0;
  ResourceList again;
  ResourceFiles(again, u"/nonexistent", editor)
      .ParseResourceSettings(first.name, PortTextOf(first), AdaptationFor(first.alignment));
  if (again.Count() != 1 || !(*again.begin() == first)) std::abort();
  return 0;
}
