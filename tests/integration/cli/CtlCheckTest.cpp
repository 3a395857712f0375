// `tq9000ctl check` against tq9000-sim in each state a monitored printer can be in: the line and
// exit status the monitoring system reads, nothing printed on paper, and the metrics file read by
// the Prometheus client's own parsers, as the node exporter's textfile collector would read it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/integration/cli/RunProcess.h"

namespace tq::test {
namespace {

using Args = std::vector<std::string>;

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "tq9000ctl_check_" + name + "_" + std::to_string(getpid());
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The line up to its performance data, which holds the time the check took.
std::string Judgement(const std::string& out) {
    return out.substr(0, out.find(" | "));
}

TEST(CtlCheckTest, TheLineAndExitStatusFollowThePrintersState) {
    const std::string log = TempPath("log");
    struct Case {
        Args sim;
        Args check;
        int status;
        std::string judgement;
    };
    const Case cases[] = {
        {{}, {}, 0, "TQ9000 OK - status 00 on COM1:"},
        {{"--status", "0x24"}, {}, 1, "TQ9000 WARNING - status 24 on COM1:, expected 00"},
        {{"--status", "0x24"}, {"--status-ok", "24"}, 0, "TQ9000 OK - status 24 on COM1:"},
        {{"--silent"}, {}, 2, "TQ9000 CRITICAL - the printer on COM1: does not answer"},
    };
    for (const Case& c : cases) {
        Args sim = c.sim;
        sim.insert(sim.end(), {"--print-log", log});
        Args ctl = {"check"};
        ctl.insert(ctl.end(), c.check.begin(), c.check.end());
        const ProcessResult r = RunAgainstSim(sim, ctl);
        EXPECT_EQ(r.status, c.status) << c.judgement << "\n" << r.err;
        EXPECT_EQ(Judgement(ProgramText(r.out)), c.judgement);
        EXPECT_EQ(ReadFile(log), "") << "printed on paper: " << c.judgement;
    }
    std::remove(log.c_str());
}

TEST(CtlCheckTest, AProfileNamesTheFieldsThatDrifted) {
    const std::string profile = TempPath("profile.json");
    ASSERT_EQ(RunAgainstSim({"--set", "76=12"}, {"read-all", "save", profile}).status, 0);
    const ProcessResult same = RunAgainstSim({"--set", "76=12"}, {"check", "--profile", profile});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(Judgement(ProgramText(same.out)),
              "TQ9000 OK - status 00 on COM1:; configuration as in " + profile);
    const ProcessResult drifted =
        RunAgainstSim({"--set", "76=33", "--set", "88=0x11"}, {"check", "--profile=" + profile});
    EXPECT_EQ(drifted.status, 1) << drifted.err;
    EXPECT_EQ(Judgement(ProgramText(drifted.out)),
              "TQ9000 WARNING - status 00 on COM1:; differs from " + profile +
                  " in ClampDelay, PrinterOptions");
    std::remove(profile.c_str());
}

// What keeps the check from looking is UNKNOWN, not CRITICAL: nothing is known of the printer.
TEST(CtlCheckTest, WhatKeepsTheCheckFromLookingIsUnknown) {
    const ProcessResult usage = RunAgainstSim({}, {"check", "--status-ok", "zz"});
    EXPECT_EQ(usage.status, 3);
    EXPECT_EQ(Judgement(ProgramText(usage.out)),
              "TQ9000 UNKNOWN - usage: check --status-ok takes a byte in hexadecimal (00 to ff), "
              "not zz\n");
    const ProcessResult alone = RunAgainstSim({}, {"check", "get", "88"});
    EXPECT_EQ(alone.status, 3);
    const ProcessResult noProfile =
        RunAgainstSim({}, {"check", "--profile", TempPath("missing.json")});
    EXPECT_EQ(noProfile.status, 3);
    EXPECT_EQ(ProgramText(noProfile.out).rfind("TQ9000 UNKNOWN - ", 0), 0u) << noProfile.out;
}

// Another program holds the port (its lock, as serial programs take it): try again later.
TEST(CtlCheckTest, APortAnotherProgramHoldsIsUnknown) {
    TQ_SKIP_UNDER_WINE("the lock is flock(2)'s");
    const ProcessResult r = RunScriptAgainstSim(
        {}, "exec 9<>\"$TQ9000_COM1\"; flock 9; \"$@\" check; echo \"exit $?\"");
    EXPECT_EQ(Judgement(r.out),
              "TQ9000 UNKNOWN - COM1: is busy: another program holds it; try again");
    EXPECT_NE(r.out.find("exit 3\n"), std::string::npos) << r.out;
}

// The metrics as the Prometheus client's parsers read them: the text format the node exporter's
// textfile collector reads, and OpenMetrics.
TEST(CtlCheckTest, TheMetricsFileIsReadByThePrometheusParsers) {
    const std::string metrics = TempPath("metrics.prom");
    const ProcessResult r =
        RunAgainstSim({"--status", "0x24"}, {"check", "--openmetrics", metrics});
    EXPECT_EQ(r.status, 1) << r.err;
    const std::string parse =
        "import sys\n"
        "from prometheus_client.parser import text_string_to_metric_families as prometheus\n"
        "from prometheus_client.openmetrics.parser import text_string_to_metric_families as om\n"
        "text = open(sys.argv[1]).read()\n"
        "for parser in (prometheus, om):\n"
        "    for family in parser(text):\n"
        "        for s in family.samples:\n"
        "            seconds = s.name == 'tq9000_check_duration_seconds'\n"
        "            print(s.name, s.labels['printer'], 'seconds' if seconds else '%g' % "
        "s.value)\n";
    const ProcessResult parsed = RunProcess({"/usr/bin/python3", "-c", parse, metrics});
    ASSERT_EQ(parsed.status, 0) << parsed.err;
    const std::string once =
        "tq9000_up COM1: 1\n"
        "tq9000_status_byte COM1: 36\n"
        "tq9000_check_duration_seconds COM1: seconds\n";
    EXPECT_EQ(parsed.out, once + once);
    std::remove(metrics.c_str());
}

}  // namespace
}  // namespace tq::test
