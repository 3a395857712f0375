// USB printer discovery through the real POSIX platform against umockdev: which usbmisc nodes
// count as printers, which one comes first, and the device-installation calls' contract (the
// two-call detail query, the record sizes, the two properties and their buffer sizes).
#include <cstddef>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/Errors.h"
#include "tests/integration/usb/UsbFixture.h"

namespace tq::test {
namespace {

class UsbDiscoveryTest : public UsbFixture {
protected:
    void TearDown() override {
        if (list != INVALID_HANDLE_VALUE)
            os::SetupDiDestroyDeviceInfoList(list);
        UsbFixture::TearDown();
    }

    void OpenList() {
        list = os::SetupDiGetClassDevsA(&GUID_DEVINTERFACE_USBPRINT, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        ASSERT_NE(list, INVALID_HANDLE_VALUE);
    }

    BOOL Enumerate(DWORD index) {
        interfaceData = SP_DEVICE_INTERFACE_DATA{};
        interfaceData.cbSize = sizeof interfaceData;
        return os::SetupDiEnumDeviceInterfaces(list, nullptr, &GUID_DEVINTERFACE_USBPRINT, index,
                                               &interfaceData);
    }

    HDEVINFO list = INVALID_HANDLE_VALUE;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
};

TEST_F(UsbDiscoveryTest, FindsThePrinterClassNodeAndOpensIt) {
    Plug("1-2", 0);
    EXPECT_EQ(link.FindUsbPrinter(), 1);
    EXPECT_STREQ(link.UsbDevicePath(), "/dev/usb/lp0");
    EXPECT_NE(link.UsbHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(link.PollUsbPrinter(), DeviceEvent::CameOnline);
}

TEST_F(UsbDiscoveryTest, HiddevNodeIsNotAPrinter) {
    PlugHidDevice("1-3");
    EXPECT_EQ(link.FindUsbPrinter(), 0);
    EXPECT_EQ(link.UsbHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(link.PollUsbPrinter(), DeviceEvent::WentOffline);
    Plug("1-2", 0);
    EXPECT_EQ(link.PollUsbPrinter(), DeviceEvent::CameOnline);
    EXPECT_STREQ(link.UsbDevicePath(), "/dev/usb/lp0");
}

// The first interface is the one examined, so the order must not follow the scan's whims: lp2
// comes before lp10, whichever was plugged first.
TEST_F(UsbDiscoveryTest, PrintersAreListedInNodeOrder) {
    Plug("1-4", 10);
    Plug("1-2", 2);
    EXPECT_EQ(link.FindUsbPrinter(), 1);
    EXPECT_STREQ(link.UsbDevicePath(), "/dev/usb/lp2");
}

TEST_F(UsbDiscoveryTest, DetailRecordFollowsTheTwoCallSizeProtocol) {
    Plug("1-2", 0);
    OpenList();
    ASSERT_TRUE(Enumerate(0));
    EXPECT_FALSE(Enumerate(1));
    EXPECT_EQ(os::GetLastError(), ERROR_NO_MORE_ITEMS);
    ASSERT_TRUE(Enumerate(0));

    DWORD required = 0;
    EXPECT_FALSE(
        os::SetupDiGetDeviceInterfaceDetailA(list, &interfaceData, nullptr, 0, &required, nullptr));
    EXPECT_EQ(os::GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    const DWORD expected =
        offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + sizeof "/dev/usb/lp0";
    ASSERT_EQ(required, expected);

    std::vector<std::byte> block(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    detail->cbSize = required;  // the whole block's size is a classic mistake: refused
    EXPECT_FALSE(os::SetupDiGetDeviceInterfaceDetailA(list, &interfaceData, detail, required,
                                                      nullptr, &device));
    EXPECT_EQ(os::GetLastError(), posix::ERROR_INVALID_USER_BUFFER);
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    EXPECT_FALSE(os::SetupDiGetDeviceInterfaceDetailA(list, &interfaceData, detail, required - 1,
                                                      nullptr, &device));
    EXPECT_EQ(os::GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_TRUE(os::SetupDiGetDeviceInterfaceDetailA(list, &interfaceData, detail, required,
                                                     nullptr, &device));
    EXPECT_STREQ(detail->DevicePath, "/dev/usb/lp0");
}

TEST_F(UsbDiscoveryTest, PropertiesAreTheInterfaceDriverAndItsPortPath) {
    Plug("1-2", 0);
    OpenList();
    ASSERT_TRUE(Enumerate(0));
    DWORD required = 0;
    os::SetupDiGetDeviceInterfaceDetailA(list, &interfaceData, nullptr, 0, &required, nullptr);
    std::vector<std::byte> block(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    ASSERT_TRUE(os::SetupDiGetDeviceInterfaceDetailA(list, &interfaceData, detail, required,
                                                     nullptr, &device));

    char text[64] = {};
    DWORD type = 0;
    ASSERT_TRUE(os::SetupDiGetDeviceRegistryPropertyA(
        list, &device, SPDRP_DRIVER, &type, reinterpret_cast<BYTE*>(text), sizeof text, nullptr));
    EXPECT_STREQ(text, "usblp");
    ASSERT_TRUE(os::SetupDiGetDeviceRegistryPropertyA(list, &device, SPDRP_LOCATION_INFORMATION,
                                                      &type, reinterpret_cast<BYTE*>(text),
                                                      sizeof text, nullptr));
    EXPECT_STREQ(text, "1-2:1.0");

    DWORD needed = 0;
    EXPECT_FALSE(os::SetupDiGetDeviceRegistryPropertyA(list, &device, SPDRP_LOCATION_INFORMATION,
                                                       &type, reinterpret_cast<BYTE*>(text), 7,
                                                       &needed));
    EXPECT_EQ(os::GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(needed, sizeof "1-2:1.0");
}

// An interface with no driver bound still has a node to open: it counts, with an empty driver.
TEST_F(UsbDiscoveryTest, InterfaceWithoutADriverStillCounts) {
    Plug("1-2", 0, nullptr);
    EXPECT_EQ(link.FindUsbPrinter(), 1);
    EXPECT_STREQ(link.UsbDevicePath(), "/dev/usb/lp0");
}

}  // namespace
}  // namespace tq::test
