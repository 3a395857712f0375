#include "platform/win32/Win32Platform.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tq {

namespace {

// The system's name of a port given as "COM12", "COM12:" or "\\.\COM12": "COM12".
std::string DosPortName(std::string name) {
    if (name.rfind("\\\\.\\", 0) == 0) {
        name.erase(0, 4);
    }
    if (!name.empty() && name.back() == ':') {
        name.pop_back();
    }
    for (char& c : name) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

bool IsPortName(const char* name) {
    if (std::strncmp(name, "COM", 3) != 0 || name[3] == '\0') {
        return false;
    }
    for (const char* digit = name + 3; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') {
            return false;
        }
    }
    return true;
}

// Every MS-DOS device name the system knows, as QueryDosDeviceA lists them: each ends in a zero.
std::vector<char> DosDeviceNames() {
    std::vector<char> names(16 * 1024);
    while (::QueryDosDeviceA(nullptr, names.data(), static_cast<DWORD>(names.size())) == 0) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || names.size() > 4 * 1024 * 1024) {
            return {};
        }
        names.resize(names.size() * 2);
    }
    return names;
}

// The path in an interface's detail record; "" when it cannot be read.
std::string InterfacePath(HDEVINFO list, SP_DEVICE_INTERFACE_DATA* interfaceData,
                          SP_DEVINFO_DATA* device) {
    DWORD required = 0;
    ::SetupDiGetDeviceInterfaceDetailA(list, interfaceData, nullptr, 0, &required, nullptr);
    if (required <= offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath)) {
        return {};
    }
    std::vector<char> block(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    device->cbSize = sizeof(SP_DEVINFO_DATA);
    if (!::SetupDiGetDeviceInterfaceDetailA(list, interfaceData, detail, required, nullptr,
                                            device)) {
        return {};
    }
    return detail->DevicePath;
}

std::string LocationOf(HDEVINFO list, SP_DEVINFO_DATA* device) {
    char buffer[2048] = {};
    if (!::SetupDiGetDeviceRegistryPropertyA(list, device, SPDRP_LOCATION_INFORMATION, nullptr,
                                             reinterpret_cast<BYTE*>(buffer), sizeof buffer - 1,
                                             nullptr)) {
        return {};
    }
    return buffer;
}

// A USB device's instance id ends in its serial number ("USB\VID_1D90&PID_2060\A1234"), or, for
// a device without one, in a number the system made up, which always holds an '&'.
std::string SerialOf(HDEVINFO list, SP_DEVINFO_DATA* device) {
    char id[512] = {};
    if (!::SetupDiGetDeviceInstanceIdA(list, device, id, sizeof id, nullptr)) {
        return {};
    }
    const char* last = std::strrchr(id, '\\');
    if (last == nullptr || std::strchr(last, '&') != nullptr) {
        return {};
    }
    return last + 1;
}

// A transfer's result, with the errors Wine gives a serial line whose other end hung up (a
// pseudo-terminal's EIO: a broken pipe on reads, not ready on writes) told as Windows tells a
// port whose device has gone, so that the link ends the command there as it does on Windows.
BOOL TransferResult(BOOL succeeded) {
    if (!succeeded) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_BROKEN_PIPE || error == ERROR_NOT_READY) {
            ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        }
    }
    return succeeded;
}

}  // namespace

// Files, overlapped I/O, events.

HANDLE Win32Platform::CreateFileA(const char* path, DWORD access, DWORD share, void* security,
                                  DWORD disposition, DWORD flags, HANDLE templateFile) {
    // The system maps COMn: to its port, unless the program mapped it itself, and refuses a
    // second opener when the share mode is 0.
    lastOpenFailure_ = {};
    const auto mapped = path != nullptr ? mappedPorts_.find(path) : mappedPorts_.end();
    const char* name = mapped != mappedPorts_.end() ? mapped->second.first.c_str() : path;
    HANDLE file = ::CreateFileA(name, access, share, static_cast<LPSECURITY_ATTRIBUTES>(security),
                                disposition, flags, templateFile);
    if (file == INVALID_HANDLE_VALUE && mapped != mappedPorts_.end()) {
        const DWORD error = ::GetLastError();
        lastOpenFailure_ = {mapped->second.first, mapped->second.second, ""};
        ::SetLastError(error);
    }
    return file;
}

BOOL Win32Platform::ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read,
                             OVERLAPPED* overlapped) {
    // Complete at once with what the device has, else leave the request pending.
    return TransferResult(::ReadFile(file, buffer, count, read, overlapped));
}

BOOL Win32Platform::WriteFile(HANDLE file, const void* data, DWORD count, DWORD* written,
                              OVERLAPPED* overlapped) {
    // Write what the device takes now; the system keeps the request pending for the rest.
    return TransferResult(::WriteFile(file, data, count, written, overlapped));
}

BOOL Win32Platform::GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred,
                                        BOOL wait) {
    // Report the request (waiting for it when asked).
    return TransferResult(::GetOverlappedResult(file, overlapped, transferred, wait));
}

BOOL Win32Platform::CancelIoEx(HANDLE file, OVERLAPPED* overlapped) {
    // Drop the request; it completes as aborted and none of its bytes move afterwards.
    return ::CancelIoEx(file, overlapped);
}

HANDLE Win32Platform::CreateEventA(void* security, BOOL manualReset, BOOL initialState,
                                   const char* name) {
    return ::CreateEventA(static_cast<LPSECURITY_ATTRIBUTES>(security), manualReset, initialState,
                          name);
}

DWORD Win32Platform::WaitForSingleObject(HANDLE event, DWORD milliseconds) {
    // The system signals the event when the request that carries it completes.
    return ::WaitForSingleObject(event, milliseconds);
}

BOOL Win32Platform::CloseHandle(HANDLE handle) {
    // Requests still pending on a file complete as aborted.
    return ::CloseHandle(handle);
}

DWORD Win32Platform::GetLastError() {
    return ::GetLastError();
}

OpenFailureDetail Win32Platform::GetOpenFailureDetail() {
    // The system grants access itself and names no group; a port the program mapped is named.
    return lastOpenFailure_;
}

// Serial ports.

BOOL Win32Platform::GetCommState(HANDLE file, DCB* dcb) {
    // The port driver holds every field of the DCB.
    return ::GetCommState(file, dcb);
}

BOOL Win32Platform::SetCommState(HANDLE file, DCB* dcb) {
    // The port driver applies the DCB, including the DTR/DSR handshake, or refuses it whole.
    return ::SetCommState(file, dcb);
}

BOOL Win32Platform::GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
    return ::GetCommTimeouts(file, timeouts);
}

BOOL Win32Platform::SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
    return ::SetCommTimeouts(file, timeouts);
}

// A USB printer handle is no comm device, so the port call fails on it; what it holds is then read
// and dropped: each read either completes with waiting bytes or is cancelled at once.
BOOL Win32Platform::PurgeComm(HANDLE file, DWORD flags) {
    if (::PurgeComm(file, flags)) {
        return TRUE;
    }
    if ((flags & PURGE_RXCLEAR) == 0) {
        return FALSE;
    }
    OVERLAPPED record{};
    record.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (record.hEvent == nullptr) {
        return FALSE;
    }
    BYTE scratch[256];
    DWORD count = 0;
    for (DWORD dropped = 0; dropped < 64 * 1024; dropped += count) {
        count = 0;
        if (!::ReadFile(file, scratch, sizeof scratch, nullptr, &record)) {
            if (::GetLastError() != ERROR_IO_PENDING) {
                break;
            }
            ::CancelIoEx(file, &record);
        }
        if (!::GetOverlappedResult(file, &record, &count, TRUE) || count == 0) {
            break;
        }
    }
    ::CloseHandle(record.hEvent);
    return TRUE;
}

BOOL Win32Platform::SetCommMask(HANDLE file, DWORD mask) {
    return ::SetCommMask(file, mask);
}

BOOL Win32Platform::WaitCommEvent(HANDLE file, DWORD* mask, OVERLAPPED* overlapped) {
    return ::WaitCommEvent(file, mask, overlapped);
}

// Time.

// Milliseconds in 32 bits from the performance counter. ::GetTickCount moves in steps of the system
// timer (10 to 16 ms on Windows, 16 ms under Wine), too coarse for a 10 ms reply deadline: a step
// in the middle of gathering a long reply made one that came in time a time-out. Like
// ::GetTickCount it wraps after 49.7 days, and the link's deadline rule is written for that.
DWORD Win32Platform::GetTickCount() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER ticksPerSecond{};
        ::QueryPerformanceFrequency(&ticksPerSecond);
        return ticksPerSecond.QuadPart;
    }();
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    const LONGLONG seconds = now.QuadPart / frequency;
    const LONGLONG fraction = now.QuadPart % frequency;
    return static_cast<DWORD>(seconds * 1000 + fraction * 1000 / frequency);
}

void Win32Platform::Sleep(DWORD milliseconds) {
    ::Sleep(milliseconds);
}

// Device installation services.

HDEVINFO Win32Platform::SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator,
                                             HWND parent, DWORD flags) {
    // A snapshot of the present interfaces of the class, from the device-installation services.
    return ::SetupDiGetClassDevsA(classGuid, enumerator, parent, flags);
}

BOOL Win32Platform::SetupDiEnumDeviceInterfaces(HDEVINFO list, SP_DEVINFO_DATA* device,
                                                const GUID* classGuid, DWORD index,
                                                SP_DEVICE_INTERFACE_DATA* interfaceData) {
    return ::SetupDiEnumDeviceInterfaces(list, device, classGuid, index, interfaceData);
}

BOOL Win32Platform::SetupDiGetDeviceInterfaceDetailA(HDEVINFO list,
                                                     SP_DEVICE_INTERFACE_DATA* interfaceData,
                                                     SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                                     DWORD detailSize, DWORD* requiredSize,
                                                     SP_DEVINFO_DATA* device) {
    return ::SetupDiGetDeviceInterfaceDetailA(list, interfaceData, detail, detailSize, requiredSize,
                                              device);
}

BOOL Win32Platform::SetupDiGetDeviceRegistryPropertyA(HDEVINFO list, SP_DEVINFO_DATA* device,
                                                      DWORD property, DWORD* dataType, BYTE* buffer,
                                                      DWORD bufferSize, DWORD* requiredSize) {
    return ::SetupDiGetDeviceRegistryPropertyA(list, device, property, dataType, buffer, bufferSize,
                                               requiredSize);
}

BOOL Win32Platform::SetupDiDestroyDeviceInfoList(HDEVINFO list) {
    return ::SetupDiDestroyDeviceInfoList(list);
}

// What is attached, and which device COM1: stands for.

// The IEEE 1284 device id is left empty: on Windows only the open printer answers for it
// (IOCTL_USBPRINT_GET_1284_ID), and listing must open nothing.
BOOL Win32Platform::ListUsbPrinters(std::vector<UsbPrinterDescription>* printers) {
    HDEVINFO list = ::SetupDiGetClassDevsA(&GUID_DEVINTERFACE_USBPRINT, nullptr, nullptr,
                                           DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE) {
        return FALSE;
    }
    printers->clear();
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    for (DWORD index = 0; ::SetupDiEnumDeviceInterfaces(list, nullptr, &GUID_DEVINTERFACE_USBPRINT,
                                                        index, &interfaceData);
         ++index) {
        SP_DEVINFO_DATA device{};
        std::string path = InterfacePath(list, &interfaceData, &device);
        if (!path.empty()) {
            printers->push_back(
                {std::move(path), LocationOf(list, &device), "", SerialOf(list, &device)});
        }
    }
    ::SetupDiDestroyDeviceInfoList(list);
    return TRUE;
}

BOOL Win32Platform::ListSerialPorts(std::vector<SerialPortDescription>* ports) {
    const std::vector<char> names = DosDeviceNames();
    if (names.empty()) {
        return FALSE;
    }
    ports->clear();
    for (const char* name = names.data(); *name != '\0'; name += std::strlen(name) + 1) {
        if (IsPortName(name)) {
            ports->push_back({name, {}});
        }
    }
    std::sort(ports->begin(), ports->end(), [](const auto& a, const auto& b) {
        return a.device.size() != b.device.size() ? a.device.size() < b.device.size()
                                                  : a.device < b.device;
    });
    return TRUE;
}

// COM10 and above open only as "\\.\COM10", and the form works for every port.
BOOL Win32Platform::SetComPortDevice(DWORD number, const char* device, const char* origin) {
    const std::string port = DosPortName(device);
    char target[512];
    if (!IsPortName(port.c_str()) || ::QueryDosDeviceA(port.c_str(), target, sizeof target) == 0) {
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    char name[16];
    std::snprintf(name, sizeof name, "COM%lu:", static_cast<unsigned long>(number));
    mappedPorts_[name] = {"\\\\.\\" + port, origin};
    return TRUE;
}

// A port the program did not map is the system's own, named by its device object
// ("\\Device\\Serial0") as QueryDosDevice gives it, else by its name.
ComPortAssignment Win32Platform::GetComPortAssignment(DWORD number) {
    char name[16];
    std::snprintf(name, sizeof name, "COM%lu:", static_cast<unsigned long>(number));
    if (const auto mapped = mappedPorts_.find(name); mapped != mappedPorts_.end()) {
        return {mapped->second.first, mapped->second.second};
    }
    const std::string portName = name;
    char target[512];
    name[std::strlen(name) - 1] = '\0';
    if (::QueryDosDeviceA(name, target, sizeof target) == 0) {
        return {portName, ""};
    }
    return {target, ""};
}

Platform& SystemPlatform() {
    static Win32Platform platform;
    return platform;
}

}  // namespace tq
