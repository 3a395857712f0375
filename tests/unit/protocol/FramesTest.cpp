#include "protocol/Frames.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tq {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FrameBytes(const WriteFrame& frame) {
    return Bytes(frame.bytes.begin(), frame.bytes.begin() + static_cast<long>(frame.size));
}

TEST(WriteFrameTest, OneValueByteMakesTheSixByteFrame) {
    WriteFrame frame;
    const std::uint8_t zero = 0x00;
    ASSERT_TRUE(BuildWriteFrame(0x60, {&zero, 1}, frame));
    EXPECT_EQ(FrameBytes(frame), (Bytes{0x1B, 0x28, 0x02, 0x00, 0x60, 0x00}));
    const std::uint8_t full = 0xFF;
    ASSERT_TRUE(BuildWriteFrame(0x55, {&full, 1}, frame));
    EXPECT_EQ(FrameBytes(frame), (Bytes{0x1B, 0x28, 0x02, 0x00, 0x55, 0xFF}));
}

TEST(WriteFrameTest, LengthCountsTheIdAndTheDataUpToTheFramesBound) {
    WriteFrame frame;
    ASSERT_TRUE(BuildWriteFrame(0x41, {}, frame));
    EXPECT_EQ(FrameBytes(frame), (Bytes{0x1B, 0x28, 0x01, 0x00, 0x41}));

    Bytes data(kMaxWriteData);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    ASSERT_TRUE(BuildWriteFrame(0x42, data, frame));
    ASSERT_EQ(frame.size, kMaxWriteData + 5);
    EXPECT_EQ(frame.bytes[2], kMaxWriteData + 1);
    EXPECT_EQ(frame.bytes[3], 0x00);
    EXPECT_EQ(Bytes(frame.bytes.begin() + 5, frame.bytes.begin() + 5 + 26), data);
}

TEST(WriteFrameTest, DataBeyondTheFrameIsRefusedAndLeavesNoFrame) {
    WriteFrame frame;
    const Bytes data(kMaxWriteData + 1, 0x11);
    EXPECT_FALSE(BuildWriteFrame(0x42, data, frame));
    EXPECT_EQ(frame.size, 0u);
}

TEST(QueryFrameTest, IsEscQuestionMarkId) {
    EXPECT_EQ(BuildQueryFrame(0x40), (std::array<std::uint8_t, 3>{0x1B, 0x3F, 0x40}));
    EXPECT_EQ(BuildQueryFrame(0x58), (std::array<std::uint8_t, 3>{0x1B, 0x3F, 0x58}));
}

TEST(StatusFramesTest, TestTextThenEnquiry) {
    EXPECT_EQ(BuildTestPrintFrame(),
              (std::array<std::uint8_t, 9>{0x74, 0x65, 0x73, 0x74, 0x69, 0x6E, 0x67, 0x0A, 0x0A}));
    EXPECT_EQ(BuildStatusEnquiryFrame(), (std::array<std::uint8_t, 1>{0x05}));
}

TEST(ReplyFormTest, TheIdAloneDecidesAtEveryBound) {
    const std::pair<int, ReplyForm> cases[] = {
        {0x00, ReplyForm::None}, {0x2F, ReplyForm::None}, {0x30, ReplyForm::Text},
        {0x3F, ReplyForm::Text}, {0x40, ReplyForm::None}, {0x41, ReplyForm::Byte},
        {0x6F, ReplyForm::Byte}, {0x70, ReplyForm::None}, {0xFF, ReplyForm::None},
    };
    for (const auto& [id, form] : cases) {
        EXPECT_EQ(ReplyFormOf(static_cast<FeatureId>(id)), form) << "id " << id;
    }
}

struct DecodeCase {
    const char* name;
    FeatureId id;
    ByteFormat format;
    Bytes reply;
    std::string text;
};

const Bytes kOneDotZero = {0x02, 0x54, 0x30, '1', '.', '0', 0x03};

const DecodeCase kDecodeCases[] = {
    {"hex 05", 0x58, ByteFormat::Hex, {0x05}, "05"},
    {"decimal 5", 0x58, ByteFormat::Decimal, {0x05}, "5"},
    {"hex FF", 0x58, ByteFormat::Hex, {0xFF}, "FF"},
    {"decimal 255", 0x58, ByteFormat::Decimal, {0xFF}, "255"},
    {"hex 00", 0x58, ByteFormat::Hex, {0x00}, "00"},
    {"decimal 0", 0x58, ByteFormat::Decimal, {0x00}, "0"},
    {"hex upper case", 0x41, ByteFormat::Hex, {0x0A}, "0A"},
    {"several bytes: the first", 0x6F, ByteFormat::Hex, {0x05, 0xAA, 0x03}, "05"},
    {"text 1.0", 0x30, ByteFormat::Hex, kOneDotZero, "1.0"},
    {"text decodes alike in decimal", 0x3F, ByteFormat::Decimal, kOneDotZero, "1.0"},
    {"text of four bytes", 0x30, ByteFormat::Hex, {0x02, 0x54, 0x30, 0x03}, ""},
    {"text of three bytes", 0x30, ByteFormat::Hex, {0x02, 0x54, 0x03}, ""},
    {"text of nothing", 0x30, ByteFormat::Hex, {}, ""},
    {"0x00 ends the text", 0x31, ByteFormat::Hex, {0x02, 0x54, 0x31, 'A', 0x00, 'B', 0x03}, "A"},
    {"ETX inside the text",
     0x31,
     ByteFormat::Hex,
     {0x02, 0x54, 0x31, 'A', 0x03, 'B', 0x03},
     "A\x03"
     "B"},
    {"no reply read for 0x40", 0x40, ByteFormat::Hex, {0x05}, ""},
    {"no reply read below 0x30", 0x2F, ByteFormat::Hex, {0x05}, ""},
};

TEST(DecodeReplyTest, ByIdRangeAndForm) {
    for (const DecodeCase& c : kDecodeCases) {
        char text[kFeatureTextSize];
        std::fill(std::begin(text), std::end(text), 'Z');
        DecodeReply(c.id, c.format, c.reply, text);
        EXPECT_EQ(std::string(text), c.text) << c.name;
    }
}

// A full reply buffer that was cut (no ETX at its end) still loses its last byte: 252 characters.
TEST(DecodeReplyTest, AFullReplyBufferGivesAtMost252Characters) {
    Bytes reply = {0x02, 0x54, 0x30};
    reply.resize(kReplyBufferSize, 'x');
    char text[kFeatureTextSize];
    DecodeReply(0x30, ByteFormat::Hex, reply, text);
    EXPECT_EQ(std::string(text), std::string(252, 'x'));
}

TEST(DecodeReplyTest, NeverWritesPastTheTextItIsGiven) {
    Bytes reply = {0x02, 0x54, 0x30, 'a', 'b', 'c', 'd', 'e', 0x03};
    char guarded[8];
    std::fill(std::begin(guarded), std::end(guarded), '#');
    DecodeReply(0x30, ByteFormat::Hex, reply, std::span<char>(guarded, 4));
    EXPECT_EQ(std::string(guarded, 4), std::string("abc\0", 4));
    EXPECT_EQ(std::string(guarded + 4, 4), "####");

    DecodeReply(0x58, ByteFormat::Decimal, Bytes{0xFF}, std::span<char>(guarded, 3));
    EXPECT_EQ(std::string(guarded, 3), std::string("25\0", 3));
    std::fill(std::begin(guarded), std::end(guarded), '#');
    DecodeReply(0x58, ByteFormat::Hex, Bytes{0xFF}, std::span<char>(guarded, 0));
    DecodeReply(0x40, ByteFormat::Hex, Bytes{}, std::span<char>(guarded, 0));
    EXPECT_EQ(std::string(guarded, 8), "########");
}

}  // namespace
}  // namespace tq
