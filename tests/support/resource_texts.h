// File texts that several tests expect the editor to write.
#pragma once

namespace tirv::testing {

/// Every byte of a new resource's file: a TCP/IP resource with "-ip127.0.0.1", Little
/// Endian, and the description with its byte 0xB4.
inline constexpr const char* kNewResourceFileBytes =
    "[GeneralSettings]\r\n"
    "AdaptationComponent=QB.OPC.AdaptTIRV3x.LE.20\r\n"
    "Description=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n"
    "\r\n"
    "[Online]\r\n"
    "ComTeleLength=1428\r\n"
    "ComPort=DLL netdrv.dll -ip127.0.0.1\r\n"
    "\r\n";

}  // namespace tirv::testing
