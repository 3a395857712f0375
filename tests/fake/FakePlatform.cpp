#include "tests/fake/FakePlatform.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

namespace tq {

namespace {

// Win32 values the fake reports that the link itself never names.
constexpr DWORD kFileShareWrite = 0x2;
constexpr DWORD kErrorInvalidData = 13;
constexpr DWORD kErrorInvalidUserBuffer = 1784;
constexpr DWORD kSpintActive = 0x1;
constexpr DWORD kRegSz = 1;
// {4D36E979-E325-11CE-BFC1-08002BE10318}: the setup class of printers.
constexpr GUID kPrinterSetupClass = {
    0x4D36E979, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// A port as another program might have left it: 115200 baud, 7 data bits, even parity, two stop
// bits, XON/XOFF, and bits set above the fifteen named flags, which a caller must keep.
DCB InitialDcb() {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 115200;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fDtrControl = 1;
    dcb.fDsrSensitivity = 1;
    dcb.fTXContinueOnXoff = 1;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    dcb.fRtsControl = 1;
    dcb.fAbortOnError = 1;
    dcb.fDummy2 = 0x14A05;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 7;
    dcb.Parity = 2;
    dcb.StopBits = 2;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = '?';
    dcb.EofChar = 0x1A;
    dcb.EvtChar = '\n';
    return dcb;
}

bool ReplyAvailable(const FakeDevice::PendingReply& reply, DWORD now) {
    return static_cast<DWORD>(now - reply.queuedAt) >=
           static_cast<DWORD>(reply.availableAt - reply.queuedAt);
}

DWORD ReplyDelay(const FakeDevice::PendingReply& reply, DWORD now) {
    if (ReplyAvailable(reply, now)) {
        return 0;
    }
    return static_cast<DWORD>(reply.availableAt - reply.queuedAt) -
           static_cast<DWORD>(now - reply.queuedAt);
}

// A serial port whose time-outs make a read return at once with whatever has arrived.
bool ReadsReturnAtOnce(const FakeDevice& device) {
    return device.isSerial && device.timeouts.ReadIntervalTimeout == MAXDWORD &&
           device.timeouts.ReadTotalTimeoutMultiplier == 0 &&
           device.timeouts.ReadTotalTimeoutConstant == 0;
}

// Whether a handle opened with `access` and `share` lets another with the other pair coexist.
bool SharingAllows(DWORD heldAccess, DWORD heldShare, DWORD access, DWORD share) {
    auto permits = [](DWORD shareMode, DWORD wanted) {
        if ((wanted & GENERIC_READ) != 0 && (shareMode & FILE_SHARE_READ) == 0) {
            return false;
        }
        if ((wanted & GENERIC_WRITE) != 0 && (shareMode & kFileShareWrite) == 0) {
            return false;
        }
        return true;
    };
    return permits(heldShare, access) && permits(share, heldAccess);
}

std::string Hex(const void* value) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", value);
    return text;
}

}  // namespace

void FakeDevice::QueueReply(std::vector<BYTE> bytes, DWORD delayMs) {
    const DWORD now = clock_ != nullptr ? *clock_ : 0;
    replies.push_back(PendingReply{std::move(bytes), static_cast<DWORD>(now + delayMs), now});
}

struct FakePlatform::Impl {
    struct OpenFile {
        std::string path;
        std::shared_ptr<FakeDevice> device;
        DWORD access;
        DWORD share;
    };

    // One overlapped request, kept by its record until the record is used again.
    struct Request {
        HANDLE file;
        std::shared_ptr<FakeDevice> device;
        OVERLAPPED* record;
        HANDLE event;
        bool isRead;
        bool awaitsReply;          // an unscripted read that completes when a reply arrives
        bool isEventWait = false;  // WaitCommEvent: completes when a reply arrives, taking nothing
        FakeStep step;
        DWORD issuedAt;
        BYTE* buffer;
        DWORD capacity;
        std::vector<BYTE> data;
        bool done = false;
        DWORD error = ERROR_SUCCESS;
        DWORD count = 0;
    };

    explicit Impl(FakePlatform& owner) : self(owner) {}

    FakePlatform& self;
    std::map<std::string, std::shared_ptr<FakeDevice>> devices;
    std::vector<std::shared_ptr<FakeDevice>> unpluggedDevices;  // kept alive for tests' references
    std::map<HANDLE, OpenFile> files;
    std::map<HANDLE, bool> events;  // signalled?
    std::map<HDEVINFO, std::vector<FakeUsbInterface>> lists;
    std::vector<Request> requests;
    std::uintptr_t nextHandle = 0x1000;
    DWORD lastError = ERROR_SUCCESS;
    OpenFailureDetail lastOpenFailure;  // of the latest CreateFileA, when it failed
    int fruitlessPolls = 0;

    HANDLE NewHandle() {
        nextHandle += 4;
        return reinterpret_cast<HANDLE>(nextHandle);
    }

    BOOL Fail(DWORD error) {
        lastError = error;
        return FALSE;
    }

    void Record(std::string line) {
        if (self.calls.size() >= self.callLimit) {
            std::fprintf(stderr, "FakePlatform: more than %zu calls, the last %s; aborting\n",
                         self.callLimit, line.c_str());
            std::abort();
        }
        self.calls.push_back(std::move(line));
    }
    void Misuse(std::string what) { self.misuses.push_back(std::move(what)); }

    std::string NameOf(HANDLE handle) const {
        if (auto it = files.find(handle); it != files.end()) {
            return it->second.path;
        }
        if (events.count(handle) != 0) {
            return "event";
        }
        return Hex(handle);
    }

    OpenFile* FileOf(HANDLE handle) {
        auto it = files.find(handle);
        return it == files.end() ? nullptr : &it->second;
    }

    Request* RequestOf(const OVERLAPPED* record) {
        for (Request& request : requests) {
            if (request.record == record) {
                return &request;
            }
        }
        return nullptr;
    }

    int OpenHandlesOf(const FakeDevice* device) const {
        return static_cast<int>(std::count_if(files.begin(), files.end(), [&](const auto& entry) {
            return entry.second.device.get() == device;
        }));
    }

    // Milliseconds from now until a pending request completes; none when it never will.
    std::optional<DWORD> CompletionDelay(const Request& request) const {
        if (request.done || request.device->unplugged) {
            return 0;
        }
        if (request.awaitsReply) {
            const auto& replies = request.device->replies;
            if (replies.empty()) {
                return std::nullopt;
            }
            return ReplyDelay(replies.front(), self.tick);
        }
        switch (request.step.outcome) {
            case FakeStep::Outcome::Pend:
            case FakeStep::Outcome::FailLater: {
                const DWORD elapsed = self.tick - request.issuedAt;
                return elapsed >= request.step.delayMs ? 0 : request.step.delayMs - elapsed;
            }
            default:
                return std::nullopt;
        }
    }

    // Moves the front reply's bytes, as many as the request asks for, into its buffer.
    DWORD Deliver(Request& request) {
        auto& replies = request.device->replies;
        if (replies.empty() || !ReplyAvailable(replies.front(), self.tick)) {
            return 0;
        }
        auto& bytes = replies.front().bytes;
        const DWORD n = std::min<DWORD>(request.capacity, static_cast<DWORD>(bytes.size()));
        if (n > 0) {
            std::memcpy(request.buffer, bytes.data(), n);
        }
        bytes.erase(bytes.begin(), bytes.begin() + n);
        if (bytes.empty()) {
            replies.pop_front();
        }
        return n;
    }

    void Finish(Request& request, DWORD error, DWORD count) {
        request.done = true;
        request.error = error;
        request.count = count;
        if (auto it = events.find(request.event); it != events.end()) {
            it->second = true;
        }
    }

    // The request's time has come: it succeeds, or fails as scripted or because the device left.
    // Returns the count it completed with (the printer's side may issue calls meanwhile).
    DWORD Complete(Request& request) {
        if (request.device->unplugged) {
            Finish(request, ERROR_DEVICE_NOT_CONNECTED, 0);
        } else if (request.step.outcome == FakeStep::Outcome::FailLater) {
            Finish(request, request.step.error, 0);
        } else if (request.isEventWait) {
            Finish(request, ERROR_SUCCESS, 0);
        } else if (request.isRead) {
            Finish(request, ERROR_SUCCESS, Deliver(request));
        } else {
            const auto reported = request.step.reportedCount;
            const auto count = static_cast<DWORD>(reported >= 0 ? reported : request.data.size());
            Finish(request, ERROR_SUCCESS, count);
            // The printer hears the bytes; it may queue a reply, which a read then finds.
            const std::vector<BYTE> heard = request.data;
            const std::shared_ptr<FakeDevice> device = request.device;
            if (device->onWrite) {
                device->onWrite(heard);
            }
            return count;
        }
        return request.count;
    }

    // Completes every request whose time has come. A completed write may queue a reply that
    // lets a waiting read complete, so this runs until nothing more changes.
    void Settle() {
        for (bool changed = true; changed;) {
            changed = false;
            for (std::size_t i = 0; i < requests.size(); ++i) {
                const std::optional<DWORD> delay = CompletionDelay(requests[i]);
                if (!requests[i].done && delay && *delay == 0) {
                    Complete(requests[i]);
                    changed = true;
                }
            }
        }
    }

    void Advance(DWORD milliseconds) {
        self.tick += milliseconds;
        fruitlessPolls = 0;
        Settle();
    }

    // A record may carry one request at a time; issuing another while the first is still in
    // flight would let the system write into a record the caller has reused.
    Request& Begin(Request request) {
        if (Request* old = RequestOf(request.record)) {
            if (!old->done) {
                Misuse("request issued on a record still in flight");
            }
            requests.erase(requests.begin() + (old - requests.data()));
        }
        if (auto it = events.find(request.event); it != events.end()) {
            it->second = false;
        }
        requests.push_back(std::move(request));
        return requests.back();
    }

    // How a request that was not told to fail starts: TRUE when it completed at once.
    BOOL Start(Request& request, DWORD* transferred) {
        using Outcome = FakeStep::Outcome;
        const Outcome outcome = request.step.outcome;
        const auto& replies = request.device->replies;
        const bool replyWaiting = !replies.empty() && ReplyAvailable(replies.front(), self.tick);
        const bool atOnce =
            request.awaitsReply
                ? replyWaiting || (!request.isEventWait && ReadsReturnAtOnce(*request.device))
                : outcome == Outcome::Complete;
        if (atOnce) {
            request.awaitsReply = false;
            const DWORD count = Complete(request);
            if (transferred != nullptr) {
                *transferred = count;
            }
            return TRUE;
        }
        if (outcome == Outcome::SucceedThenFail) {
            if (request.step.error != ERROR_IO_INCOMPLETE) {
                Finish(request, request.step.error, 0);
            }
            return TRUE;
        }
        return Fail(ERROR_IO_PENDING);
    }

    // Shared by ReadFile and WriteFile once the call has been recorded.
    BOOL Issue(HANDLE file, OVERLAPPED* record, Request request, DWORD* transferred) {
        OpenFile* open = FileOf(file);
        if (open == nullptr) {
            return Fail(ERROR_INVALID_HANDLE);
        }
        if (record == nullptr) {
            Misuse("request without an OVERLAPPED record on an overlapped handle");
            return Fail(ERROR_INVALID_PARAMETER);
        }
        if (record->hEvent != nullptr && events.count(record->hEvent) == 0) {
            return Fail(ERROR_INVALID_HANDLE);
        }
        FakeDevice& device = *open->device;
        if (device.unplugged) {
            return Fail(ERROR_DEVICE_NOT_CONNECTED);
        }
        auto& script = request.isRead ? device.readScript : device.writeScript;
        request.awaitsReply = request.isEventWait || (request.isRead && script.empty());
        if (!request.isEventWait && !script.empty()) {
            request.step = script.front();
            script.pop_front();
        }
        if (request.step.outcome == FakeStep::Outcome::Fail) {
            return Fail(request.step.error);
        }
        request.file = file;
        request.device = open->device;
        request.record = record;
        request.event = record->hEvent;
        request.issuedAt = self.tick;
        return Start(Begin(std::move(request)), transferred);
    }

    FakeDevice* SerialDevice(HANDLE file) {
        OpenFile* open = FileOf(file);
        if (open == nullptr) {
            Fail(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        if (open->device->unplugged) {
            Fail(ERROR_DEVICE_NOT_CONNECTED);
            return nullptr;
        }
        if (open->device->commCallsRefusedWith != 0) {
            Fail(open->device->commCallsRefusedWith);
            return nullptr;
        }
        if (!open->device->isSerial) {
            Fail(ERROR_NOT_SUPPORTED);
            return nullptr;
        }
        return open->device.get();
    }

    // Each serial call is recorded and finds its port; then the device's knob refuses it with
    // `error`, or the setting is copied.
    template <typename Refused, typename Copy>
    BOOL SerialCall(const char* name, HANDLE file, DWORD error, Refused refused, Copy copy) {
        Record(std::string(name) + "(" + NameOf(file) + ")");
        FakeDevice* device = SerialDevice(file);
        if (device == nullptr) {
            return FALSE;
        }
        if (refused(*device)) {
            return Fail(error);
        }
        copy(*device);
        return TRUE;
    }

    HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
    void CloseFile(HANDLE handle);
    const FakeUsbInterface* InterfaceOf(HDEVINFO list, ULONG_PTR reserved);
    BOOL FillDetail(const FakeUsbInterface& usb, SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                    DWORD detailSize, DWORD* requiredSize);
};

// --- Devices ---------------------------------------------------------------------------------

FakePlatform::FakePlatform() : impl_(std::make_unique<Impl>(*this)) {}
FakePlatform::~FakePlatform() = default;

FakeDevice& FakePlatform::AddDevice(const std::string& path, bool serial) {
    auto device = std::make_shared<FakeDevice>();
    device->isSerial = serial;
    device->clock_ = &tick;
    if (serial) {
        device->dcb = InitialDcb();
    }
    impl_->devices[path] = device;
    return *device;
}

FakeDevice& FakePlatform::AddUsbPrinter(const std::string& path) {
    FakeDevice& device = AddDevice(path, false);
    FakeUsbInterface usb;
    usb.devicePath = path;
    usbInterfaces.push_back(usb);
    return device;
}

FakeDevice* FakePlatform::Device(const std::string& path) {
    auto it = impl_->devices.find(path);
    return it == impl_->devices.end() ? nullptr : it->second.get();
}

void FakePlatform::RemoveDevice(const std::string& path) {
    auto it = impl_->devices.find(path);
    if (it != impl_->devices.end()) {
        it->second->unplugged = true;
        impl_->unpluggedDevices.push_back(it->second);
        impl_->devices.erase(it);
    }
    std::erase_if(usbInterfaces,
                  [&](const FakeUsbInterface& usb) { return usb.devicePath == path; });
}

HANDLE FakePlatform::HandleOf(const std::string& path) const {
    HANDLE latest = INVALID_HANDLE_VALUE;
    // Handles only grow and the map is in handle order, so the last match is the latest open.
    for (const auto& [handle, file] : impl_->files) {
        if (file.path == path) {
            latest = handle;
        }
    }
    return latest;
}

bool FakePlatform::IsOpenHandle(HANDLE handle) const {
    return impl_->files.count(handle) != 0 || impl_->events.count(handle) != 0;
}

int FakePlatform::OpenHandleCount() const {
    return static_cast<int>(impl_->files.size() + impl_->events.size());
}

int FakePlatform::OpenEventCount() const {
    return static_cast<int>(impl_->events.size());
}
int FakePlatform::OpenListCount() const {
    return static_cast<int>(impl_->lists.size());
}

int FakePlatform::PendingRequestCount() const {
    return static_cast<int>(std::count_if(impl_->requests.begin(), impl_->requests.end(),
                                          [](const Impl::Request& r) { return !r.done; }));
}

int FakePlatform::CountCalls(const std::string& name) const {
    const std::string prefix = name + "(";
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
        return c.compare(0, prefix.size(), prefix) == 0;
    }));
}

// --- Files, overlapped I/O, events -----------------------------------------------------------

HANDLE FakePlatform::Impl::Open(const std::string& path, DWORD access, DWORD share,
                                DWORD disposition, DWORD flags) {
    lastOpenFailure = {};
    if (auto failure = self.openFailures.find(path); failure != self.openFailures.end()) {
        if (auto detail = self.openFailureDetails.find(path);
            detail != self.openFailureDetails.end()) {
            lastOpenFailure = detail->second;
        }
        Fail(failure->second);
        return INVALID_HANDLE_VALUE;
    }
    auto it = devices.find(path);
    if (it == devices.end()) {
        Fail(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    for (const auto& [handle, held] : files) {
        if (held.device == it->second && !SharingAllows(held.access, held.share, access, share)) {
            Fail(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
    }
    const HANDLE handle = NewHandle();
    files[handle] = OpenFile{path, it->second, access, share};
    FakeDevice& device = *it->second;
    device.open = true;
    ++device.openCount;
    device.lastOpen = FakeOpenArgs{access, share, disposition, flags};
    return handle;
}

HANDLE FakePlatform::CreateFileA(const char* path, DWORD access, DWORD share, void* /*security*/,
                                 DWORD disposition, DWORD flags, HANDLE /*templateFile*/) {
    impl_->Record("CreateFileA(" + std::string(path) + ")");
    const auto mapping = comMappings.find(path);
    if (mapping == comMappings.end()) {
        return impl_->Open(path, access, share, disposition, flags);
    }
    const HANDLE handle = impl_->Open(mapping->second.device, access, share, disposition, flags);
    if (handle == INVALID_HANDLE_VALUE && impl_->lastOpenFailure.device.empty()) {
        impl_->lastOpenFailure = {mapping->second.device, mapping->second.origin, ""};
    }
    return handle;
}

BOOL FakePlatform::ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read,
                            OVERLAPPED* overlapped) {
    impl_->Record("ReadFile(" + impl_->NameOf(file) + ", " + std::to_string(count) + ")");
    impl_->Settle();
    Impl::Request request{};
    request.isRead = true;
    request.buffer = static_cast<BYTE*>(buffer);
    request.capacity = count;
    return impl_->Issue(file, overlapped, std::move(request), read);
}

BOOL FakePlatform::WriteFile(HANDLE file, const void* data, DWORD count, DWORD* written,
                             OVERLAPPED* overlapped) {
    impl_->Record("WriteFile(" + impl_->NameOf(file) + ", " + std::to_string(count) + ")");
    impl_->Settle();
    Impl::Request request{};
    const auto* bytes = static_cast<const BYTE*>(data);
    request.data.assign(bytes, bytes + count);
    if (Impl::OpenFile* open = impl_->FileOf(file)) {
        open->device->writes.push_back(request.data);
    }
    return impl_->Issue(file, overlapped, std::move(request), written);
}

BOOL FakePlatform::GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred,
                                       BOOL wait) {
    impl_->Record("GetOverlappedResult(" + impl_->NameOf(file) + (wait ? ", TRUE)" : ", FALSE)"));
    impl_->Settle();
    Impl::Request* request = impl_->RequestOf(overlapped);
    if (request == nullptr || request->file != file) {
        impl_->Misuse("GetOverlappedResult for a record with no request on that handle");
        return impl_->Fail(ERROR_INVALID_PARAMETER);
    }
    if (!request->done && !wait) {
        if (pollsPerMs > 0 && ++impl_->fruitlessPolls >= pollsPerMs) {
            impl_->Advance(1);
        }
        return impl_->Fail(ERROR_IO_INCOMPLETE);
    }
    if (!request->done) {
        const std::optional<DWORD> delay = impl_->CompletionDelay(*request);
        if (!delay) {
            impl_->Misuse("GetOverlappedResult would wait for ever on " + impl_->NameOf(file));
            return impl_->Fail(ERROR_IO_INCOMPLETE);
        }
        impl_->Advance(*delay);
        request = impl_->RequestOf(overlapped);
    }
    impl_->fruitlessPolls = 0;
    if (transferred != nullptr) {
        *transferred = request->count;
    }
    return request->error == ERROR_SUCCESS ? TRUE : impl_->Fail(request->error);
}

BOOL FakePlatform::CancelIoEx(HANDLE file, OVERLAPPED* overlapped) {
    impl_->Record("CancelIoEx(" + impl_->NameOf(file) + ")");
    impl_->Settle();
    if (impl_->FileOf(file) == nullptr) {
        return impl_->Fail(ERROR_INVALID_HANDLE);
    }
    bool cancelled = false;
    for (Impl::Request& request : impl_->requests) {
        if (!request.done && request.file == file &&
            (overlapped == nullptr || request.record == overlapped)) {
            impl_->Finish(request, ERROR_OPERATION_ABORTED, 0);
            cancelled = true;
        }
    }
    return cancelled ? TRUE : impl_->Fail(ERROR_NOT_FOUND);
}

HANDLE FakePlatform::CreateEventA(void* /*security*/, BOOL /*manualReset*/, BOOL initialState,
                                  const char* /*name*/) {
    impl_->Record("CreateEventA()");
    if (eventCreationFails) {
        impl_->Fail(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;  // CreateEvent reports failure with NULL, not INVALID_HANDLE_VALUE
    }
    const HANDLE event = impl_->NewHandle();
    impl_->events[event] = initialState != FALSE;
    return event;
}

DWORD FakePlatform::WaitForSingleObject(HANDLE event, DWORD milliseconds) {
    impl_->Record("WaitForSingleObject(" + impl_->NameOf(event) + ", " +
                  std::to_string(milliseconds) + ")");
    impl_->Settle();
    auto it = impl_->events.find(event);
    if (it == impl_->events.end()) {
        impl_->Fail(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (it->second) {
        return WAIT_OBJECT_0;
    }
    std::optional<DWORD> delay;
    for (const Impl::Request& request : impl_->requests) {
        if (!request.done && request.event == event) {
            delay = impl_->CompletionDelay(request);
        }
    }
    const DWORD limit = waitSliceMs != 0 ? std::min(milliseconds, waitSliceMs) : milliseconds;
    if (delay && *delay <= limit) {
        impl_->Advance(*delay);
        return WAIT_OBJECT_0;
    }
    if (limit == INFINITE) {
        impl_->Misuse("WaitForSingleObject would wait for ever");
        impl_->Fail(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    impl_->Advance(limit);
    return WAIT_TIMEOUT;
}

// Closing a file cancels what is still in flight on it, as the system does.
void FakePlatform::Impl::CloseFile(HANDLE handle) {
    for (Request& request : requests) {
        if (!request.done && request.file == handle) {
            Finish(request, ERROR_OPERATION_ABORTED, 0);
        }
    }
    std::shared_ptr<FakeDevice> device = files[handle].device;
    files.erase(handle);
    ++device->closeCount;
    device->open = OpenHandlesOf(device.get()) > 0;
}

BOOL FakePlatform::CloseHandle(HANDLE handle) {
    impl_->Record("CloseHandle(" + impl_->NameOf(handle) + ")");
    impl_->Settle();
    if (impl_->files.count(handle) != 0) {
        impl_->CloseFile(handle);
        return TRUE;
    }
    if (impl_->events.count(handle) != 0) {
        for (const Impl::Request& request : impl_->requests) {
            if (!request.done && request.event == handle) {
                impl_->Misuse("event closed while its request is in flight");
            }
        }
        impl_->events.erase(handle);
        return TRUE;
    }
    impl_->Misuse("CloseHandle of an unknown handle " + Hex(handle));
    return impl_->Fail(ERROR_INVALID_HANDLE);
}

DWORD FakePlatform::GetLastError() {
    impl_->Record("GetLastError()");
    return impl_->lastError;
}

OpenFailureDetail FakePlatform::GetOpenFailureDetail() {
    impl_->Record("GetOpenFailureDetail()");
    return impl_->lastOpenFailure;
}

// --- Serial ports ----------------------------------------------------------------------------

BOOL FakePlatform::GetCommState(HANDLE file, DCB* dcb) {
    return impl_->SerialCall(
        "GetCommState", file, ERROR_GEN_FAILURE,
        [](FakeDevice& d) { return ++d.getCommStateCalls == d.failGetCommStateCall; },
        [&](FakeDevice& d) { *dcb = d.dcb; });
}

BOOL FakePlatform::SetCommState(HANDLE file, DCB* dcb) {
    return impl_->SerialCall(
        "SetCommState", file, ERROR_INVALID_PARAMETER,
        [](FakeDevice& d) { return d.refuseSetCommState; }, [&](FakeDevice& d) { d.dcb = *dcb; });
}

BOOL FakePlatform::GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
    return impl_->SerialCall(
        "GetCommTimeouts", file, ERROR_GEN_FAILURE,
        [](FakeDevice& d) { return d.failGetCommTimeouts; },
        [&](FakeDevice& d) { *timeouts = d.timeouts; });
}

BOOL FakePlatform::SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
    return impl_->SerialCall(
        "SetCommTimeouts", file, ERROR_GEN_FAILURE,
        [](FakeDevice& d) { return d.failSetCommTimeouts; },
        [&](FakeDevice& d) { d.timeouts = *timeouts; });
}

// Drops the replies that have arrived; PURGE_RXABORT also ends the reads and event waits in flight.
BOOL FakePlatform::PurgeComm(HANDLE file, DWORD flags) {
    impl_->Record("PurgeComm(" + impl_->NameOf(file) + ")");
    impl_->Settle();
    Impl::OpenFile* open = impl_->FileOf(file);
    if (open == nullptr) {
        return impl_->Fail(ERROR_INVALID_HANDLE);
    }
    FakeDevice& device = *open->device;
    if (device.unplugged) {
        return impl_->Fail(ERROR_DEVICE_NOT_CONNECTED);
    }
    if (device.commCallsRefusedWith != 0) {
        return impl_->Fail(device.commCallsRefusedWith);
    }
    if ((flags & PURGE_RXABORT) != 0) {
        for (Impl::Request& request : impl_->requests) {
            if (!request.done && request.file == file && request.isRead) {
                impl_->Finish(request, ERROR_OPERATION_ABORTED, 0);
            }
        }
    }
    while ((flags & PURGE_RXCLEAR) != 0 && !device.replies.empty() &&
           ReplyAvailable(device.replies.front(), tick)) {
        device.purgedBytes += device.replies.front().bytes.size();
        device.replies.pop_front();
    }
    return TRUE;
}

BOOL FakePlatform::SetCommMask(HANDLE file, DWORD mask) {
    return impl_->SerialCall(
        "SetCommMask", file, ERROR_GEN_FAILURE, [](FakeDevice&) { return false; },
        [&](FakeDevice& d) { d.commMask = mask; });
}

BOOL FakePlatform::WaitCommEvent(HANDLE file, DWORD* mask, OVERLAPPED* overlapped) {
    impl_->Record("WaitCommEvent(" + impl_->NameOf(file) + ")");
    impl_->Settle();
    FakeDevice* device = impl_->SerialDevice(file);
    if (device == nullptr) {
        return FALSE;
    }
    if ((device->commMask & EV_RXCHAR) == 0 || mask == nullptr) {
        return impl_->Fail(ERROR_INVALID_PARAMETER);
    }
    *mask = EV_RXCHAR;  // read by the caller only once the wait has completed
    Impl::Request request{};
    request.isRead = true;
    request.isEventWait = true;
    return impl_->Issue(file, overlapped, std::move(request), nullptr);
}

// --- Time ------------------------------------------------------------------------------------

DWORD FakePlatform::GetTickCount() {
    impl_->Record("GetTickCount()");
    return tick;
}

void FakePlatform::Sleep(DWORD milliseconds) {
    impl_->Record("Sleep(" + std::to_string(milliseconds) + ")");
    impl_->Advance(milliseconds);
}

// --- Device installation services ------------------------------------------------------------

HDEVINFO FakePlatform::SetupDiGetClassDevsA(const GUID* classGuid, const char* /*enumerator*/,
                                            HWND /*parent*/, DWORD flags) {
    char line[64];
    std::snprintf(line, sizeof line, "SetupDiGetClassDevsA(0x%X)", static_cast<unsigned>(flags));
    impl_->Record(line);
    if (classDevsFails) {
        impl_->Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const bool wanted = classGuid != nullptr && SameGuid(*classGuid, GUID_DEVINTERFACE_USBPRINT) &&
                        (flags & DIGCF_DEVICEINTERFACE) != 0;
    const HDEVINFO list = impl_->NewHandle();
    impl_->lists[list] = wanted ? usbInterfaces : std::vector<FakeUsbInterface>{};
    return list;
}

BOOL FakePlatform::SetupDiEnumDeviceInterfaces(HDEVINFO list, SP_DEVINFO_DATA* /*device*/,
                                               const GUID* classGuid, DWORD index,
                                               SP_DEVICE_INTERFACE_DATA* interfaceData) {
    impl_->Record("SetupDiEnumDeviceInterfaces(" + std::to_string(index) + ")");
    auto it = impl_->lists.find(list);
    if (it == impl_->lists.end()) {
        return impl_->Fail(ERROR_INVALID_HANDLE);
    }
    if (interfaceData == nullptr || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        return impl_->Fail(kErrorInvalidUserBuffer);
    }
    if (classGuid == nullptr || !SameGuid(*classGuid, GUID_DEVINTERFACE_USBPRINT) ||
        index >= it->second.size()) {
        return impl_->Fail(ERROR_NO_MORE_ITEMS);
    }
    interfaceData->InterfaceClassGuid = GUID_DEVINTERFACE_USBPRINT;
    interfaceData->Flags = kSpintActive;
    interfaceData->Reserved = index + 1;  // which interface of the list this record names
    return TRUE;
}

const FakeUsbInterface* FakePlatform::Impl::InterfaceOf(HDEVINFO list, ULONG_PTR reserved) {
    auto it = lists.find(list);
    if (it == lists.end() || reserved == 0 || reserved > it->second.size()) {
        return nullptr;
    }
    return &it->second[reserved - 1];
}

// The record's fixed part is checked as the system checks it; the path runs on past its end.
BOOL FakePlatform::Impl::FillDetail(const FakeUsbInterface& usb,
                                    SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                                    DWORD* requiredSize) {
    if (usb.detailFails) {
        return Fail(ERROR_GEN_FAILURE);
    }
    if (detailSize < sizeof(DWORD) || detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        return Fail(kErrorInvalidUserBuffer);
    }
    constexpr std::size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    const std::size_t needed = kPathOffset + usb.devicePath.size() + 1;
    if (detailSize < needed) {
        if (requiredSize != nullptr) {
            *requiredSize = static_cast<DWORD>(needed);
        }
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(reinterpret_cast<char*>(detail) + kPathOffset, usb.devicePath.c_str(),
                usb.devicePath.size() + 1);
    return TRUE;
}

BOOL FakePlatform::SetupDiGetDeviceInterfaceDetailA(HDEVINFO list,
                                                    SP_DEVICE_INTERFACE_DATA* interfaceData,
                                                    SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                                    DWORD detailSize, DWORD* requiredSize,
                                                    SP_DEVINFO_DATA* device) {
    impl_->Record("SetupDiGetDeviceInterfaceDetailA(" + std::to_string(detailSize) + ")");
    const FakeUsbInterface* usb =
        interfaceData != nullptr ? impl_->InterfaceOf(list, interfaceData->Reserved) : nullptr;
    if (usb == nullptr) {
        return impl_->Fail(ERROR_INVALID_PARAMETER);
    }
    if (detail == nullptr) {
        const std::size_t natural =
            offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + usb->devicePath.size() + 1;
        if (requiredSize != nullptr) {
            *requiredSize = static_cast<DWORD>(
                usb->reportedDetailSize >= 0 ? usb->reportedDetailSize : natural);
        }
        return impl_->Fail(detailSize == 0 ? ERROR_INSUFFICIENT_BUFFER : kErrorInvalidUserBuffer);
    }
    if (device != nullptr && device->cbSize != sizeof(SP_DEVINFO_DATA)) {
        return impl_->Fail(kErrorInvalidUserBuffer);
    }
    if (!impl_->FillDetail(*usb, detail, detailSize, requiredSize)) {
        return FALSE;
    }
    if (device != nullptr) {
        device->ClassGuid = kPrinterSetupClass;
        device->DevInst = static_cast<DWORD>(interfaceData->Reserved);
        device->Reserved = interfaceData->Reserved;
    }
    return TRUE;
}

BOOL FakePlatform::SetupDiGetDeviceRegistryPropertyA(HDEVINFO list, SP_DEVINFO_DATA* device,
                                                     DWORD property, DWORD* dataType, BYTE* buffer,
                                                     DWORD bufferSize, DWORD* requiredSize) {
    impl_->Record("SetupDiGetDeviceRegistryPropertyA(" + std::to_string(property) + ")");
    if (device == nullptr || device->cbSize != sizeof(SP_DEVINFO_DATA)) {
        return impl_->Fail(kErrorInvalidUserBuffer);
    }
    const FakeUsbInterface* usb = impl_->InterfaceOf(list, device->Reserved);
    if (usb == nullptr) {
        return impl_->Fail(ERROR_INVALID_PARAMETER);
    }
    const bool driver = property == SPDRP_DRIVER;
    const bool location = property == SPDRP_LOCATION_INFORMATION;
    if ((!driver && !location) || (driver && usb->driverFails) ||
        (location && usb->locationFails)) {
        return impl_->Fail(kErrorInvalidData);
    }
    const std::string& value = driver ? usb->driver : usb->location;
    const auto needed = static_cast<DWORD>(value.size() + 1);
    if (requiredSize != nullptr) {
        *requiredSize = needed;
    }
    if (buffer == nullptr || bufferSize < needed) {
        return impl_->Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(buffer, value.c_str(), needed);
    if (dataType != nullptr) {
        *dataType = kRegSz;
    }
    return TRUE;
}

BOOL FakePlatform::SetupDiDestroyDeviceInfoList(HDEVINFO list) {
    impl_->Record("SetupDiDestroyDeviceInfoList()");
    if (impl_->lists.erase(list) == 0) {
        impl_->Misuse("SetupDiDestroyDeviceInfoList of an unknown list");
        return impl_->Fail(ERROR_INVALID_HANDLE);
    }
    return TRUE;
}

// --- What is attached, and which device COM1: stands for ----------------------------------------

BOOL FakePlatform::ListUsbPrinters(std::vector<UsbPrinterDescription>* printers) {
    impl_->Record("ListUsbPrinters()");
    if (listingFails) {
        return impl_->Fail(ERROR_GEN_FAILURE);
    }
    printers->clear();
    for (const FakeUsbInterface& usb : usbInterfaces) {
        printers->push_back({usb.devicePath, usb.location, usb.deviceId, usb.usbSerial});
    }
    return TRUE;
}

BOOL FakePlatform::ListSerialPorts(std::vector<SerialPortDescription>* ports) {
    impl_->Record("ListSerialPorts()");
    if (listingFails) {
        return impl_->Fail(ERROR_GEN_FAILURE);
    }
    *ports = serialPorts;
    return TRUE;
}

BOOL FakePlatform::SetComPortDevice(DWORD number, const char* device, const char* origin) {
    impl_->Record("SetComPortDevice(" + std::to_string(number) + ", " + device + ")");
    if (impl_->devices.count(device) == 0) {
        return impl_->Fail(ERROR_FILE_NOT_FOUND);
    }
    comMappings["COM" + std::to_string(number) + ":"] = {device, origin};
    return TRUE;
}

ComPortAssignment FakePlatform::GetComPortAssignment(DWORD number) {
    const std::string name = "COM" + std::to_string(number) + ":";
    impl_->Record("GetComPortAssignment(" + std::to_string(number) + ")");
    const auto mapped = comMappings.find(name);
    if (mapped == comMappings.end()) {
        return {name, ""};
    }
    return {mapped->second.device, mapped->second.origin};
}

}  // namespace tq
