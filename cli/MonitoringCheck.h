// `tq9000ctl check` for monitoring systems: what one look at a printer found, judged in the
// Monitoring Plugins convention (one line, performance data after "|", the exit status 0 OK,
// 1 WARNING, 2 CRITICAL, 3 UNKNOWN), and the same facts as metrics in the text format that the
// Prometheus node exporter's textfile collector reads. The judgement goes by the failure values
// of the commands (Failure.h), never by a message's text: a printer that another program holds is
// UNKNOWN (try again), one that is not there or does not answer is CRITICAL. Pure: the action
// that gathers the facts is in MonitoringActions.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/Failure.h"

namespace tq::cli {

enum class CheckState { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

struct CheckFacts {
    std::string printer;                 // how the line and the metrics name it: COM1:, a path
    std::optional<Failure> failure;      // the first failure of the check's commands
    std::optional<std::uint8_t> status;  // the status byte, when it was read
    std::uint8_t expectedStatus = 0;
    std::optional<std::string> profile;  // the profile compared with, when one was given
    std::vector<std::string> drifted;    // the fields that differ from it
    double seconds = 0;                  // how long the look took
};

struct CheckOutcome {
    CheckState state;
    std::string line;  // with its newline
};

CheckOutcome JudgeCheck(const CheckFacts& facts);

// "TQ9000 UNKNOWN - WHY\n": a check that could not look at the printer at all (a usage error, a
// profile that cannot be read).
std::string UnknownCheckLine(const std::string& why);

// The metrics of a check whose state is `state`, ending in "# EOF". A fact not known is left out:
// tq9000_up when the check could not tell (UNKNOWN), the status byte when none was read, the drift
// when no profile was given or the configuration could not be read.
std::string FormatCheckMetrics(const CheckFacts& facts, CheckState state);

// Whether the command line asks for `check`: a usage error in it is then UNKNOWN, in the
// convention the monitoring system reads, rather than tq9000ctl's usual exit status 2.
bool NamesMonitoringCheck(int argc, char** argv);
// "TQ9000 UNKNOWN - usage: ERROR" on `out`, the usual line on `err`; returns 3.
int ReportCheckUsageError(const std::string& error, std::ostream& out, std::ostream& err);

// The status byte expected, "00" to "ff" (with or without 0x); nothing for anything else.
std::optional<std::uint8_t> ParseStatusByte(const std::string& text);

}  // namespace tq::cli
