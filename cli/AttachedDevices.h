// What tq9000ctl says about the printers and ports attached: the lines of `list` (plain, or one
// JSON object per line) and the short names used when a --usb or --port names none of them.
// Everything a device reports is escaped, as it is text from outside.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tq::cli {

// usb /dev/usb/lp0 port=1-2 serial="A1234" manufacturer="Brenlow" model="TQ9000"
//     command-set="ESC/POS"       (one line; the IEEE 1284 fields only where the printer gave them)
// serial /dev/ttyUSB0 by-id=/dev/serial/by-id/usb-FTDI_...-if00-port0
std::string FormatUsbLine(const UsbPrinterDescription& printer);
std::string FormatSerialLine(const SerialPortDescription& port);

// The same as one JSON object on one line, every member always present ("" or [] when unknown):
// {"kind":"usb","device":...,"port":...,"serial":...,"manufacturer":...,"model":...,
//  "commandSet":...,"deviceId":...} and {"kind":"serial","device":...,"stableNames":[...]}.
std::string FormatUsbJson(const UsbPrinterDescription& printer);
std::string FormatSerialJson(const SerialPortDescription& port);

// "/dev/usb/lp0 (serial A1234, port 1-2)", "/dev/ttyUSB0 (/dev/serial/by-id/usb-...)"; a list
// of them joined by ", ", or "none".
std::string NameAttached(const std::vector<UsbPrinterDescription>& printers);
std::string NameAttached(const std::vector<SerialPortDescription>& ports);

}  // namespace tq::cli
