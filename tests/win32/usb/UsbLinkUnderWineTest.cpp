// The printer link on a mock USB printer under Wine (MockUsbPrinter.h), through the real Win32
// platform: the overlapped requests on the interface's handle as the link makes them. The cases
// of the Linux tests on umockdev (tests/integration/usb/UsbLinkTest.cpp): a pending read completes
// when the printer answers; a read given up at its deadline takes nothing later; input that nobody
// read is dropped before the next query, although the handle refuses PurgeComm as a USB printer's
// does; an unplug ends a pending read as the read of a printer that has gone.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "link/ReplyAssembly.h"
#include "link/TimedTransfer.h"
#include "platform/Platform.h"
#include "tests/win32/form/PrinterSession.h"
#include "tests/win32/usb/MockUsbPrinter.h"

namespace tq::test {
namespace {

using Bytes = std::vector<BYTE>;

const UsbPrinterIdentity kPrinter{"1234", "5678", "SN001", "Port_#0001.Hub_#0001"};
const Bytes kQuery88 = {0x1B, 0x3F, 0x58};
const Bytes kQuery76 = {0x1B, 0x3F, 0x4C};

class WinUsbLink : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string unavailable = PrinterSessionsUnavailable();
        if (!unavailable.empty()) {
            GTEST_SKIP() << unavailable;
        }
        MockUsbPrinter::RemoveKeys(kPrinter);
    }

    // The printer plugged in, with these features, and the link opened to it.
    void OpenTo(const std::vector<std::string>& features) {
        session = std::make_unique<PrinterSession>(features, PrinterSession::Line::Own);
        ASSERT_TRUE(session->Ready());
        usb = std::make_unique<MockUsbPrinter>(kPrinter, session->LinePath());
        ASSERT_TRUE(usb->Plug()) << usb->Error();
        ASSERT_EQ(link.OpenPrinterLink(), 0);
        ASSERT_FALSE(link.ComOpened());
        ASSERT_EQ(link.ActiveLink(), link.UsbHandle());
    }

    // One reply read, by default with the feature queries' 10 ms deadline.
    TransferStatus Read(DWORD expected, DWORD timeout = 10) {
        BYTE destination[256] = {};
        std::int32_t received = 0;
        const TransferStatus status =
            link.TimedRead(destination, sizeof destination, expected, &received, ETX, timeout);
        reply.assign(destination, destination + received);
        return status;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const MessageBoxEvent& box : sink.boxes) texts.push_back(box.text);
        return texts;
    }

    RecordingSink sink;
    ScopedMessageSink installed{&sink};
    std::unique_ptr<PrinterSession> session;
    std::unique_ptr<MockUsbPrinter> usb;  // after the session: unplugged before it ends
    Bytes reply;
    PrinterLink link;  // last: lets go of its handles before the printer goes
};

// A read request issued before the printer was asked anything.
struct PendingRead {
    explicit PendingRead(HANDLE printer) {
        record.hEvent = os::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        issued = !os::ReadFile(printer, chunk, sizeof chunk, nullptr, &record) &&
                 os::GetLastError() == ERROR_IO_PENDING;
    }
    ~PendingRead() { os::CloseHandle(record.hEvent); }
    OVERLAPPED record{};
    BYTE chunk[64] = {};
    bool issued = false;
};

// The read waits for a printer that is asked only 50 ms into it (by another thread, on a request
// of its own), and completes with the reply well before its deadline.
TEST_F(WinUsbLink, APendingReadCompletesWhenThePrinterAnswers) {
    ASSERT_NO_FATAL_FAILURE(OpenTo({"--set", "88=0x5A"}));
    std::thread asker([printer = link.UsbHandle()] {
        Sleep(50);
        OVERLAPPED record{};
        record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        DWORD written = 0;
        if (WriteFile(printer, kQuery88.data(), 3, nullptr, &record) ||
            GetLastError() == ERROR_IO_PENDING) {
            GetOverlappedResult(printer, &record, &written, TRUE);
        }
        CloseHandle(record.hEvent);
    });
    const DWORD start = GetTickCount();
    EXPECT_EQ(Read(1, 5000), 0);
    const DWORD elapsed = GetTickCount() - start;
    asker.join();
    EXPECT_EQ(reply, Bytes{0x5A});
    EXPECT_GE(elapsed, 40u);
    EXPECT_LT(elapsed, 4000u);
    EXPECT_EQ(Texts(), std::vector<std::string>{});
}

TEST_F(WinUsbLink, AReadGivenUpAtItsDeadlineTakesNothingLater) {
    ASSERT_NO_FATAL_FAILURE(OpenTo({"--set", "88=0x5A"}));
    EXPECT_EQ(Read(1), -9);
    EXPECT_EQ(Texts(), std::vector<std::string>{"read timed out -9"});

    ASSERT_EQ(link.TimedWrite(kQuery88.data(), 3, 100), 0);
    link.PauseForReply(100);
    EXPECT_EQ(Read(1), 0);
    EXPECT_EQ(reply, Bytes{0x5A});
}

// A reply that nobody read (to 88) is dropped before the next query (76) is sent.
TEST_F(WinUsbLink, InputNobodyReadIsDroppedBeforeTheNextQuery) {
    ASSERT_NO_FATAL_FAILURE(OpenTo({"--set", "88=0x5A", "--set", "76=12"}));
    EXPECT_FALSE(::PurgeComm(link.UsbHandle(), PURGE_RXABORT | PURGE_RXCLEAR));
    ASSERT_EQ(link.TimedWrite(kQuery88.data(), 3, 100), 0);
    link.PauseForReply(200);
    link.DiscardStaleInput();
    ASSERT_EQ(link.TimedWrite(kQuery76.data(), 3, 100), 0);
    link.PauseForReply(100);
    EXPECT_EQ(Read(1), 0);
    EXPECT_EQ(reply, Bytes{0x0C});
    EXPECT_FALSE(link.InputArrivesWithin(20));
    EXPECT_FALSE(link.LinkLost());
    EXPECT_EQ(Texts(), std::vector<std::string>{});
}

TEST_F(WinUsbLink, AnUnplugEndsAPendingReadAsAPrinterThatHasGone) {
    ASSERT_NO_FATAL_FAILURE(OpenTo({}));
    PendingRead read(link.UsbHandle());
    ASSERT_TRUE(read.issued);
    usb->Unplug();
    EXPECT_EQ(os::WaitForSingleObject(read.record.hEvent, 5000), WAIT_OBJECT_0);
    DWORD count = 0;
    EXPECT_FALSE(os::GetOverlappedResult(link.UsbHandle(), &read.record, &count, TRUE));
    EXPECT_EQ(os::GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    link.ClosePrinterLink();
    EXPECT_EQ(link.PollUsbPrinter(), DeviceEvent::WentOffline);
}

}  // namespace
}  // namespace tq::test
