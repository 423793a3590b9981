// What the port text can carry through a save and a read: the records whose round trip
// the fuzz targets hold to equality.
#pragma once

#include <string_view>

#include "resource_file.h"

namespace tirv::fuzzing {

inline bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

/// A serial field that the written text keeps as one token and that cannot change the
/// port kind that the reader decides by substring.
inline bool CarriesAsToken(std::u16string_view field) {
  return !field.empty() && !Contains(field, u" ") && !Contains(field, u"SIM") &&
         !Contains(field, u"DLL") && !Contains(field, u"V24");
}

/// A record of a known port kind that reads back equal once written: every serial field
/// one token, and a parameter that the reader gives back whole (it strips the driver's
/// characters from the front, and "SIM" would win over "DLL").
inline bool WithinGrammar(const ResourceRecord& r) {
  if (IsSerialPortKind(r.portKind)) {
    for (const std::u16string* f : {&r.baud, &r.dataBits, &r.stopBits, &r.parity, &r.timeout}) {
      if (!CarriesAsToken(*f)) return false;
    }
    return true;
  }
  if (r.portKind == kPortTcpIp) {
    return !Contains(r.parameter, u"SIM") &&
           (r.parameter.empty() || !Contains(u"DLL netdrv.dll", r.parameter.substr(0, 1)));
  }
  return r.portKind == kPortSimulation1 || r.portKind == kPortSimulation2;
}

}  // namespace tirv::fuzzing
