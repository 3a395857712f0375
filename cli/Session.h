// One run of tq9000ctl: the run's options are put into effect (the printer to use, the trace),
// the headless form comes up as the main form does, then the parsed actions run against it in
// order, every message box printed as it is shown. The form comes up just before the first action
// that needs it, so a run of `list` alone opens nothing. An action that reported a failure (a box
// that ReportsFailure, or a failure of its own) is the last to run: the run ends before a later
// action can send anything, and says on standard error which actions it left. A `diff` that found
// a difference ends the run in the same way: what follows it was meant for a printer that matches
// the profile.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/Actions.h"
#include "cli/LineTrace.h"

namespace tq::cli {

// Exit status: 1 when a box or a handler reported a failure or standard output could not be
// written (said on `err`, and the run ends after that action like any failure), else 3 when a
// `diff` found a difference, else 0. Each action is announced to `trace` when there is one.
inline constexpr int kExitDifference = 3;
int RunSession(const std::vector<ParsedAction>& actions, std::ostream& out, std::ostream& err,
               PrinterLink& link, LineTrace* trace = nullptr);

// The whole run of a parsed command line: 2, with the reason on `err`, when a trace file cannot
// be written or is a file that an action reads or writes, or the port or printer the options name
// is not there (nothing has been opened or sent then);
// otherwise RunSession's status.
int RunCommandLine(const CommandLine& line, std::ostream& out, std::ostream& err);

// Prints `text` (the usage text, the version) on `out`: 0, or 1 with the reason on `err` when
// standard output could not be written.
int PrintText(const std::string& text, std::ostream& out, std::ostream& err);

}  // namespace tq::cli
