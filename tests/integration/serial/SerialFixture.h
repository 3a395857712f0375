// The fixture of the COM1: tests: a pseudo-terminal whose slave side TQ9000_COM1 names, so that
// the real POSIX platform opens it as COM1:, and whose master side the test plays the printer on.
// Every box the link shows is recorded.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "platform/Platform.h"
#include "tests/integration/support/PtyPeer.h"

namespace tq::test {

inline HANDLE OpenCom1(DWORD share = 0) {
    return os::CreateFileA("COM1:", GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
}

// Whether this machine has a USB printer attached; the link would then use it, not COM1:.
inline bool UsbPrinterAttached() {
    HDEVINFO list = os::SetupDiGetClassDevsA(&GUID_DEVINTERFACE_USBPRINT, nullptr, nullptr,
                                             DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE)
        return false;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    const bool attached =
        os::SetupDiEnumDeviceInterfaces(list, nullptr, &GUID_DEVINTERFACE_USBPRINT, 0, &data) != 0;
    os::SetupDiDestroyDeviceInfoList(list);
    return attached;
}

class SerialFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(printer.Ok()) << "no pseudo-terminal available";
        ::setenv("TQ9000_COM1", printer.SlavePath().c_str(), 1);
        if (UsbPrinterAttached()) {
            GTEST_SKIP() << "a USB printer is attached; the link would use it instead of COM1:";
        }
    }

    void TearDown() override {
        if (link.ComOpened())
            link.ClosePrinterLink();
        ::unsetenv("TQ9000_COM1");
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const MessageBoxEvent& box : sink.boxes) texts.push_back(box.text);
        return texts;
    }

    PtyPeer printer;
    RecordingSink sink;
    ScopedMessageSink scopedSink{&sink};
    PrinterLink link;
};

}  // namespace tq::test
