#include "cli/MonitoringCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace tq::cli {
namespace {

Failure FailureOf(FailedStep step, FailureCause cause) {
    Failure failure;
    failure.step = step;
    failure.cause = cause;
    failure.link = LinkKind::Com;
    return failure;
}

// What the monitoring system is told, by what the look found. A port another program holds says
// nothing of the printer (UNKNOWN: try again); a printer absent or silent is CRITICAL.
TEST(MonitoringCheckTest, TheStateAndLineFollowTheFacts) {
    struct Case {
        const char* what;
        CheckFacts facts;
        CheckState state;
        std::string line;
    };
    const auto facts = [](std::optional<Failure> failure, std::optional<std::uint8_t> status,
                          std::optional<std::string> profile = {},
                          std::vector<std::string> drifted = {}) {
        return CheckFacts{"COM1:", failure, status, 0x00, profile, drifted, 0.25};
    };
    const Case cases[] = {
        {"healthy", facts({}, 0x00), CheckState::Ok,
         "TQ9000 OK - status 00 on COM1: | time=0.250s;;;0 status=0;;;0;255\n"},
        {"status not the expected one", facts({}, 0x24), CheckState::Warning,
         "TQ9000 WARNING - status 24 on COM1:, expected 00 | time=0.250s;;;0 status=36;;;0;255\n"},
        {"as the profile", facts({}, 0x00, "site.json"), CheckState::Ok,
         "TQ9000 OK - status 00 on COM1:; configuration as in site.json | time=0.250s;;;0 "
         "status=0;;;0;255 drift=0;;;0;13\n"},
        {"drifted", facts({}, 0x00, "site.json", {"ClampDelay", "LinesToSkip"}),
         CheckState::Warning,
         "TQ9000 WARNING - status 00 on COM1:; differs from site.json in ClampDelay, LinesToSkip "
         "| time=0.250s;;;0 status=0;;;0;255 drift=2;;;0;13\n"},
        {"busy", facts(FailureOf(FailedStep::Open, FailureCause::Busy), {}, "site.json"),
         CheckState::Unknown,
         "TQ9000 UNKNOWN - COM1: is busy: another program holds it; try again | "
         "time=0.250s;;;0\n"},
        {"absent", facts(FailureOf(FailedStep::Open, FailureCause::Absent), {}),
         CheckState::Critical, "TQ9000 CRITICAL - COM1: is not there | time=0.250s;;;0\n"},
        {"silent", facts(FailureOf(FailedStep::Read, FailureCause::TimedOut), {}),
         CheckState::Critical,
         "TQ9000 CRITICAL - the printer on COM1: does not answer | time=0.250s;;;0\n"},
        {"unplugged", facts(FailureOf(FailedStep::Write, FailureCause::DeviceGone), {}),
         CheckState::Critical,
         "TQ9000 CRITICAL - the printer on COM1: went away during the check | time=0.250s;;;0\n"},
    };
    for (const Case& c : cases) {
        const CheckOutcome outcome = JudgeCheck(c.facts);
        EXPECT_EQ(outcome.state, c.state) << c.what;
        EXPECT_EQ(outcome.line, c.line) << c.what;
    }
}

TEST(MonitoringCheckTest, AStatusByteIsOneOrTwoHexDigits) {
    EXPECT_EQ(ParseStatusByte("00"), 0x00);
    EXPECT_EQ(ParseStatusByte("0x2A"), 0x2A);
    EXPECT_EQ(ParseStatusByte("f"), 0x0F);
    for (const char* bad : {"", "0x", "100", "zz", "-1", " 1"}) {
        EXPECT_FALSE(ParseStatusByte(bad)) << bad;
    }
}

}  // namespace
}  // namespace tq::cli
