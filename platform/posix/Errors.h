// The POSIX platform's error reporting: errno values classified into the Win32 error codes that
// the link tests for, and the per-thread last error that GetLastError returns. Each call sets the
// error where it fails, so the caller reads exactly that call's error.
#pragma once

#include "platform/Win32Types.h"

namespace tq::posix {

// Win32 codes this platform reports beyond those the link itself names.
inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_INVALID_USER_BUFFER = 1784;

// STATUS_PENDING: what OVERLAPPED.Internal holds while a request is in progress. Afterwards it
// holds the request's Win32 error code (0 for success) and InternalHigh its byte count.
inline constexpr ULONG_PTR kStatusPending = 0x103;

DWORD ErrorFromErrno(int error);
void SetLastErrorCode(DWORD error);
DWORD LastErrorCode();

// Records the error and returns FALSE, the failure result of most calls.
BOOL Fail(DWORD error);
// The same for calls that return a handle.
HANDLE FailHandle(DWORD error);

}  // namespace tq::posix
