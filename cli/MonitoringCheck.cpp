#include "cli/MonitoringCheck.h"

#include <cstdio>
#include <string_view>

#include "cli/ConsoleText.h"
#include "protocol/FeatureMap.h"

namespace tq::cli {

namespace {

const char* const kStateNames[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};

std::string Hex(std::uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", static_cast<unsigned>(byte));
    return text;
}

std::string Decimal(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A port that another program holds, or that the system will not let this user open, says nothing
// about the printer behind it: the check cannot tell, and a later one may.
bool LeavesPrinterUnknown(const Failure& failure) {
    return failure.step == FailedStep::Open &&
           (failure.cause == FailureCause::Busy || failure.cause == FailureCause::Permission);
}

std::string ErrorOf(const Failure& failure) {
    return failure.osError != 0 ? " (error " + std::to_string(failure.osError) + ")" : "";
}

std::string OpenFailureWords(const Failure& failure, const std::string& printer) {
    switch (failure.cause) {
        case FailureCause::Busy:
            return printer + " is busy: another program holds it; try again";
        case FailureCause::Permission:
            return "access to " + printer + " was refused" + ErrorOf(failure);
        case FailureCause::Absent:
            return printer + " is not there";
        case FailureCause::NoDevice:
            return printer + " is not there: no device behind its name";
        default:
            return printer + " cannot be opened" + ErrorOf(failure);
    }
}

std::string FailureWords(const Failure& failure, const std::string& printer) {
    const std::string on = "the printer on " + printer;
    switch (failure.step) {
        case FailedStep::Open:
            return OpenFailureWords(failure, printer);
        case FailedStep::Setup:
            return printer + " cannot be set up" + ErrorOf(failure);
        default:
            break;
    }
    switch (failure.cause) {
        case FailureCause::TimedOut:
            return on + " does not answer";
        case FailureCause::DeviceGone:
            return on + " went away during the check";
        case FailureCause::WrongReply:
            return on + " answered out of form";
        default:
            return (failure.step == FailedStep::Write ? "a write to " : "a read from ") + on +
                   " failed" + ErrorOf(failure);
    }
}

// Whether the comparison with the profile is a fact: a profile was given and the configuration
// was read.
bool DriftKnown(const CheckFacts& facts) {
    return facts.profile && !facts.failure;
}

// 'label'=value[unit];warn;crit;min;max, as the convention has it.
std::string PerformanceData(const CheckFacts& facts) {
    std::string data = "time=" + Decimal(facts.seconds, "%.3f") + "s;;;0";
    if (facts.status) {
        data += " status=" + std::to_string(*facts.status) + ";;;0;255";
    }
    if (DriftKnown(facts)) {
        data += " drift=" + std::to_string(facts.drifted.size()) + ";;;0;13";
    }
    return data;
}

CheckOutcome Judged(const CheckFacts& facts) {
    if (facts.failure) {
        return {LeavesPrinterUnknown(*facts.failure) ? CheckState::Unknown : CheckState::Critical,
                FailureWords(*facts.failure, facts.printer)};
    }
    std::string words = "status " + Hex(facts.status.value_or(0)) + " on " + facts.printer;
    CheckState state = CheckState::Ok;
    if (facts.status != facts.expectedStatus) {
        words += ", expected " + Hex(facts.expectedStatus);
        state = CheckState::Warning;
    }
    if (facts.profile && !facts.drifted.empty()) {
        words += "; differs from " + *facts.profile + " in " + Joined(facts.drifted);
        state = CheckState::Warning;
    } else if (facts.profile) {
        words += "; configuration as in " + *facts.profile;
    }
    return {state, words};
}

// A label's value in the text format: backslash, double quote and newline escaped.
std::string LabelValue(const std::string& value) {
    std::string escaped;
    for (const char c : value) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string Gauge(const char* name, const char* help, const std::string& labels,
                  const std::string& value) {
    return std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n" + name +
           labels + " " + value + "\n";
}

}  // namespace

CheckOutcome JudgeCheck(const CheckFacts& facts) {
    const CheckOutcome judged = Judged(facts);
    return {judged.state, std::string("TQ9000 ") + kStateNames[static_cast<int>(judged.state)] +
                              " - " + EscapeNameForTerminal(judged.line) + " | " +
                              PerformanceData(facts) + "\n"};
}

std::string UnknownCheckLine(const std::string& why) {
    return "TQ9000 UNKNOWN - " + EscapeNameForTerminal(why) + "\n";
}

std::string FormatCheckMetrics(const CheckFacts& facts, CheckState state) {
    const std::string labels = "{printer=\"" + LabelValue(facts.printer) + "\"}";
    std::string text;
    if (state != CheckState::Unknown) {
        text += Gauge("tq9000_up", "Whether the printer answered the check (1) or not (0).", labels,
                      facts.failure ? "0" : "1");
    }
    if (facts.status) {
        text += Gauge("tq9000_status_byte", "The status byte the printer gave.", labels,
                      std::to_string(*facts.status));
    }
    if (DriftKnown(facts)) {
        text += Gauge("tq9000_profile_drift_fields", "Fields that differ from the profile.", labels,
                      std::to_string(facts.drifted.size()));
    }
    text += Gauge("tq9000_check_duration_seconds", "How long the check took.", labels,
                  Decimal(facts.seconds, "%.6f"));
    return text + "# EOF\n";
}

bool NamesMonitoringCheck(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "check") {
            return true;
        }
    }
    return false;
}

int ReportCheckUsageError(const std::string& error, std::ostream& out, std::ostream& err) {
    WriteProgramLine(err, error);
    WriteWhole(out, UnknownCheckLine("usage: " + error));
    return static_cast<int>(CheckState::Unknown);
}

std::optional<std::uint8_t> ParseStatusByte(const std::string& text) {
    const std::string_view digits =
        std::string_view(text).substr(text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0 ? 2 : 0);
    if (digits.empty() || digits.size() > 2 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
        return std::nullopt;
    }
    return ReadHexByte(digits);
}

}  // namespace tq::cli
