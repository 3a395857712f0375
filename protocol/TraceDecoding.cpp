#include "protocol/TraceDecoding.h"

#include <algorithm>
#include <cstdio>

#include "link/ReplyAssembly.h"
#include "protocol/FeatureMap.h"
#include "protocol/FontTable.h"

namespace tq {

namespace {

constexpr std::size_t kQueryFrameSize = 3;
constexpr std::size_t kWriteFrameHead = 4;  // ESC "(" and the two length bytes

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// "88 PrinterOptions", or "49" for an id the form does not show.
std::string FeatureWords(FeatureId id) {
    const FeatureBinding* feature = FindFeatureById(id);
    return std::to_string(id) + (feature != nullptr ? std::string(" ") + feature->name : "");
}

// A value byte as the form shows it: a number in decimal, a font by its name.
std::string ValueMeaning(FeatureId id, std::uint8_t value) {
    const FeatureBinding* feature = FindFeatureById(id);
    if (feature == nullptr || feature->kind == FeatureKind::FlagSet) {
        return {};
    }
    if (feature->kind == FeatureKind::Number) {
        return " = " + std::to_string(value);
    }
    const std::optional<int> font = FontIndexOfCode(value);
    return font ? std::string(" = ") + FontTable[static_cast<std::size_t>(*font)].displayName
                : " = no font";
}

std::string DescribeWrite(FeatureId id, std::span<const std::uint8_t> data) {
    std::string words = "write " + FeatureWords(id);
    if (data.size() == 1) {
        return words + " value " + Hex2(data[0]) + ValueMeaning(id, data[0]);
    }
    return words + " data " + (data.empty() ? std::string("none") : HexBytes(data));
}

// The length of the run of text up to the next byte that may start a frame or is an enquiry. Its
// first byte is text whatever it is: an ESC there starts no frame.
std::size_t TextRun(std::span<const std::uint8_t> bytes) {
    std::size_t end = 1;
    while (end < bytes.size() && bytes[end] != ESC && bytes[end] != ENQ) {
        ++end;
    }
    return end;
}

// The length field of a whole write frame at the start of `bytes` (the id and the data: at
// least 1), or 0 when they do not start with one.
std::size_t WriteFrameLength(std::span<const std::uint8_t> bytes) {
    if (bytes.size() <= kWriteFrameHead || bytes[0] != ESC || bytes[1] != kWriteFeatureCommand) {
        return 0;
    }
    const std::size_t length = bytes[2] | static_cast<std::size_t>(bytes[3]) << 8;
    return length >= 1 && bytes.size() >= kWriteFrameHead + length ? length : 0;
}

}  // namespace

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(bytes[i]));
        text.append(i == 0 ? "" : " ").append(digits);
    }
    return text;
}

std::string QuotedBytes(std::span<const std::uint8_t> bytes) {
    std::string text = "\"";
    char escaped[8];
    for (const std::uint8_t byte : bytes) {
        if (byte == '"' || byte == '\\') {
            text += '\\';
            text += static_cast<char>(byte);
        } else if (byte >= 0x20 && byte <= 0x7E) {
            text += static_cast<char>(byte);
        } else {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
            text += escaped;
        }
    }
    return text + "\"";
}

void TraceDecoder::Reset() {
    Expect(Awaiting::Nothing, 0);
}

void TraceDecoder::Expect(Awaiting awaiting, FeatureId id) {
    awaiting_ = awaiting;
    id_ = id;
    replyBytes_ = 0;
    replyEnded_ = false;
}

// Each recognised frame is taken whole; what is left over is shown as text, as the printer
// would print it.
std::string TraceDecoder::DescribeSent(std::span<const std::uint8_t> bytes) {
    std::string words;
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t used = 0;
        const std::string part = DescribeFrame(bytes.subspan(at), used);
        words += (words.empty() ? "" : "; ") + part;
        at += used;
    }
    return words;
}

std::string TraceDecoder::DescribeFrame(std::span<const std::uint8_t> rest, std::size_t& used) {
    if (rest.size() >= kQueryFrameSize && rest[0] == ESC && rest[1] == kQueryFeatureCommand) {
        const ReplyForm form = ReplyFormOf(rest[2]);
        Expect(form == ReplyForm::Text   ? Awaiting::TextReply
               : form == ReplyForm::Byte ? Awaiting::ByteReply
                                         : Awaiting::Nothing,
               rest[2]);
        used = kQueryFrameSize;
        return "query " + FeatureWords(rest[2]);
    }
    if (const std::size_t length = WriteFrameLength(rest); length > 0) {
        Expect(Awaiting::Nothing, 0);
        used = kWriteFrameHead + length;
        return DescribeWrite(rest[kWriteFrameHead], rest.subspan(kWriteFrameHead + 1, length - 1));
    }
    if (rest[0] == ENQ) {
        Expect(Awaiting::StatusByte, 0);
        used = 1;
        return "status enquiry (ENQ)";
    }
    used = TextRun(rest);
    return "text " + QuotedBytes(rest.first(used));
}

std::string TraceDecoder::DescribeReceived(std::span<const std::uint8_t> bytes) {
    if (replyEnded_) {
        return "surplus " + QuotedBytes(bytes);
    }
    switch (awaiting_) {
        case Awaiting::ByteReply:
        case Awaiting::StatusByte:
            return DescribeByteReply(bytes);
        case Awaiting::TextReply:
            return DescribeTextReply(bytes);
        case Awaiting::Nothing:
            break;
    }
    return "unexpected " + QuotedBytes(bytes);
}

// The printer answers a byte query, and the enquiry, with exactly one byte.
std::string TraceDecoder::DescribeByteReply(std::span<const std::uint8_t> bytes) {
    std::string words =
        awaiting_ == Awaiting::StatusByte
            ? "status byte " + Hex2(bytes[0])
            : "reply " + FeatureWords(id_) + " " + Hex2(bytes[0]) + ValueMeaning(id_, bytes[0]);
    replyEnded_ = true;
    if (bytes.size() > 1) {
        words += ", surplus " + QuotedBytes(bytes.subspan(1));
    }
    return words;
}

std::string TraceDecoder::DescribeTextReply(std::span<const std::uint8_t> bytes) {
    std::string words = replyBytes_ == 0 ? "reply " + FeatureWords(id_) + " " : "";
    std::size_t at = 0;
    if (replyBytes_ < kTextReplyLead) {
        const std::size_t lead = std::min(kTextReplyLead - replyBytes_, bytes.size());
        words += "lead " + std::to_string(lead) + (lead == 1 ? " byte" : " bytes");
        at = lead;
    }
    std::size_t end = at;
    while (end < bytes.size() && bytes[end] != ETX) {
        ++end;
    }
    const auto separator = [&words] { return words.empty() || words.back() == ' ' ? "" : ", "; };
    if (end > at) {
        words += separator() + ("text " + QuotedBytes(bytes.subspan(at, end - at)));
    }
    if (end < bytes.size()) {
        words += separator() + std::string("ETX");
        replyEnded_ = true;
        if (end + 1 < bytes.size()) {
            words += ", surplus " + QuotedBytes(bytes.subspan(end + 1));
        }
    }
    replyBytes_ += bytes.size();
    return words;
}

}  // namespace tq
