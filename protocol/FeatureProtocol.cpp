#include "protocol/FeatureProtocol.h"

#include <string>

#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "link/ReplyAssembly.h"

namespace tq {

namespace {

void WarnTextCut(FeatureId id) {
    const std::string limit = std::to_string(kMaxTextCharacters);
    ShowWarning("the text of feature " + std::to_string(id) + " is longer than " + limit +
                " characters; only the first " + limit + " are shown");
}

int QueryFeatureAs(PrinterLink& link, FeatureId id, ByteFormat format,
                   char (&text)[kFeatureTextSize]) {
    const auto frame = BuildQueryFrame(id);
    link.DiscardStaleInput();
    if (link.TimedWrite(frame.data(), static_cast<DWORD>(frame.size()), kWriteTimeoutMs) != 0) {
        link.OweQuietLine();  // a failed write may still have reached the printer
        return -1;
    }
    // The printer needs the pause to answer, whatever the id; it is not shortened.
    link.PauseForReply(kReplyPauseMs);
    const ReplyForm form = ReplyFormOf(id);
    if (form == ReplyForm::None) {
        text[0] = '\0';
        return 0;
    }
    // A text reply has no length limit of its own: the read keeps what fits the buffer and drops
    // the rest, so an overlong text arrives cut rather than overrunning anything, and says so.
    std::uint8_t reply[kReplyBufferSize];
    std::int32_t received = 0;
    bool cut = false;
    if (ReadReply(link, form, reply, received, ETX, &cut) != 0) {
        return -1;
    }
    DecodeReply(id, format,
                std::span<const std::uint8_t>(reply, static_cast<std::size_t>(received)), text);
    if (cut) {
        WarnTextCut(id);
    }
    return 0;
}

}  // namespace

// A reply that could not be read carries the transfer's failure; one that came in the wrong shape
// is a failure of its own.
int ReadReply(PrinterLink& link, ReplyForm form, std::span<std::uint8_t> reply,
              std::int32_t& received, std::uint8_t terminator, bool* cut) {
    const DWORD expected = form == ReplyForm::Text ? 0 : 1;
    DWORD dropped = 0;
    const bool answered = link.TimedRead(reply.data(), static_cast<DWORD>(reply.size()), expected,
                                         &received, terminator, kReadTimeoutMs, &dropped) == 0;
    if (answered &&
        HasReplyForm(form, reply.first(static_cast<std::size_t>(received)), dropped > 0) &&
        !link.InputArrivesWithin(kSurplusWindowMs)) {
        if (cut != nullptr) {
            *cut = dropped > 0;
        }
        return 0;
    }
    Failure failure;
    if (answered || !link.LatestFailure()) {
        failure.step = FailedStep::Reply;
        failure.cause = FailureCause::WrongReply;
        failure.link = link.ActiveLinkKind();
    } else {
        failure = *link.LatestFailure();
    }
    link.Report(MessageId::ReadError, failure);
    link.OweQuietLine();
    return -1;
}

int WriteFeature(PrinterLink& link, FeatureId id, std::uint16_t n, const std::uint8_t* data) {
    WriteFrame frame;
    if (!BuildWriteFrame(id, std::span<const std::uint8_t>(data, n), frame)) {
        return -1;
    }
    return link.TimedWrite(frame.bytes.data(), static_cast<DWORD>(frame.size), kWriteTimeoutMs) == 0
               ? 0
               : -1;
}

int QueryFeature(PrinterLink& link, FeatureId id, char (&text)[kFeatureTextSize]) {
    return QueryFeatureAs(link, id, ByteFormat::Hex, text);
}

int QueryFeatureDecimal(PrinterLink& link, FeatureId id, char (&text)[kFeatureTextSize]) {
    return QueryFeatureAs(link, id, ByteFormat::Decimal, text);
}

}  // namespace tq
