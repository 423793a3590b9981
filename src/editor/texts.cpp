#include "editor/texts.h"

namespace tirv::texts {

std::u16string WithReason(std::u16string_view message, std::u16string_view reason) {
  std::u16string text(message);
  if (reason.empty()) return text;
  text += u'\n';
  text += reason;
  return text;
}

std::u16string Format(std::u16string_view format, std::u16string_view value) {
  std::u16string text(format);
  const std::size_t at = text.find(u"%s");
  if (at != std::u16string::npos) text.replace(at, 2, value);
  return text;
}

}  // namespace tirv::texts
