#include "cli/ActionGroups.h"

namespace tq::cli {

void RegisterAllActions(ActionRegistry& registry) {
    RegisterQueryActions(registry);
    RegisterFormActions(registry);
    RegisterDeviceActions(registry);
    RegisterMonitoringActions(registry);
}

}  // namespace tq::cli
