// The host's side of the status exchange behind "Status / Test Print": the test text the printer
// prints, then the enquiry, in a write of its own, for the printer's status byte; or the enquiry
// alone, which asks for the status byte without anything being printed. Like the feature
// operations, these neither open nor close the link, and each failure has already been shown in a
// message box when they return -1; what the user is told after that is the command's to say.
#pragma once

#include <cstdint>

namespace tq {

class PrinterLink;

// Drops stale input, then writes the test text. The status byte is the only reply this exchange
// expects, so nothing that arrived before it began may be taken for that byte. 0 when written.
int PrintTestText(PrinterLink& link);

// Writes ENQ alone, at once after the test text. 0 when written; one that fails owes the line a
// quiet period (OweQuietLine), as the printer may still have heard it.
int SendStatusEnquiry(PrinterLink& link);

// Drops stale input, then writes ENQ alone, with no test text before it: the status byte is then
// the only reply the exchange expects. 0 when written; one that fails owes the line a quiet period,
// as with SendStatusEnquiry.
int SendStatusEnquiryAlone(PrinterLink& link);

// Pauses for the printer's answer and reads it into `status`. The answer is exactly one byte: an
// unread or longer reply is a read failure ("read error" shown after the transfer's message, as
// ReadReply does), and the result is -1 with `status` untouched.
int ReadStatusByte(PrinterLink& link, std::uint8_t& status);

}  // namespace tq
