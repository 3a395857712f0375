#include "platform/posix/OverlappedIo.h"

#include <poll.h>
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

long long MonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// poll() for one descriptor; -1 waits without limit. A signal does not shorten the wait.
int PollFor(int fd, short events, int timeoutMs) {
    const long long deadline = MonotonicMs() + timeoutMs;
    pollfd entry{fd, events, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, timeoutMs);
        if (result >= 0 || errno != EINTR) {
            return result;
        }
        if (timeoutMs >= 0) {
            timeoutMs = static_cast<int>(std::max(0LL, deadline - MonotonicMs()));
        }
    }
}

int AwaitReady(int fd, const PendingRequest& request, int timeoutMs) {
    const short events = request.direction == PendingRequest::Direction::Write ? POLLOUT : POLLIN;
    return PollFor(fd, events, timeoutMs);
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

Progress Advance(int fd, PendingRequest& request) {
    return request.direction == PendingRequest::Direction::Write ? AdvanceWrite(fd, request)
                                                                 : AdvanceRead(fd, request);
}

PendingRequest* FindRequest(FileObject& file, const OVERLAPPED* record) {
    for (PendingRequest& request : file.pending) {
        if (request.record == record)
            return &request;
    }
    return nullptr;
}

// Completes the matching requests as aborted; returns how many there were.
int Abort(FileObject& file, const OVERLAPPED* record) {
    int aborted = 0;
    for (auto it = file.pending.begin(); it != file.pending.end();) {
        if (record != nullptr && it->record != record) {
            ++it;
            continue;
        }
        Finish(it->record, ERROR_OPERATION_ABORTED, it->transferred);
        it = file.pending.erase(it);
        ++aborted;
    }
    return aborted;
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

int TimeoutMs(DWORD milliseconds) {
    return milliseconds == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(milliseconds, INT_MAX));
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
        if (Advance(file.fd, *request) == Progress::Finished) {
            file.pending.erase(file.pending.begin() + (request - file.pending.data()));
            break;
        }
        if (!wait) {
            return Fail(ERROR_IO_INCOMPLETE);
        }
        AwaitReady(file.fd, *request, -1);
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

DWORD WaitForEventRequest(const HandleTable& table, HANDLE event, DWORD milliseconds) {
    for (const auto& file : table.Files()) {
        for (const PendingRequest& request : file->pending) {
            if (request.record->hEvent != event)
                continue;
            const int ready = AwaitReady(file->fd, request, TimeoutMs(milliseconds));
            if (ready < 0) {
                Fail(ErrorFromErrno(errno));
                return WAIT_FAILED;
            }
            return ready == 0 ? WAIT_TIMEOUT : WAIT_OBJECT_0;
        }
    }
    return WAIT_OBJECT_0;
}

}  // namespace tq::posix
