#include "protocol/TraceDecoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tq {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(TraceDecodingTest, EachKindOfWriteInWords) {
    const std::pair<Bytes, std::string> cases[] = {
        {{0x1B, 0x3F, 0x58}, "query 88 PrinterOptions"},
        {{0x1B, 0x3F, 0x30}, "query 48"},
        {{0x1B, 0x28, 0x02, 0x00, 0x4C, 0x14}, "write 76 ClampDelay value 0x14 = 20"},
        {{0x1B, 0x28, 0x02, 0x00, 0x58, 0x41}, "write 88 PrinterOptions value 0x41"},
        {{0x1B, 0x28, 0x02, 0x00, 0x60, 0x18}, "write 96 JournalDefaultFont value 0x18 = OCR"},
        {{0x1B, 0x28, 0x02, 0x00, 0x60, 0x77}, "write 96 JournalDefaultFont value 0x77 = no font"},
        {{0x1B, 0x28, 0x03, 0x00, 0x31, 0x41, 0x42}, "write 49 data 41 42"},
        {{0x05}, "status enquiry (ENQ)"},
        {{'t', 'e', 's', 't', 'i', 'n', 'g', 0x0A, 0x0A}, "text \"testing\\x0A\\x0A\""},
        {{'"', '\\', 0x7F}, "text \"\\\"\\\\\\x7F\""},
        // A write frame whose length runs past its bytes is no frame: its bytes are text.
        {{0x1B, 0x28, 0x09, 0x00, 0x4C}, "text \"\\x1B(\\x09\\x00L\""},
        {{0x1B, 0x3F, 0x4C, 0x05}, "query 76 ClampDelay; status enquiry (ENQ)"},
    };
    for (const auto& [bytes, words] : cases) {
        TraceDecoder decoder;
        EXPECT_EQ(decoder.DescribeSent(bytes), words) << HexBytes(bytes);
    }
}

// A reply is read against the request before it, across the chunks it comes in.
TEST(TraceDecodingTest, ChunksAreReadAsTheReplyToTheLatestRequest) {
    struct Case {
        Bytes request;
        std::vector<Bytes> chunks;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {{0x1B, 0x3F, 0x4C},
         {{0x0F}, {0x0F}},
         {"reply 76 ClampDelay 0x0F = 15", "surplus \"\\x0F\""}},
        {{0x1B, 0x3F, 0x58},
         {{0x30, 0xAA, 0x03}},
         {"reply 88 PrinterOptions 0x30, surplus \"\\xAA\\x03\""}},
        {{0x05}, {{0xA5}}, {"status byte 0xA5"}},
        {{0x1B, 0x3F, 0x30},
         {{0x02, 0x54, 0x30, 0x31, 0x2E, 0x30, 0x03}},
         {"reply 48 lead 3 bytes, text \"1.0\", ETX"}},
        {{0x1B, 0x3F, 0x30},
         {{0x02, 0x54}, {0x30, 0x31}, {0x2E}, {0x03, 'x'}},
         {"reply 48 lead 2 bytes", "lead 1 byte, text \"1\"", "text \".\"", "ETX, surplus \"x\""}},
        {{0x1B, 0x28, 0x02, 0x00, 0x4C, 0x14}, {{0x30}}, {"unexpected \"0\""}},
        {{0x1B, 0x3F, 0x40}, {{0x30}}, {"unexpected \"0\""}},
    };
    for (const Case& c : cases) {
        TraceDecoder decoder;
        decoder.DescribeSent(c.request);
        for (std::size_t i = 0; i < c.chunks.size(); ++i) {
            EXPECT_EQ(decoder.DescribeReceived(c.chunks[i]), c.words[i]) << HexBytes(c.request);
        }
    }
}

TEST(TraceDecodingTest, ResetForgetsTheRequest) {
    TraceDecoder decoder;
    decoder.DescribeSent(Bytes{0x05});
    decoder.Reset();
    EXPECT_EQ(decoder.DescribeReceived(Bytes{0x00}), "unexpected \"\\x00\"");
}

}  // namespace
}  // namespace tq
