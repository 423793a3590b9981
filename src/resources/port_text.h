// The port text under "ComPort": how a text names a resource's port kind and settings,
// and how a record is written as one. Pure functions: no file, no editor.
//
// The kind is decided by whichever of the words "SIM", "DLL" and "V24" (letter case
// included) occurs first in the text: a simulation target, TCP/IP or a serial port. A
// text with none of them names no resource.
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"
#include "resources/resource_record.h"

namespace tirv {

namespace port_text {
inline constexpr std::u16string_view kSimulation1 = u"SIM SimHost.dll Vsim1.Vsim1";
inline constexpr std::u16string_view kSimulation2 = u"SIM SimHost.dll Vsim2.Vsim2";
inline constexpr std::u16string_view kTcpIpPrefix = u"DLL netdrv.dll ";
inline constexpr std::u16string_view kTeleLengthSerial = u"256";
inline constexpr std::u16string_view kTeleLengthOther = u"1428";
inline constexpr std::u16string_view kAdaptLittleEndian = u"QB.OPC.AdaptTIRV3x.LE.20";
inline constexpr std::u16string_view kAdaptBigEndian = u"QB.OPC.AdaptTIRV3x.BE.20";
}  // namespace port_text

/// What a port text and an adaptation identifier read as.
struct PortReading {
  /// False when the text holds none of "SIM", "DLL" and "V24": it names no resource.
  bool namesResource = false;
  /// The record, without its name. A simulation text that is neither of the two, or a
  /// serial text that names none of COM1..COM4, has kind kPortKindUnknown.
  ResourceRecord record;
  /// 0, or kGeneralFailure for a serial text that names none of COM1..COM4 (and for a
  /// text that names no resource).
  Status status = kGeneralFailure;
};

/// Reads a port text and an adaptation identifier into a record. Fields that the kind
/// does not use get the fixed texts of DefaultsCarried (a serial record's parameter, a
/// TCP/IP or simulation record's serial settings). A serial text is split at spaces
/// (runs count as one) into "V24", the port, baud, data bits, stop bits, parity digit
/// and timeout; missing tokens leave their fields empty, and the port comes from the
/// first of "V24 1".."V24 4" that occurs in the text. A TCP/IP text that begins with
/// "DLL netdrv.dll " has everything after that as its parameter; any other TCP/IP text
/// loses its leading run of the characters of "DLL netdrv.dll" (a set, not a prefix).
PortReading ParsePortText(std::u16string_view portText, std::u16string_view adaptation);

/// The port text of a record of kind 0..6; empty for any other kind. Serial fields are
/// written as held, the parity as its digit (an unknown parity word as it is).
std::u16string FormatPortText(const ResourceRecord& record);
/// FormatPortText into `text`, whose room is used again: no allocation once it is large
/// enough.
void FormatPortTextInto(const ResourceRecord& record, std::u16string& text);

/// "256" for a serial kind, "1428" for the others.
std::u16string_view TeleLengthOf(std::int32_t portKind);

/// The alignment that an adaptation identifier stands for: "Little Endian", "Big
/// Endian", or empty for any other text (compared exactly).
std::u16string AlignmentOf(std::u16string_view adaptation);

/// The adaptation identifier written for an alignment; empty for any text but the two
/// alignments (compared exactly).
std::u16string_view AdaptationOf(std::u16string_view alignment);

}  // namespace tirv
