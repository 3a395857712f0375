// The edges of tq9000ctl's process, end to end against tq9000-sim: what it was started without
// (a closed standard descriptor), where its output cannot go (a full disk, a closed pipe), and the
// signals that arrive while it writes the printer or a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
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

// The sim's factory settings, except ClampDelay: `diff` has a line to print.
const char* const kProfile = R"({
  "ClampDelay": "20",
  "CustomerSpecialVersion": "0",
  "SetupVersion": "3",
  "SetupRevision": "12",
  "PrinterOptions": "30",
  "JournalDefaultFont": "Standard",
  "ValidationDefaultFont": "Standard Bold",
  "FontOptions": "84",
  "EmulationOptions": "02",
  "ValidationOptions": "a0",
  "LinesToSkip": "3",
  "TestModeOptions": "00",
  "MiscellaneousOptions": "13"
})";

std::string WriteProfile(const std::string& name) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary) << kProfile;
    return path;
}

// Output a script was to read and did not get is a failure, said once on standard error, and
// the actions after it do not run.
TEST(ProcessEdgesTest, LostStandardOutputIsAFailure) {
    const std::string profile = WriteProfile("full_profile");
    const std::string lost =
        "tq9000ctl: standard output: cannot be written: No space left on device\n";
    const Args cases[] = {{"read-all", "show"},
                          {"get", "88"},
                          {"status"},
                          {"list"},
                          {"save", "-"},
                          {"--help"},
                          {"read-all", "diff", profile},
                          {"--version"}};
    for (const Args& args : cases) {
        const ProcessResult r = RunAgainstSim({}, args, ">/dev/full");
        EXPECT_EQ(r.status, 1) << args[0] << " " << r.err;
        EXPECT_NE(r.err.find(lost), std::string::npos) << args[0] << " " << r.err;
        EXPECT_EQ(r.err.find(lost), r.err.rfind(lost)) << args[0] << " said twice: " << r.err;
    }
    const ProcessResult r = RunAgainstSim({}, {"get", "88", "write-all"}, ">/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(lost + "tq9000ctl: not run after the failure: write-all\n"),
              std::string::npos)
        << r.err;
    std::remove(profile.c_str());
}

}  // namespace
}  // namespace tq::test
