// A scriptable platform for unit tests. A settable millisecond clock (put near its wrap on
// demand) that Sleep and waits advance instead of real time; devices opened by path whose every
// read and write can be told to complete at once, pend for a while, or fail with a chosen error
// at a chosen step; a printer peer that hears each write and answers with chunks; a USB device
// list with a failure available at each discovery step; and a record of every call made.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tq {

// What one read or write request does when it is issued.
struct FakeStep {
    enum class Outcome {
        Complete,  // completes at once (the call reports success)
        Pend,      // reports ERROR_IO_PENDING; completes `delayMs` of fake time later
        Never,     // reports ERROR_IO_PENDING and never completes unless cancelled
        Fail,      // the call itself fails with `error`
        FailLater  // reports ERROR_IO_PENDING; GetOverlappedResult then fails with `error`
    };
    Outcome outcome = Outcome::Complete;
    DWORD delayMs = 0;
    DWORD error = ERROR_GEN_FAILURE;
    // For writes: the count reported as written (default: all of it).
    std::int64_t reportedCount = -1;
};

class FakeDevice {
public:
    // Bytes of each write request, in order (also the ones that failed or were cancelled).
    std::vector<std::vector<BYTE>> writes;
    // Scripts consumed one step per request; when empty, requests complete at once.
    std::deque<FakeStep> writeScript;
    std::deque<FakeStep> readScript;
    // The printer's side: hears every completed write. It answers with QueueReply.
    std::function<void(const std::vector<BYTE>&)> onWrite;
    // Queues bytes for the host to read, available `delayMs` of fake time from now. Each queued
    // block is delivered as one chunk (at most 64 bytes a request; a longer block is split).
    void QueueReply(std::vector<BYTE> bytes, DWORD delayMs = 0);

    bool isSerial = false;
    bool open = false;
    int openCount = 0;
    int closeCount = 0;
    bool unplugged = false;  // every request fails with ERROR_DEVICE_NOT_CONNECTED
    DCB dcb{};
    COMMTIMEOUTS timeouts{};
    // Failures of the serial calls, by the number of the call (1 = first call on this device).
    int failGetCommStateCall = 0;
    bool refuseSetCommState = false;
    bool failGetCommTimeouts = false;
    bool failSetCommTimeouts = false;

    // Internal to the fake: the replies waiting to be read.
    struct PendingReply {
        std::vector<BYTE> bytes;
        DWORD availableAt;
    };
    std::deque<PendingReply> replies;
    int getCommStateCalls = 0;
};

// One interface in the fake USB device list.
struct FakeUsbInterface {
    std::string devicePath;
    std::string driver = "{36fc9e60-c465-11cf-8056-444553540000}\\0001";
    std::string location = "Port_#0001.Hub_#0001";
    bool detailFails = false;
    bool driverFails = false;
    bool locationFails = false;
    // Overrides the size that the detail-size query reports (0 stands for a vanished interface).
    std::int64_t reportedDetailSize = -1;
};

class FakePlatform : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    // The clock.
    DWORD tick = 1000;

    // Devices by the path CreateFileA is given ("COM1:", a USB device path).
    FakeDevice& AddDevice(const std::string& path, bool serial = false);
    FakeDevice* Device(const std::string& path);
    void RemoveDevice(const std::string& path);
    // Paths whose open fails, with the error GetLastError then reports.
    std::map<std::string, DWORD> openFailures;
    // The open handle of a path, or INVALID_HANDLE_VALUE.
    HANDLE HandleOf(const std::string& path) const;
    int OpenHandleCount() const;

    // USB discovery.
    std::vector<FakeUsbInterface> usbInterfaces;
    bool classDevsFails = false;
    bool detailAllocationFails = false;  // tells the link nothing; see ReportsAllocationFailure
    bool eventCreationFails = false;

    // A record of every call, as "Name(arg, ...)" lines, for order-of-call assertions.
    std::vector<std::string> calls;
    int CountCalls(const std::string& name) const;

    // Platform
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
    BOOL GetCommState(HANDLE file, DCB* dcb) override;
    BOOL SetCommState(HANDLE file, DCB* dcb) override;
    BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) override;
    BOOL SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) override;
    DWORD GetTickCount() override;
    void Sleep(DWORD milliseconds) override;
    HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator, HWND parent,
                                  DWORD flags) override;
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO list, SP_DEVINFO_DATA* device,
                                     const GUID* classGuid, DWORD index,
                                     SP_DEVICE_INTERFACE_DATA* interfaceData) override;
    BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO list, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                          DWORD detailSize, DWORD* requiredSize,
                                          SP_DEVINFO_DATA* device) override;
    BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO list, SP_DEVINFO_DATA* device, DWORD property,
                                           DWORD* dataType, BYTE* buffer, DWORD bufferSize,
                                           DWORD* requiredSize) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO list) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tq
