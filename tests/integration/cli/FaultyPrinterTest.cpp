// tq9000ctl against a simulated printer that misbehaves on the real line: late, noisy or surplus
// replies are read failures with the usual messages, never values. (That a late reply never
// answers a later query of the same run is shown on the fake platform, whose clock a loaded machine
// cannot skew; here, that it never answers the next run's.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/integration/cli/MessageStacks.h"
#include "tests/integration/cli/RunProcess.h"

namespace tq::test {
namespace {

using Args = std::vector<std::string>;

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
         kReadTimeout + kReadFailure},
        {"a reply too late for its read",
         {"--delay-ms", "300"},
         {"get", "88"},
         kReadTimeout + kReadFailure},
        {"a second status byte",
         {"--extra-bytes", "03"},
         {"status"},
         "tq9000_config_app: read error\n"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = RunAgainstSim(c.sim, c.ctl);
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.err, kComNotice + c.err) << c.what;
    }
}

// Two runs, one straight after the other, against a printer that answers 350 ms late: the first
// run's reply comes after its read has failed, when the second run could already be waiting for
// its own. A run ends only once such a reply has been dropped, so the second run reports its own
// failure and never shows feature 88's value (30) as feature 76's.
TEST(FaultyPrinterTest, AReplyTooLateForOneRunNeverAnswersTheNext) {
    const ProcessResult r = RunScriptAgainstSim(
        {"--delay-ms", "350"}, "\"$@\" get 88; echo \"exit $?\"; \"$@\" get 76; echo \"exit $?\"");
    EXPECT_EQ(r.out, "\nexit 1\n\nexit 1\n");  // a get that fails prints the field as it stood
    const std::string failure = kComNotice + kReadTimeout + kReadFailure;
    EXPECT_EQ(r.err, failure + failure);
}

// The printer goes away after 20 bytes: five queries of three bytes and their one-byte replies. The
// sixth query's read fails, and Read All stops there instead of failing once per feature left:
// nothing more is sent or shown. (Which read message comes first depends on whether the read was
// pending when the line went: under Wine it is.)
TEST(FaultyPrinterTest, AnUnpluggedPrinterEndsReadAllAfterOneFailure) {
    const ProcessResult r = RunAgainstSim({"--hang-up-after", "20"}, {"read-all"});
    EXPECT_EQ(r.status, 1);
    std::size_t readErrors = 0;
    for (std::size_t at = 0; (at = r.err.find("read error", at)) != std::string::npos; ++at) {
        ++readErrors;
    }
    EXPECT_EQ(readErrors, 1u) << r.err;
    const std::string& last = kReadAllCutShort;
    EXPECT_TRUE(r.err.size() >= last.size() &&
                r.err.compare(r.err.size() - last.size(), last.size(), last) == 0)
        << r.err;
}

}  // namespace
}  // namespace tq::test
