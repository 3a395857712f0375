#include "link/TimedTransfer.h"

#include <algorithm>
#include <utility>

#include "framework/MessageBoxes.h"
#include "link/LinkState.h"
#include "link/PrinterLink.h"
#include "link/ReplyAssembly.h"
#include "platform/Platform.h"

namespace tq {

namespace {

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

// One transfer, or the line's housekeeping between transfers, on the link's ActiveLink: the steps
// that the transfers share, working on the link's transfer state.
class Line {
public:
    Line(PrinterLink& owner, PrinterLink::TransferState& state, HANDLE handle)
        : owner_(owner), state_(state), handle_(handle) {}

    void Observe(TransferEvent event, const BYTE* bytes, DWORD count) {
        if (state_.observer && count > 0) {
            state_.observer(event, bytes, count);
        }
    }

    // Reads the error of the call that just failed, and remembers whether it says the device is
    // gone.
    DWORD NoteError() {
        const DWORD error = os::GetLastError();
        state_.lastError = error;
        state_.linkLost = state_.linkLost || MeansDeviceGone(error);
        return error;
    }

    // Shows the message and keeps the failure: on the link the command uses, with the system's
    // error of the call that failed. A transfer that failed because the device left says so,
    // whatever the code; a deadline that passed is a time-out.
    TransferStatus Fail(TransferStatus code, MessageId message, FailedStep step,
                        FailureCause cause = FailureCause::OsError) {
        Failure failure;
        failure.step = step;
        failure.cause =
            cause == FailureCause::OsError && state_.linkLost ? FailureCause::DeviceGone : cause;
        failure.link = owner_.ActiveLinkKind();
        failure.osError = cause == FailureCause::TimedOut ? 0 : state_.lastError;
        failure.code = code;
        owner_.Report(message, failure);
        return code;
    }

    // A request given up at its deadline is cancelled and collected before the call returns, so
    // that it no longer uses the caller's bytes or the record afterwards.
    void Abandon(OVERLAPPED& record, DWORD& count) {
        os::CancelIoEx(handle_, &record);
        os::GetOverlappedResult(handle_, &record, &count, TRUE);
    }

    TransferStatus WriteTimeout(Deadline passed) {
        Abandon(state_.writeRecord, state_.writtenCount);
        return passed == Deadline::PassedAcrossWrap
                   ? Fail(-5, MessageId::WriteTimedOutAcrossWrap, FailedStep::Write,
                          FailureCause::TimedOut)
                   : Fail(-4, MessageId::WriteTimedOut, FailedStep::Write, FailureCause::TimedOut);
    }

    // TimedWrite step 5: poll the pending write until it completes or its deadline passes, waiting
    // on the completion event between polls instead of spinning.
    TransferStatus AwaitPendingWrite(DWORD start, DWORD timeout) {
        for (;;) {
            if (os::GetOverlappedResult(handle_, &state_.writeRecord, &state_.writtenCount,
                                        FALSE)) {
                return 0;
            }
            if (NoteError() != ERROR_IO_INCOMPLETE) {
                return Fail(-3, MessageId::WriteFailedNoTimeout, FailedStep::Write);
            }
            const Deadline deadline = TestDeadline(start, timeout);
            if (deadline != Deadline::NotPassed) {
                return WriteTimeout(deadline);
            }
            os::WaitForSingleObject(state_.writeRecord.hEvent, RemainingUntilPast(start, timeout));
        }
    }

    TransferStatus ReadTimeout(Deadline passed, TransferStatus plain, MessageId plainText,
                               TransferStatus wrapped, MessageId wrappedText) {
        return passed == Deadline::PassedAcrossWrap
                   ? Fail(wrapped, wrappedText, FailedStep::Read, FailureCause::TimedOut)
                   : Fail(plain, plainText, FailedStep::Read, FailureCause::TimedOut);
    }

    // TimedRead step 3.2: a request that did not complete at once. The printer may take it and
    // never answer, so the wait is bounded by the caller's deadline; a request still pending then
    // is cancelled and reported as the reply's time-out.
    TransferStatus AwaitPendingChunk(DWORD start, DWORD timeout) {
        for (;;) {
            if (os::GetOverlappedResult(handle_, &state_.readRecord, &state_.chunkCount, FALSE)) {
                return 0;
            }
            if (NoteError() != ERROR_IO_INCOMPLETE) {
                return Fail(-2, MessageId::ErrorCompletingRead, FailedStep::Read);
            }
            if (timeout != 0) {
                const Deadline deadline = TestDeadline(start, timeout);
                if (deadline != Deadline::NotPassed) {
                    Abandon(state_.readRecord, state_.chunkCount);
                    state_.chunkCount = 0;
                    return ReadTimeout(deadline, -9, MessageId::ReadTimedOut, -10,
                                       MessageId::ReadTimedOutAcrossWrap);
                }
            }
            os::WaitForSingleObject(state_.readRecord.hEvent,
                                    timeout != 0 ? RemainingUntilPast(start, timeout) : INFINITE);
        }
    }

    // TimedRead step 3.3: a request that completed at once; collect its count.
    TransferStatus CollectCompletedChunk(DWORD start, DWORD timeout) {
        if (timeout == 0) {
            if (!os::GetOverlappedResult(handle_, &state_.readRecord, &state_.chunkCount, TRUE)) {
                NoteError();
                return Fail(-8, MessageId::ReadFailedNoTimeout, FailedStep::Read);
            }
            return 0;
        }
        state_.chunkCount = 0;
        for (;;) {
            if (os::GetOverlappedResult(handle_, &state_.readRecord, &state_.chunkCount, FALSE)) {
                return 0;
            }
            if (NoteError() != ERROR_IO_INCOMPLETE) {
                return Fail(-5, MessageId::ReadPermanentFailure, FailedStep::Read);
            }
            const Deadline deadline = TestDeadline(start, timeout);
            if (deadline != Deadline::NotPassed) {
                Abandon(state_.readRecord, state_.chunkCount);
                return ReadTimeout(deadline, -6, MessageId::ReadTimedOutPending, -7,
                                   MessageId::ReadTimedOutPendingAcrossWrap);
            }
            os::WaitForSingleObject(state_.readRecord.hEvent, RemainingUntilPast(start, timeout));
        }
    }

    // The serial port's event wait for EV_RXCHAR, up to `milliseconds`. True when a byte has
    // arrived (or may have: Windows also reports a byte that was read before the wait began). A
    // device without the event wait (a USB printer) gives a millisecond's pause instead.
    bool AwaitFirstByte(DWORD milliseconds) {
        if (!os::SetCommMask(handle_, EV_RXCHAR)) {
            os::Sleep(1);
            return true;
        }
        CallEvent event(state_.eventRecord);
        if (!event.Created()) {
            os::Sleep(1);
            return true;
        }
        if (os::WaitCommEvent(handle_, &state_.eventMask, &state_.eventRecord)) {
            return true;
        }
        if (NoteError() != ERROR_IO_PENDING) {
            return true;  // the next read reports what is wrong with the line
        }
        DWORD unused = 0;
        if (os::WaitForSingleObject(state_.eventRecord.hEvent, milliseconds) == WAIT_OBJECT_0) {
            return os::GetOverlappedResult(handle_, &state_.eventRecord, &unused, TRUE) != FALSE;
        }
        Abandon(state_.eventRecord, unused);
        return false;
    }

    // Counts the chunk that just completed as dropped, and tells the observer.
    void DropChunk(DWORD& dropped) {
        dropped += state_.chunkCount;
        Observe(TransferEvent::Dropped, state_.receiveChunk, state_.chunkCount);
    }

    // Takes whatever arrives within `milliseconds` and drops it; returns how many bytes that was.
    // Shows nothing: this is housekeeping between the exchanges, not one of them.
    DWORD DropInputFor(DWORD milliseconds) {
        const DWORD start = os::GetTickCount();
        DWORD dropped = 0;
        CallEvent event(state_.readRecord);
        if (!event.Created()) {
            return 0;
        }
        while (!state_.linkLost && TestDeadline(start, milliseconds) == Deadline::NotPassed) {
            state_.chunkCount = 0;
            if (os::ReadFile(handle_, state_.receiveChunk, kChunkSize, nullptr,
                             &state_.readRecord)) {
                if (!os::GetOverlappedResult(handle_, &state_.readRecord, &state_.chunkCount,
                                             TRUE)) {
                    NoteError();
                    break;
                }
                DropChunk(dropped);
                if (state_.chunkCount == 0 &&
                    !AwaitFirstByte(RemainingUntilPast(start, milliseconds))) {
                    break;
                }
                continue;
            }
            if (NoteError() != ERROR_IO_PENDING) {
                break;
            }
            if (os::WaitForSingleObject(state_.readRecord.hEvent,
                                        RemainingUntilPast(start, milliseconds)) != WAIT_OBJECT_0) {
                Abandon(state_.readRecord, state_.chunkCount);
                DropChunk(dropped);  // what completed before the cancel took
                break;
            }
            if (os::GetOverlappedResult(handle_, &state_.readRecord, &state_.chunkCount, TRUE)) {
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
        state_.chunkCount = 0;
        if (!os::ReadFile(handle_, state_.receiveChunk, kChunkSize, nullptr, &state_.readRecord)) {
            if (NoteError() != ERROR_IO_PENDING) {
                return Fail(-2, MessageId::ErrorIssuingRead, FailedStep::Read);
            }
            return AwaitPendingChunk(start, timeout);
        }
        return CollectCompletedChunk(start, timeout);
    }

    // The write of TimedWrite, its quiet period paid.
    TransferStatus Write(const void* data, DWORD count, DWORD timeout) {
        const DWORD start = os::GetTickCount();
        state_.lastWriteStart = start;
        CallEvent event(state_.writeRecord);
        if (!event.Created()) {
            return Fail(-1, MessageId::ErrorMakingWriteEvent, FailedStep::Write);
        }
        Observe(TransferEvent::Written, static_cast<const BYTE*>(data), count);
        if (os::WriteFile(handle_, data, count, &state_.writtenCount, &state_.writeRecord)) {
            return 0;
        }
        if (NoteError() != ERROR_IO_PENDING) {
            return Fail(-2, MessageId::WriteFailed, FailedStep::Write);
        }
        if (timeout == 0) {
            if (!os::GetOverlappedResult(handle_, &state_.writeRecord, &state_.writtenCount,
                                         TRUE)) {
                NoteError();
                return Fail(-6, MessageId::PermanentWriteFailure, FailedStep::Write);
            }
            return 0;
        }
        return AwaitPendingWrite(start, timeout);
    }

    // The read of TimedRead.
    TransferStatus Read(void* destination, DWORD capacity, DWORD expected, std::int32_t* received,
                        DWORD timeout, DWORD* dropped) {
        const DWORD start = os::GetTickCount();
        *received = 0;
        DWORD unused = 0;
        dropped = dropped != nullptr ? dropped : &unused;
        *dropped = 0;
        bool done = false;
        CallEvent event(state_.readRecord);
        if (!event.Created()) {
            return Fail(-1, MessageId::ErrorCreatingEvent, FailedStep::Read);
        }
        ReplyAssembly reply{static_cast<BYTE*>(destination), capacity, expected, 0};
        while (!done) {
            const TransferStatus status = ReadOneChunk(start, timeout);
            if (status != 0) {
                return status;
            }
            Observe(TransferEvent::Received, state_.receiveChunk, state_.chunkCount);
            done = AppendChunk(reply, state_.receiveChunk, state_.chunkCount);
            *received = reply.received;
            *dropped = reply.dropped;
            if (!done && timeout != 0) {
                const Deadline deadline = TestDeadline(start, timeout);
                if (deadline != Deadline::NotPassed) {
                    return ReadTimeout(deadline, -9, MessageId::ReadTimedOut, -10,
                                       MessageId::ReadTimedOutAcrossWrap);
                }
                // On COM1: every request completes at once, with nothing when the printer has not
                // answered yet; wait for its first byte (or the deadline) before asking again.
                if (state_.chunkCount == 0) {
                    AwaitFirstByte(RemainingUntilPast(start, timeout));
                }
            }
        }
        return 0;
    }

private:
    PrinterLink& owner_;
    PrinterLink::TransferState& state_;
    HANDLE handle_;
};

}  // namespace

void PrinterLink::PauseForReply(DWORD milliseconds) {
    os::Sleep(milliseconds);
}

// A refused purge says nothing of the device: a USB printer's driver refuses the serial port's
// calls with an error of its choosing (and under Wine GetLastError may still hold an earlier
// call's). A device that has gone is found by the write that follows.
void PrinterLink::DiscardStaleInput() {
    os::PurgeComm(link_->activeLink, PURGE_RXABORT | PURGE_RXCLEAR);
}

// Nothing more comes from a device that is gone.
void PrinterLink::OweQuietLine() {
    transfers_->quietOwed = !transfers_->linkLost;
}

bool PrinterLink::QuietOwed() const {
    return transfers_->quietOwed;
}

DWORD PrinterLink::DropInputFor(DWORD milliseconds) {
    return Line(*this, *transfers_, link_->activeLink).DropInputFor(milliseconds);
}

// Drops input until the window since the unanswered write has passed and the line has been quiet
// for kQuietMs, or until kQuietBoundMs past the window. A drop that brought bytes restarts the
// quiet from its end.
void PrinterLink::PayOwedQuiet() {
    TransferState& state = *transfers_;
    if (!state.quietOwed) {
        return;
    }
    state.quietOwed = false;
    const DWORD start = os::GetTickCount();
    const DWORD giveUpAfter = TimeLeft(state.lastWriteStart, kLateReplyWindowMs) + kQuietBoundMs;
    DWORD quietSince = start;
    for (;;) {
        const DWORD wait = std::min(std::max(TimeLeft(state.lastWriteStart, kLateReplyWindowMs),
                                             TimeLeft(quietSince, kQuietMs)),
                                    TimeLeft(start, giveUpAfter));
        if (wait == 0 || state.linkLost) {
            return;
        }
        // DropInputFor(n) goes on until more than n ms have passed.
        if (DropInputFor(wait - 1) > 0) {
            quietSince = os::GetTickCount();
        }
    }
}

bool PrinterLink::InputArrivesWithin(DWORD milliseconds) {
    return DropInputFor(milliseconds) > 0;
}

void PrinterLink::SetTransferObserver(TransferObserver observer) {
    transfers_->observer = std::move(observer);
}

bool PrinterLink::LinkLost() const {
    return transfers_->linkLost;
}

TransferStatus PrinterLink::TimedWrite(const void* data, DWORD count, DWORD timeout) {
    PayOwedQuiet();
    return Line(*this, *transfers_, link_->activeLink).Write(data, count, timeout);
}

TransferStatus PrinterLink::TimedRead(void* destination, DWORD capacity, DWORD expected,
                                      std::int32_t* received, BYTE /*terminator*/, DWORD timeout,
                                      DWORD* dropped) {
    return Line(*this, *transfers_, link_->activeLink)
        .Read(destination, capacity, expected, received, timeout, dropped);
}

}  // namespace tq
