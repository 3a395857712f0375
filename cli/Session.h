// One run of tq9000ctl: the headless form comes up as the main form does, then the parsed actions
// run against it in order, every message box printed as it is shown. An action that reported a
// failure (a box that ReportsFailure, or a failure of its own) is the last to run: the run ends
// before a later action can send anything, and says on standard error which actions it left.
#pragma once

#include <ostream>
#include <vector>

#include "cli/Actions.h"

namespace tq::cli {

// Exit status: 1 when a box or a handler reported a failure, else 0.
int RunSession(const std::vector<ParsedAction>& actions, std::ostream& out, std::ostream& err);

}  // namespace tq::cli
