#include "tests/window/form/PrinterRig.h"

#include <algorithm>
#include <string>
#include <vector>

#include "link/PrinterLink.h"
#include "sim/PrinterModel.h"
#include "tests/fake/FakeHost.h"
#include "tests/fake/FakePlatform.h"

namespace tq::test {

namespace {
const char* const kUsbPath = "/dev/usb/lp0";
const std::vector<BYTE> kTestText = {0x74, 0x65, 0x73, 0x74, 0x69, 0x6E, 0x67, 0x0A, 0x0A};
}  // namespace

struct PrinterRig::Impl {
    Impl() : com(platform.AddDevice("COM1:", true)) { sim::AttachToFakeDevice(printer, com); }

    FakePlatform platform;
    ScopedPlatform installed{&platform};
    sim::PrinterModel printer;
    FakeDevice& com;
};

PrinterRig::PrinterRig() : impl_(std::make_unique<Impl>()) {}
PrinterRig::~PrinterRig() = default;

void PrinterRig::PlugInUsb() {
    sim::AttachToFakeDevice(impl_->printer, impl_->platform.AddDevice(kUsbPath));
    FakeUsbInterface usb;
    usb.devicePath = kUsbPath;
    impl_->platform.usbInterfaces.push_back(usb);
}

void PrinterRig::UnplugUsb() {
    impl_->platform.usbInterfaces.clear();
    if (FakeDevice* usb = impl_->platform.Device(kUsbPath)) {
        usb->unplugged = true;
    }
}

void PrinterRig::RemoveCom() {
    impl_->platform.openFailures["COM1:"] = ERROR_FILE_NOT_FOUND;
}

int PrinterRig::Feature(int id) const {
    return impl_->printer.Feature(static_cast<std::uint8_t>(id));
}

void PrinterRig::SetFeature(int id, int value) {
    impl_->printer.SetFeature(static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(value));
}

int PrinterRig::TestPrints() const {
    const std::vector<BYTE>& log = impl_->printer.PrintLog();
    int count = 0;
    for (auto at = log.begin();
         (at = std::search(at, log.end(), kTestText.begin(), kTestText.end())) != log.end();
         at += static_cast<std::ptrdiff_t>(kTestText.size())) {
        ++count;
    }
    return count;
}

bool PrinterRig::DeviceOnline(const PrinterLink& link) const {
    return link.CurrentDeviceState() == DeviceState::Online;
}
bool PrinterRig::ActiveLinkIsCom(const PrinterLink& link) const {
    return link.ActiveLink() != INVALID_HANDLE_VALUE &&
           link.ActiveLink() == impl_->platform.HandleOf("COM1:");
}
bool PrinterRig::ActiveLinkIsUsb(const PrinterLink& link) const {
    return link.ActiveLink() != INVALID_HANDLE_VALUE &&
           link.ActiveLink() == impl_->platform.HandleOf(kUsbPath);
}
bool PrinterRig::ComOpen() const {
    return impl_->com.open;
}
bool PrinterRig::UsbOpen() const {
    const FakeDevice* usb = impl_->platform.Device(kUsbPath);
    return usb != nullptr && usb->open;
}

}  // namespace tq::test
