#include "platform/win32/Win32Platform.h"

namespace tq {

// Files, overlapped I/O, events.

HANDLE Win32Platform::CreateFileA(const char* path, DWORD access, DWORD share, void* security,
                                  DWORD disposition, DWORD flags, HANDLE templateFile) {
    // The system maps COMn: to its port and refuses a second opener when the share mode is 0.
    return ::CreateFileA(path, access, share, static_cast<LPSECURITY_ATTRIBUTES>(security),
                         disposition, flags, templateFile);
}

BOOL Win32Platform::ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read,
                             OVERLAPPED* overlapped) {
    // Complete at once with what the device has, else leave the request pending.
    return ::ReadFile(file, buffer, count, read, overlapped);
}

BOOL Win32Platform::WriteFile(HANDLE file, const void* data, DWORD count, DWORD* written,
                              OVERLAPPED* overlapped) {
    // Write what the device takes now; the system keeps the request pending for the rest.
    return ::WriteFile(file, data, count, written, overlapped);
}

BOOL Win32Platform::GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred,
                                        BOOL wait) {
    // Report the request (waiting for it when asked).
    return ::GetOverlappedResult(file, overlapped, transferred, wait);
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
    // The system maps COMn: and grants access itself; its error code is all that is known.
    return {};
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

// Milliseconds since start-up in 32 bits: wraps after 49.7 days, and the link's deadline rule is
// written for that.
DWORD Win32Platform::GetTickCount() {
    return ::GetTickCount();
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

Platform& SystemPlatform() {
    static Win32Platform platform;
    return platform;
}

}  // namespace tq
