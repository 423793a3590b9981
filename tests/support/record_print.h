// Readable failure output for resource records: gtest prints both sides of a failed
// comparison field by field instead of as raw bytes. Include it in every test file that
// compares records, so that all of them print records the same way.
#pragma once

#include <ostream>

#include "platform/text.h"
#include "resources/resource_record.h"

namespace tirv {

inline void PrintTo(const ResourceRecord& r, std::ostream* os) {
  *os << "{" << Utf16ToUtf8(r.name) << ", kind " << r.portKind << ", baud '" << Utf16ToUtf8(r.baud)
      << "', stop '" << Utf16ToUtf8(r.stopBits) << "', data '" << Utf16ToUtf8(r.dataBits)
      << "', parity '" << Utf16ToUtf8(r.parity) << "', timeout '" << Utf16ToUtf8(r.timeout)
      << "', parameter '" << Utf16ToUtf8(r.parameter) << "', alignment '"
      << Utf16ToUtf8(r.alignment) << "'}";
}

}  // namespace tirv
