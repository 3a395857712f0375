// The printer link on a mock USB printer through the real POSIX platform: the exchange of frames
// with the test playing the printer on the node, pending reads, and the unplug and re-plug of a
// printer that the link holds open. Device-change notices are seen as the front ends see them.
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "link/TimedTransfer.h"
#include "platform/DeviceNotifications.h"
#include "platform/Platform.h"
#include "tests/integration/usb/UsbFixture.h"

namespace tq::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const Bytes kQuery{0x1B, '?', 0x4C};
const Bytes kReply{0x30, 0x31, 0x03};

class UsbLinkTest : public UsbFixture {};

TEST_F(UsbLinkTest, CommandUsesTheUsbPrinterAndExchangesFrames) {
    MockPrinter& mock = Plug("1-2", 0);
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    EXPECT_FALSE(link.ComOpened());
    EXPECT_EQ(link.ActiveLink(), link.UsbHandle());

    ASSERT_EQ(link.TimedWrite(kQuery.data(), 3, 100), 0);
    EXPECT_EQ(mock.printer.Read(3), kQuery);
    ASSERT_TRUE(mock.printer.Write(kReply));
    BYTE destination[256] = {};
    std::int32_t received = -1;
    ASSERT_EQ(link.TimedRead(destination, sizeof destination, 0, &received, 3, 10), 0);
    ASSERT_EQ(received, 3);
    EXPECT_EQ(Bytes(destination, destination + 3), kReply);
    link.ClosePrinterLink();
    EXPECT_NE(link.UsbHandle(), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(UsbLinkTest, SilentPrinterTimesOutAndTheAbandonedReadTakesNothingLater) {
    MockPrinter& mock = Plug("1-2", 0);
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    BYTE destination[256] = {};
    std::int32_t received = -1;
    const auto start = Clock::now();
    EXPECT_EQ(link.TimedRead(destination, sizeof destination, 0, &received, 3, 10), -9);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(Texts(), std::vector<std::string>{"read timed out -9"});

    // A late reply waits for the next read instead of landing in the abandoned one.
    ASSERT_TRUE(mock.printer.Write(kReply));
    ASSERT_EQ(link.TimedRead(destination, sizeof destination, 0, &received, 3, 10), 0);
    EXPECT_EQ(Bytes(destination, destination + received), kReply);
}

TEST_F(UsbLinkTest, PendingReadCompletesWhenThePrinterAnswers) {
    MockPrinter& mock = Plug("1-2", 0);
    ASSERT_EQ(link.FindUsbPrinter(), 1);
    OVERLAPPED record{};
    record.hEvent = os::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BYTE chunk[64] = {};
    ASSERT_FALSE(os::ReadFile(link.UsbHandle(), chunk, sizeof chunk, nullptr, &record));
    ASSERT_EQ(os::GetLastError(), ERROR_IO_PENDING);
    DWORD count = 0;
    EXPECT_FALSE(os::GetOverlappedResult(link.UsbHandle(), &record, &count, FALSE));
    EXPECT_EQ(os::GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(os::WaitForSingleObject(record.hEvent, 10), WAIT_TIMEOUT);

    ASSERT_TRUE(mock.printer.Write(kReply));
    EXPECT_EQ(os::WaitForSingleObject(record.hEvent, 1000), WAIT_OBJECT_0);
    ASSERT_TRUE(os::GetOverlappedResult(link.UsbHandle(), &record, &count, FALSE));
    EXPECT_EQ(Bytes(chunk, chunk + count), kReply);
    os::CloseHandle(record.hEvent);
}

// A pending read must end when the printer goes, not wait for bytes that never come.
TEST_F(UsbLinkTest, UnplugEndsAPendingReadAsDeviceNotConnected) {
    MockPrinter& mock = Plug("1-2", 0);
    ASSERT_EQ(link.FindUsbPrinter(), 1);
    OVERLAPPED record{};
    record.hEvent = os::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BYTE chunk[64];
    ASSERT_FALSE(os::ReadFile(link.UsbHandle(), chunk, sizeof chunk, nullptr, &record));
    ASSERT_EQ(os::GetLastError(), ERROR_IO_PENDING);
    Unplug(mock);
    EXPECT_EQ(os::WaitForSingleObject(record.hEvent, 1000), WAIT_OBJECT_0);
    DWORD count = 0;
    EXPECT_FALSE(os::GetOverlappedResult(link.UsbHandle(), &record, &count, TRUE));
    EXPECT_EQ(os::GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    os::CloseHandle(record.hEvent);
}

TEST_F(UsbLinkTest, UnplugFailsTheTransfersAtOnceAndTheNextPollGoesOffline) {
    MockPrinter& mock = Plug("1-2", 0);
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    Unplug(mock);

    BYTE destination[256];
    std::int32_t received = -1;
    const auto start = Clock::now();
    EXPECT_EQ(link.TimedWrite(kQuery.data(), 3, 100), -2);
    EXPECT_EQ(link.TimedRead(destination, sizeof destination, 0, &received, 3, 10), -2);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"write failed  -2", "error issuing read -2"}));
    link.ClosePrinterLink();
    EXPECT_EQ(link.PollUsbPrinter(), DeviceEvent::WentOffline);
    EXPECT_EQ(link.CurrentDeviceState(), DeviceState::Offline);
}

// The node number can change on re-plug; discovery follows the node, not a remembered path.
TEST_F(UsbLinkTest, ReplugIntoTheSamePortComesBackOnline) {
    MockPrinter& first = Plug("1-2", 0);
    ASSERT_EQ(link.PollUsbPrinter(), DeviceEvent::CameOnline);
    Unplug(first);
    ASSERT_EQ(link.PollUsbPrinter(), DeviceEvent::WentOffline);
    link.CloseUsbHandle();

    MockPrinter& second = Plug("1-2", 1);
    EXPECT_EQ(link.PollUsbPrinter(), DeviceEvent::CameOnline);
    EXPECT_STREQ(link.UsbDevicePath(), "/dev/usb/lp1");
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    ASSERT_EQ(link.TimedWrite(kQuery.data(), 3, 100), 0);
    EXPECT_EQ(second.printer.Read(3), kQuery);
}

bool Readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 1000) == 1;
}

// Only usb and usbmisc events count: the tty device added first is filtered out, so once the
// printer's events are readable, exactly its three are waiting.
TEST_F(UsbLinkTest, NotificationsSeePlugAndUnplug) {
    DeviceNotifications notices;
    ASSERT_GE(notices.Descriptor(), 0);
    EXPECT_EQ(notices.Drain(), 0);
    AddSerialDevice("ttyS9");
    MockPrinter& mock = Plug("1-2", 0);
    ASSERT_TRUE(Readable(notices.Descriptor()));
    EXPECT_EQ(notices.Drain(), 3);
    Unplug(mock);
    ASSERT_TRUE(Readable(notices.Descriptor()));
    EXPECT_EQ(notices.Drain(), 3);
    EXPECT_EQ(notices.Drain(), 0);
}

}  // namespace
}  // namespace tq::test
