#include "protocol/FeatureProtocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "link/TimedTransfer.h"
#include "tests/unit/protocol/PrinterOnFake.h"

namespace tq {
namespace {

using test::Afx;
using test::Bytes;

// A command's view: the link open on COM1: around each call, as the commands hold it.
class FeatureProtocolTest : public ::testing::Test, protected test::PrinterOnFake {
protected:
    void SetUp() override { ASSERT_EQ(link.OpenPrinterLink(), 0); }
    void TearDown() override { link.ClosePrinterLink(); }

    // Runs a query with the text pre-filled, so that an untouched or unterminated text shows.
    int Query(FeatureId id, bool decimal = false) {
        std::memset(text, 'Z', sizeof text);
        std::strcpy(text, "before");
        return decimal ? QueryFeatureDecimal(link, id, text) : QueryFeature(link, id, text);
    }

    char text[kFeatureTextSize];
};

TEST_F(FeatureProtocolTest, ByteFeatureInBothForms) {
    const std::pair<int, std::pair<const char*, const char*>> cases[] = {
        {0x05, {"05", "5"}}, {0xFF, {"FF", "255"}}, {0x00, {"00", "0"}}, {0x0A, {"0A", "10"}}};
    for (const auto& [value, texts] : cases) {
        printer.SetFeature(0x58, static_cast<std::uint8_t>(value));
        ASSERT_EQ(Query(0x58), 0);
        EXPECT_EQ(std::string(text), texts.first);
        ASSERT_EQ(Query(0x58, true), 0);
        EXPECT_EQ(std::string(text), texts.second);
    }
    EXPECT_EQ(com.writes.front(), (Bytes{0x1B, 0x3F, 0x58}));
    EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(FeatureProtocolTest, TextFeaturesAtTheRangeBounds) {
    printer.SetText(0x3F, "last");
    ASSERT_EQ(Query(0x30), 0);
    EXPECT_EQ(std::string(text), "1.0");
    ASSERT_EQ(Query(0x3F, true), 0);
    EXPECT_EQ(std::string(text), "last");
    printer.SetText(0x3F, "");
    ASSERT_EQ(Query(0x3F), 0);
    EXPECT_EQ(std::string(text), "");
}

TEST_F(FeatureProtocolTest, ByteFeaturesAtTheRangeBounds) {
    printer.SetFeature(0x41, 0x12);
    printer.SetFeature(0x6F, 0x34);
    ASSERT_EQ(Query(0x41), 0);
    EXPECT_EQ(std::string(text), "12");
    ASSERT_EQ(Query(0x6F), 0);
    EXPECT_EQ(std::string(text), "34");
}

// The query still goes out and the pause still passes; no read is made, the text is empty.
TEST_F(FeatureProtocolTest, IdsWithoutAReplyAreSentButNotRead) {
    for (FeatureId id : {FeatureId{0x40}, FeatureId{0x2F}, FeatureId{0x70}}) {
        com.writes.clear();
        platform.calls.clear();
        const DWORD before = platform.tick;
        ASSERT_EQ(Query(id), 0);
        EXPECT_EQ(com.writes, (std::vector<Bytes>{{0x1B, 0x3F, id}}));
        EXPECT_EQ(std::string(text), "");
        EXPECT_EQ(platform.CountCalls("ReadFile"), 0);
        EXPECT_GE(platform.tick - before, kReplyPauseMs);
    }
}

TEST_F(FeatureProtocolTest, PausesAHundredMillisecondsBetweenQueryAndRead) {
    ASSERT_EQ(Query(0x58), 0);
    const auto& calls = platform.calls;
    const auto write = std::find(calls.begin(), calls.end(), "WriteFile(COM1:, 3)");
    const auto pause = std::find(calls.begin(), calls.end(), "Sleep(100)");
    const auto read = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
        return c.rfind("ReadFile", 0) == 0;
    });
    ASSERT_NE(pause, calls.end());
    EXPECT_LT(write, pause);
    EXPECT_LT(pause, read);
}

TEST_F(FeatureProtocolTest, AReplySplitIntoSingleBytesIsGatheredWhole) {
    printer.faults.chunkSize = 1;
    ASSERT_EQ(Query(0x30), 0);
    EXPECT_EQ(std::string(text), "1.0");
}

// 252 characters, three lead bytes and the ETX fill the 256-byte reply buffer: the text is whole.
// A longer one keeps its first 252 characters and says it was cut, in a warning that is no box.
TEST_F(FeatureProtocolTest, AnOversizedTextIsCutAtTheReplyBuffer) {
    const std::string cutWarning =
        "the text of feature 49 is longer than 252 characters; only the first 252 are shown";
    for (const std::size_t length : {252u, 253u, 300u}) {
        printer.SetText(0x31, std::string(length, 'x'));
        sink.warnings.clear();
        ASSERT_EQ(Query(0x31), 0) << length;
        EXPECT_EQ(std::string(text), std::string(252, 'x'));
        EXPECT_EQ(sink.warnings,
                  length > 252 ? std::vector<std::string>{cutWarning} : std::vector<std::string>{});
    }
    printer.faults.oversizedText = true;
    ASSERT_EQ(Query(0x31), 0);
    const std::string got(text);
    ASSERT_EQ(got.size(), 252u);
    EXPECT_EQ(got.substr(0, 4), "ABCD");
    EXPECT_TRUE(sink.boxes.empty());
}

// A reply that is not of the form its query asks for is a read failure, never a value: bytes ahead
// of it or after it, or a second text reply glued to the first.
TEST_F(FeatureProtocolTest, AReplyOfTheWrongFormIsAReadError) {
    struct Case {
        FeatureId id;
        std::vector<std::uint8_t> garbage, extra;
        std::size_t chunkSize;
    };
    const Case cases[] = {
        {0x58, {0xAA}, {}, 0},                    // a byte ahead of the value
        {0x58, {0xAA}, {}, 1},                    // the same, arriving as two chunks
        {0x58, {}, {0xAA, 0x03}, 0},              // trailing bytes that end in ETX
        {0x58, {}, {0xAA}, 1},                    // a trailing byte in a chunk of its own
        {0x30, {}, {0x41, 0x03}, 0},              // a second ETX-ended piece after the text
        {0x30, {0x41, 0x42, 0x43, 0x03}, {}, 0},  // an empty text reply ahead of the real one
    };
    for (const Case& c : cases) {
        printer.faults.garbage = c.garbage;
        printer.faults.extraBytes = c.extra;
        printer.faults.chunkSize = c.chunkSize;
        sink.boxes.clear();
        std::strcpy(text, "before");
        EXPECT_EQ(Query(c.id), -1) << int(c.id) << " chunk " << c.chunkSize;
        EXPECT_EQ(std::string(text), "before");
        ASSERT_FALSE(sink.boxes.empty());
        EXPECT_EQ(sink.boxes.back().text, "read error");
    }
}

// A reply that comes too late for its own read, up to a second late, is dropped while the line
// goes quiet, and a stale byte is discarded before the next query: neither becomes the next
// query's answer.
TEST_F(FeatureProtocolTest, ALateOrStaleReplyNeverAnswersTheNextQuery) {
    printer.SetFeature(0x58, 0x11);
    printer.SetFeature(0x66, 0x22);
    for (const DWORD late : {120u, 315u, 1000u}) {
        printer.faults.delayMs = late;
        EXPECT_EQ(Query(0x58), -1);
        EXPECT_TRUE(link.QuietOwed());
        printer.faults.delayMs = 0;
        ASSERT_EQ(Query(0x66), 0) << late;
        EXPECT_EQ(std::string(text), "22") << late;
    }

    com.QueueReply({0x11});
    ASSERT_EQ(Query(0x66), 0);
    EXPECT_EQ(std::string(text), "22");
    EXPECT_EQ(com.purgedBytes, 1u);
}

TEST_F(FeatureProtocolTest, AQueryThatCannotBeWrittenShowsOnlyTheTransfersMessage) {
    com.writeScript.push_back(FakeStep::Fails(ERROR_GEN_FAILURE));
    EXPECT_EQ(Query(0x58), -1);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{Afx("write failed  -2")}));
    EXPECT_EQ(std::string(text), "before");
    EXPECT_EQ(CallsOf("Sleep(100)"), 0);
    EXPECT_TRUE(link.QuietOwed());  // the printer may have heard part of it
}

TEST_F(FeatureProtocolTest, AReplyThatCannotBeReadAddsReadError) {
    printer.faults.silent = true;
    for (FeatureId id : {FeatureId{0x58}, FeatureId{0x30}}) {
        sink.boxes.clear();
        EXPECT_EQ(Query(id), -1);
        EXPECT_EQ(Boxes(), (std::vector<std::string>{Afx("read timed out -9"), Afx("read error")}));
        EXPECT_EQ(std::string(text), "before");
    }
}

TEST_F(FeatureProtocolTest, WriteFeatureSendsTheFrameAndReadsNothing) {
    const std::uint8_t zero = 0;
    ASSERT_EQ(WriteFeature(link, 0x60, 1, &zero), 0);
    EXPECT_EQ(com.writes, (std::vector<Bytes>{{0x1B, 0x28, 0x02, 0x00, 0x60, 0x00}}));
    EXPECT_EQ(printer.Feature(0x60), 0);
    EXPECT_EQ(platform.CountCalls("ReadFile"), 0);
}

TEST_F(FeatureProtocolTest, WriteFeatureFailures) {
    com.writeScript.push_back(FakeStep::Fails(ERROR_GEN_FAILURE));
    const std::uint8_t value = 7;
    EXPECT_EQ(WriteFeature(link, 0x55, 1, &value), -1);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{Afx("write failed  -2")}));

    // More data than the 32-byte frame holds is refused before anything is sent.
    com.writes.clear();
    const std::vector<std::uint8_t> tooMuch(kMaxWriteData + 1, 0x11);
    EXPECT_EQ(WriteFeature(link, 0x41, static_cast<std::uint16_t>(tooMuch.size()), tooMuch.data()),
              -1);
    EXPECT_TRUE(com.writes.empty());
}

}  // namespace
}  // namespace tq
