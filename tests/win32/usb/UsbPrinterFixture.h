// Test support for the suites on mock USB printers under Wine: a simulator behind a plugged-in mock
// printer, and the fixture the suites start from, which skips them where no simulator session can
// be had and otherwise clears what an earlier run left of their printers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/win32/form/PrinterSession.h"
#include "tests/win32/usb/MockUsbPrinter.h"

namespace tq::test {

// A simulator behind a mock USB printer, plugged in.
struct UsbPrinter {
    UsbPrinter(const UsbPrinterIdentity& identity, const std::vector<std::string>& simulatorOptions)
        : session(simulatorOptions, PrinterSession::Line::Own), usb(identity, session.LinePath()) {
        EXPECT_TRUE(session.Ready());
        EXPECT_TRUE(usb.Plug()) << usb.Error();
    }
    PrinterSession session;
    MockUsbPrinter usb;
};

class UsbPrinterFixture : public ::testing::Test {
protected:
    // The identities of the printers the suite plugs in.
    explicit UsbPrinterFixture(std::vector<UsbPrinterIdentity> printers)
        : printers_(std::move(printers)) {}

    void SetUp() override {
        const std::string unavailable = PrinterSessionsUnavailable();
        if (!unavailable.empty()) {
            GTEST_SKIP() << unavailable;
        }
        for (const UsbPrinterIdentity& printer : printers_) {
            MockUsbPrinter::RemoveKeys(printer);
        }
    }

private:
    std::vector<UsbPrinterIdentity> printers_;
};

}  // namespace tq::test
