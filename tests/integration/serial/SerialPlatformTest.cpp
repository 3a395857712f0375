// The POSIX platform's own contract on a serial port, below the link: the DCB both ways through
// termios, the overlapped emulation of reads and writes (immediate completion, pending requests,
// cancellation, waits on the completion event), and the millisecond counter.
#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/integration/serial/SerialFixture.h"

namespace tq::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class SerialPlatformTest : public SerialFixture {
protected:
    void SetUp() override {
        SerialFixture::SetUp();
        port = OpenCom1();
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
        record.hEvent = os::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ASSERT_NE(record.hEvent, nullptr);
    }
    void TearDown() override {
        if (port != INVALID_HANDLE_VALUE)
            os::CloseHandle(port);
        if (record.hEvent != nullptr)
            os::CloseHandle(record.hEvent);
        SerialFixture::TearDown();
    }

    termios Line() const {
        termios line{};
        ::tcgetattr(printer.Fd(), &line);
        return line;
    }

    HANDLE port = INVALID_HANDLE_VALUE;
    OVERLAPPED record{};
};

// A pseudo-terminal keeps the rate, the stop bits and the flow-control flags, but only 8 data
// bits without parity; the byte size and parity are translated in the unit tests instead.
TEST_F(SerialPlatformTest, CommStateTranslatesToTermiosAndBack) {
    DCB dcb{};
    ASSERT_TRUE(os::GetCommState(port, &dcb));
    dcb.BaudRate = 19200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = 2;
    dcb.fOutxCtsFlow = 0;
    dcb.fRtsControl = 1;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    dcb.fOutxDsrFlow = 1;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fDummy2 = 0x1ABCD;
    dcb.XonLim = 800;
    dcb.EvtChar = 0x7E;
    ASSERT_TRUE(os::SetCommState(port, &dcb));

    const termios line = Line();
    EXPECT_EQ(::cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS),
              static_cast<tcflag_t>(CS8 | CSTOPB));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO), 0u);

    DCB back{};
    ASSERT_TRUE(os::GetCommState(port, &back));
    EXPECT_EQ(std::memcmp(&back, &dcb, sizeof dcb), 0);
}

TEST_F(SerialPlatformTest, SettingsThePortCannotTakeAreRefusedAndLeaveItAsItWas) {
    DCB dcb{};
    ASSERT_TRUE(os::GetCommState(port, &dcb));
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fOutxCtsFlow = 1;
    ASSERT_TRUE(os::SetCommState(port, &dcb));
    const termios before = Line();
    // No termios form for the first four; the pseudo-terminal declines the last two.
    for (auto change : {+[](DCB& d) { d.BaudRate = 12345; }, +[](DCB& d) { d.ByteSize = 9; },
                        +[](DCB& d) { d.StopBits = 1; }, +[](DCB& d) { d.Parity = 5; },
                        +[](DCB& d) { d.ByteSize = 7; }, +[](DCB& d) { d.Parity = 2; }}) {
        DCB refused = dcb;
        refused.fOutX = 1;
        change(refused);
        EXPECT_FALSE(os::SetCommState(port, &refused));
        EXPECT_EQ(os::GetLastError(), ERROR_INVALID_PARAMETER);
        const termios after = Line();
        EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0);
    }
    DCB back{};
    ASSERT_TRUE(os::GetCommState(port, &back));
    EXPECT_EQ(std::memcmp(&back, &dcb, sizeof dcb), 0);
}

TEST_F(SerialPlatformTest, ReadWithImmediateTimeoutsCompletesAtOnceWithWhatHasArrived) {
    COMMTIMEOUTS immediate{MAXDWORD, 0, 0, 0, 0};
    ASSERT_TRUE(os::SetCommTimeouts(port, &immediate));
    COMMTIMEOUTS back{};
    ASSERT_TRUE(os::GetCommTimeouts(port, &back));
    EXPECT_EQ(back.ReadIntervalTimeout, MAXDWORD);
    ASSERT_TRUE(printer.MakeRaw());

    BYTE chunk[64];
    DWORD count = 99;
    ASSERT_TRUE(os::ReadFile(port, chunk, sizeof chunk, nullptr, &record));
    ASSERT_TRUE(os::GetOverlappedResult(port, &record, &count, FALSE));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(os::WaitForSingleObject(record.hEvent, 0), WAIT_OBJECT_0);

    ASSERT_TRUE(printer.Write({0x41, 0x42}));
    ASSERT_TRUE(os::ReadFile(port, chunk, sizeof chunk, nullptr, &record));
    ASSERT_TRUE(os::GetOverlappedResult(port, &record, &count, FALSE));
    EXPECT_EQ(Bytes(chunk, chunk + count), (Bytes{0x41, 0x42}));
}

// The caller's buffer is overwritten as soon as WriteFile returns: what arrives must still be the
// bytes it held then.
TEST_F(SerialPlatformTest, PendingWriteKeepsItsOwnCopyAndCompletesOnceTheLineDrains) {
    ASSERT_TRUE(printer.MakeRaw());
    Bytes data(1 << 20);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    const Bytes expected = data;
    DWORD written = 0;
    ASSERT_FALSE(
        os::WriteFile(port, data.data(), static_cast<DWORD>(data.size()), &written, &record));
    ASSERT_EQ(os::GetLastError(), ERROR_IO_PENDING);
    std::fill(data.begin(), data.end(), 0);
    EXPECT_FALSE(os::GetOverlappedResult(port, &record, &written, FALSE));
    EXPECT_EQ(os::GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(os::WaitForSingleObject(record.hEvent, 20), WAIT_TIMEOUT);

    Bytes arrived;
    std::thread reader([&] { arrived = printer.Read(expected.size(), 10000); });
    EXPECT_TRUE(os::GetOverlappedResult(port, &record, &written, TRUE));
    reader.join();
    EXPECT_EQ(written, expected.size());
    EXPECT_TRUE(arrived == expected);
    EXPECT_EQ(os::WaitForSingleObject(record.hEvent, 0), WAIT_OBJECT_0);
}

TEST_F(SerialPlatformTest, CancelledWriteReportsAbortedAndNeverSendsItsRest) {
    const Bytes flood(1 << 20, 'x');
    DWORD written = 0;
    ASSERT_FALSE(
        os::WriteFile(port, flood.data(), static_cast<DWORD>(flood.size()), &written, &record));
    ASSERT_EQ(os::GetLastError(), ERROR_IO_PENDING);
    ASSERT_TRUE(os::CancelIoEx(port, &record));
    EXPECT_FALSE(os::GetOverlappedResult(port, &record, &written, TRUE));
    EXPECT_EQ(os::GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_FALSE(os::CancelIoEx(port, &record));
    EXPECT_EQ(os::GetLastError(), ERROR_NOT_FOUND);

    const Bytes drained = printer.ReadUntilQuiet(200);
    EXPECT_EQ(drained.size(), written);
    EXPECT_LT(written, flood.size());
    DWORD probe = 0;
    EXPECT_TRUE(os::GetOverlappedResult(port, &record, &probe, FALSE) == FALSE);
    EXPECT_TRUE(printer.ReadUntilQuiet(100).empty());
}

TEST_F(SerialPlatformTest, ClosedHandlesAreRefused) {
    ASSERT_TRUE(os::CloseHandle(port));
    BYTE chunk[8];
    EXPECT_FALSE(os::ReadFile(port, chunk, sizeof chunk, nullptr, &record));
    EXPECT_EQ(os::GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(os::CloseHandle(port));
    port = INVALID_HANDLE_VALUE;
}

// Run in a child without root's privileges, where a node of mode 000 is refused. The platform
// prints nothing (the front end words the advice): it reports the refusal, the device COM1: stood
// for, the setting that mapped it, and the group that owns the node, which is the one to join.
TEST(PosixOpen, PermissionDeniedNamesTheOwningGroupAndPrintsNothing) {
    char path[] = "/tmp/tq9000-ttyXXXXXX";
    const int node = ::mkstemp(path);
    ASSERT_GE(node, 0);
    ::close(node);
    ASSERT_EQ(::chmod(path, 0), 0);
    std::string group;
    if (::getuid() == 0) {
        const struct group* lp = ::getgrnam("lp");
        ASSERT_NE(lp, nullptr);
        ASSERT_EQ(::chown(path, 0, lp->gr_gid), 0);
        group = "lp";
    } else {
        group = ::getgrgid(::getgid())->gr_name;
    }
    int told[2];
    int reported[2];
    ASSERT_EQ(::pipe(told), 0);
    ASSERT_EQ(::pipe(reported), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(told[1], STDERR_FILENO);
        ::dup2(told[1], STDOUT_FILENO);
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        ::setenv("TQ9000_COM1", path, 1);
        const bool refused = OpenCom1() == INVALID_HANDLE_VALUE;
        const DWORD error = os::GetLastError();
        const OpenFailureDetail detail = os::GetOpenFailureDetail();
        const std::string line = std::to_string(refused) + " " + std::to_string(error) + " " +
                                 detail.device + " " + detail.setting + " " + detail.group;
        ::_exit(::write(reported[1], line.data(), line.size()) < 0);
    }
    ::close(told[1]);
    ::close(reported[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    const auto drain = [](int fd) {
        std::string text;
        char buffer[512];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
        ::close(fd);
        return text;
    };
    const std::string printed = drain(told[0]);
    const std::string report = drain(reported[0]);
    ::unlink(path);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(report, "1 5 " + std::string(path) + " TQ9000_COM1 " + group);
    EXPECT_EQ(printed, "");
}

TEST(PosixClock, TickCountAdvancesAtLeastBySleep) {
    const DWORD start = os::GetTickCount();
    os::Sleep(30);
    const DWORD elapsed = os::GetTickCount() - start;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 10000u);
}

}  // namespace
}  // namespace tq::test
