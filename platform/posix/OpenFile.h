// CreateFileA on POSIX: which node a name opens (COMn: is a serial port, mapped like a Windows
// machine's port assignment), how it is opened (non-blocking, never the controlling terminal,
// exclusive when the share mode is 0), and how a refusal is reported.
#pragma once

#include <optional>
#include <string>

#include "platform/posix/Handles.h"

namespace tq::posix {

// The device behind "COMn:" (or "COMn"): $TQ9000_COMn when set, else /dev/ttyS(n-1). Nothing for
// any other name.
std::optional<std::string> SerialPortPath(const char* name);

HANDLE OpenFile(HandleTable& table, const char* name, DWORD access, DWORD share, DWORD flags);

}  // namespace tq::posix
