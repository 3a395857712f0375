#include "link/PrinterLink.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "framework/MessageBoxes.h"
#include "framework/WindowOps.h"
#include "link/LinkState.h"
#include "link/PrinterSelection.h"
#include "platform/Platform.h"

namespace tq {

namespace {

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

// Why an open failed, from the system's error: the classes a user can act on, each with one clear
// remedy, and every other error kept as it is.
FailureCause OpenCause(DWORD error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
            return FailureCause::Busy;
        case ERROR_ACCESS_DENIED:
            return FailureCause::Permission;
        case ERROR_SUCCESS:  // a named printer that discovery did not find
        case ERROR_FILE_NOT_FOUND:
        case ERROR_DEV_NOT_EXIST:
            return FailureCause::Absent;
        case ERROR_DEVICE_NOT_CONNECTED:
            return FailureCause::NoDevice;
        default:
            return FailureCause::OsError;
    }
}

bool IsNamed(const std::vector<std::string>& namedPaths, const char* path) {
    for (const std::string& named : namedPaths) {
        if (named == path) {
            return true;
        }
    }
    return false;
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

}  // namespace

PrinterLink::PrinterLink()
    : link_(std::make_unique<LinkState>()), transfers_(std::make_unique<TransferState>()) {}

// The program leaves its handles to the system at exit; a link that ends before the process does
// (a second form's, a test's) lets go of what it holds.
PrinterLink::~PrinterLink() {
    ClosePrinterLink();
    CloseUsbHandle();
    CloseRetiredHandles();
}

void PrinterLink::SelectPrinter(const PrinterSelection& selection) {
    selection_ = selection;
}

// Discovery for one interface: the detail record into devicePath. Returns false when the interface
// must count as not found; `allocated` tells whether the detail block could be had.
bool PrinterLink::ReadDevicePath(HDEVINFO list, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                 SP_DEVINFO_DATA* device, bool& allocated) {
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
        ok = CopyPath(link_->devicePath, detail->DevicePath, available);
    }
    std::free(block);
    return ok;
}

// usblp admits one opener at a time: while a running command still uses the handle (a poll from
// inside one of its message boxes), the device is kept as it is held. Otherwise the old handle is
// closed before the new open, so a re-plugged printer gets a fresh handle.
bool PrinterLink::KeepHeldUsbHandle() {
    if (link_->UsbHandleInUse() && std::strcmp(link_->usbHandlePath, link_->devicePath) == 0) {
        return true;
    }
    link_->ReleaseUsbHandle();
    return false;
}

// The interface found is opened for reading and writing, shared for reading, overlapped.
bool PrinterLink::OpenUsbInterface() {
    if (KeepHeldUsbHandle()) {
        return true;
    }
    link_->usbHandle = os::CreateFileA(
        link_->devicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
        FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (link_->usbHandle == INVALID_HANDLE_VALUE) {
        link_->usbOpenFailure = OpenFailureNow();
        return false;
    }
    std::memcpy(link_->usbHandlePath, link_->devicePath, kPropertySize);
    return true;
}

// The device paths of the attached printers that the named selection picks out. A path selector
// also counts when the listing fails, since the path alone says which interface it is.
std::vector<std::string> PrinterLink::NamedPrinterPaths() const {
    std::vector<std::string> paths;
    std::vector<UsbPrinterDescription> printers;
    if (os::ListUsbPrinters(&printers)) {
        for (const UsbPrinterDescription& printer : printers) {
            if (SelectorNames(selection_.usbSelector, printer)) {
                paths.push_back(printer.devicePath);
            }
        }
    }
    paths.push_back(selection_.usbSelector);
    return paths;
}

void PrinterLink::CloseRetiredHandles() {
    for (HANDLE handle : link_->retiredHandles) {
        os::CloseHandle(handle);
    }
    link_->retiredHandles.clear();
}

Failure PrinterLink::OpenFailureValue(const OpenFailure& open, LinkKind link) const {
    Failure failure;
    failure.step = FailedStep::Open;
    failure.cause = OpenCause(open.error);
    failure.link = link;
    failure.osError = open.error;
    failure.device = open.detail.device;
    failure.setting = open.detail.setting;
    failure.group = open.detail.group;
    if (selection_.choice == PrinterChoice::NamedUsbOnly) {
        failure.namedPrinter = selection_.usbSelector;
    }
    return failure;
}

int PrinterLink::FailComSetup(MessageId id) {
    Failure failure;
    failure.step = FailedStep::Setup;
    failure.link = LinkKind::Com;
    failure.osError = os::GetLastError();
    Report(id, failure);
    os::CloseHandle(link_->comHandle);
    link_->comHandle = INVALID_HANDLE_VALUE;
    return -1;
}

// With a printer named, every other interface is passed over as if it were not there, and so is
// one whose path cannot be read (it cannot be told to be the named one); otherwise the first
// interface that can be examined is the one, as in the form.
int PrinterLink::FindUsbPrinter() {
    LinkState& link = *link_;
    link.usbOpenFailure = {};
    const PrinterChoice choice = selection_.choice;
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
        if (named && (!pathRead || !IsNamed(namedPaths, link.devicePath))) {
            continue;
        }
        if (!pathRead || !ReadProperty(list, &device, SPDRP_DRIVER, link.driverProperty) ||
            !ReadProperty(list, &device, SPDRP_LOCATION_INFORMATION, link.locationProperty)) {
            os::SetupDiDestroyDeviceInfoList(list);
            return 0;
        }
        found = OpenUsbInterface();
        break;  // only the first interface that could be examined counts
    }
    os::SetupDiDestroyDeviceInfoList(list);
    return found ? 1 : 0;
}

void PrinterLink::CloseUsbHandle() {
    link_->ReleaseUsbHandle();
}

DeviceEvent PrinterLink::PollUsbPrinter() {
    const bool found = FindUsbPrinter() == 1;
    const DeviceState before = link_->deviceState;
    link_->deviceState = found ? DeviceState::Online : DeviceState::Offline;
    if (found) {
        return before == DeviceState::Online ? DeviceEvent::NoChange : DeviceEvent::CameOnline;
    }
    return before == DeviceState::Offline ? DeviceEvent::NoChange : DeviceEvent::WentOffline;
}

int PrinterLink::OpenComPort() {
    LinkState& link = *link_;
    link.comHandle = os::CreateFileA("COM1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (link.comHandle == INVALID_HANDLE_VALUE) {
        link.comOpenFailure = OpenFailureNow();
        Report(MessageId::ErrorOpeningPrinterPort,
               OpenFailureValue(link.comOpenFailure, LinkKind::Com));
        return -1;
    }
    link.comOpenFailure = {};
    if (!os::GetCommState(link.comHandle, &link.serialSettings)) {
        return FailComSetup(MessageId::ErrorGettingDcb);
    }
    ApplyLineSettings(link.serialSettings);
    // Not tested: a port that refuses the settings still opens with whatever it keeps.
    os::SetCommState(link.comHandle, &link.serialSettings);
    if (!os::GetCommState(link.comHandle, &link.serialSettings)) {
        return FailComSetup(MessageId::ErrorGettingDcbAfterSet);
    }
    if (!os::GetCommTimeouts(link.comHandle, &link.serialTimeouts)) {
        return FailComSetup(MessageId::GetCommTimeoutsFailed);
    }
    ApplyImmediateTimeouts(link.serialTimeouts);
    if (!os::SetCommTimeouts(link.comHandle, &link.serialTimeouts)) {
        return FailComSetup(MessageId::SetCommTimeoutsFailed);
    }
    return 0;
}

int PrinterLink::OpenPrinterLink() {
    LinkState& link = *link_;
    transfers_->linkLost = false;
    link.comOpened = false;
    PollUsbPrinter();
    if (link.deviceState == DeviceState::Online) {
        link.activeLink = link.usbHandle;
        link.commandRunning = true;
        return 0;
    }
    // A printer named by the user is that printer or none: whatever is on COM1: is another one.
    if (selection_.choice == PrinterChoice::NamedUsbOnly) {
        link.comOpenFailure = {};
        Report(MessageId::ErrorOpeningPrinterPort,
               OpenFailureValue(link.usbOpenFailure, LinkKind::Usb));
        return -1;
    }
    if (OpenComPort() != 0) {
        return -1;
    }
    link.activeLink = link.comHandle;
    link.comOpened = true;
    link.commandRunning = true;
    return 0;
}

// A command never ends owing the line its quiet period: a late reply would answer the next one.
void PrinterLink::ClosePrinterLink() {
    LinkState& link = *link_;
    if (link.commandRunning) {
        PayOwedQuiet();
    }
    link.commandRunning = false;
    CloseRetiredHandles();
    if (!link.comOpened) {
        return;
    }
    link.comOpened = false;
    if (link.comHandle != INVALID_HANDLE_VALUE) {
        os::CloseHandle(link.comHandle);
        link.comHandle = INVALID_HANDLE_VALUE;
    }
}

void PrinterLink::HandleDeviceChange(WindowOps& form) {
    switch (PollUsbPrinter()) {
        case DeviceEvent::CameOnline:
            form.ShowMessage(MessageId::NoticeOnline);
            break;
        case DeviceEvent::WentOffline:
            CloseUsbHandle();
            form.ShowMessage(MessageId::NoticeOffline);
            break;
        case DeviceEvent::NoChange:
            break;
    }
}

void PrinterLink::Report(MessageId id, Failure failure) {
    Note(failure);
    ShowMessage(id, std::move(failure));
}

void PrinterLink::Note(const Failure& failure) {
    latestFailure_ = failure;
    if (!firstFailure_) {
        firstFailure_ = failure;
    }
}

void PrinterLink::BeginCommand() {
    firstFailure_.reset();
}

LinkKind PrinterLink::ActiveLinkKind() const {
    if (link_->activeLink == INVALID_HANDLE_VALUE) {
        return LinkKind::None;
    }
    return link_->comOpened ? LinkKind::Com : LinkKind::Usb;
}

std::optional<Failure> PrinterLink::UsbOpenFailureValue() const {
    if (link_->usbOpenFailure.error == ERROR_SUCCESS) {
        return std::nullopt;
    }
    return OpenFailureValue(link_->usbOpenFailure, LinkKind::Usb);
}

HANDLE PrinterLink::ActiveLink() const {
    return link_->activeLink;
}
HANDLE PrinterLink::UsbHandle() const {
    return link_->usbHandle;
}
HANDLE PrinterLink::ComHandle() const {
    return link_->comHandle;
}
bool PrinterLink::ComOpened() const {
    return link_->comOpened;
}
DeviceState PrinterLink::CurrentDeviceState() const {
    return link_->deviceState;
}
const char* PrinterLink::UsbDevicePath() const {
    return link_->devicePath;
}
const DCB& PrinterLink::SerialSettings() const {
    return link_->serialSettings;
}
const COMMTIMEOUTS& PrinterLink::SerialTimeouts() const {
    return link_->serialTimeouts;
}
const OpenFailure& PrinterLink::LastComOpenFailure() const {
    return link_->comOpenFailure;
}
const OpenFailure& PrinterLink::LastUsbOpenFailure() const {
    return link_->usbOpenFailure;
}

}  // namespace tq
