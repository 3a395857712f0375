#include "protocol/StatusExchange.h"

#include <array>
#include <cstddef>

#include "link/TimedTransfer.h"
#include "protocol/FeatureProtocol.h"
#include "protocol/Frames.h"

namespace tq {

namespace {

// A reply longer than the status byte is kept to this buffer, then refused for its shape.
constexpr std::size_t kStatusBufferSize = 64;

template <std::size_t size>
int SendFrame(const std::array<std::uint8_t, size>& frame) {
    return TimedWrite(frame.data(), static_cast<DWORD>(frame.size()), kWriteTimeoutMs) == 0 ? 0
                                                                                            : -1;
}

}  // namespace

int PrintTestText() {
    DiscardStaleInput();
    return SendFrame(BuildTestPrintFrame());
}

// An enquiry whose write failed may still have reached the printer, which then answers it.
int SendStatusEnquiry() {
    if (SendFrame(BuildStatusEnquiryFrame()) != 0) {
        OweQuietLine();
        return -1;
    }
    return 0;
}

int SendStatusEnquiryAlone() {
    DiscardStaleInput();
    return SendStatusEnquiry();
}

int ReadStatusByte(std::uint8_t& status) {
    PauseForReply(kReplyPauseMs);
    std::uint8_t reply[kStatusBufferSize];
    std::int32_t received = 0;
    if (ReadReply(ReplyForm::Byte, reply, received, 0) != 0) {
        return -1;
    }
    status = reply[0];
    return 0;
}

}  // namespace tq
