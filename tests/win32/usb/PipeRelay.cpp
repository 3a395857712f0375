#include "tests/win32/usb/PipeRelay.h"

#include <utility>
#include <vector>

namespace tq::test {

namespace {

constexpr DWORD kChunk = 256;
constexpr DWORD kPipeBuffer = 4096;
// While one instance is being taken by a client, the other waits for the next one.
constexpr std::size_t kListening = 2;

// One overlapped request with its own event. A request that failed as it was issued keeps that
// error and signals its event, so that the loop handles every outcome in one place.
struct Request {
    OVERLAPPED record{};
    BYTE bytes[kChunk]{};
    DWORD failedAtOnce = ERROR_SUCCESS;
    bool pending = false;

    Request() { record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    ~Request() { CloseHandle(record.hEvent); }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    void Begin() {
        HANDLE event = record.hEvent;
        record = OVERLAPPED{};
        record.hEvent = event;
        ResetEvent(event);
        failedAtOnce = ERROR_SUCCESS;
        pending = true;
    }
    // `issued`: what the call that issued the request returned.
    void Issued(BOOL issued) {
        const DWORD error = issued ? ERROR_SUCCESS : GetLastError();
        if (!issued && error != ERROR_IO_PENDING) {
            failedAtOnce = error;
            pending = false;
            SetEvent(record.hEvent);
        }
    }
    // The outcome of a request whose event is signalled.
    bool Succeeded(HANDLE file, DWORD& count) {
        count = 0;
        if (!pending) {
            return failedAtOnce == ERROR_SUCCESS;
        }
        pending = false;
        return GetOverlappedResult(file, &record, &count, TRUE) != FALSE;
    }
    // Cancels the request if it is still in flight and waits until the system has let it go.
    void Settle(HANDLE file) {
        if (pending) {
            CancelIoEx(file, &record);
            DWORD count = 0;
            GetOverlappedResult(file, &record, &count, TRUE);
            pending = false;
        }
    }
};

// Writes `count` bytes and waits until they are taken.
bool WriteAll(HANDLE file, const BYTE* bytes, DWORD count) {
    OVERLAPPED record{};
    record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    const bool issued =
        WriteFile(file, bytes, count, nullptr, &record) || GetLastError() == ERROR_IO_PENDING;
    const bool ok =
        issued && GetOverlappedResult(file, &record, &written, TRUE) && written == count;
    CloseHandle(record.hEvent);
    return ok;
}

// One instance of the pipe on the relay's side: waiting for its client, then reading from it.
struct Instance {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    Request request;

    ~Instance() {
        if (pipe != INVALID_HANDLE_VALUE) {
            request.Settle(pipe);
            CloseHandle(pipe);  // the client's next request fails: its pipe is broken
        }
    }
};

}  // namespace

struct PipeRelay::Loop {
    std::string pipeName;
    HANDLE line = INVALID_HANDLE_VALUE;
    Request lineRead;
    std::vector<std::unique_ptr<Instance>> listening;
    std::vector<std::unique_ptr<Instance>> clients;  // in the order they connected

    ~Loop() {
        listening.clear();
        clients.clear();
        if (line != INVALID_HANDLE_VALUE) {
            lineRead.Settle(line);
            CloseHandle(line);
        }
    }

    // A new instance, waiting for a client (one that came before the wait began counts at once).
    bool Listen() {
        auto instance = std::make_unique<Instance>();
        instance->pipe =
            CreateNamedPipeA(pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                             PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                             PIPE_UNLIMITED_INSTANCES, kPipeBuffer, kPipeBuffer, 0, nullptr);
        if (instance->pipe == INVALID_HANDLE_VALUE) {
            return false;
        }
        instance->request.Begin();
        const BOOL waiting = ConnectNamedPipe(instance->pipe, &instance->request.record);
        if (!waiting && GetLastError() == ERROR_PIPE_CONNECTED) {
            instance->request.pending = false;
            SetEvent(instance->request.record.hEvent);
        } else {
            instance->request.Issued(waiting);
        }
        listening.push_back(std::move(instance));
        return true;
    }

    static void IssueRead(HANDLE file, Request& request) {
        request.Begin();
        request.Issued(ReadFile(file, request.bytes, kChunk, nullptr, &request.record));
    }

    // The events to wait for: stop, the line, the listening instances, the clients.
    std::vector<HANDLE> Events(HANDLE stop) const {
        std::vector<HANDLE> events{stop, lineRead.record.hEvent};
        for (const auto& instance : listening) events.push_back(instance->request.record.hEvent);
        for (const auto& client : clients) events.push_back(client->request.record.hEvent);
        return events;
    }

    // False once the line has hung up.
    bool OnLineBytes() {
        DWORD count = 0;
        if (!lineRead.Succeeded(line, count)) {
            return false;
        }
        // Two opens may be seen at once, in either order; a client that has closed its end
        // already refuses the bytes, and the next newest takes them.
        while (count > 0 && !clients.empty() &&
               !WriteAll(clients.back()->pipe, lineRead.bytes, count)) {
            clients.pop_back();
        }
        if (count == 0) {
            Sleep(1);  // Windows completes a read of an idle line at once; Wine leaves it pending
        }
        IssueRead(line, lineRead);
        return true;
    }

    void OnConnected(std::size_t index) {
        std::unique_ptr<Instance> instance = std::move(listening[index]);
        listening.erase(listening.begin() + static_cast<std::ptrdiff_t>(index));
        DWORD unused = 0;
        if (instance->request.Succeeded(instance->pipe, unused)) {
            IssueRead(instance->pipe, instance->request);
            clients.push_back(std::move(instance));
        }
        Listen();
    }

    // What a client sends goes to the printer; a client that has closed its end is let go.
    void OnClientBytes(std::size_t index) {
        Instance& client = *clients[index];
        DWORD count = 0;
        if (!client.request.Succeeded(client.pipe, count)) {
            clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index));
            return;
        }
        if (count > 0) {
            WriteAll(line, client.request.bytes, count);
        }
        IssueRead(client.pipe, client.request);
    }
};

PipeRelay::PipeRelay(std::string pipe, std::string line, std::function<void()> onHangUp)
    : pipe_(std::move(pipe)), line_(std::move(line)), onHangUp_(std::move(onHangUp)) {}

PipeRelay::~PipeRelay() {
    Stop();
}

bool PipeRelay::Start() {
    loop_ = std::make_unique<Loop>();
    loop_->pipeName = "\\\\.\\pipe\\" + pipe_;
    loop_->line = CreateFileA(line_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    // A read returns what has arrived: under Wine it waits for the first byte.
    COMMTIMEOUTS immediate{MAXDWORD, 0, 0, 0, 0};
    if (loop_->line == INVALID_HANDLE_VALUE || !SetCommTimeouts(loop_->line, &immediate)) {
        error_ = "cannot open the serial line " + line_ + " (error " +
                 std::to_string(GetLastError()) + ")";
        loop_.reset();
        return false;
    }
    for (std::size_t i = 0; i < kListening; ++i) {
        if (!loop_->Listen()) {
            error_ = "cannot make the pipe " + loop_->pipeName + " (error " +
                     std::to_string(GetLastError()) + ")";
            loop_.reset();
            return false;
        }
    }
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Run(); });
    return true;
}

void PipeRelay::Run() {
    Loop::IssueRead(loop_->line, loop_->lineRead);
    bool hungUp = false;
    for (;;) {
        const std::vector<HANDLE> events = loop_->Events(stop_);
        const DWORD signalled = WaitForMultipleObjects(static_cast<DWORD>(events.size()),
                                                       events.data(), FALSE, INFINITE);
        std::size_t index = signalled - WAIT_OBJECT_0;
        if (signalled == WAIT_FAILED || index == 0) {
            break;
        }
        if (index == 1) {
            if (!loop_->OnLineBytes()) {
                hungUp = true;
                break;
            }
            continue;
        }
        index -= 2;
        if (index < loop_->listening.size()) {
            loop_->OnConnected(index);
        } else {
            loop_->OnClientBytes(index - loop_->listening.size());
        }
    }
    // A printer that went is no longer listed by the time a program learns it from a broken pipe.
    if (hungUp && onHangUp_) {
        onHangUp_();
    }
    loop_.reset();  // every pipe broken, the line closed
}

void PipeRelay::Stop() {
    if (thread_.joinable()) {
        SetEvent(stop_);
        thread_.join();
    }
    loop_.reset();
    if (stop_ != nullptr) {
        CloseHandle(stop_);
        stop_ = nullptr;
    }
}

}  // namespace tq::test
