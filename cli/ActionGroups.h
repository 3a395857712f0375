// Every group of tq9000ctl's actions, registered in the order the usage text lists them.
#pragma once

#include "cli/Actions.h"

namespace tq::cli {

void RegisterQueryActions(ActionRegistry& registry);   // get, status
void RegisterFormActions(ActionRegistry& registry);    // read-all, write-all, set, show, save, load
void RegisterDeviceActions(ActionRegistry& registry);  // list

void RegisterAllActions(ActionRegistry& registry);

}  // namespace tq::cli
