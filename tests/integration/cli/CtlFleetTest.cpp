// tq9000ctl's --port and --trace end to end against tq9000-sim on a pseudo-terminal, natively and
// under Wine (RunProcess.h). A port or trace file that cannot be used is refused before anything is
// sent, which the simulator's print log shows.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "tests/integration/cli/RunProcess.h"
#include "tests/integration/cli/SuiteSupport.h"

namespace tq::test {
namespace {

using Args = std::vector<std::string>;

// Each line of `text` matches its pattern, in order, and there are no more lines.
void ExpectLines(const std::string& text, const std::vector<std::string>& patterns) {
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), patterns.size()) << text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(patterns[i])))
            << "line " << i + 1 << ": " << lines[i] << "\n  expected: " << patterns[i];
    }
}

// The simulator names its terminal in TQ9000_COM1; the run points the variable at nothing and
// passes the terminal with --port instead, so only --port can reach the printer.
TEST(CtlFleetTest, PortTakesThePlaceOfTheEnvironment) {
    TQ_SKIP_UNDER_WINE("TQ9000_COM1 and a Linux device path for --port");
    const std::pair<std::string, int> cases[] = {
        {"--port \"$p\" get 88", 0},
        {"get 88", 1},
    };
    for (const auto& [args, status] : cases) {
        const std::string script =
            "p=$TQ9000_COM1; TQ9000_COM1=/dev/tq9000-none exec \"$0\" " + args;
        const ProcessResult r =
            RunProcess({TQ9000_SIM, "--set", "88=0x5a", "--", "/bin/sh", "-c", script, TQ9000_CTL});
        EXPECT_EQ(r.status, status) << args << ": " << r.err;
        EXPECT_EQ(r.out, status == 0 ? "5A\n" : "\n") << args;
    }
}

// The start-up notice says where the commands go when nothing chose it: --quiet leaves it out, and
// after --no-usb or --port nothing was assumed. A failure is printed all the same.
TEST(CtlFleetTest, TheStartUpNoticeOnlyWhenThePortWasAssumed) {
    const std::string notice = "BRENLOW: Usb offline, assuming COM1:\n";
    const std::pair<Args, std::string> cases[] = {
        {{"get", "88"}, notice},
        {{"--quiet", "get", "88"}, ""},
        {{"--no-usb", "get", "88"}, ""},
        {{"--quiet", "get", "47"}, "tq9000_config_app: Enter a value between 30H and 6FH\n"},
    };
    for (const auto& [args, err] : cases) {
        const ProcessResult r = RunAgainstSim({}, args);
        EXPECT_EQ(r.err, err) << args[0];
    }
    if (!UnderWine()) {
        const ProcessResult r =
            RunProcess({TQ9000_SIM, "--", "/bin/sh", "-c",
                        "exec \"$0\" --port \"$TQ9000_COM1\" get 88", TQ9000_CTL});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
}

// The reason is the system's own: on Windows in its words (FormatMessage), not the C library's.
TEST(CtlFleetTest, APortOrTraceFileThatCannotBeUsedSendsNothing) {
    const std::pair<Args, std::string> cases[] = {
        {{"--port", "/dev/tq9000-none", "status"},
         "^tq9000ctl: --port /dev/tq9000-none: no such device; serial ports attached: .*\n$"},
        {{"--trace=/tq9000-none/trace.log", "status"},
         "^tq9000ctl: --trace=/tq9000-none/trace.log: cannot be written: " +
             std::string(UnderWine() ? "(?!No such file)[^\n]+" : "No such file or directory") +
             "\n$"},
    };
    for (const auto& [args, message] : cases) {
        const std::string log = TempPath("printlog");
        const ProcessResult r = RunAgainstSim({"--print-log", log}, args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_TRUE(std::regex_match(r.err, std::regex(message))) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(ReadFile(log), "");
        std::remove(log.c_str());
    }
}

const std::string kTime = R"( +[0-9]+\.[0-9] ms  )";

// The link line names the device behind COM1:: the simulator's terminal, from TQ9000_COM1; under
// Wine the prefix's own device for COM1.
std::string ComLinkLine() {
    return UnderWine() ? R"(# link COM1: \(.+\))"
                       : R"(# link COM1: \(/dev/pts/[0-9]+, from TQ9000_COM1\))";
}

TEST(CtlFleetTest, TraceFileRecordsEveryFrameTimedAndDecoded) {
    const std::string trace = TempPath("trace");
    const ProcessResult r = RunAgainstSim({"--text", "0x31=hi", "--status", "0x41"},
                                          {"--trace=" + trace, "get", "49", "status"});
    EXPECT_EQ(r.status, 0) << r.err;
    ExpectLines(ReadProgramFile(trace),
                {"# tq9000ctl trace, format 1", "# action get 49", ComLinkLine(),
                 kTime + R"(send  query 49 \| 1B 3F 31)",
                 kTime + R"(recv  reply 49 lead 3 bytes, text "hi", ETX \| .. .. .. 68 69 03)",
                 "# action status", ComLinkLine(),
                 kTime + R"(send  text "testing\\x0A\\x0A" \| 74 65 73 74 69 6E 67 0A 0A)",
                 kTime + R"(send  status enquiry \(ENQ\) \| 05)",
                 kTime + R"(recv  status byte 0x41 \| 41)"});
    std::remove(trace.c_str());
}

// On standard error the trace comes in order with the message boxes, so a failure is seen right
// after the exchange that caused it.
TEST(CtlFleetTest, TraceOnStandardErrorInterleavesWithTheBoxes) {
    const ProcessResult r = RunAgainstSim({"--extra-bytes", "aa03"}, {"--trace", "get", "88"});
    EXPECT_EQ(r.status, 1);
    ExpectLines(
        r.err,
        {"# tq9000ctl trace, format 1", "BRENLOW: Usb offline, assuming COM1:", "# action get 88",
         ComLinkLine(), kTime + R"(send  query 88 PrinterOptions \| 1B 3F 58)",
         kTime + R"(recv  reply 88 PrinterOptions 0x30, surplus "\\xAA\\x03" \| 30 AA 03)",
         "tq9000_config_app: read error", "tq9000_config_app: fatal error"});
}

}  // namespace
}  // namespace tq::test
