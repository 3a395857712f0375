// The edges of tq9000ctl's process, end to end against tq9000-sim: what it was started without
// (a closed standard descriptor), where its output cannot go (a full disk, a closed pipe, a file
// of its own run), and the signals that arrive while it writes the printer or a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/integration/cli/RunProcess.h"

namespace tq::test {
namespace {

using Args = std::vector<std::string>;

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "tq9000ctl_edges_" + name + "_" + std::to_string(getpid());
}

// With standard output closed, the port would be opened as descriptor 1 and the status text
// sent to the printer: the receipt shows only the test print. Under Wine, Wine itself opens a
// file of its own, read-only, on the closed descriptor before the Windows program starts: that
// program's output is then lost, and it says so.
TEST(ProcessEdgesTest, ClosedStandardOutputIsNotThePrinter) {
    const std::string log = TempPath("closed_out_log");
    const ProcessResult r = RunAgainstSim({"--print-log", log}, {"status"}, ">&-");
    EXPECT_EQ(r.status, UnderWine() ? 1 : 0) << r.err;
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
    const ProcessResult r = RunAgainstSim({}, {"get", "88", "show"}, ">/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(lost + "tq9000ctl: not run after the failure: show\n"), std::string::npos)
        << r.err;
    std::remove(profile.c_str());
}

// The printer's twelve features before a run: none holds what kProfile gives it.
const Args kOldFeatures = {"--set", "76=1", "--set", "85=1",  "--set", "86=1",  "--set", "87=1",
                           "--set", "88=1", "--set", "96=1",  "--set", "97=1",  "--set", "98=1",
                           "--set", "99=1", "--set", "100=1", "--set", "101=1", "--set", "102=1"};
// What a whole Write All of kProfile leaves in the state file.
const char* const kNewFeatures =
    "76 20 85 0 86 3 87 12 88 48 96 30 97 31 98 132 99 2 100 163 101 0 102 19 ";

std::string TwelveFeaturesOf(const std::string& stateFile) {
    std::ifstream in(stateFile);
    std::string features;
    for (int id = 0, value = 0; in >> id >> value;) {
        if (id == 76 || (id >= 85 && id <= 88) || (id >= 96 && id <= 102)) {
            features += std::to_string(id) + " " + std::to_string(value) + " ";
        }
    }
    return features;
}

// The simulator, with the printer's features as kOldFeatures, runs `script` (sh -c) with
// tq9000ctl's path and then `ctlArgs` as its arguments. strace stands in for a user who
// interrupts or a reader who goes away at a chosen moment: -P "$TQ9000_COM1" makes its `when`
// count the writes to the printer's port alone.
Args SimRunning(const std::string& stateFile, const std::string& script, const Args& ctlArgs) {
    Args argv = {TQ9000_SIM, "--state-file", stateFile};
    argv.insert(argv.end(), kOldFeatures.begin(), kOldFeatures.end());
    argv.insert(argv.end(), {"--", "/bin/sh", "-c", script, "sh", TQ9000_CTL});
    argv.insert(argv.end(), ctlArgs.begin(), ctlArgs.end());
    return argv;
}

// The leak checker of a sanitized build cannot work under ptrace and would end the traced run
// with status 1 of its own, so it is left out there.
const char* const kStrace =
    "export ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\"; "
    "exec strace -f -qq -o /dev/null ";

// A reader of the trace that goes away during a Write All (`2>&1 | head`) does not cut it short:
// the trace is given up, and the run ends as it would have.
TEST(ProcessEdgesTest, AReaderThatGoesAwayDoesNotCutAWriteAllShort) {
    TQ_SKIP_UNDER_WINE("strace paces the native program's frames");
    const std::string profile = WriteProfile("pipe_profile");
    const std::string state = TempPath("pipe_state");
    const std::string slowFrames =
        std::string(kStrace) + "-P \"$TQ9000_COM1\" -e inject=write:delay_enter=100000 \"$@\"";
    int trace[2];
    ASSERT_EQ(pipe(trace), 0);
    const int pid = StartProcess(
        SimRunning(state, slowFrames, {"--trace", "load", profile, "write-all"}), -1, trace[1]);
    close(trace[1]);
    std::string seen;
    char chunk[256];
    for (ssize_t n = 0; seen.find("# action write-all") == std::string::npos &&
                        (n = read(trace[0], chunk, sizeof chunk)) > 0;) {
        seen.append(chunk, static_cast<std::size_t>(n));
    }
    close(trace[0]);
    EXPECT_EQ(WaitForProcess(pid), 0) << seen;
    EXPECT_EQ(TwelveFeaturesOf(state), kNewFeatures);
    std::remove(profile.c_str());
    std::remove(state.c_str());
}

// An interruption during a Write All takes effect after its last frame: the printer holds the
// whole new configuration, and the run ends by that signal.
TEST(ProcessEdgesTest, AnInterruptionWaitsForTheLastFrameOfAWriteAll) {
    TQ_SKIP_UNDER_WINE("signals are POSIX's");
    const std::string profile = WriteProfile("signal_profile");
    const std::string state = TempPath("signal_state");
    for (const auto& [name, number] :
         {std::pair{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}}) {
        const std::string atFourthFrame = std::string(kStrace) +
                                          "-P \"$TQ9000_COM1\" -e inject=write:signal=" + name +
                                          ":when=4 \"$@\"";
        const ProcessResult r =
            RunProcess(SimRunning(state, atFourthFrame, {"load", profile, "write-all"}));
        EXPECT_EQ(r.status, 128 + number) << name << " " << r.err;
        EXPECT_EQ(TwelveFeaturesOf(state), kNewFeatures) << name;
    }
    std::remove(profile.c_str());
    std::remove(state.c_str());
}

// An interruption while a profile is saved leaves the new profile or the old one, and no
// temporary file beside it.
TEST(ProcessEdgesTest, AnInterruptedSaveLeavesNoTemporaryFile) {
    TQ_SKIP_UNDER_WINE("signals are POSIX's");
    char folder[] = "/tmp/tq9000ctl_edges_save_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string profile = std::string(folder) + "/p.json";
    const std::string atSync =
        std::string(kStrace) + "-e inject=fsync:signal=SIGTERM:when=1 \"$@\"";
    const ProcessResult r = RunProcess(
        {"/bin/sh", "-c", atSync, "sh", TQ9000_CTL, "set", "ClampDelay=7", "save", profile});
    EXPECT_EQ(r.status, 128 + 15) << r.err;
    EXPECT_EQ(RunProcess({"/bin/ls", "-A", folder}).out, "p.json\n");
    EXPECT_NE(ReadProgramFile(profile).find("\"ClampDelay\": \"7\""), std::string::npos);
    std::filesystem::remove_all(folder);
}

// A trace file is emptied as the run starts: one that is also a file an action reads or writes,
// by any of its names, is refused before anything is opened or sent, and the file is kept.
TEST(ProcessEdgesTest, ATraceOntoAFileOfTheRunIsRefused) {
    const std::string profile = WriteProfile("trace_profile");
    const std::string hardLink = TempPath("trace_hard_link");
    const std::string symbolicLink = TempPath("trace_symbolic_link");
    const std::string missing = TempPath("trace_missing");
    ASSERT_EQ(link(profile.c_str(), hardLink.c_str()), 0);
    ASSERT_EQ(symlink(profile.c_str(), symbolicLink.c_str()), 0);
    const Args cases[] = {{"--trace=" + profile, "load", profile, "write-all"},
                          {"--trace=" + hardLink, "read-all", "diff", profile},
                          {"--trace=" + profile, "load", symbolicLink},
                          {"--trace=" + missing, "read-all", "save", missing}};
    for (const Args& args : cases) {
        const ProcessResult r = RunAgainstSim({}, args);
        EXPECT_EQ(r.status, 2) << args[0];
        const std::string action =
            args[1] == "read-all" ? args[2] + " " + args[3] : args[1] + " " + args[2];
        EXPECT_EQ(r.err, "tq9000ctl: " + args[0] + " is the file of '" + action +
                             "': tracing into it would destroy it; trace to another file\n");
        EXPECT_EQ(ReadProgramFile(profile), kProfile);
    }
    for (const std::string& path : {profile, hardLink, symbolicLink, missing}) {
        std::remove(path.c_str());
    }
}

// A port that is also a terminal gets its settings back when tq9000ctl lets it go: a user's
// terminal is not left raw at 9600 baud.
TEST(ProcessEdgesTest, APortIsLeftWithTheSettingsItHad) {
    TQ_SKIP_UNDER_WINE("terminal settings are POSIX's");
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string port = ptsname(master);
    const auto settings = [&port] {
        return RunProcess({"/bin/sh", "-c", "stty -g < \"$0\"", port}).out;
    };
    const std::string before = settings();
    ASSERT_NE(before, "");
    const ProcessResult r = RunCtl({"--port", port, "status"});
    EXPECT_EQ(r.status, 1) << "nothing answers on the port: " << r.err;
    EXPECT_EQ(settings(), before);
    close(master);
}

// The cause is named, not a code.
TEST(ProcessEdgesTest, AnOverlongPortNameSaysSo) {
    TQ_SKIP_UNDER_WINE("--port takes a COM port's name there");
    const std::string port = "/dev/" + std::string(300, 'x');
    const ProcessResult r = RunCtl({"--port", port, "status"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tq9000ctl: --port " + port + ": the name is too long\n");
}

}  // namespace
}  // namespace tq::test
