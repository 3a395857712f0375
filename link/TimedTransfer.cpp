#include "link/TimedTransfer.h"

#include <algorithm>
#include <utility>

#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "link/ReplyAssembly.h"
#include "platform/Platform.h"

namespace tq {

namespace {

constexpr DWORD kChunkSize = 64;
// How long after an unanswered request its reply may still come. A printer in good order answers
// within the 100 ms pause before every read; behind a USB-serial adapter's latency timer, or busy
// with a print, replies have been reported 420 ms late. Dropping input for 1.2 s from the request's
// write keeps a reply up to a second late, with 200 ms to spare, from answering a later request:
// of this command, or of the next run of the program, which may open the line at once.
constexpr DWORD kLateReplyWindowMs = 1200;
// A line is quiet once this long has passed without a byte.
constexpr DWORD kQuietMs = 200;
// A device that never stops talking holds the quiet period no longer than this past the window.
constexpr DWORD kQuietBoundMs = 1000;

// The transfer state, one object for the process: the records and the receive chunk, used by one
// transfer at a time, and what outlives each transfer: whether the device has gone, and who
// watches the line.
struct TransferState {
    OVERLAPPED writeRecord{};
    DWORD writtenCount = 0;
    OVERLAPPED readRecord{};
    BYTE receiveChunk[kChunkSize]{};
    DWORD chunkCount = 0;
    // The serial port's event wait, used while a read waits for its first byte.
    OVERLAPPED eventRecord{};
    DWORD eventMask = 0;
    // A transfer failed because the device is gone; the command need not try the next one.
    bool linkLost = false;
    // When the latest write began, and whether the line is owed a quiet period from then.
    DWORD lastWriteStart = 0;
    bool quietOwed = false;
    TransferObserver observer;
};
TransferState g_state;

void Observe(TransferEvent event, const BYTE* bytes, DWORD count) {
    if (g_state.observer && count > 0) {
        g_state.observer(event, bytes, count);
    }
}

// The errors with which Windows and our POSIX platform report a device that has left: unplugged,
// its driver gone, or the other side of the line hung up.
bool MeansDeviceGone(DWORD error) {
    switch (error) {
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_BAD_COMMAND:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_INVALID_HANDLE:
            return true;
        default:
            return false;
    }
}

// Reads the error of the call that just failed, and remembers whether it says the device is gone.
DWORD NoteError() {
    const DWORD error = os::GetLastError();
    g_state.linkLost = g_state.linkLost || MeansDeviceGone(error);
    return error;
}

enum class Deadline { NotPassed, Passed, PassedAcrossWrap };

// The elapsed time is now - start modulo 2^32; the deadline has passed when it is greater than
// the timeout (equal is still in time). A counter that wrapped since the start gets its own code.
Deadline TestDeadline(DWORD start, DWORD timeout) {
    const DWORD now = os::GetTickCount();
    if (static_cast<DWORD>(now - start) <= timeout) {
        return Deadline::NotPassed;
    }
    return now < start ? Deadline::PassedAcrossWrap : Deadline::Passed;
}

// Milliseconds to wait so that, if nothing happens, the next deadline test finds it passed.
DWORD RemainingUntilPast(DWORD start, DWORD timeout) {
    const DWORD elapsed = os::GetTickCount() - start;
    return elapsed > timeout ? 0 : timeout - elapsed + 1;
}

// Milliseconds from now until `span` has passed since `since`; 0 once it has.
DWORD TimeLeft(DWORD since, DWORD span) {
    const DWORD elapsed = os::GetTickCount() - since;
    return elapsed >= span ? 0 : span - elapsed;
}

TransferStatus Fail(TransferStatus code, const char* message) {
    AfxMessageBox(message, 0, 0);
    return code;
}

// The completion event lives for one call and is released on every path before it returns.
class CallEvent {
public:
    explicit CallEvent(OVERLAPPED& record) : record_(record) {
        record_ = OVERLAPPED{};
        record_.hEvent = os::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~CallEvent() {
        if (record_.hEvent != nullptr) {
            os::CloseHandle(record_.hEvent);
            record_.hEvent = nullptr;
        }
    }
    bool Created() const { return record_.hEvent != nullptr; }
    CallEvent(const CallEvent&) = delete;
    CallEvent& operator=(const CallEvent&) = delete;

private:
    OVERLAPPED& record_;
};

// A request given up at its deadline is cancelled and collected before the call returns, so that
// it no longer uses the caller's bytes or the record afterwards.
void Abandon(OVERLAPPED& record, DWORD& count) {
    os::CancelIoEx(ActiveLink(), &record);
    os::GetOverlappedResult(ActiveLink(), &record, &count, TRUE);
}

TransferStatus WriteTimeout(Deadline passed) {
    Abandon(g_state.writeRecord, g_state.writtenCount);
    return passed == Deadline::PassedAcrossWrap ? Fail(-5, "write timed out  -5")
                                                : Fail(-4, "write timed out  -4");
}

// A write that did not complete at once: poll it until it completes or its deadline passes, waiting
// on the completion event between polls instead of spinning.
TransferStatus AwaitPendingWrite(DWORD start, DWORD timeout) {
    for (;;) {
        if (os::GetOverlappedResult(ActiveLink(), &g_state.writeRecord, &g_state.writtenCount,
                                    FALSE)) {
            return 0;
        }
        if (NoteError() != ERROR_IO_INCOMPLETE) {
            return Fail(-3, "write failed (no timeout)  -3");
        }
        const Deadline deadline = TestDeadline(start, timeout);
        if (deadline != Deadline::NotPassed) {
            return WriteTimeout(deadline);
        }
        os::WaitForSingleObject(g_state.writeRecord.hEvent, RemainingUntilPast(start, timeout));
    }
}

TransferStatus ReadTimeout(Deadline passed, TransferStatus plain, const char* plainText,
                           TransferStatus wrapped, const char* wrappedText) {
    return passed == Deadline::PassedAcrossWrap ? Fail(wrapped, wrappedText)
                                                : Fail(plain, plainText);
}

// A read request that did not complete at once. The printer may take it and never
// answer, so the wait is bounded by the caller's deadline; a request still pending then is
// cancelled and reported as the reply's time-out.
TransferStatus AwaitPendingChunk(DWORD start, DWORD timeout) {
    for (;;) {
        if (os::GetOverlappedResult(ActiveLink(), &g_state.readRecord, &g_state.chunkCount,
                                    FALSE)) {
            return 0;
        }
        if (NoteError() != ERROR_IO_INCOMPLETE) {
            return Fail(-2, "error completing read -21");
        }
        if (timeout != 0) {
            const Deadline deadline = TestDeadline(start, timeout);
            if (deadline != Deadline::NotPassed) {
                Abandon(g_state.readRecord, g_state.chunkCount);
                g_state.chunkCount = 0;
                return ReadTimeout(deadline, -9, "read timed out -9", -10, "read timed out -10");
            }
        }
        os::WaitForSingleObject(g_state.readRecord.hEvent,
                                timeout != 0 ? RemainingUntilPast(start, timeout) : INFINITE);
    }
}

// A read request that ReadFile reported complete: collect its count, waited for without a deadline
// when the caller gave none, otherwise polled until the deadline passes.
TransferStatus CollectCompletedChunk(DWORD start, DWORD timeout) {
    if (timeout == 0) {
        if (!os::GetOverlappedResult(ActiveLink(), &g_state.readRecord, &g_state.chunkCount,
                                     TRUE)) {
            NoteError();
            return Fail(-8, "read failed (no timeout) -8");
        }
        return 0;
    }
    g_state.chunkCount = 0;
    for (;;) {
        if (os::GetOverlappedResult(ActiveLink(), &g_state.readRecord, &g_state.chunkCount,
                                    FALSE)) {
            return 0;
        }
        if (NoteError() != ERROR_IO_INCOMPLETE) {
            return Fail(-5, "read permanent failure  -5");
        }
        const Deadline deadline = TestDeadline(start, timeout);
        if (deadline != Deadline::NotPassed) {
            Abandon(g_state.readRecord, g_state.chunkCount);
            return ReadTimeout(deadline, -6, "read timed out -6", -7, "read timed out -7");
        }
        os::WaitForSingleObject(g_state.readRecord.hEvent, RemainingUntilPast(start, timeout));
    }
}

// The serial port's event wait for EV_RXCHAR, up to `milliseconds`. True when a byte has arrived
// (or may have: Windows also reports a byte that was read before the wait began). A device
// without the event wait (a USB printer) gives a millisecond's pause instead.
bool AwaitFirstByte(DWORD milliseconds) {
    if (!os::SetCommMask(ActiveLink(), EV_RXCHAR)) {
        os::Sleep(1);
        return true;
    }
    CallEvent event(g_state.eventRecord);
    if (!event.Created()) {
        os::Sleep(1);
        return true;
    }
    if (os::WaitCommEvent(ActiveLink(), &g_state.eventMask, &g_state.eventRecord)) {
        return true;
    }
    if (NoteError() != ERROR_IO_PENDING) {
        return true;  // the next read reports what is wrong with the line
    }
    DWORD unused = 0;
    if (os::WaitForSingleObject(g_state.eventRecord.hEvent, milliseconds) == WAIT_OBJECT_0) {
        return os::GetOverlappedResult(ActiveLink(), &g_state.eventRecord, &unused, TRUE) != FALSE;
    }
    Abandon(g_state.eventRecord, unused);
    return false;
}

// Counts the chunk that just completed as dropped, and tells the observer.
void DropChunk(DWORD& dropped) {
    dropped += g_state.chunkCount;
    Observe(TransferEvent::Dropped, g_state.receiveChunk, g_state.chunkCount);
}

// Takes whatever arrives within `milliseconds` and drops it; returns how many bytes that was.
// Shows nothing: this is housekeeping between the exchanges, not one of them.
DWORD DropInputFor(DWORD milliseconds) {
    const DWORD start = os::GetTickCount();
    DWORD dropped = 0;
    CallEvent event(g_state.readRecord);
    if (!event.Created()) {
        return 0;
    }
    while (!g_state.linkLost && TestDeadline(start, milliseconds) == Deadline::NotPassed) {
        g_state.chunkCount = 0;
        if (os::ReadFile(ActiveLink(), g_state.receiveChunk, kChunkSize, nullptr,
                         &g_state.readRecord)) {
            if (!os::GetOverlappedResult(ActiveLink(), &g_state.readRecord, &g_state.chunkCount,
                                         TRUE)) {
                NoteError();
                break;
            }
            DropChunk(dropped);
            if (g_state.chunkCount == 0 &&
                !AwaitFirstByte(RemainingUntilPast(start, milliseconds))) {
                break;
            }
            continue;
        }
        if (NoteError() != ERROR_IO_PENDING) {
            break;
        }
        if (os::WaitForSingleObject(g_state.readRecord.hEvent,
                                    RemainingUntilPast(start, milliseconds)) != WAIT_OBJECT_0) {
            Abandon(g_state.readRecord, g_state.chunkCount);
            DropChunk(dropped);  // what completed before the cancel took
            break;
        }
        if (os::GetOverlappedResult(ActiveLink(), &g_state.readRecord, &g_state.chunkCount, TRUE)) {
            DropChunk(dropped);
        } else {
            NoteError();
            break;
        }
    }
    return dropped;
}

// Issues one 64-byte request and waits for its chunk.
TransferStatus ReadOneChunk(DWORD start, DWORD timeout) {
    g_state.chunkCount = 0;
    if (!os::ReadFile(ActiveLink(), g_state.receiveChunk, kChunkSize, nullptr,
                      &g_state.readRecord)) {
        if (NoteError() != ERROR_IO_PENDING) {
            return Fail(-2, "error issuing read -2");
        }
        return AwaitPendingChunk(start, timeout);
    }
    return CollectCompletedChunk(start, timeout);
}

}  // namespace

void PauseForReply(DWORD milliseconds) {
    os::Sleep(milliseconds);
}

// A refused purge says nothing of the device: a USB printer's driver refuses the serial port's
// calls with an error of its choosing (and under Wine GetLastError may still hold an earlier
// call's). A device that has gone is found by the write that follows.
void DiscardStaleInput() {
    os::PurgeComm(ActiveLink(), PURGE_RXABORT | PURGE_RXCLEAR);
}

// Nothing more comes from a device that is gone.
void OweQuietLine() {
    g_state.quietOwed = !g_state.linkLost;
}

bool QuietOwed() {
    return g_state.quietOwed;
}

// Drops input until the window since the unanswered write has passed and the line has been quiet
// for kQuietMs, or until kQuietBoundMs past the window. A drop that brought bytes restarts the
// quiet from its end.
void PayOwedQuiet() {
    if (!g_state.quietOwed) {
        return;
    }
    g_state.quietOwed = false;
    const DWORD start = os::GetTickCount();
    const DWORD giveUpAfter = TimeLeft(g_state.lastWriteStart, kLateReplyWindowMs) + kQuietBoundMs;
    DWORD quietSince = start;
    for (;;) {
        const DWORD wait = std::min(std::max(TimeLeft(g_state.lastWriteStart, kLateReplyWindowMs),
                                             TimeLeft(quietSince, kQuietMs)),
                                    TimeLeft(start, giveUpAfter));
        if (wait == 0 || g_state.linkLost) {
            return;
        }
        // DropInputFor(n) goes on until more than n ms have passed.
        if (DropInputFor(wait - 1) > 0) {
            quietSince = os::GetTickCount();
        }
    }
}

bool InputArrivesWithin(DWORD milliseconds) {
    return DropInputFor(milliseconds) > 0;
}

void SetTransferObserver(TransferObserver observer) {
    g_state.observer = std::move(observer);
}

bool LinkLost() {
    return g_state.linkLost;
}

void ClearLinkLost() {
    g_state.linkLost = false;
}

void ResetTransfersForTest() {
    g_state.linkLost = false;
    g_state.quietOwed = false;
}

TransferStatus TimedWrite(const void* data, DWORD count, DWORD timeout) {
    PayOwedQuiet();
    const DWORD start = os::GetTickCount();
    g_state.lastWriteStart = start;
    CallEvent event(g_state.writeRecord);
    if (!event.Created()) {
        return Fail(-1, "error making write event  -1");
    }
    Observe(TransferEvent::Written, static_cast<const BYTE*>(data), count);
    if (os::WriteFile(ActiveLink(), data, count, &g_state.writtenCount, &g_state.writeRecord)) {
        return 0;
    }
    if (NoteError() != ERROR_IO_PENDING) {
        return Fail(-2, "write failed  -2");
    }
    if (timeout == 0) {
        if (!os::GetOverlappedResult(ActiveLink(), &g_state.writeRecord, &g_state.writtenCount,
                                     TRUE)) {
            NoteError();
            return Fail(-6, "permanent write failure  -6");
        }
        return 0;
    }
    return AwaitPendingWrite(start, timeout);
}

TransferStatus TimedRead(void* destination, DWORD capacity, DWORD expected, std::int32_t* received,
                         BYTE /*terminator*/, DWORD timeout, DWORD* dropped) {
    const DWORD start = os::GetTickCount();
    *received = 0;
    DWORD unused = 0;
    dropped = dropped != nullptr ? dropped : &unused;
    *dropped = 0;
    bool done = false;
    CallEvent event(g_state.readRecord);
    if (!event.Created()) {
        return Fail(-1, "error creating event");
    }
    ReplyAssembly reply{static_cast<BYTE*>(destination), capacity, expected, 0};
    while (!done) {
        const TransferStatus status = ReadOneChunk(start, timeout);
        if (status != 0) {
            return status;
        }
        Observe(TransferEvent::Received, g_state.receiveChunk, g_state.chunkCount);
        done = AppendChunk(reply, g_state.receiveChunk, g_state.chunkCount);
        *received = reply.received;
        *dropped = reply.dropped;
        if (!done && timeout != 0) {
            const Deadline deadline = TestDeadline(start, timeout);
            if (deadline != Deadline::NotPassed) {
                return ReadTimeout(deadline, -9, "read timed out -9", -10, "read timed out -10");
            }
            // On COM1: every request completes at once, with nothing when the printer has not
            // answered yet; wait for its first byte (or the deadline) before asking again.
            if (g_state.chunkCount == 0) {
                AwaitFirstByte(RemainingUntilPast(start, timeout));
            }
        }
    }
    return 0;
}

}  // namespace tq
