// Choosing one printer among several. By default the link does what the form always did: discovery
// takes the first USB printer interface, and a command goes to COM1: when there is none. A front
// end may instead name one USB printer (by its device path or its serial number), which discovery
// then looks for alone and which COM1: never stands in for, or rule USB out so that every command
// goes to COM1:. The serial number comes from the IEEE 1284 device id the printer reports, or from
// its USB serial-number string.
#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace tq {

enum class PrinterChoice {
    FirstUsbElseCom,  // the form's own rule
    NamedUsbOnly,     // only the USB printer that `usbSelector` names; COM1: is never opened
    ComOnly           // USB is not looked at: every command goes to COM1:
};

struct PrinterSelection {
    PrinterChoice choice = PrinterChoice::FirstUsbElseCom;
    std::string usbSelector;  // NamedUsbOnly: a device path or a serial number
};

// The fields of an IEEE 1284 device id that identify a printer, e.g. from
// "MFG:Brenlow;MDL:TQ9000;CMD:ESC/POS;SN:A1234;". Each has a short key and a long one (MFG or
// MANUFACTURER, MDL or MODEL, SN or SERN, CMD or COMMAND SET); keys are read regardless of case
// and of blanks around them. Empty: the id does not give it.
struct DeviceIdFields {
    std::string manufacturer;
    std::string model;
    std::string serialNumber;
    std::string commandSet;
};
DeviceIdFields ParseDeviceId(std::string_view deviceId);

// The device id's serial number, else the USB serial-number string, else "".
std::string SerialNumberOf(const UsbPrinterDescription& printer);

// Whether `selector` names the printer: its device path exactly, or either serial number (the
// device id's or the USB one) regardless of case, since Windows upper-cases the USB one.
bool SelectorNames(std::string_view selector, const UsbPrinterDescription& printer);

}  // namespace tq
