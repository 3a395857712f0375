// What tq9000ctl writes to standard error when a printer misbehaves: the Linux tests see it over
// the serial line (FaultyPrinterTest), the Windows tests under Wine over USB (tests/win32/usb). One
// place, so that the two platforms are held to the same stacks.
#pragma once

#include <string>

namespace tq::test {

// The start-up notice: where the commands will go.
inline const std::string kComNotice = "BRENLOW: Usb offline, assuming COM1:\n";
inline const std::string kUsbNotice = "BRENLOW: Device Online\n";
// A query whose reply did not come in time, and a command ended by a reply it could not read.
inline const std::string kReadTimeout = "tq9000_config_app: read timed out -9\n";
inline const std::string kReadFailure =
    "tq9000_config_app: read error\ntq9000_config_app: fatal error\n";
// The last words of a Read All that the printer left in the middle.
inline const std::string kReadAllCutShort = "tq9000_config_app: read error\n";

}  // namespace tq::test
