// Fuzz target of the port text, on arbitrary texts (bytes in the code page; the part
// before the first line feed is the ComPort text, the rest the AdaptationComponent):
//  - a text without "SIM", "DLL" or "V24" appends nothing and says "Invalid File";
//  - a record of a known port kind whose fields the grammar can carry, written back as
//    a port text and read again, gives the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "port_grammar.h"
#include "resource_file.h"
#include "text.h"

namespace {

using namespace tirv;
using fuzzing::Contains;
using fuzzing::WithinGrammar;

class CountingEditor : public ResourceEditorLink {
 public:
  void SelectPortKind(std::int32_t) override {}
  void ApplicationMessageBox(std::u16string_view text) override {
    if (text != schema::kInvalidFile) std::abort();
    ++invalid;
  }
  int invalid = 0;
};

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
