// A failure as a value: what failed, why, on which link, with the operating system's own error
// kept. The layer that detects a failure makes it, and it travels with the message box that
// reports it and back to the command that ran into it; whoever explains a failure (tq9000ctl's
// hints, its exit status, a monitoring check that tells a busy printer from an absent or a silent
// one) reads these fields, never a message's text or caption. The framework carries it with the
// boxes but neither makes nor reads it.
#pragma once

#include <cstdint>
#include <string>

namespace tq {

// What failed.
enum class FailedStep {
    Open,   // the link could not be opened: COM1:, or the USB printer named for the run
    Setup,  // COM1: opened, but its line settings or time-outs could not be read or set
    Write,  // a write to the printer
    Read,   // the read of a reply
    Reply,  // a reply came but not in the form its request asks for
    Input   // the form holds what the command cannot send (a feature number, a number field)
};

// Why.
enum class FailureCause {
    TimedOut,    // the deadline passed: a printer that is silent, or too late
    Busy,        // another program holds the device
    Absent,      // no such device
    NoDevice,    // a device node with nothing behind it
    Permission,  // the system refused access
    DeviceGone,  // the device left in the middle: unplugged, or the line hung up
    OsError,     // any other error of the system, kept in osError
    WrongReply,  // a reply of the wrong shape
    Refused      // input the command refuses before anything is sent
};

enum class LinkKind { None, Com, Usb };

struct Failure {
    FailedStep step = FailedStep::Open;
    FailureCause cause = FailureCause::OsError;
    LinkKind link = LinkKind::None;
    std::uint32_t osError = 0;  // the system's error code, where the system gave one
    std::int32_t code = 0;      // the transfer's status (-1 to -10), where a transfer failed
    // What the link knew of an open that failed: the device a name stood for ("/dev/ttyS0" for
    // COM1:), the setting that mapped it there (TQ9000_COM1, --port), the group whose members may
    // open it, and the USB printer the user named for the run. Empty: not known, or no such thing.
    std::string device;
    std::string setting;
    std::string group;
    std::string namedPrinter;
};

}  // namespace tq
