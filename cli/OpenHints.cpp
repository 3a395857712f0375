#include "cli/OpenHints.h"

#include "cli/ConsoleText.h"
#include "link/PrinterSelection.h"

namespace tq::cli {

namespace {

// "COM1: (/dev/ttyS0)", "COM1: (/dev/pts/3, from TQ9000_COM1)", or "COM1:" where the system maps
// the port itself and says nothing more.
std::string PortName(const OpenFailureDetail& detail) {
    if (detail.device.empty()) {
        return "COM1:";
    }
    const std::string from = detail.setting.empty() ? "" : ", from " + detail.setting;
    return "COM1: (" + detail.device + from + ")";
}

// Where the system maps the port itself (no device named), there is no setting to change.
std::string NameThePort(const OpenFailureDetail& detail) {
    if (detail.device.empty()) {
        return {};
    }
    if (!detail.setting.empty()) {
        return "; correct " + detail.setting;
    }
    return "; set TQ9000_COM1 to the printer's serial device, such as /dev/ttyUSB0";
}

std::string JoinGroup(const std::string& group) {
    return "join the group " + group + " (sudo usermod -aG " + group + " $USER), then log in again";
}

// Windows refuses a port that another program holds with "access denied" and names no group.
std::string AccessDenied(const std::string& what, const OpenFailureDetail& detail) {
    if (detail.group.empty()) {
        return "access to " + what + " was refused: another program may hold it";
    }
    return "permission denied opening " + what + ": " + JoinGroup(detail.group);
}

}  // namespace

std::string ComOpenHint(const OpenFailure& failure) {
    const OpenFailureDetail& detail = failure.detail;
    if (!detail.setting.empty() && detail.device.empty()) {
        return detail.setting +
               " is set but empty: set it to the printer's serial device, or unset it to use the "
               "usual port";
    }
    switch (failure.error) {
        case ERROR_SHARING_VIOLATION:
            return PortName(detail) + " is held by another program: close it and try again";
        case ERROR_FILE_NOT_FOUND:
            return "no such device: " + PortName(detail) + " does not exist" + NameThePort(detail);
        case ERROR_DEVICE_NOT_CONNECTED:
            return "no such device: nothing answers behind " + PortName(detail) +
                   NameThePort(detail);
        case ERROR_ACCESS_DENIED:
            return AccessDenied(PortName(detail), detail);
        default:
            return {};
    }
}

std::string UsbOpenHint(const OpenFailure& failure) {
    const OpenFailureDetail& detail = failure.detail;
    const std::string printer =
        "the USB printer" + (detail.device.empty() ? "" : " " + detail.device);
    switch (failure.error) {
        case ERROR_SHARING_VIOLATION:
            return printer +
                   " is held by another program (a print queue, perhaps): stop it while "
                   "configuring";
        case ERROR_ACCESS_DENIED:
            return AccessDenied(printer, detail);
        default:
            return {};
    }
}

std::string NamedUsbHint(const std::string& selector, const OpenFailure& failure) {
    if (const std::string hint = UsbOpenHint(failure); !hint.empty()) {
        return hint;
    }
    return "the USB printer " + EscapeNameForTerminal(selector) +
           " named with --usb is not attached any more; COM1: is not used in its place";
}

std::string HintAfter(const MessageBoxEvent& box) {
    if (box.kind == MessageBoxEvent::Kind::Afx && box.text == "Error opening printer") {
        const PrinterSelection& selection = CurrentPrinterSelection();
        if (selection.choice == PrinterChoice::NamedUsbOnly) {
            return NamedUsbHint(selection.usbSelector, LastUsbOpenFailure());
        }
        return ComOpenHint(LastComOpenFailure());
    }
    if (box.kind == MessageBoxEvent::Kind::Form && box.text == "Usb offline, assuming COM1:") {
        return UsbOpenHint(LastUsbOpenFailure());
    }
    return {};
}

}  // namespace tq::cli
