#include "cli/ActionGroups.h"

namespace tq::cli {

void RegisterAllActions(ActionRegistry& registry) {
    RegisterQueryActions(registry);
    RegisterFormActions(registry);
    RegisterDeviceActions(registry);
}

}  // namespace tq::cli
