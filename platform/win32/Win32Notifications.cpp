// DeviceNotifications on Windows: the system sends WM_DEVICECHANGE to every top-level window by
// itself, so there is nothing to watch and nothing to drain.
#include "platform/DeviceNotifications.h"

namespace tq {

struct DeviceNotifications::Monitor {};

DeviceNotifications::DeviceNotifications() = default;
DeviceNotifications::~DeviceNotifications() = default;

int DeviceNotifications::Descriptor() const {
    return -1;
}

int DeviceNotifications::Drain() {
    return 0;
}

}  // namespace tq
