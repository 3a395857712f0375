// Serial port discovery: the tty devices with hardware behind them (a UART, a USB-serial adapter,
// a modem's CDC-ACM interface), each with the stable names udev made for it under /dev/serial/.
// Virtual terminals, consoles and pseudo-terminals are no serial ports, and neither is a ttyS
// node whose UART slot is empty.
//
// This reads sysfs itself rather than through libudev, which resolves every entry of the tty class
// path component by component, some seventy system calls an entry: a machine with a thousand
// terminals would wait a quarter of a second for a listing that costs a few calls an entry here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tq::posix {

// Ordered by device node (ttyS2 before ttyS10). The roots are /sys and /dev but for the benchmark,
// which lists a tree of its own. Nothing when the tty class cannot be read (a system without it
// has no ports: that is an empty list); the last error says why.
std::optional<std::vector<SerialPortDescription>> ListSerialPorts(
    const std::string& sysRoot = "/sys", const std::string& devRoot = "/dev");

}  // namespace tq::posix
