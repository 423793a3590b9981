// What a record can carry through its port text, and through the file that holds the
// text: the records whose round trip the fuzz targets hold to equality.
#pragma once

#include <string_view>

#include "platform/text.h"
#include "resources/port_text.h"
#include "resources/resource_record.h"

namespace tirv::fuzzing {

inline bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

/// A serial field that the written text keeps as one token and that cannot name another
/// port. The port is the first of "V24 1".."V24 4" anywhere in the text, so a field that
/// ends in "V24" followed by one that starts with a digit would name one.
inline bool CarriesAsToken(std::u16string_view field) {
  return !field.empty() && !Contains(field, u" ") && !field.ends_with(u"V24");
}

inline bool CarriesDefaults(const ResourceRecord& r) {
  return r.baud == carried::kBaud && r.dataBits == carried::kDataBits &&
         r.stopBits == carried::kStopBits && r.parity == carried::kParity &&
         r.timeout == carried::kTimeout;
}

/// A record that its port text and adaptation read back as, unchanged: a known kind, an
/// alignment that has an adaptation (or none), the fixed texts in the fields its kind
/// does not use, and serial fields that stay tokens. A parity of "0".."2" would read back
/// as its word. Since the first of "SIM", "DLL", "V24" decides, and every written text
/// begins with its own, a TCP/IP parameter is carried whatever it holds.
inline bool CarriedByPortText(const ResourceRecord& r) {
  if (!r.alignment.empty() && AdaptationOf(r.alignment).empty()) return false;
  if (IsSerialPortKind(r.portKind)) {
    for (const std::u16string* f : {&r.baud, &r.dataBits, &r.stopBits, &r.parity, &r.timeout}) {
      if (!CarriesAsToken(*f)) return false;
    }
    return r.parity != u"0" && r.parity != u"1" && r.parity != u"2" &&
           r.parameter == carried::kParameter;
  }
  if (r.portKind == kPortTcpIp) return CarriesDefaults(r);
  if (r.portKind == kPortSimulation1 || r.portKind == kPortSimulation2) {
    return CarriesDefaults(r) && r.parameter == carried::kParameter;
  }
  return false;
}

/// A record that reads back unchanged from the file it was written into: carried by its
/// port text, and a text that the file holds as it is. A value with a line break or a
/// zero character, or with a character outside the code page, is refused; the profile
/// format trims blanks at the end of a value, so a TCP/IP parameter that ends in a space
/// or tab loses them (the empty parameter reads back empty all the same).
inline bool WithinGrammar(const ResourceRecord& r) {
  if (!CarriedByPortText(r)) return false;
  const std::u16string text = FormatPortText(r);
  if (text.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string::npos) return false;
  if (CodePage::Default().FindUnencodable(text) != std::u16string::npos) return false;
  const bool blankAtEnd = text.ends_with(u' ') || text.ends_with(u'\t');
  return !blankAtEnd || (r.portKind == kPortTcpIp && r.parameter.empty());
}

}  // namespace tirv::fuzzing
