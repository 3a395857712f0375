// The names of this system's devices that tq9000ctl's help shows: what COM1: stands for and
// examples of a serial port and a USB printer. POSIX names its devices under /dev and maps COM1:
// through TQ9000_COM1; Windows has COM1: itself and names ports COMn. Windows programs also take
// "/?" for their help.
#pragma once

namespace tq {

struct SystemNames {
    const char* comPort;     // what "COM1:" stands for, e.g. "COM1: (/dev/ttyS0 or TQ9000_COM1)"
    const char* serialPort;  // a serial port for --port, e.g. "/dev/ttyUSB0"
    const char* usbPrinter;  // a USB printer for --usb, e.g. "/dev/usb/lp1"
    const char* helpSwitch;  // the system's own way to ask for help ("/?"), or nullptr
};

const SystemNames& ThisSystemsNames();

}  // namespace tq
