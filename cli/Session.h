// One run of tq9000ctl: the headless form comes up as the main form does, then the parsed actions
// run against it in order, every message box printed as it is shown. An action that reported a
// failure (a box that ReportsFailure, or a failure of its own) is the last to run: the run ends
// before a later action can send anything, and says on standard error which actions it left. A
// `diff` that found a difference ends the run in the same way: what follows it was meant for a
// printer that matches the profile.
#pragma once

#include <ostream>
#include <vector>

#include "cli/Actions.h"

namespace tq::cli {

// Exit status: 1 when a box or a handler reported a failure, else 3 when a `diff` found a
// difference, else 0.
inline constexpr int kExitDifference = 3;
int RunSession(const std::vector<ParsedAction>& actions, std::ostream& out, std::ostream& err);

}  // namespace tq::cli
