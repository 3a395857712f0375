// Device-change notices: a descriptor watched by the event loop (here a pipe the test writes to)
// reaches the device tracking on the GUI thread, also inside the loop of an open message box, and
// never changes the running command's link. The watch goes with its form.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/wx/DeviceNoticeWatch.h"
#include "tests/window/form/FormFixture.h"

namespace tq {
namespace {

using Lines = std::vector<std::string>;
using test::RunPendingEvents;
using test::WaitUntil;

// The notice source of the tests: a byte written is a notice.
class NoticePipe {
public:
    NoticePipe() { EXPECT_EQ(pipe2(ends_.data(), O_NONBLOCK | O_CLOEXEC), 0); }
    ~NoticePipe() {
        CloseWriter();
        close(ends_[0]);
    }
    void Notify() { EXPECT_EQ(write(ends_[1], "n", 1), 1); }
    void CloseWriter() {
        if (ends_[1] >= 0) {
            close(ends_[1]);
            ends_[1] = -1;
        }
    }
    // The end of the pipe (the writer gone) is a source that has failed for good.
    int Drain() {
        ++drains;
        char buffer[64];
        int drained = 0;
        ssize_t got = 0;
        while ((got = read(ends_[0], buffer, sizeof buffer)) > 0) {
            drained += static_cast<int>(got);
        }
        return got == 0 && drained == 0 ? -1 : drained;
    }
    NoticeSource Source() {
        return {ends_[0], [this] { return Drain(); }};
    }

    int drains = 0;

private:
    std::array<int, 2> ends_{-1, -1};
};

class DeviceNoticeTest : public test::FormFixture {
protected:
    DeviceNoticeTest() { form.WatchDeviceNotices(notices.Source()); }

    // Clicks "Status / Test Print" and leaves its "<00>" box open for real; meanwhile `change`
    // happens and a notice is sent. When the notice's own box (`noticeText`) comes, `atNotice`
    // looks at the link and the status box is dismissed.
    void StatusWithNoticeInItsBox(const std::function<void()>& change,
                                  const std::string& noticeText,
                                  const std::function<void()>& atNotice) {
        wxDialog* statusBox = nullptr;
        dialogs.answer = [&](wxDialog& dialog) {
            const std::string text = dialogs.shown.back().text;
            if (&dialog == &form || text == "<00>") {
                if (&dialog != &form) {
                    statusBox = &dialog;
                    change();
                    notices.Notify();
                }
                return static_cast<int>(wxID_NONE);
            }
            if (text == noticeText && statusBox != nullptr) {
                atNotice();
                test::DismissNativeBox(*statusBox);
            }
            return static_cast<int>(wxID_OK);
        };
        RunForm([&] {
            test::Watchdog watchdog(test::kPatienceMs, [&] {
                if (statusBox != nullptr) {
                    test::DismissNativeBox(*statusBox);
                }
            });
            test::ClickOn(Control(IDC_STATUS_TEST_PRINT));
        });
        dialogs.answer = nullptr;
    }

    NoticePipe notices;
};

// The printer is plugged in while "Printer Status Byte" is open in the middle of the command: the
// notice arrives in that box's loop, polls, and says so in a box of its own on top; COM1: stays the
// command's link until the command closes it.
TEST_F(DeviceNoticeTest, ArrivesInsideAnOpenMessageBoxAndLeavesTheCommandsLink) {
    ASSERT_TRUE(form.WatchingDeviceNotices());
    bool comWasTheLink = false;
    StatusWithNoticeInItsBox(
        [this] { printer.PlugInUsb(); }, "Device Online",
        [&] { comWasTheLink = printer.ActiveLinkIsCom(form.Link()) && printer.ComOpen(); });
    EXPECT_EQ(dialogs.messages(),
              (Lines{"form", "BRENLOW: Usb offline, assuming COM1: (i)",
                     "Printer Status Byte: <00>", "WM_DEVICECHANGE: Device Online (i)"}));
    ASSERT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dialogs.shown[3].openBefore, 2);  // the form and the status box
    EXPECT_EQ(dialogs.shown[3].owner, &form);
    EXPECT_TRUE(comWasTheLink);
    EXPECT_FALSE(printer.ComOpen());  // closed by the command as it ended
    EXPECT_TRUE(printer.UsbOpen());   // kept by the device tracking
    EXPECT_TRUE(printer.DeviceOnline(form.Link()));
}

// The printer is unplugged while the status box of a command over USB is open: the notice says so,
// and the handle the command is using stays open until the command ends.
TEST_F(DeviceNoticeTest, UnpluggedInsideAnOpenMessageBoxLeavesTheCommandsHandleUntilItEnds) {
    printer.PlugInUsb();
    bool usbWasTheOpenLink = false;
    StatusWithNoticeInItsBox(
        [this] { printer.UnplugUsb(); }, "Usb offline, assuming COM1:",
        [&] { usbWasTheOpenLink = printer.ActiveLinkIsUsb(form.Link()) && printer.UsbOpen(); });
    EXPECT_EQ(dialogs.messages(),
              (Lines{"form", "BRENLOW: Device Online (i)", "Printer Status Byte: <00>",
                     "WM_DEVICECHANGE: Usb offline, assuming COM1: (i)"}));
    EXPECT_TRUE(usbWasTheOpenLink);
    EXPECT_FALSE(printer.UsbOpen());  // closed as the command ended
    EXPECT_EQ(printer.TestPrints(), 1);
}

// Start-up discovery leaves the state unknown, so the first notice with the printer still attached
// announces it again; a notice that changes nothing shows nothing; unplugging is announced.
TEST_F(DeviceNoticeTest, AnnouncesChangesOnlyWhileTheFormIsIdle) {
    printer.PlugInUsb();
    RunForm([this] {
        const auto boxes = [this] { return dialogs.shown.size(); };
        notices.Notify();
        ASSERT_TRUE(WaitUntil([&] { return boxes() == 3; }));
        notices.Notify();
        // A notice is announced from the very call that drains it.
        ASSERT_TRUE(WaitUntil([this] { return notices.drains == 2; }));
        EXPECT_EQ(boxes(), 3u);
        printer.UnplugUsb();
        notices.Notify();
        ASSERT_TRUE(WaitUntil([&] { return boxes() == 4; }));
    });
    EXPECT_EQ(dialogs.messages(),
              (Lines{"form", "BRENLOW: Device Online (i)", "WM_DEVICECHANGE: Device Online (i)",
                     "WM_DEVICECHANGE: Usb offline, assuming COM1: (i)"}));
    EXPECT_FALSE(printer.UsbOpen());
}

TEST(DeviceNoticeWatchTest, DrainsBeforeEveryDeliveryAndOnlyWhenSomethingWasWaiting) {
    NoticePipe notices;
    int delivered = 0;
    bool drainedFirst = false;
    DeviceNoticeWatch watch(notices.Source(), [&] {
        ++delivered;
        drainedFirst = notices.drains == 1;
    });
    notices.Notify();
    notices.Notify();
    ASSERT_TRUE(WaitUntil([&] { return notices.drains >= 1; }));
    RunPendingEvents();
    EXPECT_EQ(delivered, 1);  // two notices waiting, one poll answers both
    EXPECT_TRUE(drainedFirst);
}

TEST(DeviceNoticeWatchTest, NothingIsDeliveredOnceTheWatchIsGone) {
    NoticePipe notices;
    int delivered = 0;
    {
        DeviceNoticeWatch watch(notices.Source(), [&] { ++delivered; });
        ASSERT_TRUE(watch.Watching());
    }
    notices.Notify();
    RunPendingEvents();
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(notices.drains, 0);
}

// A source whose other end has gone would wake the loop for ever; the watch lets it go.
TEST(DeviceNoticeWatchTest, StopsWatchingASourceThatHungUp) {
    NoticePipe notices;
    int delivered = 0;
    DeviceNoticeWatch watch(notices.Source(), [&] { ++delivered; });
    notices.CloseWriter();
    EXPECT_TRUE(WaitUntil([&] { return !watch.Watching(); }));
    const int drainsThen = notices.drains;
    RunPendingEvents();
    EXPECT_EQ(notices.drains, drainsThen);
    EXPECT_EQ(delivered, 0);
}

TEST(DeviceNoticeWatchTest, ASourceWithoutADescriptorIsNotWatched) {
    DeviceNoticeWatch watch(NoticeSource{-1, [] { return 0; }}, [] {});
    EXPECT_FALSE(watch.Watching());
}

}  // namespace
}  // namespace tq
