// The edges of tq9000ctl's process, end to end against tq9000-sim: what it was started without
// (a closed standard descriptor), where its output cannot go (a full disk, a closed pipe), and the
// signals that arrive while it writes the printer or a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/integration/cli/RunProcess.h"

namespace tq::test {
namespace {

using Args = std::vector<std::string>;


std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "tq9000ctl_edges_" + name + "_" + std::to_string(getpid());
}

// With standard output closed, the port would be opened as descriptor 1 and the status text
// sent to the printer: the receipt shows only the test print.
TEST(ProcessEdgesTest, ClosedStandardOutputIsNotThePrinter) {
    const std::string log = TempPath("closed_out_log");
    const ProcessResult r = RunAgainstSim({"--print-log", log}, {"status"}, ">&-");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadProgramFile(log), "testing\n\n");
    std::remove(log.c_str());
}

// The simulator's own terminal and pipe must not take a closed descriptor's place either: the
// command it runs then inherits standard output on the null device.
TEST(ProcessEdgesTest, TheSimulatorStartedWithoutStandardOutputGivesItsCommandOne) {
    TQ_SKIP_UNDER_WINE("the simulator alone, already run natively");
    const char* check = "test \"$(readlink /proc/$$/fd/1)\" = /dev/null";
    const ProcessResult r = RunProcess(
        {"/bin/sh", "-c", "exec \"$@\" >&-", "sh", TQ9000_SIM, "--", "/bin/sh", "-c", check});
    EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
}  // namespace tq::test
