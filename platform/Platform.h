// The operating-system seam. Every call that the printer link makes to the system goes through
// here: the Win32 file, overlapped-I/O, serial-port, timing and device-installation calls, by
// their Win32 names. One implementation is installed at start-up: the real Win32 API on Windows,
// our own of the same subset on POSIX (termios, usblp, libudev, the monotonic clock), or the
// scriptable fake of the unit tests. The free functions in tq::os forward to the installed one, so
// the link code calls os::CreateFileA or os::ReadFile step for step as a Win32 program does. They
// are called qualified: on Windows, argument-dependent lookup on the real OVERLAPPED or DCB would
// otherwise find the real API beside them and make every call ambiguous. A few calls of our own
// sit beside them, for what the link has no Win32 call for: why an open failed, what is attached
// (for choosing one printer among several), and which device COM1: stands for.
#pragma once

#include <string>
#include <vector>

#include "platform/Win32Types.h"

namespace tq {

// The serial port that the printer link opens when no USB printer is online: by its name, and by
// its number, under which --port maps it to another device.
inline constexpr DWORD kPrinterPortNumber = 1;
inline constexpr const char* kPrinterPortName = "COM1:";
static_assert(kPrinterPortName[3] - '0' == kPrinterPortNumber && kPrinterPortName[4] == ':');

// On POSIX, the environment variable that maps "COMn:" to a device: TQ9000_COM1 for COM1:.
inline std::string ComPortVariable(DWORD number) {
    return "TQ9000_COM" + std::to_string(number);
}

// What a platform knows of the latest CreateFileA on this thread that failed, beyond the error
// code that GetLastError gives: which device the name stood for and the setting that mapped it
// there, and, when access was denied, the group whose members may open the device. The front end
// turns it into advice; the platform itself never tells the user anything. Empty fields: not known.
struct OpenFailureDetail {
    std::string device;   // e.g. "/dev/ttyS0" for "COM1:"
    std::string setting;  // e.g. "TQ9000_COM1", when that variable mapped the name
    std::string group;    // e.g. "dialout", with ERROR_ACCESS_DENIED
};

// The device that a "COMn:" name stands for, and the setting that maps it there (empty for the
// system's own port assignment).
struct ComPortDevice {
    std::string device;   // e.g. "/dev/pts/3", "\\Device\\Serial0"
    std::string setting;  // e.g. "TQ9000_COM1", "--port"
};

// A USB printer interface as the system describes it without opening it, for choosing one printer
// among several. Empty fields: not known.
struct UsbPrinterDescription {
    std::string devicePath;  // the interface's path, as discovery's detail record gives it
    std::string location;    // its USB port path, as SPDRP_LOCATION_INFORMATION gives it
    std::string deviceId;    // the IEEE 1284 device id the printer reported when it was attached
    std::string usbSerial;   // the USB device's serial-number string
};

// The device that "COMn:" stands for now, and the setting that mapped it there, for saying which
// port a run used. Nothing is opened to find it.
struct ComPortAssignment {
    std::string device;   // "/dev/ttyUSB0", "/dev/ttyS0"; on Windows "COM1:" or "\\.\COM3"
    std::string setting;  // "--port", "TQ9000_COM1"; empty for the system's own assignment
};

// A serial port of the system, with the names under which it stays the same across re-plugs.
struct SerialPortDescription {
    std::string device;                    // "/dev/ttyUSB0", "COM3"
    std::vector<std::string> stableNames;  // "/dev/serial/by-id/...", "/dev/serial/by-path/..."
};

class Platform {
public:
    virtual ~Platform() = default;

    // Files, overlapped I/O, events.
    virtual HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* security,
                               DWORD disposition, DWORD flags, HANDLE templateFile) = 0;
    virtual BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read,
                          OVERLAPPED* overlapped) = 0;
    virtual BOOL WriteFile(HANDLE file, const void* data, DWORD count, DWORD* written,
                           OVERLAPPED* overlapped) = 0;
    virtual BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred,
                                     BOOL wait) = 0;
    // Cancels the request of that record (CancelIoEx). The request still completes, as aborted;
    // a waiting GetOverlappedResult collects it.
    virtual BOOL CancelIoEx(HANDLE file, OVERLAPPED* overlapped) = 0;
    virtual HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState,
                                const char* name) = 0;
    // Waits for the request whose completion event this is, without using the processor.
    virtual DWORD WaitForSingleObject(HANDLE event, DWORD milliseconds) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;
    virtual DWORD GetLastError() = 0;
    // Read, like GetLastError, straight after a CreateFileA that failed.
    virtual OpenFailureDetail GetOpenFailureDetail() = 0;

    // Serial ports.
    virtual BOOL GetCommState(HANDLE file, DCB* dcb) = 0;
    virtual BOOL SetCommState(HANDLE file, DCB* dcb) = 0;
    virtual BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) = 0;
    virtual BOOL SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) = 0;
    // Discards what the device has received and nobody has read yet. Unlike Win32's, ours also
    // works on a USB printer handle, where it reads and drops what is waiting.
    virtual BOOL PurgeComm(HANDLE file, DWORD flags) = 0;
    // The event wait of a serial port: with EV_RXCHAR in the mask, an overlapped WaitCommEvent
    // completes when a byte arrives, so that a read can wait for its first byte.
    virtual BOOL SetCommMask(HANDLE file, DWORD mask) = 0;
    virtual BOOL WaitCommEvent(HANDLE file, DWORD* mask, OVERLAPPED* overlapped) = 0;

    // Time.
    virtual DWORD GetTickCount() = 0;
    virtual void Sleep(DWORD milliseconds) = 0;

    // Device installation services: the present interfaces of a device-interface class.
    virtual HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator,
                                          HWND parent, DWORD flags) = 0;
    virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO list, SP_DEVINFO_DATA* device,
                                             const GUID* classGuid, DWORD index,
                                             SP_DEVICE_INTERFACE_DATA* interfaceData) = 0;
    virtual BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO list,
                                                  SP_DEVICE_INTERFACE_DATA* interfaceData,
                                                  SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                                  DWORD detailSize, DWORD* requiredSize,
                                                  SP_DEVINFO_DATA* device) = 0;
    virtual BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO list, SP_DEVINFO_DATA* device,
                                                   DWORD property, DWORD* dataType, BYTE* buffer,
                                                   DWORD bufferSize, DWORD* requiredSize) = 0;
    virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO list) = 0;

    // Our own calls, beside the Win32 ones: what is attached, and which device COM1: stands for.
    // None of them opens a device or sends anything. FALSE with the error for GetLastError when
    // they fail.
    // The USB printer interfaces present, in the order discovery enumerates them.
    virtual BOOL ListUsbPrinters(std::vector<UsbPrinterDescription>* printers) = 0;
    // The serial ports present, those without hardware behind them left out.
    virtual BOOL ListSerialPorts(std::vector<SerialPortDescription>* ports) = 0;
    // From now on in this process, "COMn:" opens `device` instead of the port the system assigns
    // (on POSIX also instead of $TQ9000_COMn); `origin` names who asked ("--port"), reported as
    // the setting in GetOpenFailureDetail. ERROR_FILE_NOT_FOUND when no such device is present.
    virtual BOOL SetComPortDevice(DWORD number, const char* device, const char* origin) = 0;
    // Which device "COMn:" opens now: the one SetComPortDevice gave it, else (on POSIX)
    // $TQ9000_COMn, else the system's own port.
    virtual ComPortAssignment GetComPortAssignment(DWORD number) = 0;
};

// The platform in use. Until one is installed, this is the system's own (Win32 on Windows, POSIX
// elsewhere), created on first use.
Platform& CurrentPlatform();
// Installs a platform (the fake, in tests); returns the one it replaces (nullptr: the system's).
Platform* SetPlatform(Platform* platform);

class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform* platform) : previous_(SetPlatform(platform)) {}
    ~ScopedPlatform() { SetPlatform(previous_); }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* previous_;
};

// The system's own platform, defined by the one implementation linked in (posix/ or win32/).
Platform& SystemPlatform();

// The calls by their Win32 names, forwarded to the platform in use.
namespace os {

inline HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* security,
                          DWORD disposition, DWORD flags, HANDLE templateFile) {
    return CurrentPlatform().CreateFileA(path, access, share, security, disposition, flags,
                                         templateFile);
}
inline BOOL ReadFile(HANDLE f, void* buffer, DWORD count, DWORD* read, OVERLAPPED* ov) {
    return CurrentPlatform().ReadFile(f, buffer, count, read, ov);
}
inline BOOL WriteFile(HANDLE f, const void* data, DWORD count, DWORD* written, OVERLAPPED* ov) {
    return CurrentPlatform().WriteFile(f, data, count, written, ov);
}
inline BOOL GetOverlappedResult(HANDLE f, OVERLAPPED* ov, DWORD* transferred, BOOL wait) {
    return CurrentPlatform().GetOverlappedResult(f, ov, transferred, wait);
}
inline BOOL CancelIoEx(HANDLE f, OVERLAPPED* ov) {
    return CurrentPlatform().CancelIoEx(f, ov);
}
inline HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState, const char* name) {
    return CurrentPlatform().CreateEventA(security, manualReset, initialState, name);
}
inline DWORD WaitForSingleObject(HANDLE event, DWORD ms) {
    return CurrentPlatform().WaitForSingleObject(event, ms);
}
inline BOOL CloseHandle(HANDLE h) {
    return CurrentPlatform().CloseHandle(h);
}
inline DWORD GetLastError() {
    return CurrentPlatform().GetLastError();
}
inline OpenFailureDetail GetOpenFailureDetail() {
    return CurrentPlatform().GetOpenFailureDetail();
}
inline BOOL GetCommState(HANDLE f, DCB* dcb) {
    return CurrentPlatform().GetCommState(f, dcb);
}
inline BOOL SetCommState(HANDLE f, DCB* dcb) {
    return CurrentPlatform().SetCommState(f, dcb);
}
inline BOOL GetCommTimeouts(HANDLE f, COMMTIMEOUTS* t) {
    return CurrentPlatform().GetCommTimeouts(f, t);
}
inline BOOL SetCommTimeouts(HANDLE f, COMMTIMEOUTS* t) {
    return CurrentPlatform().SetCommTimeouts(f, t);
}
inline BOOL PurgeComm(HANDLE f, DWORD flags) {
    return CurrentPlatform().PurgeComm(f, flags);
}
inline BOOL SetCommMask(HANDLE f, DWORD mask) {
    return CurrentPlatform().SetCommMask(f, mask);
}
inline BOOL WaitCommEvent(HANDLE f, DWORD* mask, OVERLAPPED* ov) {
    return CurrentPlatform().WaitCommEvent(f, mask, ov);
}
inline DWORD GetTickCount() {
    return CurrentPlatform().GetTickCount();
}
inline void Sleep(DWORD ms) {
    CurrentPlatform().Sleep(ms);
}
inline HDEVINFO SetupDiGetClassDevsA(const GUID* g, const char* e, HWND p, DWORD flags) {
    return CurrentPlatform().SetupDiGetClassDevsA(g, e, p, flags);
}
inline BOOL SetupDiEnumDeviceInterfaces(HDEVINFO l, SP_DEVINFO_DATA* d, const GUID* g, DWORD i,
                                        SP_DEVICE_INTERFACE_DATA* data) {
    return CurrentPlatform().SetupDiEnumDeviceInterfaces(l, d, g, i, data);
}
inline BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO l, SP_DEVICE_INTERFACE_DATA* data,
                                             SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD size,
                                             DWORD* required, SP_DEVINFO_DATA* d) {
    return CurrentPlatform().SetupDiGetDeviceInterfaceDetailA(l, data, detail, size, required, d);
}
inline BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO l, SP_DEVINFO_DATA* d, DWORD property,
                                              DWORD* type, BYTE* buffer, DWORD size,
                                              DWORD* required) {
    return CurrentPlatform().SetupDiGetDeviceRegistryPropertyA(l, d, property, type, buffer, size,
                                                               required);
}
inline BOOL SetupDiDestroyDeviceInfoList(HDEVINFO l) {
    return CurrentPlatform().SetupDiDestroyDeviceInfoList(l);
}
inline BOOL ListUsbPrinters(std::vector<UsbPrinterDescription>* printers) {
    return CurrentPlatform().ListUsbPrinters(printers);
}
inline BOOL ListSerialPorts(std::vector<SerialPortDescription>* ports) {
    return CurrentPlatform().ListSerialPorts(ports);
}
inline BOOL SetComPortDevice(DWORD number, const char* device, const char* origin) {
    return CurrentPlatform().SetComPortDevice(number, device, origin);
}
inline ComPortAssignment GetComPortAssignment(DWORD number) {
    return CurrentPlatform().GetComPortAssignment(number);
}

}  // namespace os
}  // namespace tq
