#include "protocol/Frames.h"

#include <algorithm>
#include <cstdio>

namespace tq {

namespace {

void WriteEmpty(std::span<char> text) {
    if (!text.empty()) {
        text[0] = '\0';
    }
}

// The characters between the three leading bytes and the final byte (the ETX). A reply cut at the
// buffer's end has no ETX: its first kMaxTextCharacters are kept, as many as a whole reply carries.
void DecodeText(std::span<const std::uint8_t> reply, std::span<char> text) {
    if (text.empty()) {
        return;
    }
    const std::size_t characters =
        std::min(reply.size() > kTextReplyLead + 1 ? reply.size() - kTextReplyLead - 1 : 0,
                 kMaxTextCharacters);
    const std::size_t kept = std::min(characters, text.size() - 1);
    if (kept > 0) {  // a shorter reply has no offset 3 to start from
        std::copy_n(reply.subspan(kTextReplyLead).begin(), kept, text.begin());
    }
    text[kept] = '\0';
}

// The printer answers a byte query with one byte. A longer read only ends on a chunk whose last
// byte is ETX, so that last byte says nothing about the value: the first byte received is the
// printer's answer to this query.
void DecodeByte(ByteFormat format, std::span<const std::uint8_t> reply, std::span<char> text) {
    if (reply.empty() || text.empty()) {
        WriteEmpty(text);
        return;
    }
    const unsigned value = reply[0];
    std::snprintf(text.data(), text.size(), format == ByteFormat::Hex ? "%02X" : "%u", value);
}

}  // namespace

bool BuildWriteFrame(FeatureId id, std::span<const std::uint8_t> data, WriteFrame& frame) {
    frame = WriteFrame{};
    if (data.size() > kMaxWriteData) {
        return false;
    }
    const std::size_t length = data.size() + 1;  // the id and the data bytes
    frame.bytes[0] = ESC;
    frame.bytes[1] = kWriteFeatureCommand;
    frame.bytes[2] = static_cast<std::uint8_t>(length & 0xFF);
    frame.bytes[3] = static_cast<std::uint8_t>(length >> 8);
    frame.bytes[4] = id;
    std::copy(data.begin(), data.end(), frame.bytes.begin() + 5);
    frame.size = data.size() + 5;
    return true;
}

std::array<std::uint8_t, 3> BuildQueryFrame(FeatureId id) {
    return {ESC, kQueryFeatureCommand, id};
}

std::array<std::uint8_t, 9> BuildTestPrintFrame() {
    return {0x74, 0x65, 0x73, 0x74, 0x69, 0x6E, 0x67, 0x0A, 0x0A};
}

std::array<std::uint8_t, 1> BuildStatusEnquiryFrame() {
    return {ENQ};
}

ReplyForm ReplyFormOf(FeatureId id) {
    if (id >= 0x30 && id <= 0x3F) {
        return ReplyForm::Text;
    }
    if (id >= 0x41 && id <= 0x6F) {
        return ReplyForm::Byte;
    }
    return ReplyForm::None;
}

bool HasReplyForm(ReplyForm form, std::span<const std::uint8_t> reply, bool cut) {
    constexpr std::uint8_t kEtx = 0x03;
    switch (form) {
        case ReplyForm::Byte:
            return reply.size() == 1 && !cut;
        case ReplyForm::None:
            return true;
        case ReplyForm::Text:
            break;
    }
    if (reply.size() < kTextReplyLead + 1) {
        return false;
    }
    const auto characters =
        reply.subspan(kTextReplyLead, reply.size() - kTextReplyLead - (cut ? 0 : 1));
    return (cut || reply.back() == kEtx) &&
           std::find(characters.begin(), characters.end(), kEtx) == characters.end();
}

void DecodeReply(FeatureId id, ByteFormat format, std::span<const std::uint8_t> reply,
                 std::span<char> text) {
    switch (ReplyFormOf(id)) {
        case ReplyForm::Text:
            DecodeText(reply, text);
            return;
        case ReplyForm::Byte:
            DecodeByte(format, reply, text);
            return;
        case ReplyForm::None:
            WriteEmpty(text);
            return;
    }
}

}  // namespace tq
