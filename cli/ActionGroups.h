// Every group of tq9000ctl's actions, registered in the order the usage text lists them.
#pragma once

#include "cli/Actions.h"

namespace tq::cli {

void RegisterQueryActions(ActionRegistry& registry);  // get, status, enquire
// read-all, write-all, set, show, save, load, diff
void RegisterFormActions(ActionRegistry& registry);
void RegisterDeviceActions(ActionRegistry& registry);  // list

void RegisterAllActions(ActionRegistry& registry);

}  // namespace tq::cli
