// A USB printer's handle is no serial port. Its driver takes reads, writes and the printer class's
// own requests, and refuses the serial port's calls that the transfers make on any line: PurgeComm
// before each query, SetCommMask (and WaitCommEvent after it) when a read brought nothing. The
// error it refuses them with is the driver's to choose, and under Wine GetLastError may even keep
// what an earlier call left; none of it may end the exchange or be taken for an unplugged printer.
#include <gtest/gtest.h>

#include <vector>

#include "LinkFixture.h"
#include "link/ReplyAssembly.h"
#include "link/TimedTransfer.h"

namespace tq {
namespace {

using test::Bytes;

class UsbCommCallsRefusedTest : public test::LinkTest,
                                public ::testing::WithParamInterface<DWORD> {};

// Three queries as the feature queries make them, each answered 3 ms after the pause, after a
// read that brought nothing (a zero-length packet), so that the read also asks for its first byte.
TEST_P(UsbCommCallsRefusedTest, QueriesAreAnsweredAndTheLinkIsNotTakenForGone) {
    FakeDevice& usb = OpenOverUsb();
    usb.commCallsRefusedWith = GetParam();
    usb.onWrite = [&usb](const Bytes& query) { usb.QueueReply({query.back()}, 103); };
    for (const BYTE id : {0x4C, 0x55, 0x56}) {
        const Bytes query = {0x1B, 0x3F, id};
        link.DiscardStaleInput();
        ASSERT_EQ(link.TimedWrite(query.data(), 3, 100), 0);
        link.PauseForReply(100);
        usb.readScript.push_back(FakeStep::Completes());
        BYTE reply[256] = {};
        std::int32_t received = 0;
        ASSERT_EQ(link.TimedRead(reply, sizeof reply, 1, &received, ETX, 10), 0) << int{id};
        EXPECT_EQ(Bytes(reply, reply + received), Bytes{id});
        EXPECT_FALSE(link.InputArrivesWithin(2));
        EXPECT_FALSE(link.LinkLost()) << int{id};
    }
    EXPECT_EQ(Texts(), std::vector<std::string>{});
    EXPECT_EQ(fake.CountCalls("PurgeComm"), 3);
    EXPECT_EQ(fake.CountCalls("SetCommMask"), 3);
    EXPECT_TRUE(fake.misuses.empty()) << fake.misuses.front();
}

// What a driver answers a request it does not know; Wine's answer to SetCommMask on a handle that
// is no serial port; a handle that is no comm device; and codes that elsewhere mean a device that
// has gone, as a stale GetLastError may hold them.
INSTANTIATE_TEST_SUITE_P(Errors, UsbCommCallsRefusedTest,
                         ::testing::Values(ERROR_INVALID_FUNCTION, ERROR_NOT_SUPPORTED,
                                           ERROR_INVALID_PARAMETER, ERROR_INVALID_HANDLE,
                                           ERROR_BAD_COMMAND, ERROR_FILE_NOT_FOUND));

}  // namespace
}  // namespace tq
