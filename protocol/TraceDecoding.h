// The bytes on the printer's line in words, for a trace that a person reads: each frame the host
// sends (a query or a write of a feature, named from the feature map, the status enquiry, text to
// print) and each chunk the printer sends back, read as the reply to the latest request: a byte
// value, or a text's three leading bytes, its characters and its ETX, and anything past the end of
// the reply as surplus. Pure: bytes in, text out; the decoder only remembers what was last asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "protocol/Frames.h"

namespace tq {

// "1B 3F 58": two upper-case hexadecimal digits per byte, separated by blanks.
std::string HexBytes(std::span<const std::uint8_t> bytes);

// Bytes as a quoted text: printable ASCII as it is, except '"' and '\' which get a backslash, and
// every other byte as \xNN.
std::string QuotedBytes(std::span<const std::uint8_t> bytes);

class TraceDecoder {
public:
    // A write from the host: its frames, e.g. "query 88 PrinterOptions",
    // "write 76 ClampDelay value 0x14 = 20", "status enquiry (ENQ)", "text \"testing\x0A\x0A\"";
    // several in one write are joined by "; ". It sets what the next chunks are the reply to.
    std::string DescribeSent(std::span<const std::uint8_t> bytes);
    // A chunk from the printer, continuing the reply to the latest request, e.g.
    // "reply 88 PrinterOptions 0x30", "reply 48 lead 3 bytes, text \"1.0\", ETX",
    // "status byte 0x00", "surplus \"x\"", or "unexpected \"...\"" when nothing asked for it.
    std::string DescribeReceived(std::span<const std::uint8_t> bytes);
    // Forgets the latest request, as at the start of a command.
    void Reset();

private:
    enum class Awaiting { Nothing, ByteReply, TextReply, StatusByte };
    // The frame at the start of `rest` in words; `used` is set to the bytes it took.
    std::string DescribeFrame(std::span<const std::uint8_t> rest, std::size_t& used);
    std::string DescribeByteReply(std::span<const std::uint8_t> bytes);
    std::string DescribeTextReply(std::span<const std::uint8_t> bytes);
    void Expect(Awaiting awaiting, FeatureId id);

    Awaiting awaiting_ = Awaiting::Nothing;
    FeatureId id_ = 0;
    std::size_t replyBytes_ = 0;  // of the reply so far
    bool replyEnded_ = false;     // its last byte (or its ETX) has come
};

}  // namespace tq
