// `check`: one look at the printer for a monitoring system, which prints nothing on paper. The
// status enquiry alone, and with --profile a Read All compared with the profile; one line and an
// exit status in the convention of monitoring plugins (MonitoringCheck.h), and with --openmetrics
// the same facts as metrics in a file that is replaced whole, never seen half-written.
#include <chrono>

#include "cli/ActionGroups.h"
#include "cli/ConsoleSink.h"
#include "cli/ConsoleText.h"
#include "cli/MonitoringCheck.h"
#include "cli/Profile.h"
#include "cli/ProfileDiff.h"
#include "cli/ReadSource.h"
#include "commands/Commands.h"
#include "platform/SafeFiles.h"

namespace tq::cli {

namespace {

// The printer as the line and the metrics name it: the USB printer the run was told to use, or
// the one it found (by its serial number when it has one), else COM1:.
std::string PrinterName(const PrinterLink& link) {
    if (link.Selection().choice == PrinterChoice::NamedUsbOnly) {
        return link.Selection().usbSelector;
    }
    const PrinterSource source = SourceOfLinkJustUsed(link);
    if (source.link != "usb") {
        return kPrinterPortName;
    }
    return source.serial.empty() ? source.device : source.serial;
}

// Read All, and the names of the fields that differ from the profile's settings.
void CompareWithTheProfile(ActionContext& context, const std::vector<FormSetting>& settings,
                           CheckFacts& facts) {
    FeatureSet filled;
    facts.failure = ReadAllFeatures(context.form, context.link, filled).failure;
    if (facts.failure) {
        return;
    }
    context.configuration.TakeFromForm(context.form, filled);
    for (const FieldDifference& difference : CompareWithProfile(context.configuration, settings)) {
        facts.drifted.push_back(difference.name);
    }
}

void EndCheck(ActionContext& context, CheckState state, const std::string& line) {
    WriteWhole(context.out, line);
    context.exitStatus =
        context.out ? static_cast<int>(state) : static_cast<int>(CheckState::Unknown);
}

// Standard output carries the one line alone: the boxes, the status byte's among them, go to
// standard error.
void RunCheck(ActionContext& context, const ParsedAction& action) {
    const auto start = std::chrono::steady_clock::now();
    ConsoleSink boxes(context.out, context.err, {context.showNotices, false});
    ScopedMessageSink installed(&boxes);
    CheckFacts facts;
    facts.expectedStatus = *ParseStatusByte(action.ValueOf("--status-ok").value_or("00"));
    if (const std::optional<std::string> profile = action.ValueOf("--profile")) {
        const ProfileResult read = ReadProfile(*profile, context.in);
        if (!read.error.empty()) {
            return EndCheck(context, CheckState::Unknown, UnknownCheckLine(read.error));
        }
        facts.profile = *profile;
        CompareWithTheProfile(context, read.settings, facts);
    }
    if (!facts.failure) {
        const StatusResult status = EnquireStatus(context.form, context.link);
        facts.failure = status.failure;
        facts.status = status.status;
    }
    facts.printer = PrinterName(context.link);
    facts.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const CheckOutcome outcome = JudgeCheck(facts);
    if (const std::optional<std::string> metrics = action.ValueOf("--openmetrics")) {
        const std::string error =
            ReplaceRegularFile(*metrics, FormatCheckMetrics(facts, outcome.state));
        if (!error.empty()) {
            return EndCheck(context, CheckState::Unknown,
                            UnknownCheckLine(*metrics + ": " + error));
        }
    }
    EndCheck(context, outcome.state, outcome.line);
}

// Checked while the command line is parsed, so that a wrong byte is a usage error.
std::string CheckCheck(const ParsedAction& action) {
    const std::optional<std::string> status = action.ValueOf("--status-ok");
    if (status && !ParseStatusByte(*status)) {
        return "check --status-ok takes a byte in hexadecimal (00 to ff), not " +
               EscapeNameForTerminal(*status);
    }
    return {};
}

}  // namespace

void RegisterMonitoringActions(ActionRegistry& registry) {
    ActionSpec check{"check",
                     {},
                     {},
                     "for monitoring, exit 0-3",
                     RunCheck,
                     CheckCheck,
                     "check --profile site.json"};
    check.valueFlags = {{"--profile", "FILE"}, {"--status-ok", "HEX"}, {"--openmetrics", "FILE"}};
    check.alone = true;
    check.fileArguments = {};
    registry.Add(check);
}

}  // namespace tq::cli
