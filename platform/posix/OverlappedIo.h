// Overlapped requests emulated on non-blocking descriptors. A request that the device cannot
// finish at once stays with its file as a PendingRequest; GetOverlappedResult tries it again,
// CancelIoEx drops it, and a wait on its completion event polls the descriptor. The OVERLAPPED
// record carries the outcome as on Windows: Internal the status, InternalHigh the byte count.
#pragma once

#include "platform/posix/Handles.h"

namespace tq::posix {

// ReadFile and WriteFile. A handle opened without FILE_FLAG_OVERLAPPED, or a call without a
// record, waits for completion.
BOOL ReadOn(FileObject& file, void* buffer, DWORD size, DWORD* read, OVERLAPPED* record);
BOOL WriteOn(FileObject& file, const void* data, DWORD count, DWORD* written, OVERLAPPED* record);

BOOL CollectResult(FileObject& file, OVERLAPPED* record, DWORD* transferred, BOOL wait);

// Drops the record's request (every request of the file when record is null); each completes as
// aborted. FALSE with ERROR_NOT_FOUND when there was none.
BOOL CancelRequests(FileObject& file, OVERLAPPED* record);

// Waits up to `milliseconds` for the request whose completion event this is to complete, moving it
// on whenever its descriptor is ready. WAIT_OBJECT_0 also when no request is pending on the event:
// it has completed.
DWORD WaitForEventRequest(const HandleTable& table, HANDLE event, DWORD milliseconds);

// WaitCommEvent for EV_RXCHAR on a serial port: completes once a byte is waiting to be read.
BOOL WaitCommEventOn(FileObject& file, DWORD* mask, OVERLAPPED* record);

// PurgeComm: PURGE_RXABORT ends the reads in flight as aborted, PURGE_RXCLEAR drops received input
// (on a printer node too).
BOOL PurgeOn(FileObject& file, DWORD flags);

}  // namespace tq::posix
