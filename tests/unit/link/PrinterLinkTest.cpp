#include "link/PrinterLink.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "LinkFixture.h"
#include "framework/HeadlessForm.h"
#include "link/TimedTransfer.h"

namespace tq {
namespace {

using test::Bytes;
using test::kUsbPath;

const Bytes kFrame = {0x1B, 0x3F, 0x4C};

// --- COM1: -----------------------------------------------------------------------------------

class ComPortTest : public test::LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        com = &fake.AddDevice("COM1:", true);
    }

    // The calls made on the port, in order.
    std::vector<std::string> PortCalls() const {
        std::vector<std::string> lines;
        for (const std::string& line : fake.calls) {
            if (line.find("(COM1:") != std::string::npos) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    FakeDevice* com = nullptr;
};

std::uint32_t FlagWord(const DCB& dcb) {
    std::uint32_t word = 0;
    std::memcpy(&word, reinterpret_cast<const char*>(&dcb) + offsetof(DCB, BaudRate) + 4, 4);
    return word;
}

void ExpectLineSettings(const DCB& dcb, const DCB& before) {
    const std::pair<const char*, std::pair<long, long>> fields[] = {
        {"DCBlength", {dcb.DCBlength, before.DCBlength}},
        {"BaudRate", {dcb.BaudRate, 9600}},
        {"fBinary", {dcb.fBinary, 1}},
        {"fParity", {dcb.fParity, 0}},
        {"fOutxCtsFlow", {dcb.fOutxCtsFlow, 1}},
        {"fOutxDsrFlow", {dcb.fOutxDsrFlow, 1}},
        {"fDtrControl", {dcb.fDtrControl, 2}},
        {"fDsrSensitivity", {dcb.fDsrSensitivity, 0}},
        {"fTXContinueOnXoff", {dcb.fTXContinueOnXoff, 0}},
        {"fOutX", {dcb.fOutX, 0}},
        {"fInX", {dcb.fInX, 0}},
        {"fErrorChar", {dcb.fErrorChar, 0}},
        {"fNull", {dcb.fNull, 0}},
        {"fRtsControl", {dcb.fRtsControl, 2}},
        {"fAbortOnError", {dcb.fAbortOnError, 0}},
        {"fDummy2", {dcb.fDummy2, before.fDummy2}},
        {"wReserved", {dcb.wReserved, 0}},
        {"XonLim", {dcb.XonLim, 800}},
        {"XoffLim", {dcb.XoffLim, 200}},
        {"ByteSize", {dcb.ByteSize, 8}},
        {"Parity", {dcb.Parity, 0}},
        {"StopBits", {dcb.StopBits, 0}},
        {"XonChar", {dcb.XonChar, 0x11}},
        {"XoffChar", {dcb.XoffChar, 0x13}},
        {"ErrorChar", {dcb.ErrorChar, 0}},
        {"EofChar", {dcb.EofChar, 0}},
        {"EvtChar", {dcb.EvtChar, 0}},
        {"wReserved1", {dcb.wReserved1, 0}},
    };
    for (const auto& [name, values] : fields) {
        EXPECT_EQ(values.first, values.second) << name;
    }
    EXPECT_EQ(FlagWord(dcb), (FlagWord(before) & ~0x7FFFu) | 0x202Du);
}

// Two complementary fillings, so that every bit of the flag word is seen both set and cleared.
TEST_F(ComPortTest, OpensWithTheFixedLineSettingsAndTimeouts) {
    for (const int filling : {0xA5, 0x5A}) {
        SCOPED_TRACE(filling);
        fake.calls.clear();
        DCB before;
        std::memset(&before, filling, sizeof before);
        com->dcb = before;
        com->timeouts = COMMTIMEOUTS{1, 2, 3, 4, 5};

        ASSERT_EQ(link.OpenPrinterLink(), 0);

        ExpectLineSettings(com->dcb, before);
        EXPECT_EQ(std::memcmp(&link.SerialSettings(), &com->dcb, sizeof(DCB)), 0);
        EXPECT_EQ(com->timeouts.ReadIntervalTimeout, MAXDWORD);
        EXPECT_EQ(com->timeouts.ReadTotalTimeoutMultiplier, 0u);
        EXPECT_EQ(com->timeouts.ReadTotalTimeoutConstant, 0u);
        EXPECT_EQ(com->timeouts.WriteTotalTimeoutMultiplier, 0u);
        EXPECT_EQ(com->timeouts.WriteTotalTimeoutConstant, 0u);
        EXPECT_EQ(com->lastOpen.access, 0xC0000000u);
        EXPECT_EQ(com->lastOpen.share, 0u);
        EXPECT_EQ(com->lastOpen.disposition, 3u);
        EXPECT_EQ(com->lastOpen.flags, 0x40000000u);
        EXPECT_EQ(PortCalls(),
                  (std::vector<std::string>{"CreateFileA(COM1:)", "GetCommState(COM1:)",
                                            "SetCommState(COM1:)", "GetCommState(COM1:)",
                                            "GetCommTimeouts(COM1:)", "SetCommTimeouts(COM1:)"}));
        EXPECT_EQ(link.ActiveLink(), link.ComHandle());
        EXPECT_TRUE(link.ComOpened());
        EXPECT_TRUE(sink.boxes.empty());
        link.ClosePrinterLink();
        com->getCommStateCalls = 0;
    }
}

struct ComFailure {
    const char* name;
    std::function<void(FakePlatform&, FakeDevice&)> arrange;
    const char* message;
};

class ComFailureTest : public ComPortTest, public ::testing::WithParamInterface<ComFailure> {};

TEST_P(ComFailureTest, ShowsItsMessageAndLeavesThePortClosed) {
    GetParam().arrange(fake, *com);

    EXPECT_EQ(link.OpenPrinterLink(), -1);

    ASSERT_EQ(Texts(), std::vector<std::string>{GetParam().message});
    EXPECT_EQ(sink.boxes[0].kind, MessageBoxEvent::Kind::Afx);
    EXPECT_EQ(link.ComHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(link.ActiveLink(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(link.ComOpened());
    EXPECT_FALSE(com->open);
    EXPECT_EQ(fake.OpenHandleCount(), 0);
    EXPECT_TRUE(fake.misuses.empty()) << fake.misuses.front();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ComFailureTest,
    ::testing::Values(ComFailure{"PortAbsent",
                                 [](FakePlatform& f, FakeDevice&) { f.RemoveDevice("COM1:"); },
                                 "Error opening printer"},
                      ComFailure{"OpenRefused",
                                 [](FakePlatform& f, FakeDevice&) { f.openFailures["COM1:"] = 5; },
                                 "Error opening printer"},
                      ComFailure{"FirstGetCommState",
                                 [](FakePlatform&, FakeDevice& d) { d.failGetCommStateCall = 1; },
                                 "error getting DCB"},
                      ComFailure{"SecondGetCommState",
                                 [](FakePlatform&, FakeDevice& d) { d.failGetCommStateCall = 2; },
                                 "error getting DCB after set"},
                      ComFailure{"GetCommTimeouts",
                                 [](FakePlatform&, FakeDevice& d) { d.failGetCommTimeouts = true; },
                                 "GetCommTimeouts failed"},
                      ComFailure{"SetCommTimeouts",
                                 [](FakePlatform&, FakeDevice& d) { d.failSetCommTimeouts = true; },
                                 "SetCommTimeouts failed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComPortTest, PortThatRefusesTheSettingsStillOpens) {
    com->refuseSetCommState = true;
    const DCB kept = com->dcb;

    EXPECT_EQ(link.OpenPrinterLink(), 0);

    EXPECT_TRUE(link.ComOpened());
    EXPECT_EQ(std::memcmp(&link.SerialSettings(), &kept, sizeof(DCB)), 0);
    EXPECT_EQ(com->timeouts.ReadIntervalTimeout, MAXDWORD);
    EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(ComPortTest, EachCommandOpensAndClosesThePort) {
    for (int command = 1; command <= 2; ++command) {
        ASSERT_EQ(link.OpenPrinterLink(), 0);
        EXPECT_TRUE(com->open);
        EXPECT_EQ(link.ActiveLink(), fake.HandleOf("COM1:"));
        link.ClosePrinterLink();
        EXPECT_FALSE(com->open);
        EXPECT_FALSE(link.ComOpened());
        EXPECT_EQ(link.ComHandle(), INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(com->openCount, 2);
    EXPECT_EQ(com->closeCount, 2);
    EXPECT_EQ(link.CurrentDeviceState(), DeviceState::Offline);
    EXPECT_EQ(fake.OpenHandleCount(), 0);
    EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(ComPortTest, PortHeldByAnotherProgramFailsTheOpen) {
    const HANDLE other = fake.CreateFileA("COM1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);

    EXPECT_EQ(link.OpenPrinterLink(), -1);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Error opening printer"});
    EXPECT_EQ(fake.GetLastError(), ERROR_SHARING_VIOLATION);

    fake.CloseHandle(other);
    EXPECT_EQ(link.OpenPrinterLink(), 0);
    link.ClosePrinterLink();
}

// --- USB discovery ---------------------------------------------------------------------------

class UsbDiscoveryTest : public test::LinkTest {};

TEST_F(UsbDiscoveryTest, FindsAndOpensTheFirstPrinterInterface) {
    FakeDevice& printer = fake.AddUsbPrinter(kUsbPath);

    EXPECT_EQ(link.FindUsbPrinter(), 1);

    EXPECT_EQ(link.UsbHandle(), fake.HandleOf(kUsbPath));
    EXPECT_EQ(std::string(link.UsbDevicePath()), kUsbPath);
    EXPECT_EQ(printer.lastOpen.access, 0xC0000000u);
    EXPECT_EQ(printer.lastOpen.share, 1u);
    EXPECT_EQ(printer.lastOpen.disposition, 4u);
    EXPECT_EQ(printer.lastOpen.flags, 0x48000080u);
    EXPECT_EQ(fake.calls.front(), "SetupDiGetClassDevsA(0x12)");
    EXPECT_EQ(fake.OpenListCount(), 0);
    // Discovery alone neither moves the state nor tells the user anything.
    EXPECT_EQ(link.CurrentDeviceState(), DeviceState::Unknown);
    EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(UsbDiscoveryTest, OnlyTheInterfaceAtIndexZeroIsExamined) {
    const std::string second = kUsbPath + "-2";
    fake.AddUsbPrinter(kUsbPath);
    FakeDevice& other = fake.AddUsbPrinter(second);

    EXPECT_EQ(link.FindUsbPrinter(), 1);
    EXPECT_EQ(link.UsbHandle(), fake.HandleOf(kUsbPath));
    EXPECT_EQ(fake.CountCalls("SetupDiEnumDeviceInterfaces"), 1);

    // A first interface that cannot be examined ends discovery; the second is not tried.
    fake.usbInterfaces[0].driverFails = true;
    EXPECT_EQ(link.FindUsbPrinter(), 0);
    EXPECT_EQ(other.openCount, 0);
}

struct DiscoveryFailure {
    const char* name;
    std::function<void(FakePlatform&)> arrange;
};

class DiscoveryFailureTest : public UsbDiscoveryTest,
                             public ::testing::WithParamInterface<DiscoveryFailure> {};

TEST_P(DiscoveryFailureTest, CountsAsNotFoundAndThePollMovesToOffline) {
    fake.AddUsbPrinter(kUsbPath);
    GetParam().arrange(fake);

    EXPECT_EQ(link.FindUsbPrinter(), 0);
    EXPECT_EQ(link.UsbHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(fake.OpenListCount(), 0);
    // Only a failed open itself gets as far as opening.
    EXPECT_EQ(fake.CountCalls("CreateFileA"), std::string(GetParam().name) == "Open" ? 1 : 0);

    EXPECT_EQ(link.PollUsbPrinter(), DeviceEvent::WentOffline);
    EXPECT_EQ(link.CurrentDeviceState(), DeviceState::Offline);
    EXPECT_EQ(fake.OpenHandleCount(), 0);
    EXPECT_TRUE(sink.boxes.empty());
    EXPECT_TRUE(fake.misuses.empty()) << fake.misuses.front();
}

FakeUsbInterface& First(FakePlatform& f) {
    return f.usbInterfaces.front();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DiscoveryFailureTest,
    ::testing::Values(
        DiscoveryFailure{"NoInterface", [](FakePlatform& f) { f.usbInterfaces.clear(); }},
        DiscoveryFailure{"ClassList", [](FakePlatform& f) { f.classDevsFails = true; }},
        DiscoveryFailure{"Detail", [](FakePlatform& f) { First(f).detailFails = true; }},
        DiscoveryFailure{"Driver", [](FakePlatform& f) { First(f).driverFails = true; }},
        DiscoveryFailure{"Location", [](FakePlatform& f) { First(f).locationFails = true; }},
        DiscoveryFailure{"Open", [](FakePlatform& f) { f.openFailures[kUsbPath] = 5; }},
        DiscoveryFailure{"VanishedSizeZero",
                         [](FakePlatform& f) { First(f).reportedDetailSize = 0; }},
        DiscoveryFailure{"SizeBelowFixedPart",
                         [](FakePlatform& f) { First(f).reportedDetailSize = 3; }},
        DiscoveryFailure{"SizeTooSmallForPath",
                         [](FakePlatform& f) { First(f).reportedDetailSize = 6; }},
        DiscoveryFailure{"PathLongerThanItsBuffer",
                         [](FakePlatform& f) {
                             f.usbInterfaces.clear();
                             f.AddUsbPrinter(std::string(2048, 'p'));
                         }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UsbDiscoveryTest, PathThatJustFitsItsBufferIsFound) {
    const std::string path(2047, 'p');
    fake.AddUsbPrinter(path);
    EXPECT_EQ(link.FindUsbPrinter(), 1);
    EXPECT_EQ(std::string(link.UsbDevicePath()), path);
}

// Each property may fill all 2048 bytes of its buffer, terminator included; one byte more is
// refused by the platform and counts as not found.
TEST_F(UsbDiscoveryTest, PropertiesMayFillTheirWholeBuffer) {
    fake.AddUsbPrinter(kUsbPath);
    First(fake).driver = std::string(2047, 'd');
    First(fake).location = std::string(2047, 'l');
    EXPECT_EQ(link.FindUsbPrinter(), 1);
    link.CloseUsbHandle();
    First(fake).location = std::string(2048, 'l');
    EXPECT_EQ(link.FindUsbPrinter(), 0);
}

struct Transition {
    const char* name;
    DeviceState before;
    bool present;
    DeviceState after;
    DeviceEvent event;
};

class PollTest : public UsbDiscoveryTest, public ::testing::WithParamInterface<Transition> {
protected:
    void SetPresent(bool present) {
        if (present && fake.Device(kUsbPath) == nullptr) {
            fake.AddUsbPrinter(kUsbPath);
        }
        if (!present) {
            fake.RemoveDevice(kUsbPath);
        }
    }
};

TEST_P(PollTest, MovesDeviceStateByTheTable) {
    const Transition& t = GetParam();
    if (t.before != DeviceState::Unknown) {
        SetPresent(t.before == DeviceState::Online);
        link.PollUsbPrinter();
        ASSERT_EQ(link.CurrentDeviceState(), t.before);
    }
    SetPresent(t.present);

    EXPECT_EQ(link.PollUsbPrinter(), t.event);
    EXPECT_EQ(link.CurrentDeviceState(), t.after);
    if (t.present) {
        EXPECT_EQ(link.UsbHandle(), fake.HandleOf(kUsbPath));
    }
    EXPECT_TRUE(sink.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, PollTest,
    ::testing::Values(Transition{"UnknownFound", DeviceState::Unknown, true, DeviceState::Online,
                                 DeviceEvent::CameOnline},
                      Transition{"UnknownMissing", DeviceState::Unknown, false,
                                 DeviceState::Offline, DeviceEvent::WentOffline},
                      Transition{"OnlineFound", DeviceState::Online, true, DeviceState::Online,
                                 DeviceEvent::NoChange},
                      Transition{"OnlineMissing", DeviceState::Online, false, DeviceState::Offline,
                                 DeviceEvent::WentOffline},
                      Transition{"OfflineFound", DeviceState::Offline, true, DeviceState::Online,
                                 DeviceEvent::CameOnline},
                      Transition{"OfflineMissing", DeviceState::Offline, false,
                                 DeviceState::Offline, DeviceEvent::NoChange}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Commands over USB and device-change notices ---------------------------------------------

class DeviceChangeTest : public test::LinkTest {
protected:
    void Notice() { link.HandleDeviceChange(form); }

    HeadlessForm form;
};

TEST_F(DeviceChangeTest, NoticesTellTheUserOfEachChangeOnce) {
    Notice();  // started without a printer: Unknown to Offline
    Notice();
    FakeDevice& printer = fake.AddUsbPrinter(kUsbPath);
    Notice();
    Notice();
    fake.RemoveDevice(kUsbPath);
    Notice();

    ASSERT_EQ(Texts(), (std::vector<std::string>{"Usb offline, assuming COM1:", "Device Online",
                                                 "Usb offline, assuming COM1:"}));
    for (const MessageBoxEvent& box : sink.boxes) {
        EXPECT_EQ(box.kind, MessageBoxEvent::Kind::Form);
        EXPECT_EQ(box.caption, "WM_DEVICECHANGE");
        EXPECT_EQ(box.type, 0x40u);
    }
    // Going offline closed the handle; each rediscovery closed the one it replaced.
    EXPECT_EQ(link.UsbHandle(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(printer.open);
    EXPECT_EQ(printer.openCount, 2);
    EXPECT_EQ(printer.closeCount, 2);
    EXPECT_EQ(fake.OpenHandleCount(), 0);
    EXPECT_TRUE(fake.misuses.empty()) << fake.misuses.front();
}

TEST_F(DeviceChangeTest, CommandsPollSilentlyAndANoticeAfterwardsShowsNothing) {
    FakeDevice& com = fake.AddDevice("COM1:", true);
    ASSERT_EQ(link.OpenPrinterLink(), 0);  // no printer: Unknown to Offline in silence
    link.ClosePrinterLink();
    Notice();
    EXPECT_TRUE(sink.boxes.empty());

    FakeDevice& printer = fake.AddUsbPrinter(kUsbPath);
    for (int command = 1; command <= 2; ++command) {
        ASSERT_EQ(link.OpenPrinterLink(), 0);  // back online, in silence
        EXPECT_EQ(link.ActiveLink(), link.UsbHandle());
        EXPECT_EQ(link.ActiveLink(), fake.HandleOf(kUsbPath));
        link.ClosePrinterLink();
        EXPECT_TRUE(printer.open);  // the USB handle stays open after the command
    }
    Notice();
    EXPECT_TRUE(sink.boxes.empty());
    EXPECT_EQ(com.openCount, 1);
    EXPECT_EQ(fake.OpenHandleCount(), 1);
}

TEST_F(DeviceChangeTest, CloseUsbHandleWithoutAHandleDoesNothing) {
    link.CloseUsbHandle();
    EXPECT_EQ(fake.CountCalls("CloseHandle"), 0);
    EXPECT_TRUE(fake.misuses.empty());
}

// A notice can arrive while a command holds the USB link, from inside a message box. It may
// replace or close UsbHandle, but the command goes on with its ActiveLink to its end.
class NoticeDuringCommandTest : public DeviceChangeTest {
protected:
    void SetUp() override {
        DeviceChangeTest::SetUp();
        printer = &fake.AddUsbPrinter(kUsbPath);
        printer->onWrite = [this](const Bytes& bytes) { heard.push_back(bytes); };
        ASSERT_EQ(link.OpenPrinterLink(), 0);
        held = link.ActiveLink();
    }

    // The command's own link still carries its bytes to the printer it opened.
    void ExpectCommandLinkUsable() {
        EXPECT_EQ(link.ActiveLink(), held);
        EXPECT_TRUE(fake.IsOpenHandle(held));
        heard.clear();
        EXPECT_EQ(link.TimedWrite(kFrame.data(), 3, 100), 0);
        EXPECT_EQ(heard, std::vector<Bytes>{kFrame});
    }

    FakeDevice* printer = nullptr;
    HANDLE held = nullptr;
};

TEST_F(NoticeDuringCommandTest, SamePrinterStillThereKeepsTheHeldHandle) {
    Notice();
    EXPECT_TRUE(sink.boxes.empty());
    EXPECT_EQ(link.UsbHandle(), held);
    EXPECT_EQ(printer->openCount, 1);
    ExpectCommandLinkUsable();
    link.ClosePrinterLink();
    EXPECT_TRUE(fake.IsOpenHandle(held));
}

TEST_F(NoticeDuringCommandTest, PrinterMissingFromTheListClosesTheHandleOnlyAfterTheCommand) {
    fake.usbInterfaces.clear();
    Notice();
    EXPECT_EQ(Texts(), std::vector<std::string>{"Usb offline, assuming COM1:"});
    EXPECT_EQ(link.UsbHandle(), INVALID_HANDLE_VALUE);
    ExpectCommandLinkUsable();
    link.ClosePrinterLink();
    EXPECT_FALSE(fake.IsOpenHandle(held));
    EXPECT_EQ(fake.OpenHandleCount(), 0);
    EXPECT_TRUE(fake.misuses.empty()) << fake.misuses.front();
}

TEST_F(NoticeDuringCommandTest, PrinterFoundUnderANewPathReplacesTheHandleAfterTheCommand) {
    const std::string newPath = kUsbPath + "-new";
    fake.usbInterfaces.clear();
    fake.AddUsbPrinter(newPath);
    Notice();
    EXPECT_TRUE(sink.boxes.empty());  // still online
    EXPECT_EQ(link.UsbHandle(), fake.HandleOf(newPath));
    ExpectCommandLinkUsable();
    link.ClosePrinterLink();
    EXPECT_FALSE(fake.IsOpenHandle(held));
    EXPECT_EQ(fake.OpenHandleCount(), 1);
    EXPECT_EQ(link.UsbHandle(), fake.HandleOf(newPath));
}

TEST_F(NoticeDuringCommandTest, UnpluggedPrinterFailsTheTransferButLeaksNoHandle) {
    fake.RemoveDevice(kUsbPath);
    Notice();
    EXPECT_EQ(Texts(), std::vector<std::string>{"Usb offline, assuming COM1:"});
    EXPECT_EQ(link.ActiveLink(), held);
    EXPECT_EQ(link.TimedWrite(kFrame.data(), 3, 100), -2);
    link.ClosePrinterLink();
    EXPECT_EQ(fake.OpenHandleCount(), 0);
    EXPECT_EQ(link.CurrentDeviceState(), DeviceState::Offline);
}

}  // namespace
}  // namespace tq
