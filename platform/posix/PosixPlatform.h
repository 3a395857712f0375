// The system platform on Linux and other POSIX systems: the Win32 subset of the printer link on
// non-blocking descriptors (termios serial ports, usblp printer nodes), libudev for discovery and
// CLOCK_MONOTONIC for the millisecond counter. Each call reports failure the Win32 way: its
// failure result, and the error for GetLastError on the calling thread.
#pragma once

#include "platform/Platform.h"
#include "platform/posix/Handles.h"

namespace tq {

class PosixPlatform final : public Platform {
public:
    HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* security,
                       DWORD disposition, DWORD flags, HANDLE templateFile) override;
    BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read,
                  OVERLAPPED* overlapped) override;
    BOOL WriteFile(HANDLE file, const void* data, DWORD count, DWORD* written,
                   OVERLAPPED* overlapped) override;
    BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred,
                             BOOL wait) override;
    BOOL CancelIoEx(HANDLE file, OVERLAPPED* overlapped) override;
    HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState,
                        const char* name) override;
    DWORD WaitForSingleObject(HANDLE event, DWORD milliseconds) override;
    BOOL CloseHandle(HANDLE handle) override;
    DWORD GetLastError() override;
    OpenFailureDetail GetOpenFailureDetail() override;

    BOOL GetCommState(HANDLE file, DCB* dcb) override;
    BOOL SetCommState(HANDLE file, DCB* dcb) override;
    BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) override;
    BOOL SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) override;
    BOOL PurgeComm(HANDLE file, DWORD flags) override;
    BOOL SetCommMask(HANDLE file, DWORD mask) override;
    BOOL WaitCommEvent(HANDLE file, DWORD* mask, OVERLAPPED* overlapped) override;

    DWORD GetTickCount() override;
    void Sleep(DWORD milliseconds) override;

    HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator, HWND parent,
                                  DWORD flags) override;
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO list, SP_DEVINFO_DATA* device, const GUID* classGuid,
                                     DWORD index, SP_DEVICE_INTERFACE_DATA* interfaceData) override;
    BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO list, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                          DWORD detailSize, DWORD* requiredSize,
                                          SP_DEVINFO_DATA* device) override;
    BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO list, SP_DEVINFO_DATA* device, DWORD property,
                                           DWORD* dataType, BYTE* buffer, DWORD bufferSize,
                                           DWORD* requiredSize) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO list) override;

    BOOL ListUsbPrinters(std::vector<UsbPrinterDescription>* printers) override;
    BOOL ListSerialPorts(std::vector<SerialPortDescription>* ports) override;
    BOOL SetComPortDevice(DWORD number, const char* device, const char* origin) override;
    BOOL GetComPortDevice(DWORD number, ComPortDevice* device) override;

private:
    posix::HandleTable handles_;
};

}  // namespace tq
