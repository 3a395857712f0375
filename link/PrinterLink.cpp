#include "link/PrinterLink.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/MessageBoxes.h"
#include "framework/WindowOps.h"
#include "link/PrinterSelection.h"
#include "link/TimedTransfer.h"
#include "platform/Platform.h"

namespace tq {

namespace {

constexpr DWORD kPropertySize = 2048;

// The link state, one object for the process: the handles (ComHandle, UsbHandle, ActiveLink), the
// flags of the running command (ComOpened), the remembered DeviceState, what discovery read, the
// serial settings, and why the latest opens failed.
struct LinkState {
    HANDLE comHandle = INVALID_HANDLE_VALUE;
    HANDLE usbHandle = INVALID_HANDLE_VALUE;
    HANDLE activeLink = INVALID_HANDLE_VALUE;
    bool comOpened = false;
    // A command is between a successful OpenPrinterLink and its ClosePrinterLink.
    bool commandRunning = false;
    DeviceState deviceState = DeviceState::Unknown;
    char devicePath[kPropertySize] = {};
    // One byte past what a property may fill, so that its text always ends.
    char driverProperty[kPropertySize + 1] = {};
    char locationProperty[kPropertySize + 1] = {};
    // The USB path that usbHandle was opened from.
    char usbHandlePath[kPropertySize] = {};
    DCB serialSettings{};
    COMMTIMEOUTS serialTimeouts{};
    // USB handles replaced while a command still used them; closed when it ends.
    std::vector<HANDLE> retiredHandles;
    OpenFailure comOpenFailure;
    OpenFailure usbOpenFailure;

    // A running command may still be using the USB handle, from inside one of its message boxes.
    bool UsbHandleInUse() const {
        return commandRunning && usbHandle != INVALID_HANDLE_VALUE && usbHandle == activeLink;
    }
    // Lets go of UsbHandle: closed now, or at the end of the command that still uses it.
    void ReleaseUsbHandle() {
        if (usbHandle == INVALID_HANDLE_VALUE) {
            return;
        }
        if (UsbHandleInUse()) {
            retiredHandles.push_back(usbHandle);
        } else {
            os::CloseHandle(usbHandle);
        }
        usbHandle = INVALID_HANDLE_VALUE;
    }
};

LinkState g_link;

// Taken straight after the CreateFileA that failed, before any other call can change it.
OpenFailure OpenFailureNow() {
    const DWORD error = os::GetLastError();
    return {error, os::GetOpenFailureDetail()};
}

// Copies a zero-terminated path into a buffer of kPropertySize; false when it does not fit.
bool CopyPath(char* buffer, const char* path, std::size_t available) {
    const std::size_t length = strnlen(path, available);
    if (length >= kPropertySize) {
        return false;
    }
    std::memcpy(buffer, path, length);
    buffer[length] = '\0';
    return true;
}

// Reads a property of up to kPropertySize bytes, its terminator included, into a buffer one byte
// longer.
bool ReadProperty(HDEVINFO list, SP_DEVINFO_DATA* device, DWORD property,
                  char (&buffer)[kPropertySize + 1]) {
    buffer[0] = '\0';
    buffer[kPropertySize] = '\0';
    DWORD dataType = 0;
    return os::SetupDiGetDeviceRegistryPropertyA(list, device, property, &dataType,
                                                 reinterpret_cast<BYTE*>(buffer), kPropertySize,
                                                 nullptr) != FALSE;
}

// For one interface: asks how large its detail record is, allocates the record, reads it, and
// copies the device path it holds into devicePath. Returns false when the interface must count as
// not found; `allocated` tells whether the detail block could be had.
bool ReadDevicePath(HDEVINFO list, SP_DEVICE_INTERFACE_DATA* interfaceData, SP_DEVINFO_DATA* device,
                    bool& allocated) {
    DWORD requiredSize = 0;
    os::SetupDiGetDeviceInterfaceDetailA(list, interfaceData, nullptr, 0, &requiredSize, nullptr);
    // A size too small for the record's fixed part (0 when the interface vanished since it was
    // enumerated) would have cbSize written past the block.
    constexpr DWORD kFixedPart = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + 1;
    if (requiredSize < kFixedPart) {
        allocated = true;
        return false;
    }
    void* block = std::calloc(1, requiredSize);
    allocated = block != nullptr;
    if (!allocated) {
        return false;
    }
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block);
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    device->cbSize = sizeof(SP_DEVINFO_DATA);
    bool ok = os::SetupDiGetDeviceInterfaceDetailA(list, interfaceData, detail, requiredSize,
                                                   nullptr, device) != FALSE;
    if (ok) {
        // A path longer than the buffer counts as not found rather than overrunning it.
        const std::size_t available =
            requiredSize - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
        ok = CopyPath(g_link.devicePath, detail->DevicePath, available);
    }
    std::free(block);
    return ok;
}

// usblp admits one opener at a time: while a running command still uses the handle (a poll from
// inside one of its message boxes), the device is kept as it is held. Otherwise the old handle is
// closed before the new open, so a re-plugged printer gets a fresh handle.
bool KeepHeldUsbHandle() {
    if (g_link.UsbHandleInUse() && std::strcmp(g_link.usbHandlePath, g_link.devicePath) == 0) {
        return true;
    }
    g_link.ReleaseUsbHandle();
    return false;
}

// Opens the interface whose path discovery put in devicePath, for overlapped reads and writes, and
// keeps the handle and the path it was opened for; a handle still held for that path is kept
// instead.
bool OpenUsbInterface() {
    if (KeepHeldUsbHandle()) {
        return true;
    }
    g_link.usbHandle = os::CreateFileA(
        g_link.devicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
        FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_link.usbHandle == INVALID_HANDLE_VALUE) {
        g_link.usbOpenFailure = OpenFailureNow();
        return false;
    }
    std::memcpy(g_link.usbHandlePath, g_link.devicePath, kPropertySize);
    return true;
}

// The device paths of the attached printers that the named selection picks out. A path selector
// also counts when the listing fails, since the path alone says which interface it is.
std::vector<std::string> NamedPrinterPaths() {
    std::vector<std::string> paths;
    const PrinterSelection& selection = CurrentPrinterSelection();
    std::vector<UsbPrinterDescription> printers;
    if (os::ListUsbPrinters(&printers)) {
        for (const UsbPrinterDescription& printer : printers) {
            if (SelectorNames(selection.usbSelector, printer)) {
                paths.push_back(printer.devicePath);
            }
        }
    }
    paths.push_back(selection.usbSelector);
    return paths;
}

bool IsNamed(const std::vector<std::string>& namedPaths, const char* path) {
    for (const std::string& named : namedPaths) {
        if (named == path) {
            return true;
        }
    }
    return false;
}

void CloseRetiredHandles() {
    for (HANDLE handle : g_link.retiredHandles) {
        os::CloseHandle(handle);
    }
    g_link.retiredHandles.clear();
}

// 9600 baud, 8 data bits, no parity, one stop bit, hardware handshake, no XON/XOFF; the upper 17
// bits of the flag word keep the value the port gave.
void ApplyLineSettings(DCB& dcb) {
    dcb.BaudRate = 9600;
    dcb.fBinary = 1;
    dcb.fParity = 0;
    dcb.fOutxCtsFlow = 1;
    dcb.fOutxDsrFlow = 1;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fAbortOnError = 0;
    dcb.wReserved = 0;
    dcb.XonLim = 800;
    dcb.XoffLim = 200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    dcb.wReserved1 = 0;
}

// Reads return at once with whatever has arrived; writes have no total time-out.
void ApplyImmediateTimeouts(COMMTIMEOUTS& timeouts) {
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
}

int FailComSetup(const char* message) {
    AfxMessageBox(message, 0, 0);
    os::CloseHandle(g_link.comHandle);
    g_link.comHandle = INVALID_HANDLE_VALUE;
    return -1;
}

}  // namespace

// With a printer named, every other interface is passed over as if it were not there, and so is
// one whose path cannot be read (it cannot be told to be the named one); otherwise the first
// interface that can be examined is the one, as in the form.
int FindUsbPrinter() {
    g_link.usbOpenFailure = {};
    const PrinterChoice choice = CurrentPrinterSelection().choice;
    if (choice == PrinterChoice::ComOnly) {
        return 0;
    }
    const bool named = choice == PrinterChoice::NamedUsbOnly;
    const std::vector<std::string> namedPaths =
        named ? NamedPrinterPaths() : std::vector<std::string>{};
    HDEVINFO list = os::SetupDiGetClassDevsA(&GUID_DEVINTERFACE_USBPRINT, nullptr, nullptr,
                                             DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE) {
        return 0;
    }
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
    bool found = false;
    for (DWORD index = 0; os::SetupDiEnumDeviceInterfaces(
             list, nullptr, &GUID_DEVINTERFACE_USBPRINT, index, &interfaceData);) {
        ++index;
        SP_DEVINFO_DATA device{};
        bool allocated = false;
        const bool pathRead = ReadDevicePath(list, &interfaceData, &device, allocated);
        if (!allocated) {
            continue;  // no detail block for this one: try the next interface
        }
        if (named && (!pathRead || !IsNamed(namedPaths, g_link.devicePath))) {
            continue;
        }
        if (!pathRead || !ReadProperty(list, &device, SPDRP_DRIVER, g_link.driverProperty) ||
            !ReadProperty(list, &device, SPDRP_LOCATION_INFORMATION, g_link.locationProperty)) {
            os::SetupDiDestroyDeviceInfoList(list);
            return 0;
        }
        found = OpenUsbInterface();
        break;  // only the first interface that could be examined counts
    }
    os::SetupDiDestroyDeviceInfoList(list);
    return found ? 1 : 0;
}

void CloseUsbHandle() {
    g_link.ReleaseUsbHandle();
}

DeviceEvent PollUsbPrinter() {
    const bool found = FindUsbPrinter() == 1;
    const DeviceState before = g_link.deviceState;
    g_link.deviceState = found ? DeviceState::Online : DeviceState::Offline;
    if (found) {
        return before == DeviceState::Online ? DeviceEvent::NoChange : DeviceEvent::CameOnline;
    }
    return before == DeviceState::Offline ? DeviceEvent::NoChange : DeviceEvent::WentOffline;
}

int OpenComPort() {
    g_link.comHandle = os::CreateFileA(kPrinterPortName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (g_link.comHandle == INVALID_HANDLE_VALUE) {
        g_link.comOpenFailure = OpenFailureNow();
        AfxMessageBox("Error opening printer", 0, 0);
        return -1;
    }
    g_link.comOpenFailure = {};
    if (!os::GetCommState(g_link.comHandle, &g_link.serialSettings)) {
        return FailComSetup("error getting DCB");
    }
    ApplyLineSettings(g_link.serialSettings);
    // Not tested: a port that refuses the settings still opens with whatever it keeps.
    os::SetCommState(g_link.comHandle, &g_link.serialSettings);
    if (!os::GetCommState(g_link.comHandle, &g_link.serialSettings)) {
        return FailComSetup("error getting DCB after set");
    }
    if (!os::GetCommTimeouts(g_link.comHandle, &g_link.serialTimeouts)) {
        return FailComSetup("GetCommTimeouts failed");
    }
    ApplyImmediateTimeouts(g_link.serialTimeouts);
    if (!os::SetCommTimeouts(g_link.comHandle, &g_link.serialTimeouts)) {
        return FailComSetup("SetCommTimeouts failed");
    }
    return 0;
}

int OpenPrinterLink() {
    ClearLinkLost();
    g_link.comOpened = false;
    PollUsbPrinter();
    if (g_link.deviceState == DeviceState::Online) {
        g_link.activeLink = g_link.usbHandle;
        g_link.commandRunning = true;
        return 0;
    }
    // A printer named by the user is that printer or none: whatever is on COM1: is another one.
    if (CurrentPrinterSelection().choice == PrinterChoice::NamedUsbOnly) {
        g_link.comOpenFailure = {};
        AfxMessageBox("Error opening printer", 0, 0);
        return -1;
    }
    if (OpenComPort() != 0) {
        return -1;
    }
    g_link.activeLink = g_link.comHandle;
    g_link.comOpened = true;
    g_link.commandRunning = true;
    return 0;
}

// A quiet period still owed is paid here, on the link the command used, before COM1: is let go:
// the next command, or the next run of the program, may open the line at once.
void ClosePrinterLink() {
    if (g_link.commandRunning) {
        PayOwedQuiet();
    }
    g_link.commandRunning = false;
    CloseRetiredHandles();
    if (!g_link.comOpened) {
        return;
    }
    g_link.comOpened = false;
    if (g_link.comHandle != INVALID_HANDLE_VALUE) {
        os::CloseHandle(g_link.comHandle);
        g_link.comHandle = INVALID_HANDLE_VALUE;
    }
}

void HandleDeviceChange(WindowOps& form) {
    switch (PollUsbPrinter()) {
        case DeviceEvent::CameOnline:
            form.MessageBox("Device Online", "WM_DEVICECHANGE", kMbIconInformation);
            break;
        case DeviceEvent::WentOffline:
            CloseUsbHandle();
            form.MessageBox("Usb offline, assuming COM1:", "WM_DEVICECHANGE", kMbIconInformation);
            break;
        case DeviceEvent::NoChange:
            break;
    }
}

HANDLE ActiveLink() {
    return g_link.activeLink;
}
HANDLE UsbHandle() {
    return g_link.usbHandle;
}
HANDLE ComHandle() {
    return g_link.comHandle;
}
bool ComOpened() {
    return g_link.comOpened;
}
DeviceState CurrentDeviceState() {
    return g_link.deviceState;
}
const char* UsbDevicePath() {
    return g_link.devicePath;
}
const DCB& SerialSettings() {
    return g_link.serialSettings;
}
const COMMTIMEOUTS& SerialTimeouts() {
    return g_link.serialTimeouts;
}
const OpenFailure& LastComOpenFailure() {
    return g_link.comOpenFailure;
}
const OpenFailure& LastUsbOpenFailure() {
    return g_link.usbOpenFailure;
}

void ResetPrinterLinkForTest() {
    g_link = LinkState{};
    SelectPrinter({});
    ResetTransfersForTest();
}

}  // namespace tq
