// What every test of the printer link starts from: the fake platform and a recording message sink
// installed, and a fresh link, as if each test were a fresh run of the program. Helpers open the
// link over COM1: or over a USB printer for the transfer tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "tests/fake/FakePlatform.h"

namespace tq::test {

using Bytes = std::vector<BYTE>;

inline const std::string kUsbPath =
    "\\\\?\\usb#vid_1a2b&pid_0001#5&1c2d3e4f&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

class LinkTest : public ::testing::Test {
protected:
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const MessageBoxEvent& box : sink.boxes) texts.push_back(box.text);
        return texts;
    }

    // No USB printer: the link opens COM1:, as every command does then.
    FakeDevice& OpenOverCom() {
        FakeDevice& com = fake.AddDevice("COM1:", true);
        EXPECT_EQ(link.OpenPrinterLink(), 0);
        EXPECT_TRUE(link.ComOpened());
        fake.calls.clear();
        return com;
    }

    FakeDevice& OpenOverUsb() {
        FakeDevice& usb = fake.AddUsbPrinter(kUsbPath);
        EXPECT_EQ(link.OpenPrinterLink(), 0);
        EXPECT_EQ(link.ActiveLink(), fake.HandleOf(kUsbPath));
        fake.calls.clear();
        return usb;
    }

    // Keeps what the printer hears, so a test can tell a completed write from an abandoned one.
    void ListenTo(FakeDevice& device) {
        device.onWrite = [this](const Bytes& bytes) { heard.push_back(bytes); };
    }

    FakePlatform fake;
    ScopedPlatform installed{&fake};
    RecordingSink sink;
    ScopedMessageSink messages{&sink};
    PrinterLink link;
    std::vector<Bytes> heard;
};

}  // namespace tq::test
