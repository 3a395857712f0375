// Test support: the simulated printer behind the fake platform, on COM1: and, once plugged in, as a
// USB printer. Free of wx on purpose: the platform's Win32 names (TRUE, FALSE) and the GTK headers
// that wx brings in cannot meet in one file, so the window tests reach the fake through this.
#pragma once

#include <memory>

namespace tq {
class PrinterLink;
}

namespace tq::test {

class PrinterRig {
public:
    PrinterRig();  // the printer on COM1:, no USB printer
    ~PrinterRig();
    PrinterRig(const PrinterRig&) = delete;
    PrinterRig& operator=(const PrinterRig&) = delete;

    void PlugInUsb();  // discovery finds the printer on USB from now on
    void UnplugUsb();  // gone from discovery, and its open handle fails every request
    void RemoveCom();  // opening COM1: fails from now on

    int Feature(int id) const;
    void SetFeature(int id, int value);
    int TestPrints() const;  // how often the test text was printed

    bool DeviceOnline(const PrinterLink& link) const;
    bool ActiveLinkIsCom(const PrinterLink& link) const;
    bool ActiveLinkIsUsb(const PrinterLink& link) const;
    bool ComOpen() const;
    bool UsbOpen() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tq::test
