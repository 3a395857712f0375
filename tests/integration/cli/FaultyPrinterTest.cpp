// tq9000ctl against a simulated printer that misbehaves on the real line: late, noisy or surplus
// replies are read failures with the usual messages, never values, and a reply is never taken for
// the answer to a later query.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/integration/cli/RunProcess.h"

namespace tq::test {
namespace {

using Args = std::vector<std::string>;

const std::string kNotice = "BRENLOW: Usb offline, assuming COM1:\n";
const std::string kReadFailure = "tq9000_config_app: read error\ntq9000_config_app: fatal error\n";
const std::string kTimeout = "tq9000_config_app: read timed out -9\n";

struct Case {
    const char* what;
    Args sim;
    Args ctl;
    std::string err;  // after the start-up notice
};

TEST(FaultyPrinterTest, WrongRepliesAreReadFailuresWithTheirMessages) {
    const Case cases[] = {
        {"a byte ahead of the value", {"--garbage", "aa"}, {"get", "86"}, kReadFailure},
        {"surplus ending in ETX", {"--extra-bytes", "aa03"}, {"get", "88"}, kReadFailure},
        {"surplus after a text",
         {"--extra-bytes", "0102", "--text", "0x31=AB"},
         {"get", "49"},
         kTimeout + kReadFailure},
        {"a reply too late for its read",
         {"--delay-ms", "120"},
         {"get", "88"},
         kTimeout + kReadFailure},
        {"a second status byte",
         {"--extra-bytes", "03"},
         {"status"},
         "tq9000_config_app: read error\n"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = RunAgainstSim(c.sim, c.ctl);
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.err, kNotice + c.err) << c.what;
    }
}

// The reply to 88 arrives after its read gave up; the next query must not take it for its own.
TEST(FaultyPrinterTest, ALateReplyIsNeverTheNextQuerysAnswer) {
    const ProcessResult r =
        RunAgainstSim({"--delay-ms", "120", "--set", "88=0x11", "--set", "102=0x22"},
                      {"get", "88", "get", "102"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find("11"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace tq::test
