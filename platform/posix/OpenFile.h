// CreateFileA on POSIX: which node a name opens (COMn: is a serial port, mapped like a Windows
// machine's port assignment), how it is opened (non-blocking, never the controlling terminal,
// exclusive when the share mode is 0), and how a refusal is reported: an error code, and what
// the front end needs to advise the user (never a message of its own).
#pragma once

#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/Handles.h"

namespace tq::posix {

// The device behind "COMn:" (or "COMn"): the device SetComPortDevice gave it, else $TQ9000_COMn
// when set (an empty device when it is set but empty), else /dev/ttyS(n-1); with the name of the
// setting that decided. Nothing for any other name.
struct SerialPortName {
    std::string device;
    std::string setting;
};
std::optional<SerialPortName> SerialPortPath(const char* name);

// Platform::SetComPortDevice: the node must exist and be a character device; it is not opened.
BOOL MapComPort(DWORD number, const char* device, const char* origin);

HANDLE OpenFile(HandleTable& table, const char* name, DWORD access, DWORD share, DWORD flags);
// What the latest OpenFile on this thread that failed knew beyond its error code.
OpenFailureDetail LastOpenFailureDetail();

}  // namespace tq::posix
