#include "protocol/StatusExchange.h"

#include <array>
#include <cstddef>

#include "link/PrinterLink.h"
#include "protocol/FeatureProtocol.h"
#include "protocol/Frames.h"

namespace tq {

namespace {

// A reply longer than the status byte is kept to this buffer, then refused for its shape.
constexpr std::size_t kStatusBufferSize = 64;

template <std::size_t size>
int SendFrame(PrinterLink& link, const std::array<std::uint8_t, size>& frame) {
    return link.TimedWrite(frame.data(), static_cast<DWORD>(frame.size()), kWriteTimeoutMs) == 0
               ? 0
               : -1;
}

}  // namespace

int PrintTestText(PrinterLink& link) {
    link.DiscardStaleInput();
    return SendFrame(link, BuildTestPrintFrame());
}

// An enquiry whose write failed may still have reached the printer, which then answers it.
int SendStatusEnquiry(PrinterLink& link) {
    if (SendFrame(link, BuildStatusEnquiryFrame()) != 0) {
        link.OweQuietLine();
        return -1;
    }
    return 0;
}

int ReadStatusByte(PrinterLink& link, std::uint8_t& status) {
    link.PauseForReply(kReplyPauseMs);
    std::uint8_t reply[kStatusBufferSize];
    std::int32_t received = 0;
    if (ReadReply(link, ReplyForm::Byte, reply, received, 0) != 0) {
        return -1;
    }
    status = reply[0];
    return 0;
}

}  // namespace tq
