// Puts the run's choice of printer into effect before the form starts, and refuses one that is not
// there before anything is opened or sent. --port maps COM1: to the device through the platform
// (the link still opens "COM1:", as it does with TQ9000_COM1) and rules USB out, since naming a
// port means that printer; --no-usb rules USB out; --usb has discovery look for the printer it
// names alone, which COM1: then never stands in for.
#pragma once

#include <string>

#include "cli/GlobalOptions.h"
#include "link/PrinterLink.h"

namespace tq::cli {

// Empty on success; otherwise the reason, naming what was asked for and what is attached, e.g.
// "--usb A999: no USB printer has this serial number or device path; USB printers attached:
// /dev/usb/lp0 (serial A1234, port 1-2)".
std::string ApplyPrinterOptions(const GlobalOptions& options, PrinterLink& link);

}  // namespace tq::cli
