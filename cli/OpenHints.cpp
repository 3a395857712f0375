#include "cli/OpenHints.h"

#include "cli/ConsoleText.h"

namespace tq::cli {

namespace {

// "COM1: (/dev/ttyS0)", "COM1: (/dev/pts/3, from TQ9000_COM1)", or "COM1:" where the system maps
// the port itself and says nothing more.
std::string PortName(const Failure& detail) {
    if (detail.device.empty()) {
        return "COM1:";
    }
    const std::string from = detail.setting.empty() ? "" : ", from " + detail.setting;
    return "COM1: (" + detail.device + from + ")";
}

// Where the system maps the port itself (no device named), there is no setting to change.
std::string NameThePort(const Failure& detail) {
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
std::string AccessDenied(const std::string& what, const Failure& detail) {
    if (detail.group.empty()) {
        return "access to " + what + " was refused: another program may hold it";
    }
    return "permission denied opening " + what + ": " + JoinGroup(detail.group);
}

std::string ComOpenHint(const Failure& failure) {
    if (!failure.setting.empty() && failure.device.empty()) {
        return failure.setting +
               " is set but empty: set it to the printer's serial device, or unset it to use the "
               "usual port";
    }
    switch (failure.cause) {
        case FailureCause::Busy:
            return PortName(failure) + " is held by another program: close it and try again";
        case FailureCause::Absent:
            return "no such device: " + PortName(failure) + " does not exist" +
                   NameThePort(failure);
        case FailureCause::NoDevice:
            return "no such device: nothing answers behind " + PortName(failure) +
                   NameThePort(failure);
        case FailureCause::Permission:
            return AccessDenied(PortName(failure), failure);
        default:
            return {};
    }
}

std::string UsbOpenHint(const Failure& failure) {
    const std::string printer =
        "the USB printer" + (failure.device.empty() ? "" : " " + failure.device);
    switch (failure.cause) {
        case FailureCause::Busy:
            return printer +
                   " is held by another program (a print queue, perhaps): stop it while "
                   "configuring";
        case FailureCause::Permission:
            return AccessDenied(printer, failure);
        default:
            return {};
    }
}

// A printer the user named is that printer or none: why it did not open, or that it has gone.
std::string NamedUsbHint(const Failure& failure) {
    if (const std::string hint = UsbOpenHint(failure); !hint.empty()) {
        return hint;
    }
    return "the USB printer " + EscapeNameForTerminal(failure.namedPrinter) +
           " named with --usb is not attached any more; COM1: is not used in its place";
}

}  // namespace

std::string OpenHint(const Failure& failure) {
    if (failure.link == LinkKind::Com) {
        return ComOpenHint(failure);
    }
    return failure.namedPrinter.empty() ? UsbOpenHint(failure) : NamedUsbHint(failure);
}

std::string HintAfter(const MessageBoxEvent& box) {
    const bool tellsFirst = box.kind == MessageBoxEvent::Kind::Afx || !box.ReportsFailure();
    if (!box.failure || box.failure->step != FailedStep::Open || !tellsFirst) {
        return {};
    }
    return OpenHint(*box.failure);
}

}  // namespace tq::cli
