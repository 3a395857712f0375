#include "platform/posix/PosixPlatform.h"

#include <time.h>

#include <cerrno>

#include "platform/posix/DeviceInfoList.h"
#include "platform/posix/Errors.h"
#include "platform/posix/OpenFile.h"
#include "platform/posix/OverlappedIo.h"
#include "platform/posix/SerialPort.h"
#include "platform/posix/SysfsSerialPorts.h"
#include "platform/posix/UdevPrinters.h"

namespace tq {

using namespace posix;

namespace {

// Runs a call on the object behind a handle, or fails as Win32 does for a handle of another kind
// or one already closed.
template <class T, class Call>
BOOL OnObject(const HandleTable& handles, HANDLE handle, Call call) {
    const auto object = handles.FindAs<T>(handle);
    return object != nullptr ? call(*object) : Fail(ERROR_INVALID_HANDLE);
}

}  // namespace

// Files, overlapped I/O, events.

HANDLE PosixPlatform::CreateFileA(const char* path, DWORD access, DWORD share, void* /*security*/,
                                  DWORD /*disposition*/, DWORD flags, HANDLE /*templateFile*/) {
    // Map COMn: to its device, open non-blocking, take the exclusive lock for share mode 0.
    return OpenFile(handles_, path, access, share, flags);
}

BOOL PosixPlatform::ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read,
                             OVERLAPPED* overlapped) {
    // Complete at once with what the device has, else leave the request pending.
    return OnObject<FileObject>(handles_, file, [&](FileObject& object) {
        return ReadOn(object, buffer, count, read, overlapped);
    });
}

BOOL PosixPlatform::WriteFile(HANDLE file, const void* data, DWORD count, DWORD* written,
                              OVERLAPPED* overlapped) {
    // Write what the device takes now; keep a copy of the rest in a pending request.
    return OnObject<FileObject>(handles_, file, [&](FileObject& object) {
        return WriteOn(object, data, count, written, overlapped);
    });
}

BOOL PosixPlatform::GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred,
                                        BOOL wait) {
    // Try the pending request again (waiting for the descriptor when asked), then report it.
    return OnObject<FileObject>(handles_, file, [&](FileObject& object) {
        return CollectResult(object, overlapped, transferred, wait);
    });
}

BOOL PosixPlatform::CancelIoEx(HANDLE file, OVERLAPPED* overlapped) {
    // Drop the request; it completes as aborted and none of its bytes move afterwards.
    return OnObject<FileObject>(
        handles_, file, [&](FileObject& object) { return CancelRequests(object, overlapped); });
}

// The event is a name for "the request whose record carries it": waits look the request up.
HANDLE PosixPlatform::CreateEventA(void* /*security*/, BOOL /*manualReset*/, BOOL /*initialState*/,
                                   const char* /*name*/) {
    return handles_.Add(std::make_shared<EventObject>());
}

DWORD PosixPlatform::WaitForSingleObject(HANDLE event, DWORD milliseconds) {
    // Poll the descriptor of the event's pending request; no pending request means completed.
    if (handles_.FindAs<EventObject>(event) == nullptr) {
        Fail(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return WaitForEventRequest(handles_, event, milliseconds);
}

BOOL PosixPlatform::CloseHandle(HANDLE handle) {
    // Requests still pending on a file complete as aborted; the descriptor closes with the object.
    const auto object = handles_.Remove(handle);
    if (object == nullptr)
        return Fail(ERROR_INVALID_HANDLE);
    if (auto file = std::dynamic_pointer_cast<FileObject>(object)) {
        CancelRequests(*file, nullptr);
    }
    return TRUE;
}

DWORD PosixPlatform::GetLastError() {
    return LastErrorCode();
}

OpenFailureDetail PosixPlatform::GetOpenFailureDetail() {
    return LastOpenFailureDetail();
}

// Serial ports.

BOOL PosixPlatform::GetCommState(HANDLE file, DCB* dcb) {
    // termios for what it holds, the handle's copy of the last DCB for the rest.
    return OnObject<FileObject>(handles_, file,
                                [&](FileObject& object) { return ReadCommState(object, dcb); });
}

BOOL PosixPlatform::SetCommState(HANDLE file, DCB* dcb) {
    // Translate to termios, apply, set the modem lines, keep the DCB.
    return OnObject<FileObject>(handles_, file,
                                [&](FileObject& object) { return WriteCommState(object, dcb); });
}

BOOL PosixPlatform::GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
    return OnObject<FileObject>(
        handles_, file, [&](FileObject& object) { return ReadCommTimeouts(object, timeouts); });
}

BOOL PosixPlatform::SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
    return OnObject<FileObject>(
        handles_, file, [&](FileObject& object) { return WriteCommTimeouts(object, timeouts); });
}

BOOL PosixPlatform::PurgeComm(HANDLE file, DWORD flags) {
    // Flush the line discipline's input (tcflush), or read and drop what a printer node holds.
    return OnObject<FileObject>(handles_, file,
                                [&](FileObject& object) { return PurgeOn(object, flags); });
}

BOOL PosixPlatform::SetCommMask(HANDLE file, DWORD mask) {
    // Only remembered: the event wait polls for what the mask asks.
    return OnObject<FileObject>(handles_, file, [&](FileObject& object) {
        if (object.kind != FileKind::Serial) {
            return Fail(ERROR_NOT_SUPPORTED);
        }
        object.commMask = mask;
        return TRUE;
    });
}

BOOL PosixPlatform::WaitCommEvent(HANDLE file, DWORD* mask, OVERLAPPED* overlapped) {
    // Complete at once when a byte is waiting, else pend until poll() says one is.
    return OnObject<FileObject>(handles_, file, [&](FileObject& object) {
        return WaitCommEventOn(object, mask, overlapped);
    });
}

// Time.

// Milliseconds of CLOCK_MONOTONIC in 32 bits: it wraps after 49.7 days, as the Windows counter
// does, and the link's deadline rule is written for that.
DWORD PosixPlatform::GetTickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const unsigned long long ms =
        static_cast<unsigned long long>(now.tv_sec) * 1000ULL + now.tv_nsec / 1000000;
    return static_cast<DWORD>(ms);
}

void PosixPlatform::Sleep(DWORD milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

// Device installation services.

HDEVINFO PosixPlatform::SetupDiGetClassDevsA(const GUID* classGuid, const char* /*enumerator*/,
                                             HWND /*parent*/, DWORD flags) {
    // A snapshot of the present printer interfaces, from udev.
    return MakeDeviceList(handles_, classGuid, flags);
}

BOOL PosixPlatform::SetupDiEnumDeviceInterfaces(HDEVINFO list, SP_DEVINFO_DATA* /*device*/,
                                                const GUID* classGuid, DWORD index,
                                                SP_DEVICE_INTERFACE_DATA* interfaceData) {
    return OnObject<DeviceListObject>(handles_, list, [&](DeviceListObject& object) {
        return EnumInterface(object, classGuid, index, interfaceData);
    });
}

BOOL PosixPlatform::SetupDiGetDeviceInterfaceDetailA(HDEVINFO list,
                                                     SP_DEVICE_INTERFACE_DATA* interfaceData,
                                                     SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                                     DWORD detailSize, DWORD* requiredSize,
                                                     SP_DEVINFO_DATA* device) {
    return OnObject<DeviceListObject>(handles_, list, [&](DeviceListObject& object) {
        return InterfaceDetail(object, interfaceData, detail, detailSize, requiredSize, device);
    });
}

BOOL PosixPlatform::SetupDiGetDeviceRegistryPropertyA(HDEVINFO list, SP_DEVINFO_DATA* device,
                                                      DWORD property, DWORD* dataType, BYTE* buffer,
                                                      DWORD bufferSize, DWORD* requiredSize) {
    return OnObject<DeviceListObject>(handles_, list, [&](DeviceListObject& object) {
        return RegistryProperty(object, device, property, dataType, buffer, bufferSize,
                                requiredSize);
    });
}

BOOL PosixPlatform::SetupDiDestroyDeviceInfoList(HDEVINFO list) {
    if (handles_.FindAs<DeviceListObject>(list) == nullptr)
        return Fail(ERROR_INVALID_HANDLE);
    handles_.Remove(list);
    return TRUE;
}

// What is attached, and which device COM1: stands for.

BOOL PosixPlatform::ListUsbPrinters(std::vector<UsbPrinterDescription>* printers) {
    // The same udev listing as SetupDiGetClassDevsA's, so the paths agree with discovery's.
    if (printers == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    auto found = posix::ListUsbPrinters();
    if (!found)
        return FALSE;
    printers->clear();
    for (PrinterInterface& printer : *found) {
        printers->push_back({std::move(printer.devicePath), std::move(printer.location),
                             std::move(printer.deviceId), std::move(printer.usbSerial)});
    }
    return TRUE;
}

BOOL PosixPlatform::ListSerialPorts(std::vector<SerialPortDescription>* ports) {
    // The tty devices with hardware behind them, read from sysfs.
    if (ports == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    auto found = posix::ListSerialPorts();
    if (!found)
        return FALSE;
    *ports = std::move(*found);
    return TRUE;
}

BOOL PosixPlatform::SetComPortDevice(DWORD number, const char* device, const char* origin) {
    // Takes precedence over $TQ9000_COMn for every later CreateFileA of that port.
    return MapComPort(number, device, origin);
}

BOOL PosixPlatform::GetComPortDevice(DWORD number, ComPortDevice* device) {
    // The same choice CreateFileA makes: the program's mapping, else $TQ9000_COMn, else ttySn-1.
    if (device == nullptr || number < 1 || number > 255)
        return Fail(ERROR_INVALID_PARAMETER);
    const auto path = SerialPortPath(("COM" + std::to_string(number) + ":").c_str());
    if (!path)
        return Fail(ERROR_INVALID_PARAMETER);
    *device = {path->device, path->setting};
    return TRUE;
}

Platform& SystemPlatform() {
    static PosixPlatform platform;
    return platform;
}

}  // namespace tq
