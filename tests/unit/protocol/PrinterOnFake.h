// Test support: the simulated printer on the fake platform's COM1: (no USB printer present), with
// every message box recorded, and the boxes written as "CAPTION: TEXT" lines so that a test can
// compare their order in one assertion.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "sim/PrinterModel.h"
#include "tests/fake/FakeHost.h"
#include "tests/fake/FakePlatform.h"

namespace tq::test {

using Bytes = std::vector<BYTE>;

class PrinterOnFake {
public:
    PrinterOnFake() : com(platform.AddDevice("COM1:", true)) {
        sim::AttachToFakeDevice(printer, com);
    }

    std::vector<std::string> Boxes() const {
        std::vector<std::string> lines;
        for (const MessageBoxEvent& box : sink.boxes) {
            lines.push_back(box.caption + ": " + box.text);
        }
        return lines;
    }

    // How often exactly this call, arguments included, was made.
    int CallsOf(const std::string& call) const {
        return static_cast<int>(std::count(platform.calls.begin(), platform.calls.end(), call));
    }

    FakePlatform platform;
    ScopedPlatform installed{&platform};
    RecordingSink sink;
    ScopedMessageSink sinkInstalled{&sink};
    FakeDevice& com;
    sim::PrinterModel printer;
    PrinterLink link;
};

inline std::string Afx(const std::string& text) {
    return std::string(kAppTitle) + ": " + text;
}

}  // namespace tq::test
