#include "platform/SystemNames.h"

namespace tq {

const SystemNames& ThisSystemsNames() {
    static constexpr SystemNames names{"COM1: (/dev/ttyS0 or TQ9000_COM1)", "/dev/ttyUSB0",
                                       "/dev/usb/lp1", nullptr};
    return names;
}

}  // namespace tq
