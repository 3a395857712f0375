#include "link/TimedTransfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "LinkFixture.h"
#include "link/ReplyAssembly.h"

namespace tq {
namespace {

using test::Bytes;

const Bytes kFrame = {0x1B, 0x28, 0x02, 0x00, 0x4C, 0x05};
// Start times from which the counter wraps before a write's or a read's deadline.
constexpr DWORD kNearWrapForWrite = 0xFFFFFFFFu - 40;
constexpr DWORD kNearWrapForRead = 0xFFFFFFFFu - 5;

// The link open over COM1: (or over USB), the printer's side listened to, and a 256-byte reply
// buffer as the feature queries provide.
class TransferTest : public test::LinkTest {
protected:
    // Reads one reply with the callers' 10 ms deadline.
    TransferStatus Read(DWORD expected, BYTE terminator = ETX, DWORD timeout = 10) {
        destination.assign(256, 0xEE);
        received = -1;
        return link.TimedRead(destination.data(), 256, expected, &received, terminator, timeout);
    }
    Bytes Stored() const { return Bytes(destination.begin(), destination.begin() + received); }

    FakeDevice* device = nullptr;
    Bytes destination;
    std::int32_t received = -1;
};

class ComTransferTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        device = &OpenOverCom();
        ListenTo(*device);
    }
};

class UsbTransferTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        device = &OpenOverUsb();
        ListenTo(*device);
    }
};

// --- TimedWrite ------------------------------------------------------------------------------

struct WriteFailure {
    const char* name;
    bool eventFails;
    FakeStep step;
    DWORD startTick;
    DWORD timeout;
    TransferStatus code;
    const char* message;
    DWORD elapsed;  // fake time from the call to its return
    bool cancelled;
};

class TimedWriteFailureTest : public ComTransferTest,
                              public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(TimedWriteFailureTest, ShowsItsMessageReturnsItsCodeAndLeavesNothingBehind) {
    const WriteFailure& c = GetParam();
    fake.eventCreationFails = c.eventFails;
    device->writeScript.push_back(c.step);
    fake.tick = c.startTick;

    EXPECT_EQ(link.TimedWrite(kFrame.data(), 6, c.timeout), c.code);

    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].kind, MessageBoxEvent::Kind::Afx);
    EXPECT_EQ(sink.boxes[0].text, c.message);
    EXPECT_EQ(sink.boxes[0].type, 0u);
    EXPECT_EQ(static_cast<DWORD>(fake.tick - c.startTick), c.elapsed);
    EXPECT_EQ(fake.CountCalls("CancelIoEx"), c.cancelled ? 1 : 0);
    // The printer never hears a write that failed or was given up, and nothing stays in flight
    // to use the caller's bytes or the record after the return.
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(fake.PendingRequestCount(), 0);
    EXPECT_EQ(fake.OpenEventCount(), 0);
    EXPECT_TRUE(fake.misuses.empty()) << fake.misuses.front();
}

const DWORD kGen = ERROR_GEN_FAILURE;
INSTANTIATE_TEST_SUITE_P(
    Codes, TimedWriteFailureTest,
    ::testing::Values(
        WriteFailure{
            "EventNotCreated", true, {}, 1000, 100, -1, "error making write event  -1", 0, false},
        WriteFailure{"CallFails", false, FakeStep::Fails(kGen), 1000, 100, -2, "write failed  -2",
                     0, false},
        WriteFailure{"PendingWriteFails", false, FakeStep::FailsLater(kGen, 5), 1000, 100, -3,
                     "write failed (no timeout)  -3", 5, false},
        WriteFailure{"NeverCompletes", false, FakeStep::NeverCompletes(), 1000, 100, -4,
                     "write timed out  -4", 101, true},
        WriteFailure{"CompletesTooLate", false, FakeStep::Pends(150), 1000, 100, -4,
                     "write timed out  -4", 101, true},
        WriteFailure{"TimesOutAcrossWrap", false, FakeStep::NeverCompletes(), kNearWrapForWrite,
                     100, -5, "write timed out  -5", 101, true},
        WriteFailure{"FailsWithoutDeadline", false, FakeStep::FailsLater(kGen, 30), 1000, 0, -6,
                     "permanent write failure  -6", 30, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComTransferTest, ImmediateCompletionNeedsNoDeadlineTest) {
    // The printer takes long over the bytes: the clock is far past the deadline on return.
    device->onWrite = [this](const Bytes&) { fake.tick += 500; };
    EXPECT_EQ(link.TimedWrite(kFrame.data(), 6, 100), 0);
    EXPECT_EQ(fake.CountCalls("GetTickCount"), 1);
    EXPECT_EQ(fake.CountCalls("GetOverlappedResult"), 0);
    EXPECT_TRUE(sink.boxes.empty());
    EXPECT_EQ(fake.OpenEventCount(), 0);
}

TEST_F(ComTransferTest, PendingWriteThatCompletesInTimeSucceedsWhateverCountIsReported) {
    FakeStep shortPending = FakeStep::Pends(100);
    shortPending.reportedCount = 1;
    device->writeScript = {FakeStep::Pends(100), FakeStep::Completes(2), shortPending};

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(link.TimedWrite(kFrame.data(), 6, 100), 0) << "write " << i;
    }
    EXPECT_EQ(heard, std::vector<Bytes>(3, kFrame));
    EXPECT_TRUE(sink.boxes.empty());
    EXPECT_EQ(fake.OpenEventCount(), 0);
}

// With waits cut into 50 ms slices the link polls at 0, 50 and 100 ms: at exactly 100 ms the
// deadline has not passed, so a write that completes at 101 ms still succeeds, and one that never
// completes is given up at 101 ms, not at 100.
TEST_F(ComTransferTest, ElapsedTimeEqualToTimeoutIsNotATimeout) {
    fake.waitSliceMs = 50;
    device->writeScript = {FakeStep::Pends(101), FakeStep::NeverCompletes()};

    DWORD start = fake.tick;
    EXPECT_EQ(link.TimedWrite(kFrame.data(), 6, 100), 0);
    EXPECT_EQ(fake.tick - start, 101u);

    start = fake.tick;
    EXPECT_EQ(link.TimedWrite(kFrame.data(), 6, 100), -4);
    EXPECT_EQ(fake.tick - start, 101u);
}

TEST_F(ComTransferTest, WaitsForAPendingWriteWithoutSpinning) {
    device->writeScript = {FakeStep::Pends(50)};
    EXPECT_EQ(link.TimedWrite(kFrame.data(), 6, 100), 0);
    // A spinning caller would poll about a thousand times per millisecond of fake time.
    EXPECT_LE(fake.CountCalls("GetOverlappedResult"), 4);
}

TEST_F(UsbTransferTest, WritesGoThroughTheUsbLinkWhenThePrinterIsOnline) {
    device->writeScript = {FakeStep::Pends(10)};
    EXPECT_EQ(link.TimedWrite(kFrame.data(), 6, 100), 0);
    EXPECT_EQ(heard, std::vector<Bytes>{kFrame});
    EXPECT_FALSE(link.ComOpened());
}

// --- TimedRead -------------------------------------------------------------------------------

struct ReadFailure {
    const char* name;
    bool eventFails;
    std::vector<FakeStep> script;  // empty: a silent printer on COM1:
    DWORD startTick;
    DWORD timeout;
    TransferStatus code;
    const char* message;
    DWORD elapsed;
};

class TimedReadFailureTest : public ComTransferTest,
                             public ::testing::WithParamInterface<ReadFailure> {};

TEST_P(TimedReadFailureTest, ShowsItsMessageReturnsItsCodeAndLeavesNothingBehind) {
    const ReadFailure& c = GetParam();
    fake.eventCreationFails = c.eventFails;
    device->readScript.assign(c.script.begin(), c.script.end());
    fake.tick = c.startTick;

    EXPECT_EQ(Read(1, ETX, c.timeout), c.code);

    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].kind, MessageBoxEvent::Kind::Afx);
    EXPECT_EQ(sink.boxes[0].text, c.message);
    EXPECT_EQ(static_cast<DWORD>(fake.tick - c.startTick), c.elapsed);
    EXPECT_EQ(received, 0);
    EXPECT_EQ(fake.PendingRequestCount(), 0);
    EXPECT_EQ(fake.OpenEventCount(), 0);
    EXPECT_TRUE(fake.misuses.empty()) << fake.misuses.front();
}

const FakeStep kResultNeverReady = FakeStep::SucceedsThenFails(ERROR_IO_INCOMPLETE);
INSTANTIATE_TEST_SUITE_P(
    Codes, TimedReadFailureTest,
    ::testing::Values(
        ReadFailure{"EventNotCreated", true, {}, 1000, 10, -1, "error creating event", 0},
        ReadFailure{
            "CallFails", false, {FakeStep::Fails(kGen)}, 1000, 10, -2, "error issuing read -2", 0},
        ReadFailure{"PendingReadFails",
                    false,
                    {FakeStep::FailsLater(kGen, 3)},
                    1000,
                    10,
                    -2,
                    "error completing read -21",
                    3},
        ReadFailure{"ResultFails",
                    false,
                    {FakeStep::SucceedsThenFails(kGen)},
                    1000,
                    10,
                    -5,
                    "read permanent failure  -5",
                    0},
        ReadFailure{
            "ResultNeverReady", false, {kResultNeverReady}, 1000, 10, -6, "read timed out -6", 11},
        ReadFailure{"ResultNeverReadyAcrossWrap",
                    false,
                    {kResultNeverReady},
                    kNearWrapForRead,
                    10,
                    -7,
                    "read timed out -7",
                    11},
        ReadFailure{"ResultFailsWithoutDeadline",
                    false,
                    {FakeStep::SucceedsThenFails(kGen)},
                    1000,
                    0,
                    -8,
                    "read failed (no timeout) -8",
                    0},
        ReadFailure{"SilentPrinter", false, {}, 1000, 10, -9, "read timed out -9", 11},
        ReadFailure{"SilentPrinterAcrossWrap",
                    false,
                    {},
                    kNearWrapForRead,
                    10,
                    -10,
                    "read timed out -10",
                    11}),
    [](const auto& info) { return std::string(info.param.name); });

struct ChunkCase {
    const char* name;
    std::vector<Bytes> chunks;  // as the printer sends them, all there before the read
    DWORD expected;
    BYTE terminator;
    TransferStatus status;
    Bytes stored;
};

class TimedReadChunkTest : public ComTransferTest,
                           public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(TimedReadChunkTest, EndsOnlyOnAChunkEndingInEtxOrOnTheExactCount) {
    const ChunkCase& c = GetParam();
    for (const Bytes& chunk : c.chunks) device->QueueReply(chunk);

    EXPECT_EQ(Read(c.expected, c.terminator), c.status);
    // Also after a failure, received counts what is stored.
    EXPECT_EQ(Stored(), c.stored);
    EXPECT_EQ(destination[received], 0xEE);
    const std::vector<std::string> shown =
        c.status == 0 ? std::vector<std::string>{} : std::vector<std::string>{"read timed out -9"};
    EXPECT_EQ(Texts(), shown);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, TimedReadChunkTest,
    ::testing::Values(
        ChunkCase{"EtxEndsTheReply", {{0x30, 0x31, 0x03}}, 0, ETX, 0, {0x30, 0x31, 0x03}},
        ChunkCase{"OneByteWhenOneExpected", {{0x41}}, 1, ETX, 0, {0x41}},
        ChunkCase{"TwoBytesWhenOneExpected", {{0x41, 0x42}}, 1, ETX, -9, {0x41, 0x42}},
        ChunkCase{"SplitReply", {{0x30}, {0x31, 0x03}}, 0, ETX, 0, {0x30, 0x31, 0x03}},
        ChunkCase{"EtxInsideAChunk", {{0x30, 0x03, 0x31}}, 0, ETX, -9, {0x30, 0x03, 0x31}},
        ChunkCase{"EtxAfterEtxInsideAChunk",
                  {{0x30, 0x03, 0x31}, {0x03}},
                  0,
                  ETX,
                  0,
                  {0x30, 0x03, 0x31, 0x03}},
        ChunkCase{"EtxBeforeTheExpectedCount", {{0x30, 0x03}}, 5, ETX, 0, {0x30, 0x03}},
        ChunkCase{"CountReachedExactly", {{0x30}, {0x31}}, 2, ETX, 0, {0x30, 0x31}},
        ChunkCase{"CountPassedWithinAChunk",
                  {{0x30}, {0x31, 0x32, 0x33}},
                  2,
                  ETX,
                  -9,
                  {0x30, 0x31, 0x32, 0x33}},
        ChunkCase{"EmptyChunkThenReply", {{}, {0x30, 0x03}}, 0, ETX, 0, {0x30, 0x03}},
        ChunkCase{"TerminatorIgnored",
                  {{0x05, 0x30}, {0x31, 0x03}},
                  0,
                  0x30,
                  0,
                  {0x05, 0x30, 0x31, 0x03}},
        ChunkCase{"ZeroTerminatorIgnored", {{0x31, 0x00}, {0x03}}, 0, 0x00, 0, {0x31, 0x00, 0x03}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComTransferTest, ReceivedCountsTheChunksBeforeAFailedRequest) {
    device->QueueReply({0x30});
    device->readScript = {FakeStep::Completes(), FakeStep::Fails(ERROR_GEN_FAILURE)};
    EXPECT_EQ(Read(0), -2);
    EXPECT_EQ(Stored(), Bytes{0x30});
}

// On COM1: every request completes at once, with no bytes while the printer is quiet, so the
// link asks again until the deadline: a reply that arrives exactly 11 ms after the start is
// still read (the test at 10 ms found the deadline not passed); one at 12 ms is too late.
// After an empty chunk the read waits on the port's event for the first byte, up to the deadline:
// one read before the wait and one after it, nothing in between.
TEST_F(ComTransferTest, ZeroByteChunksUntilTheDeadline) {
    device->QueueReply({0x30, 0x03}, 11);
    EXPECT_EQ(Read(0), 0);
    EXPECT_EQ(Stored(), (Bytes{0x30, 0x03}));
    EXPECT_EQ(fake.CountCalls("ReadFile"), 2);
    EXPECT_EQ(fake.CountCalls("WaitCommEvent"), 1);
    EXPECT_EQ(fake.CountCalls("Sleep"), 0);

    device->QueueReply({0x30, 0x03}, 12);
    const DWORD start = fake.tick;
    EXPECT_EQ(Read(0), -9);
    EXPECT_EQ(received, 0);
    EXPECT_EQ(fake.tick - start, 11u);  // given up at the first tick past its 10 ms
}

TEST_F(ComTransferTest, NeverStoresPastTheCallersBuffer) {
    Bytes reply(300, 0x41);
    reply.back() = ETX;
    device->QueueReply(reply);
    // Exactly 256 bytes, so that an overrun is caught by the address sanitizer, and a guard
    // behind a second buffer for builds without it.
    std::vector<BYTE> exact(256, 0);
    std::vector<BYTE> guarded(256 + 16, 0xEE);
    std::int32_t count = 0;
    EXPECT_EQ(link.TimedRead(exact.data(), 256, 0, &count, ETX, 10), 0);
    EXPECT_EQ(count, 256);
    EXPECT_EQ(exact, std::vector<BYTE>(256, 0x41));
    EXPECT_EQ(fake.CountCalls("ReadFile"), 5);  // 64-byte requests: 4 full, then the last 44

    device->QueueReply(reply);
    EXPECT_EQ(link.TimedRead(guarded.data(), 256, 0, &count, ETX, 10), 0);
    EXPECT_EQ(count, 256);
    EXPECT_EQ(Bytes(guarded.begin() + 256, guarded.end()), Bytes(16, 0xEE));
}

TEST_F(UsbTransferTest, PendingRequestCompletesWhenTheReplyArrives) {
    device->QueueReply({0x30, 0x31, 0x03}, 4);
    const DWORD start = fake.tick;
    EXPECT_EQ(Read(0), 0);
    EXPECT_EQ(Stored(), (Bytes{0x30, 0x31, 0x03}));
    EXPECT_EQ(fake.tick - start, 4u);
    EXPECT_EQ(fake.CountCalls("ReadFile"), 1);
    EXPECT_LE(fake.CountCalls("GetOverlappedResult"), 3);
}

TEST_F(UsbTransferTest, PrinterThatNeverAnswersIsGivenUpAtTheDeadline) {
    const DWORD start = fake.tick;
    const TransferStatus status = Read(1);

    EXPECT_NE(status, 0);
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, "read timed out -" + std::to_string(-status));
    EXPECT_GT(fake.tick - start, 10u);
    EXPECT_LE(fake.tick - start, 13u);
    EXPECT_EQ(fake.CountCalls("CancelIoEx"), 1);
    EXPECT_EQ(fake.PendingRequestCount(), 0);
    EXPECT_EQ(fake.OpenEventCount(), 0);
    EXPECT_TRUE(fake.misuses.empty()) << fake.misuses.front();

    // A late reply is left for the next read rather than landing in a request given up.
    device->QueueReply({0x41});
    EXPECT_EQ(Read(1), 0);
    EXPECT_EQ(Stored(), Bytes{0x41});
}

// --- The quiet period owed after an unanswered request --------------------------------------

struct OwedQuietCase {
    const char* name;
    std::vector<DWORD> bytesAt;  // ms after the request's write at which the printer sends a byte
    DWORD boxesMs;               // how long the failure's boxes stayed open before the close
    DWORD closedAt;              // ms after the write at which ClosePrinterLink returns
};

class OwedQuietTest : public ComTransferTest,
                      public ::testing::WithParamInterface<OwedQuietCase> {};

// A request is written, its read fails 110 ms later, the boxes are shown, then the command ends.
// ClosePrinterLink returns only once 1.2 s have passed since the write and no byte has come for
// 200 ms, dropping what arrives: a reply up to a second late is gone before the next run opens the
// line. A device that never stops talking is given up 1 s past the window.
TEST_P(OwedQuietTest, CloseDropsInputUntilTheWindowHasPassedAndTheLineIsQuiet) {
    const OwedQuietCase& c = GetParam();
    const DWORD written = fake.tick;
    ASSERT_EQ(link.TimedWrite(kFrame.data(), 6, 100), 0);
    for (DWORD at : c.bytesAt) device->QueueReply({0x5A}, at);
    fake.tick += 110;
    link.OweQuietLine();
    fake.tick += c.boxesMs;

    link.ClosePrinterLink();

    EXPECT_EQ(fake.tick - written, c.closedAt);
    EXPECT_FALSE(link.QuietOwed());
    const std::size_t late = static_cast<std::size_t>(std::count_if(
        c.bytesAt.begin(), c.bytesAt.end(), [&](DWORD at) { return at >= c.closedAt; }));
    EXPECT_EQ(device->replies.size(), late);
    EXPECT_TRUE(sink.boxes.empty());
    EXPECT_TRUE(fake.misuses.empty()) << fake.misuses.front();
}

std::vector<DWORD> EveryFiftyMs(DWORD until) {
    std::vector<DWORD> at;
    for (DWORD t = 150; t <= until; t += 50) at.push_back(t);
    return at;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, OwedQuietTest,
    ::testing::Values(OwedQuietCase{"SilentPrinter", {}, 0, 1200},
                      OwedQuietCase{"ReplyASecondLate", {1000}, 0, 1400},
                      OwedQuietCase{"ReplyWhileTheBoxesWereOpen", {420}, 5000, 5510},
                      OwedQuietCase{"BoxesOutlastTheWindowOnAQuietLine", {}, 5000, 5310},
                      OwedQuietCase{"DeviceThatNeverStopsTalking", EveryFiftyMs(10000), 0, 2200}),
    [](const auto& info) { return std::string(info.param.name); });

// Paid before the next request of the same command, once: the late reply is dropped, the query
// goes out after the window, and the next request pays nothing more.
TEST_F(ComTransferTest, AnOwedQuietIsPaidBeforeTheNextRequest) {
    const DWORD written = fake.tick;
    ASSERT_EQ(link.TimedWrite(kFrame.data(), 6, 100), 0);
    device->QueueReply({0x5A}, 315);
    fake.tick += 110;
    link.OweQuietLine();
    ASSERT_EQ(link.TimedWrite(kFrame.data(), 6, 100), 0);
    EXPECT_EQ(fake.tick - written, 1400u);
    EXPECT_TRUE(device->replies.empty());

    fake.calls.clear();
    ASSERT_EQ(link.TimedWrite(kFrame.data(), 6, 100), 0);
    link.ClosePrinterLink();
    EXPECT_EQ(fake.CountCalls("ReadFile"), 0);
    EXPECT_EQ(fake.tick - written, 1400u);
}

// Nothing more can come from a device that is gone: a lost link owes nothing.
TEST_F(ComTransferTest, NothingIsOwedOnALostLink) {
    device->writeScript = {FakeStep::Fails(ERROR_DEVICE_NOT_CONNECTED)};
    EXPECT_NE(link.TimedWrite(kFrame.data(), 6, 100), 0);
    link.OweQuietLine();
    EXPECT_FALSE(link.QuietOwed());
}

// --- The observer of the transfers ------------------------------------------------------------

struct Observed {
    TransferEvent event;
    Bytes bytes;
    bool operator==(const Observed&) const = default;
};

// Each write as issued, each chunk as it came (empty ones are not news), and what is dropped.
TEST_F(ComTransferTest, TheObserverSeesEveryWriteAndEveryChunkWithItsKind) {
    std::vector<Observed> seen;
    link.SetTransferObserver([&seen](TransferEvent event, const BYTE* bytes, DWORD count) {
        seen.push_back({event, Bytes(bytes, bytes + count)});
    });
    ASSERT_EQ(link.TimedWrite(kFrame.data(), static_cast<DWORD>(kFrame.size()), 100), 0);
    device->QueueReply({0x30, 0x31});
    device->QueueReply({0x03}, 2);
    ASSERT_EQ(Read(0), 0);
    device->QueueReply({0xAA});
    EXPECT_TRUE(link.InputArrivesWithin(2));
    link.SetTransferObserver(nullptr);
    ASSERT_EQ(link.TimedWrite(kFrame.data(), static_cast<DWORD>(kFrame.size()), 100), 0);

    const std::vector<Observed> expected = {{TransferEvent::Written, kFrame},
                                            {TransferEvent::Received, {0x30, 0x31}},
                                            {TransferEvent::Received, {0x03}},
                                            {TransferEvent::Dropped, {0xAA}}};
    EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace tq
