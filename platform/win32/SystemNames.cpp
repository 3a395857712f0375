// On Windows COM1: is the system's own port, and a USB printer's device path is too long for an
// example: its serial number stands for it.
#include "platform/SystemNames.h"

namespace tq {

const SystemNames& ThisSystemsNames() {
    static constexpr SystemNames names{"COM1:", "COM3", "A1234", "/?"};
    return names;
}

}  // namespace tq
