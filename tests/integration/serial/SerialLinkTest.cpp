// The printer link on COM1: through the real POSIX platform, with the test playing the printer on
// a pseudo-terminal: the line settings the port ends up with, the exchange of frames, and what
// the user is told when the port is missing, held, silent or gone.
#include <termios.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "link/TimedTransfer.h"
#include "tests/integration/serial/SerialFixture.h"

namespace tq::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

class SerialLinkTest : public SerialFixture {};

TEST_F(SerialLinkTest, OpensCom1AtNineThousandSixHundredEightNoneOneWithHandshakeInRawMode) {
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    EXPECT_TRUE(link.ComOpened());
    EXPECT_EQ(link.ActiveLink(), link.ComHandle());

    termios line{};
    ASSERT_EQ(::tcgetattr(printer.Fd(), &line), 0);  // the master reports the slave's settings
    EXPECT_EQ(::cfgetospeed(&line), B9600);
    EXPECT_EQ(::cfgetispeed(&line), B9600);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_NE(line.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);
    EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(SerialLinkTest, ReadsTheSettingsBackAsWrittenIncludingThoseTermiosCannotHold) {
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    const DCB& dcb = link.SerialSettings();
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fOutxDsrFlow, 1u);
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_HANDSHAKE);
    EXPECT_EQ(dcb.XonLim, 800);
    EXPECT_EQ(dcb.XoffLim, 200);
    DWORD flags = 0;
    std::memcpy(&flags, reinterpret_cast<const BYTE*>(&dcb) + 8, sizeof flags);
    EXPECT_EQ(flags & 0x7FFFu, 0x202Du);
    EXPECT_EQ(link.SerialTimeouts().ReadIntervalTimeout, MAXDWORD);
}

TEST_F(SerialLinkTest, PortIsReleasedAtTheEndOfEachCommand) {
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    link.ClosePrinterLink();
    EXPECT_EQ(link.ComHandle(), INVALID_HANDLE_VALUE);
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(SerialLinkTest, FrameArrivesByteForByteAndTheReplyIsRead) {
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    const Bytes query{0x1B, '?', 0x4C};
    ASSERT_EQ(link.TimedWrite(query.data(), 3, 100), 0);
    EXPECT_EQ(printer.Read(3), query);

    const Bytes reply{0x30, 0x31, 0x03};
    ASSERT_TRUE(printer.Write(reply));
    BYTE destination[256] = {};
    std::int32_t received = -1;
    ASSERT_EQ(link.TimedRead(destination, sizeof destination, 0, &received, 3, 10), 0);
    ASSERT_EQ(received, 3);
    EXPECT_EQ(Bytes(destination, destination + 3), reply);
    EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(SerialLinkTest, SilentPrinterTimesOutPromptly) {
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    BYTE destination[256];
    std::int32_t received = -1;
    const auto start = Clock::now();
    EXPECT_EQ(link.TimedRead(destination, sizeof destination, 0, &received, 3, 10), -9);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(received, 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"read timed out -9"});
}

// Root passes TIOCEXCL, so this holds only because of the flock that root respects too.
TEST_F(SerialLinkTest, PortHeldByAnotherProgramCannotBeOpened) {
    const HANDLE other = OpenCom1();
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(link.OpenPrinterLink(), -1);
    EXPECT_FALSE(link.ComOpened());
    EXPECT_EQ(Texts(), std::vector<std::string>{"Error opening printer"});

    EXPECT_EQ(OpenCom1(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(os::GetLastError(), ERROR_SHARING_VIOLATION);
    os::CloseHandle(other);
    EXPECT_EQ(link.OpenPrinterLink(), 0);
}

TEST_F(SerialLinkTest, MissingPortCannotBeOpened) {
    ::setenv("TQ9000_COM1", "/dev/tq9000-no-such-port", 1);
    EXPECT_EQ(link.OpenPrinterLink(), -1);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Error opening printer"});
    EXPECT_EQ(OpenCom1(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(os::GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(SerialLinkTest, PrinterThatHungUpFailsTheTransfersAtOnce) {
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    printer.Close();
    BYTE destination[256];
    std::int32_t received = -1;
    const Bytes query{0x1B, '?', 0x4C};
    const auto start = Clock::now();
    EXPECT_EQ(link.TimedRead(destination, sizeof destination, 0, &received, 3, 10), -2);
    EXPECT_EQ(link.TimedWrite(query.data(), 3, 100), -2);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"error issuing read -2", "write failed  -2"}));
}

// More than the line buffers: the write stays pending until its deadline, is cancelled, and its
// remaining bytes never follow; the next frame arrives alone.
TEST_F(SerialLinkTest, WriteTheLineCannotTakeTimesOutAndLeavesNothingBehind) {
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    const Bytes flood(1 << 20, 'x');
    EXPECT_EQ(link.TimedWrite(flood.data(), static_cast<DWORD>(flood.size()), 100), -4);
    EXPECT_EQ(Texts(), std::vector<std::string>{"write timed out  -4"});
    const Bytes drained = printer.ReadUntilQuiet(200);
    EXPECT_LT(drained.size(), flood.size());

    const Bytes query{0x1B, '?', 0x4C};
    ASSERT_EQ(link.TimedWrite(query.data(), 3, 100), 0);
    EXPECT_EQ(printer.ReadUntilQuiet(200), query);
}

}  // namespace
}  // namespace tq::test
