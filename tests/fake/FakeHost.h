// Puts the simulated printer on a device of the fake platform, for unit tests: every write the host
// completes reaches the model, and each reply chunk is queued to be read as one chunk of its own,
// after the model's reply delay in fake time.
#pragma once

#include "sim/PrinterModel.h"
#include "tests/fake/FakePlatform.h"

namespace tq::sim {

// The model and the device must outlive the attachment (the device keeps a reference).
void AttachToFakeDevice(PrinterModel& model, FakeDevice& device);

}  // namespace tq::sim
