// The host's side of the two feature commands: WriteFeature stores a value in the printer,
// QueryFeature and QueryFeatureDecimal ask for one and decode the reply into text. They neither
// open nor close the link: the calling command has made ActiveLink ready and closes it afterwards.
// Each failure has already been shown in a message box when they return -1.
#pragma once

#include <cstdint>
#include <span>

#include "protocol/Frames.h"

namespace tq {

class PrinterLink;

// The fixed timing of every exchange with the printer.
inline constexpr std::uint32_t kWriteTimeoutMs = 100;
inline constexpr std::uint32_t kReplyPauseMs = 100;  // between a request and the read of its reply
inline constexpr std::uint32_t kReadTimeoutMs = 10;
// After a reply is complete, bytes that arrive this soon belong to the same answer: at 9600 baud a
// byte follows the one before it within 1.04 ms. The printer's replies are in by the end of the
// 100 ms pause, so a longer wait would only slow every query down.
inline constexpr std::uint32_t kSurplusWindowMs = 2;

// Sends one write-feature frame with n data bytes (every caller sends one). 0 when the whole frame
// was written; -1 when the transfer failed (its message shown) or when n exceeds the frame's 26.
int WriteFeature(PrinterLink& link, FeatureId id, std::uint16_t n, const std::uint8_t* data);

// Sends the query, pauses 100 ms, reads the reply its id calls for and decodes it into `text`:
// a byte feature as two upper-case hexadecimal digits (QueryFeature) or as a decimal number
// (QueryFeatureDecimal), a text feature as its characters. Ids that get no reply, and text replies
// without characters, leave the empty text. A text longer than the reply buffer carries
// (kMaxTextCharacters) gives its first characters, and a warning says it was cut (ShowWarning). 0
// on success; -1 with `text` untouched when the query could not be written or its reply not read
// ("read error" shown after the transfer's message).
int QueryFeature(PrinterLink& link, FeatureId id, char (&text)[kFeatureTextSize]);
int QueryFeatureDecimal(PrinterLink& link, FeatureId id, char (&text)[kFeatureTextSize]);

// Reads the reply to a request just sent, in the given form, into `reply`. It counts only when it
// has that form and nothing follows it within kSurplusWindowMs: otherwise, as when it cannot be
// read at all, "read error" is shown after the transfer's own message, the line is owed a quiet
// period (OweQuietLine), and the result is -1. Requests that expect a reply first drop stale input
// (DiscardStaleInput); one whose write fails owes the quiet period too. `cut`, when given, tells
// whether a reply that counts was longer than `reply` (its surplus read and dropped).
int ReadReply(PrinterLink& link, ReplyForm form, std::span<std::uint8_t> reply,
              std::int32_t& received, std::uint8_t terminator, bool* cut = nullptr);

}  // namespace tq
