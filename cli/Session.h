// One run of tq9000ctl: the headless form comes up as the main form does, then the parsed actions
// run against it in order, every message box printed as it is shown.
#pragma once

#include <ostream>
#include <vector>

#include "cli/Actions.h"

namespace tq::cli {

// Exit status: 1 when any box reported a failure or a handler reported one, else 0.
int RunSession(const std::vector<ParsedAction>& actions, std::ostream& out, std::ostream& err);

}  // namespace tq::cli
