#include "link/TimedTransfer.h"

#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "link/ReplyAssembly.h"
#include "platform/Platform.h"

namespace tq {

namespace {

constexpr DWORD kChunkSize = 64;

// The transfer state: one of each for the process, used by one transfer at a time.
OVERLAPPED g_writeRecord{};
DWORD g_writtenCount = 0;
OVERLAPPED g_readRecord{};
BYTE g_receiveChunk[kChunkSize];
DWORD g_chunkCount = 0;

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
    Abandon(g_writeRecord, g_writtenCount);
    return passed == Deadline::PassedAcrossWrap ? Fail(-5, "write timed out  -5")
                                                : Fail(-4, "write timed out  -4");
}

// TimedWrite step 5: poll the pending write until it completes or its deadline passes, waiting on
// the completion event between polls instead of spinning.
TransferStatus AwaitPendingWrite(DWORD start, DWORD timeout) {
    for (;;) {
        if (os::GetOverlappedResult(ActiveLink(), &g_writeRecord, &g_writtenCount, FALSE)) {
            return 0;
        }
        if (os::GetLastError() != ERROR_IO_INCOMPLETE) {
            return Fail(-3, "write failed (no timeout)  -3");
        }
        const Deadline deadline = TestDeadline(start, timeout);
        if (deadline != Deadline::NotPassed) {
            return WriteTimeout(deadline);
        }
        os::WaitForSingleObject(g_writeRecord.hEvent, RemainingUntilPast(start, timeout));
    }
}

TransferStatus ReadTimeout(Deadline passed, TransferStatus plain, const char* plainText,
                           TransferStatus wrapped, const char* wrappedText) {
    return passed == Deadline::PassedAcrossWrap ? Fail(wrapped, wrappedText) : Fail(plain, plainText);
}

// TimedRead step 3.2: a request that did not complete at once. The printer may take it and never
// answer, so the wait is bounded by the caller's deadline; a request still pending then is
// cancelled and reported as the reply's time-out.
TransferStatus AwaitPendingChunk(DWORD start, DWORD timeout) {
    for (;;) {
        if (os::GetOverlappedResult(ActiveLink(), &g_readRecord, &g_chunkCount, FALSE)) {
            return 0;
        }
        if (os::GetLastError() != ERROR_IO_INCOMPLETE) {
            return Fail(-2, "error completing read -21");
        }
        if (timeout != 0) {
            const Deadline deadline = TestDeadline(start, timeout);
            if (deadline != Deadline::NotPassed) {
                Abandon(g_readRecord, g_chunkCount);
                g_chunkCount = 0;
                return ReadTimeout(deadline, -9, "read timed out -9", -10, "read timed out -10");
            }
        }
        os::WaitForSingleObject(g_readRecord.hEvent,
                            timeout != 0 ? RemainingUntilPast(start, timeout) : INFINITE);
    }
}

// TimedRead step 3.3: a request that completed at once; collect its count.
TransferStatus CollectCompletedChunk(DWORD start, DWORD timeout) {
    if (timeout == 0) {
        if (!os::GetOverlappedResult(ActiveLink(), &g_readRecord, &g_chunkCount, TRUE)) {
            return Fail(-8, "read failed (no timeout) -8");
        }
        return 0;
    }
    g_chunkCount = 0;
    for (;;) {
        if (os::GetOverlappedResult(ActiveLink(), &g_readRecord, &g_chunkCount, FALSE)) {
            return 0;
        }
        if (os::GetLastError() != ERROR_IO_INCOMPLETE) {
            return Fail(-5, "read permanent failure  -5");
        }
        const Deadline deadline = TestDeadline(start, timeout);
        if (deadline != Deadline::NotPassed) {
            Abandon(g_readRecord, g_chunkCount);
            return ReadTimeout(deadline, -6, "read timed out -6", -7, "read timed out -7");
        }
        os::WaitForSingleObject(g_readRecord.hEvent, RemainingUntilPast(start, timeout));
    }
}

// Issues one 64-byte request and waits for its chunk.
TransferStatus ReadOneChunk(DWORD start, DWORD timeout) {
    g_chunkCount = 0;
    if (!os::ReadFile(ActiveLink(), g_receiveChunk, kChunkSize, nullptr, &g_readRecord)) {
        if (os::GetLastError() != ERROR_IO_PENDING) {
            return Fail(-2, "error issuing read -2");
        }
        return AwaitPendingChunk(start, timeout);
    }
    return CollectCompletedChunk(start, timeout);
}

}  // namespace

TransferStatus TimedWrite(const void* data, DWORD count, DWORD timeout) {
    const DWORD start = os::GetTickCount();
    CallEvent event(g_writeRecord);
    if (!event.Created()) {
        return Fail(-1, "error making write event  -1");
    }
    if (os::WriteFile(ActiveLink(), data, count, &g_writtenCount, &g_writeRecord)) {
        return 0;
    }
    if (os::GetLastError() != ERROR_IO_PENDING) {
        return Fail(-2, "write failed  -2");
    }
    if (timeout == 0) {
        if (!os::GetOverlappedResult(ActiveLink(), &g_writeRecord, &g_writtenCount, TRUE)) {
            return Fail(-6, "permanent write failure  -6");
        }
        return 0;
    }
    return AwaitPendingWrite(start, timeout);
}

TransferStatus TimedRead(void* destination, DWORD capacity, DWORD expected,
                         std::int32_t* received, BYTE /*terminator*/, DWORD timeout) {
    const DWORD start = os::GetTickCount();
    *received = 0;
    bool done = false;
    CallEvent event(g_readRecord);
    if (!event.Created()) {
        return Fail(-1, "error creating event");
    }
    ReplyAssembly reply{static_cast<BYTE*>(destination), capacity, expected, 0};
    while (!done) {
        const TransferStatus status = ReadOneChunk(start, timeout);
        if (status != 0) {
            return status;
        }
        done = AppendChunk(reply, g_receiveChunk, g_chunkCount);
        *received = reply.received;
        if (!done && timeout != 0) {
            const Deadline deadline = TestDeadline(start, timeout);
            if (deadline != Deadline::NotPassed) {
                return ReadTimeout(deadline, -9, "read timed out -9", -10, "read timed out -10");
            }
            // On COM1: every request completes at once, with nothing when the printer has not
            // answered yet; give the line a millisecond rather than asking again at full speed.
            if (g_chunkCount == 0) {
                os::Sleep(1);
            }
        }
    }
    return 0;
}

}  // namespace tq
