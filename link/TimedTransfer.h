// Timed transfer: every byte exchanged with the printer goes through TimedWrite and TimedRead on
// ActiveLink, each against a deadline in milliseconds measured on the wrapping 32-bit tick
// counter. Each reports its own failure in a message box and returns a TransferStatus: 0, or the
// negative code of that message. Callers test only zero against non-zero.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Win32Types.h"

namespace tq {

using TransferStatus = std::int32_t;

// Sends count bytes in one write request. timeout 0 waits for completion without a deadline. A
// quiet period owed (OweQuietLine) is paid first, before the deadline starts.
TransferStatus TimedWrite(const void* data, DWORD count, DWORD timeout);

// Collects one reply into destination, 64-byte request after request, until a chunk ends in ETX
// or exactly `expected` bytes (when not 0) have arrived. No more than `capacity` bytes are stored:
// the surplus of a longer reply is read and dropped, and counted in `dropped` when it is given.
// `received` is kept up to date after every chunk, also when the read fails. The terminator is
// accepted and ignored: a reply always ends in ETX. timeout 0 means no deadline.
TransferStatus TimedRead(void* destination, DWORD capacity, DWORD expected, std::int32_t* received,
                         BYTE terminator, DWORD timeout, DWORD* dropped = nullptr);

// The pause between a request and the read of its reply: the printer needs it to answer, whatever
// it was asked. It blocks the calling thread, as the transfers do.
void PauseForReply(DWORD milliseconds);

// Replies carry no feature id, so a reply can only be matched to its query when nothing else is on
// the line. These keep it so; none of them shows a message.
// Drops whatever the printer sent that no read has taken: called before every request that
// expects a reply.
void DiscardStaleInput();
// After a request whose reply was not taken (its read failed, or its own write did), the printer
// may still answer it, up to a second late. The link then owes the line a quiet period: it lasts
// until 1.2 s have passed since that request was written and no byte has come for 200 ms, and
// whatever arrives meanwhile is dropped. It is paid before the next request on the link
// (TimedWrite) and at the latest by ClosePrinterLink, so no command, and no run of the program,
// ends owing it; the boxes a failure shows come first, and the time the user takes over them counts
// towards it. A device that never stops talking holds it 1 s past the 1.2 s at most. Nothing is
// owed on a link that is lost (LinkLost).
void OweQuietLine();
// Pays the quiet period owed, if any; at once when none is. Shows nothing.
void PayOwedQuiet();
// True while a quiet period is owed.
bool QuietOwed();
// True when input arrives within `milliseconds` (input already waiting counts); it is dropped.
// A reply followed by more bytes in its own read window was not the reply its query asked for.
bool InputArrivesWithin(DWORD milliseconds);

// What an observer of the transfers is told, for a trace of the line: the bytes of each write as
// the request is issued, each chunk a read brings in, and each chunk dropped as stale input or as
// the late tail of a reply (input that PurgeComm discards inside the system is not seen).
enum class TransferEvent { Written, Received, Dropped };
using TransferObserver = std::function<void(TransferEvent event, const BYTE* bytes, DWORD count)>;
// Installs the one observer of the process; an empty one removes it. It is called on the
// transfer's own thread, in the middle of the transfer: it must return soon and must not use the
// link.
void SetTransferObserver(TransferObserver observer);

// True once a transfer has failed because the device is gone (unplugged, or the line hung up):
// nothing more can reach the printer in this command. Opening the link clears it.
bool LinkLost();
void ClearLinkLost();

// Forgets a lost link and a quiet period owed, as at the start of the program; for tests.
void ResetTransfersForTest();

}  // namespace tq
