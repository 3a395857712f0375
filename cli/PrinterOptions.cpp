#include "cli/PrinterOptions.h"

#include <vector>

#include "cli/AttachedDevices.h"
#include "cli/ConsoleText.h"
#include "link/PrinterSelection.h"
#include "platform/Platform.h"

namespace tq::cli {

namespace {

std::string CannotList(const std::string& what) {
    return "the " + what + " cannot be listed (error " + std::to_string(os::GetLastError()) + ")";
}

std::string AttachedPorts() {
    std::vector<SerialPortDescription> ports;
    if (!os::ListSerialPorts(&ports)) {
        return CannotList("serial ports");
    }
    return "serial ports attached: " + NameAttached(ports);
}

std::string MapPort(const std::string& device) {
    if (os::SetComPortDevice(1, device.c_str(), "--port")) {
        return {};
    }
    const std::string asked = "--port " + EscapeNameForTerminal(device) + ": ";
    switch (os::GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
            return asked + "no such device; " + AttachedPorts();
        case ERROR_NOT_SUPPORTED:
            return asked + "not a device (a serial port is a character device); " + AttachedPorts();
        case ERROR_ACCESS_DENIED:
            return asked + "permission denied while looking for it";
        case ERROR_FILENAME_EXCED_RANGE:
            return asked + "the name is too long";
        default:
            return asked + "cannot be used (error " + std::to_string(os::GetLastError()) + ")";
    }
}

std::string CheckNamedPrinter(const std::string& selector) {
    const std::string asked = "--usb " + EscapeNameForTerminal(selector);
    std::vector<UsbPrinterDescription> printers;
    if (!os::ListUsbPrinters(&printers)) {
        return asked + ": " + CannotList("USB printers");
    }
    std::vector<UsbPrinterDescription> named;
    for (const UsbPrinterDescription& printer : printers) {
        if (SelectorNames(selector, printer)) {
            named.push_back(printer);
        }
    }
    if (named.empty()) {
        return asked + ": no USB printer has this serial number or device path; USB printers " +
               "attached: " + NameAttached(printers);
    }
    if (named.size() > 1) {
        return asked + " names " + std::to_string(named.size()) +
               " USB printers: " + NameAttached(named) + "; give the device path of one";
    }
    return {};
}

}  // namespace

std::string ApplyPrinterOptions(const GlobalOptions& options, PrinterLink& link) {
    if (options.port) {
        if (std::string error = MapPort(*options.port); !error.empty()) {
            return error;
        }
    }
    if (options.usb) {
        if (std::string error = CheckNamedPrinter(*options.usb); !error.empty()) {
            return error;
        }
        link.SelectPrinter({PrinterChoice::NamedUsbOnly, *options.usb});
    } else if (options.port || options.noUsb) {
        link.SelectPrinter({PrinterChoice::ComOnly, ""});
    }
    return {};
}

}  // namespace tq::cli
