// tq9000ctl: the configuration form without a window, driven by actions on the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/ActionGroups.h"
#include "cli/ConsoleText.h"
#include "cli/MonitoringCheck.h"
#include "cli/Session.h"
#include "platform/CrashGuard.h"
#include "platform/ProcessSignals.h"
#include "platform/StandardDescriptors.h"

int main(int argc, char** argv) {
    if (!tq::OpenClosedStandardDescriptors()) {
        return 1;
    }
    tq::TakeChargeOfSignals();
    tq::InstallCrashGuard("tq9000ctl");
    tq::cli::ActionRegistry registry;
    tq::cli::RegisterAllActions(registry);
    std::string error;
    const auto line =
        tq::cli::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), registry, error);
    if (!line) {
        if (tq::cli::NamesMonitoringCheck(argc, argv)) {
            return tq::cli::ReportCheckUsageError(error, std::cout, std::cerr);
        }
        tq::cli::WriteWhole(std::cerr, tq::cli::UsageErrorText(error));
        return 2;
    }
    if (line->help || line->version) {
        const std::string text = line->help ? tq::cli::UsageText(registry) : tq::cli::VersionText();
        return tq::cli::PrintText(text, std::cout, std::cerr);
    }
    return tq::cli::RunCommandLine(*line, std::cout, std::cerr);
}
