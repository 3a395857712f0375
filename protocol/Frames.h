// The printer's command frames and the forms of its replies, as pure functions: bytes in, bytes or
// text out. The write-feature frame stores a value under a feature id, the query frame asks for
// one; the id alone decides whether the reply is a text, a single byte, or nothing at all.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tq {

using FeatureId = std::uint8_t;

inline constexpr std::uint8_t ESC = 0x1B;
inline constexpr std::uint8_t kWriteFeatureCommand = 0x28;  // "("
inline constexpr std::uint8_t kQueryFeatureCommand = 0x3F;  // "?"

// The write-feature frame is assembled in 32 bytes, which bounds its data at 26 bytes.
inline constexpr std::size_t kWriteFrameCapacity = 32;
inline constexpr std::size_t kMaxWriteData = 26;

// Every caller hands the query a text buffer of this size; the reply is gathered in one as large.
inline constexpr std::size_t kFeatureTextSize = 256;
inline constexpr std::size_t kReplyBufferSize = 256;
// A text reply carries three leading bytes the host skips, then its characters, then ETX.
inline constexpr std::size_t kTextReplyLead = 3;
// The characters a text reply carries within the reply buffer, beside its lead and its ETX. A
// longer text arrives cut: these first characters are kept, the rest of the reply is dropped.
inline constexpr std::size_t kMaxTextCharacters = kReplyBufferSize - kTextReplyLead - 1;

struct WriteFrame {
    std::array<std::uint8_t, kWriteFrameCapacity> bytes{};
    std::size_t size = 0;
};

// ESC "(" (n+1, little-endian 16 bits) id data...: n + 5 bytes. False, with the frame left empty,
// when the data does not fit the 32-byte frame.
bool BuildWriteFrame(FeatureId id, std::span<const std::uint8_t> data, WriteFrame& frame);

// ESC "?" id: three bytes, no length and no terminator.
std::array<std::uint8_t, 3> BuildQueryFrame(FeatureId id);

// The status exchange sends two frames in two writes: the test text, which the printer prints
// ("testing" and two line feeds), then ENQ alone, which it answers with its status byte.
inline constexpr std::uint8_t ENQ = 0x05;
std::array<std::uint8_t, 9> BuildTestPrintFrame();
std::array<std::uint8_t, 1> BuildStatusEnquiryFrame();

enum class ReplyForm {
    Text,  // 0x30..0x3F: three leading bytes, the characters, ETX
    Byte,  // 0x41..0x6F: exactly one byte, the value
    None   // 0x40 and every id outside both ranges: no reply is read
};
ReplyForm ReplyFormOf(FeatureId id);

// Whether a gathered reply has the form its request asked for: a byte reply is exactly one byte; a
// text reply has its three leading bytes and ends in its one ETX, with no ETX among its characters
// (that would be a second reply, or bytes after the first). A text reply that was `cut` (longer
// than its buffer, the rest dropped) is judged by what was kept, which has no ETX at all.
bool HasReplyForm(ReplyForm form, std::span<const std::uint8_t> reply, bool cut);

// How a byte feature's value is written as text: "%02X" or "%d".
enum class ByteFormat { Hex, Decimal };

// Decodes a reply gathered for `id` into `text`, always leaving it terminated (an empty span gets
// nothing). A text reply of m bytes gives its characters at offsets 3..m-2, ending early at a 0x00;
// m <= 4 gives the empty text; a reply cut at the buffer's end gives its first kMaxTextCharacters.
// A byte reply gives its first byte in `format`. No reply read (form None) gives the empty text.
// Never writes past `text`.
void DecodeReply(FeatureId id, ByteFormat format, std::span<const std::uint8_t> reply,
                 std::span<char> text);

}  // namespace tq
