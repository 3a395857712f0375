// The vocabulary of the timed transfers, which the printer link makes (PrinterLink.h): the status
// every transfer returns, and what an observer of the line is told.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Win32Types.h"

namespace tq {

// 0, or the negative code of the message the transfer showed. Callers test only zero against
// non-zero; the failure itself is kept as a value by the link.
using TransferStatus = std::int32_t;

// What an observer of the transfers is told, for a trace of the line: the bytes of each write as
// the request is issued, each chunk a read brings in, and each chunk dropped as stale input or as
// the late tail of a reply (input that PurgeComm discards inside the system is not seen).
enum class TransferEvent { Written, Received, Dropped };
using TransferObserver = std::function<void(TransferEvent event, const BYTE* bytes, DWORD count)>;

}  // namespace tq
