// USB printer discovery through libudev: the usblp nodes (subsystem usbmisc, named lp*) whose
// parent USB interface is of the printer class (bInterfaceClass 07). hiddev nodes share the
// subsystem and are left out by the class test.
#pragma once

#include <optional>
#include <vector>

#include "platform/posix/Handles.h"

namespace tq::posix {

// The printer interfaces present now, ordered by device node (lp2 before lp10), so that the
// first one stays the same from one discovery to the next. Nothing when udev cannot be asked;
// the last error says why.
std::optional<std::vector<PrinterInterface>> ListUsbPrinters();

}  // namespace tq::posix
