#include "platform/posix/OverlappedIo.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>

#include "platform/posix/Errors.h"

namespace tq::posix {

namespace {

enum class Progress { Pending, Finished };

void Finish(OVERLAPPED* record, DWORD error, DWORD count) {
    record->Internal = error;
    record->InternalHigh = count;
}

constexpr long long kNsPerMs = 1000000;
constexpr long long kForever = -1;

long long MonotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// A wait of N milliseconds ends when the tick counter (the monotonic clock's whole milliseconds)
// has moved on by N, not N milliseconds after some instant inside the current tick: so a deadline
// that the link measures in ticks is reported as soon as it has passed, not up to a tick later.
long long TickDeadlineNs(DWORD milliseconds) {
    if (milliseconds == INFINITE) {
        return kForever;
    }
    return (MonotonicNs() / kNsPerMs + milliseconds) * kNsPerMs;
}

// ppoll() for one descriptor until the deadline (kForever: without limit). A signal does not
// shorten the wait. 1 when ready, 0 at the deadline, -1 on failure.
int PollUntil(int fd, short events, long long deadlineNs) {
    pollfd entry{fd, events, 0};
    for (;;) {
        timespec left{};
        if (deadlineNs != kForever) {
            const long long ns = std::max(0LL, deadlineNs - MonotonicNs());
            left = {static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
        }
        const int result = ::ppoll(&entry, 1, deadlineNs == kForever ? nullptr : &left, nullptr);
        if (result >= 0 || errno != EINTR) {
            return result;
        }
    }
}

int AwaitReady(int fd, const PendingRequest& request, long long deadlineNs) {
    const short events = request.direction == PendingRequest::Direction::Write ? POLLOUT : POLLIN;
    return PollUntil(fd, events, deadlineNs);
}

// A terminal whose other side is gone reads 0 bytes, as one with nothing to give does; only the
// hang-up tells them apart.
bool HungUp(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 0) == 1 && (entry.revents & (POLLHUP | POLLERR)) != 0;
}

Progress AdvanceWrite(int fd, PendingRequest& request) {
    while (request.offset < request.unwritten.size()) {
        const ssize_t n = ::write(fd, request.unwritten.data() + request.offset,
                                  request.unwritten.size() - request.offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return Progress::Pending;
        if (n < 0) {
            Finish(request.record, ErrorFromErrno(errno), request.transferred);
            return Progress::Finished;
        }
        request.offset += static_cast<std::size_t>(n);
        request.transferred += static_cast<DWORD>(n);
    }
    Finish(request.record, ERROR_SUCCESS, request.transferred);
    return Progress::Finished;
}

Progress AdvanceRead(int fd, PendingRequest& request) {
    ssize_t n = 0;
    do {
        n = ::read(fd, request.destination, request.size);
    } while (n < 0 && errno == EINTR);
    if (n > 0 || request.size == 0) {
        Finish(request.record, ERROR_SUCCESS, static_cast<DWORD>(n));
        return Progress::Finished;
    }
    if ((n == 0 && HungUp(fd)) || (n < 0 && errno != EAGAIN)) {
        Finish(request.record, n == 0 ? ERROR_DEVICE_NOT_CONNECTED : ErrorFromErrno(errno), 0);
        return Progress::Finished;
    }
    return Progress::Pending;
}

int BytesWaiting(int fd) {
    int waiting = 0;
    return ::ioctl(fd, FIONREAD, &waiting) == 0 ? waiting : 0;
}

// EV_RXCHAR: the wait ends once a byte is there to read, or with an error once the line is gone.
Progress AdvanceCommEvent(int fd, PendingRequest& request) {
    if (BytesWaiting(fd) > 0) {
        *request.eventMask = EV_RXCHAR;
        Finish(request.record, ERROR_SUCCESS, 0);
        return Progress::Finished;
    }
    if (HungUp(fd)) {
        Finish(request.record, ERROR_DEVICE_NOT_CONNECTED, 0);
        return Progress::Finished;
    }
    return Progress::Pending;
}

Progress Advance(int fd, PendingRequest& request) {
    switch (request.direction) {
        case PendingRequest::Direction::Write:
            return AdvanceWrite(fd, request);
        case PendingRequest::Direction::Read:
            return AdvanceRead(fd, request);
        case PendingRequest::Direction::CommEvent:
            break;
    }
    return AdvanceCommEvent(fd, request);
}

// Tries the request again; a finished one leaves the file's list, its outcome in its record.
Progress AdvanceAndRetire(FileObject& file, PendingRequest& request) {
    if (Advance(file.fd, request) == Progress::Pending) {
        return Progress::Pending;
    }
    file.pending.erase(file.pending.begin() + (&request - file.pending.data()));
    return Progress::Finished;
}

PendingRequest* FindRequest(FileObject& file, const OVERLAPPED* record) {
    for (PendingRequest& request : file.pending) {
        if (request.record == record)
            return &request;
    }
    return nullptr;
}

// Completes the matching requests as aborted; returns how many there were.
template <class Matches>
int AbortWhere(FileObject& file, Matches matches) {
    int aborted = 0;
    for (auto it = file.pending.begin(); it != file.pending.end();) {
        if (!matches(*it)) {
            ++it;
            continue;
        }
        Finish(it->record, ERROR_OPERATION_ABORTED, it->transferred);
        it = file.pending.erase(it);
        ++aborted;
    }
    return aborted;
}

int Abort(FileObject& file, const OVERLAPPED* record) {
    return AbortWhere(file, [record](const PendingRequest& request) {
        return record == nullptr || request.record == record;
    });
}

// The outcome of a request that finished when it was issued.
BOOL Completed(const OVERLAPPED* record, DWORD* count) {
    if (record->Internal != ERROR_SUCCESS) {
        return Fail(static_cast<DWORD>(record->Internal));
    }
    if (count != nullptr) {
        *count = static_cast<DWORD>(record->InternalHigh);
    }
    return TRUE;
}

BOOL Pend(FileObject& file, PendingRequest request) {
    request.record->Internal = kStatusPending;
    request.record->InternalHigh = request.transferred;
    file.pending.push_back(std::move(request));
    return Fail(ERROR_IO_PENDING);
}

// With ReadIntervalTimeout MAXDWORD and both read totals 0, a serial read completes at once with
// what has arrived, possibly nothing. Other serial time-outs are kept but not timed here: such a
// read completes when the first bytes arrive, like a read on any other device, and the caller's
// own deadline (and CancelIoEx) bounds the wait.
bool ReadsReturnAtOnce(const FileObject& file) {
    return file.kind == FileKind::Serial && file.timeouts.ReadIntervalTimeout == MAXDWORD &&
           file.timeouts.ReadTotalTimeoutMultiplier == 0 &&
           file.timeouts.ReadTotalTimeoutConstant == 0;
}

BOOL StartRead(FileObject& file, void* buffer, DWORD size, DWORD* read, OVERLAPPED* record) {
    Abort(file, record);  // a record stands for one request at a time
    PendingRequest request;
    request.direction = PendingRequest::Direction::Read;
    request.record = record;
    request.destination = static_cast<BYTE*>(buffer);
    request.size = size;
    if (AdvanceRead(file.fd, request) == Progress::Finished) {
        return Completed(record, read);
    }
    if (ReadsReturnAtOnce(file)) {
        Finish(record, ERROR_SUCCESS, 0);
        return Completed(record, read);
    }
    return Pend(file, std::move(request));
}

// What the device takes at once is written from the caller's buffer; the rest is copied, because
// the caller may reuse its buffer as soon as the call returns.
BOOL StartWrite(FileObject& file, const void* data, DWORD count, DWORD* written,
                OVERLAPPED* record) {
    Abort(file, record);
    const BYTE* bytes = static_cast<const BYTE*>(data);
    ssize_t n = 0;
    do {
        n = count == 0 ? 0 : ::write(file.fd, bytes, count);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno != EAGAIN) {
        Finish(record, ErrorFromErrno(errno), 0);
        return Completed(record, written);
    }
    const DWORD done = n < 0 ? 0 : static_cast<DWORD>(n);
    if (done == count) {
        Finish(record, ERROR_SUCCESS, done);
        return Completed(record, written);
    }
    PendingRequest request;
    request.direction = PendingRequest::Direction::Write;
    request.record = record;
    request.unwritten.assign(bytes + done, bytes + count);
    request.transferred = done;
    return Pend(file, std::move(request));
}

// A handle opened without FILE_FLAG_OVERLAPPED, or a call without a record: the request runs on a
// record of its own and the call waits for it.
template <class Start>
BOOL Synchronously(FileObject& file, DWORD* count, Start start) {
    OVERLAPPED local{};
    if (start(&local))
        return TRUE;
    if (LastErrorCode() != ERROR_IO_PENDING)
        return FALSE;
    return CollectResult(file, &local, count, TRUE);
}

constexpr std::size_t kPurgeBound = 64 * 1024;

struct EventRequest {
    FileObject* file = nullptr;
    PendingRequest* request = nullptr;
};

EventRequest FindEventRequest(const HandleTable& table, HANDLE event) {
    for (const auto& file : table.Files()) {
        for (PendingRequest& request : file->pending) {
            if (request.record->hEvent == event) {
                return {file.get(), &request};
            }
        }
    }
    return {};
}

// PURGE_RXABORT: the reads in flight and the event waits complete as aborted.
void AbortReads(FileObject& file) {
    AbortWhere(file, [](const PendingRequest& request) {
        return request.direction != PendingRequest::Direction::Write;
    });
}

}  // namespace

BOOL ReadOn(FileObject& file, void* buffer, DWORD size, DWORD* read, OVERLAPPED* record) {
    if (file.overlapped && record != nullptr) {
        return StartRead(file, buffer, size, read, record);
    }
    return Synchronously(
        file, read, [&](OVERLAPPED* local) { return StartRead(file, buffer, size, read, local); });
}

BOOL WriteOn(FileObject& file, const void* data, DWORD count, DWORD* written, OVERLAPPED* record) {
    if (file.overlapped && record != nullptr) {
        return StartWrite(file, data, count, written, record);
    }
    return Synchronously(file, written, [&](OVERLAPPED* local) {
        return StartWrite(file, data, count, written, local);
    });
}

BOOL CollectResult(FileObject& file, OVERLAPPED* record, DWORD* transferred, BOOL wait) {
    if (record == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    while (PendingRequest* request = FindRequest(file, record)) {
        if (AdvanceAndRetire(file, *request) == Progress::Finished) {
            break;
        }
        if (!wait) {
            return Fail(ERROR_IO_INCOMPLETE);
        }
        AwaitReady(file.fd, *request, kForever);
    }
    if (record->Internal == kStatusPending) {
        return Fail(ERROR_INVALID_PARAMETER);  // pending, but not on this handle
    }
    if (transferred != nullptr) {
        *transferred = static_cast<DWORD>(record->InternalHigh);
    }
    return record->Internal == ERROR_SUCCESS ? TRUE : Fail(static_cast<DWORD>(record->Internal));
}

BOOL CancelRequests(FileObject& file, OVERLAPPED* record) {
    return Abort(file, record) > 0 ? TRUE : Fail(ERROR_NOT_FOUND);
}

// Win32 signals a request's event when the request completes, not when its device is merely ready:
// a pty can take part of a long write and still leave the rest waiting. So a ready descriptor only
// lets the request move on, and the wait goes on until it finishes or the time is up.
DWORD WaitForEventRequest(const HandleTable& table, HANDLE event, DWORD milliseconds) {
    const long long deadline = TickDeadlineNs(milliseconds);
    for (;;) {
        auto [file, request] = FindEventRequest(table, event);
        if (request == nullptr || AdvanceAndRetire(*file, *request) == Progress::Finished) {
            return WAIT_OBJECT_0;
        }
        if (deadline != kForever && MonotonicNs() >= deadline) {
            return WAIT_TIMEOUT;
        }
        const int ready = AwaitReady(file->fd, *request, deadline);
        if (ready < 0) {
            Fail(ErrorFromErrno(errno));
            return WAIT_FAILED;
        }
    }
}

BOOL WaitCommEventOn(FileObject& file, DWORD* mask, OVERLAPPED* record) {
    if (file.kind != FileKind::Serial) {
        return Fail(ERROR_NOT_SUPPORTED);
    }
    if ((file.commMask & EV_RXCHAR) == 0 || mask == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const auto start = [&](OVERLAPPED* onRecord) {
        Abort(file, onRecord);
        PendingRequest request;
        request.direction = PendingRequest::Direction::CommEvent;
        request.record = onRecord;
        request.eventMask = mask;
        if (AdvanceCommEvent(file.fd, request) == Progress::Finished) {
            return Completed(onRecord, nullptr);
        }
        return Pend(file, std::move(request));
    };
    if (file.overlapped && record != nullptr) {
        return start(record);
    }
    return Synchronously(file, nullptr, start);
}

// A serial port's input queue is flushed by the line discipline; a printer node has no such call,
// so what it holds is read and dropped, up to a bound in case the device never stops talking.
BOOL PurgeOn(FileObject& file, DWORD flags) {
    if ((flags & PURGE_RXABORT) != 0) {
        AbortReads(file);
    }
    if ((flags & PURGE_RXCLEAR) == 0) {
        return TRUE;
    }
    if (file.kind == FileKind::Serial) {
        return ::tcflush(file.fd, TCIFLUSH) == 0 ? TRUE : Fail(ErrorFromErrno(errno));
    }
    BYTE scratch[256];
    for (std::size_t dropped = 0; dropped < kPurgeBound;) {
        const ssize_t n = ::read(file.fd, scratch, sizeof scratch);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        dropped += static_cast<std::size_t>(n);
    }
    return TRUE;
}

}  // namespace tq::posix
