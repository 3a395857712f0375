// A scriptable platform for unit tests. A settable millisecond clock (put near its wrap on
// demand) that Sleep and waits advance instead of real time; devices opened by path whose every
// read and write can be told to complete at once, pend for a while, or fail with a chosen error
// at a chosen step; a printer peer that hears each write and answers with chunks; a USB device
// list with a failure available at each discovery step; and a record of every call made.
//
// Requests behave as Win32 overlapped requests do: a call that pends reports ERROR_IO_PENDING,
// GetOverlappedResult(FALSE) reports ERROR_IO_INCOMPLETE until the fake clock reaches the
// request's completion, and a waiting GetOverlappedResult or WaitForSingleObject moves the clock
// there. Nothing here sleeps on real time. Faults of the caller that a real system would hang on
// or reject (waiting for ever, reusing a record in flight, closing an unknown handle) are
// reported as failures and listed in `misuses`, so that a test can insist there are none.
#pragma once

#include <cstddef>
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
        Complete,   // completes at once (the call reports success)
        Pend,       // reports ERROR_IO_PENDING; completes `delayMs` of fake time later
        Never,      // reports ERROR_IO_PENDING and never completes unless cancelled
        Fail,       // the call itself fails with `error`
        FailLater,  // reports ERROR_IO_PENDING; `delayMs` later it completes failing with `error`
        // The call reports success, yet GetOverlappedResult fails with `error` (with
        // ERROR_IO_INCOMPLETE the result never becomes ready). No real driver does this; it is
        // how the link's handling of such a result is exercised.
        SucceedThenFail
    };
    Outcome outcome = Outcome::Complete;
    DWORD delayMs = 0;
    DWORD error = ERROR_GEN_FAILURE;
    // For writes: the count reported as written (default: all of it).
    std::int64_t reportedCount = -1;

    static FakeStep Completes(std::int64_t reportedCount = -1) {
        return {Outcome::Complete, 0, ERROR_GEN_FAILURE, reportedCount};
    }
    static FakeStep Pends(DWORD delayMs) { return {Outcome::Pend, delayMs}; }
    static FakeStep NeverCompletes() { return {Outcome::Never}; }
    static FakeStep Fails(DWORD error) { return {Outcome::Fail, 0, error}; }
    static FakeStep FailsLater(DWORD error, DWORD delayMs = 0) {
        return {Outcome::FailLater, delayMs, error};
    }
    static FakeStep SucceedsThenFails(DWORD error) { return {Outcome::SucceedThenFail, 0, error}; }
};

// The arguments of the latest CreateFileA that opened a device.
struct FakeOpenArgs {
    DWORD access = 0;
    DWORD share = 0;
    DWORD disposition = 0;
    DWORD flags = 0;
};

class FakeDevice {
public:
    // Bytes of each write request, in order (also the ones that failed or were cancelled).
    std::vector<std::vector<BYTE>> writes;
    // Scripts consumed one step per request. With the write script empty, writes complete at
    // once. With the read script empty a read behaves as the device would: it completes at once
    // with the reply available; when none is, a serial port whose time-outs say "return at once"
    // completes with 0 bytes, and any other device pends until a reply becomes available.
    // A scripted Complete or Pend step delivers whatever is available when it completes.
    std::deque<FakeStep> writeScript;
    std::deque<FakeStep> readScript;
    // The printer's side: hears every completed write. It answers with QueueReply.
    std::function<void(const std::vector<BYTE>&)> onWrite;
    // Queues bytes for the host to read, available `delayMs` of fake time from now. Each queued
    // block is delivered as one chunk (at most the count of a request; the rest of a longer block
    // stays queued for the next). Blocks are delivered in the order queued.
    void QueueReply(std::vector<BYTE> bytes, DWORD delayMs = 0);

    bool isSerial = false;
    bool open = false;  // at least one handle to it is open
    int openCount = 0;
    int closeCount = 0;
    FakeOpenArgs lastOpen;
    bool unplugged = false;  // every call on it fails with ERROR_DEVICE_NOT_CONNECTED
    DCB dcb{};
    COMMTIMEOUTS timeouts{};
    // Failures of the serial calls, by the number of the call (1 = first call on this device).
    int failGetCommStateCall = 0;
    bool refuseSetCommState = false;
    bool failGetCommTimeouts = false;
    bool failSetCommTimeouts = false;
    // A USB printer's driver knows none of the serial port's calls. When not 0, every one of
    // them on this device fails with this error: PurgeComm too, which otherwise drops the input
    // of a USB device as our platforms do.
    DWORD commCallsRefusedWith = 0;
    DWORD commMask = 0;           // as SetCommMask last set it
    std::size_t purgedBytes = 0;  // reply bytes that PurgeComm dropped

    // Internal to the fake: the replies waiting to be read. A block is available once the clock
    // has moved availableAt - queuedAt past queuedAt (so that a wrap of the clock is harmless).
    struct PendingReply {
        std::vector<BYTE> bytes;
        DWORD availableAt;
        DWORD queuedAt;
    };
    std::deque<PendingReply> replies;
    int getCommStateCalls = 0;

private:
    friend class FakePlatform;
    const DWORD* clock_ = nullptr;
};

// One interface in the fake USB device list.
struct FakeUsbInterface {
    std::string devicePath;
    std::string driver = "{36fc9e60-c465-11cf-8056-444553540000}\\0001";
    std::string location = "Port_#0001.Hub_#0001";
    bool detailFails = false;  // the detail query with a buffer fails
    bool driverFails = false;
    bool locationFails = false;
    // Overrides the size that the detail-size query reports (0 stands for a vanished interface).
    std::int64_t reportedDetailSize = -1;
    // What ListUsbPrinters reports of it beside its path and location.
    std::string deviceId;
    std::string usbSerial;
};

// A mapping of a COMn: name made with SetComPortDevice.
struct FakeComMapping {
    std::string device;
    std::string origin;
};

class FakePlatform : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    // The clock.
    DWORD tick = 1000;
    // Fruitless polls (GetOverlappedResult without waiting, answered ERROR_IO_INCOMPLETE, with no
    // other passage of time in between) that cost one millisecond: a caller that spins instead of
    // waiting still sees its deadline pass, and shows up in the count of calls.
    int pollsPerMs = 1000;
    // A wait returns after at most this long (0: no limit), as if woken early; lets a test land
    // the clock on chosen instants between polls.
    DWORD waitSliceMs = 0;

    // Devices by the path CreateFileA is given ("COM1:", a USB device path).
    FakeDevice& AddDevice(const std::string& path, bool serial = false);
    // A USB printer: the device and its interface in the device list.
    FakeDevice& AddUsbPrinter(const std::string& path);
    FakeDevice* Device(const std::string& path);
    // Unplugs: the device leaves the table and the device list; its open handles stay valid but
    // every call on them fails with ERROR_DEVICE_NOT_CONNECTED.
    void RemoveDevice(const std::string& path);
    // Paths whose open fails, with the error GetLastError then reports, and what
    // GetOpenFailureDetail then reports (nothing, for a path not listed here).
    std::map<std::string, DWORD> openFailures;
    std::map<std::string, OpenFailureDetail> openFailureDetails;
    // The latest open handle of a path, or INVALID_HANDLE_VALUE.
    HANDLE HandleOf(const std::string& path) const;
    bool IsOpenHandle(HANDLE handle) const;
    int OpenHandleCount() const;  // files and events
    int OpenEventCount() const;
    int OpenListCount() const;        // device lists not yet destroyed
    int PendingRequestCount() const;  // requests neither completed nor cancelled

    // USB discovery.
    std::vector<FakeUsbInterface> usbInterfaces;
    bool classDevsFails = false;
    bool eventCreationFails = false;

    // What is attached, for ListUsbPrinters (from usbInterfaces) and ListSerialPorts; both fail
    // with ERROR_GEN_FAILURE while listingFails.
    std::vector<SerialPortDescription> serialPorts;
    bool listingFails = false;
    // "COMn:" names mapped by SetComPortDevice; CreateFileA of such a name opens the device.
    // A device can be mapped only when it has been added.
    std::map<std::string, FakeComMapping> comMappings;

    // A record of every call, as "Name(arg, ...)" lines, for order-of-call assertions.
    std::vector<std::string> calls;
    // A caller that loops without end would fill memory with its calls: past this many, the fake
    // names the last call on standard error and aborts the test program.
    std::size_t callLimit = 1000000;
    int CountCalls(const std::string& name) const;
    // Faults of the caller; see the top of this file.
    std::vector<std::string> misuses;

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
    ComPortAssignment GetComPortAssignment(DWORD number) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tq
