#include "tests/fake/FakeHost.h"

#include <utility>

namespace tq::sim {

void AttachToFakeDevice(PrinterModel& model, FakeDevice& device) {
    device.onWrite = [&model, &device](const std::vector<BYTE>& bytes) {
        for (auto& chunk : model.Receive(bytes)) {
            device.QueueReply(std::move(chunk), model.faults.delayMs);
        }
    };
}

}  // namespace tq::sim
