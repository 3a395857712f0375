// tq9000ctl end to end against tq9000-sim's pseudo-terminal: natively, and as tq9000ctl.exe under
// Wine (RunProcess.h).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/integration/cli/RunProcess.h"
#include "tests/integration/cli/SuiteSupport.h"

namespace tq::test {
namespace {

using Args = std::vector<std::string>;

TEST(CtlAgainstSimTest, GetOfAByteFeaturePrintsItsTwoHexDigits) {
    const ProcessResult r = RunAgainstSim({"--set", "88=0x5a"}, {"get", "88"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "5A\n");
    EXPECT_EQ(r.err, kNotice);
}

TEST(CtlAgainstSimTest, GetOfATextFeaturePrintsItsText) {
    const ProcessResult r =
        RunAgainstSim({"--text", "0x31=hello world"}, {"get", "49", "get", "48"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "hello world\n1.0\n");
}

// A text feature is the printer's own bytes: its control characters reach the terminal escaped.
TEST(CtlAgainstSimTest, GetEscapesControlCharactersOfTheReply) {
    const ProcessResult r = RunAgainstSim({"--text", "0x31=\x1B[2J\\o/\x7F"}, {"get", "49"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\\x1B[2J\\\\o/\\x7F\n");
}

std::string CutWarning(int feature) {
    return "tq9000ctl: warning: the text of feature " + std::to_string(feature) +
           " is longer than 252 characters; only the first 252 are shown\n";
}

// On the real line the reply comes in pieces a millisecond apart and is gathered whole; an
// oversized one is cut at the reply buffer, with a warning and still exit status 0.
TEST(CtlAgainstSimTest, SplitAndOversizedTextReplies) {
    ProcessResult r = RunAgainstSim({"--chunk", "2"}, {"get", "48"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.0\n");
    r = RunAgainstSim({"--oversized-text"}, {"get", "50"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.size(), 253u);
    EXPECT_EQ(r.out.substr(0, 5), "ABCDE");
    EXPECT_EQ(r.err, kNotice + CutWarning(50));
}

// 252 characters fill the reply buffer with the lead and the ETX: shown whole. One more is cut.
TEST(CtlAgainstSimTest, ATextOf252CharactersIsWholeAndOneLongerIsCut) {
    const std::string text(253, 'x');
    ProcessResult r = RunAgainstSim({"--text", "0x31=" + text.substr(1)}, {"get", "49"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, text.substr(1) + "\n");
    EXPECT_EQ(r.err, kNotice);
    r = RunAgainstSim({"--text", "0x31=" + text}, {"get", "49"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, text.substr(1) + "\n");
    EXPECT_EQ(r.err, kNotice + CutWarning(49));
}

TEST(CtlAgainstSimTest, ARefusedNumberIsAFailure) {
    const ProcessResult r = RunAgainstSim({}, {"get", "112"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kNotice + "tq9000_config_app: Enter a value between 30H and 6FH\n");
    EXPECT_EQ(r.out, "\n");  // field 1071 as it was: empty
}

TEST(CtlAgainstSimTest, StatusPrintsTheTestTextAndShowsTheStatusByte) {
    const std::string log = TempPath("printlog");
    const ProcessResult r = RunAgainstSim({"--status", "0xA5", "--print-log", log}, {"status"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "<a5>\n");
    EXPECT_EQ(r.err, kNotice + "Printer Status Byte: <a5>\n");
    EXPECT_EQ(ReadFile(log), "testing\n\n");
    std::remove(log.c_str());
}

// The enquiry alone: the same status text, and nothing on paper.
TEST(CtlAgainstSimTest, EnquireShowsTheStatusBytePrintingNothing) {
    const std::string log = TempPath("enquirelog");
    const ProcessResult r = RunAgainstSim({"--status", "0x5a", "--print-log", log}, {"enquire"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "<5a>\n");
    EXPECT_EQ(r.err, kNotice + "Printer Status Byte: <5a>\n");
    EXPECT_EQ(ReadFile(log), "");
    std::remove(log.c_str());
}

TEST(CtlAgainstSimTest, ASilentPrinterEndsInFatalError) {
    const ProcessResult r = RunAgainstSim({"--silent"}, {"get", "88"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kNotice +
                         "tq9000_config_app: read timed out -9\n"
                         "tq9000_config_app: read error\n"
                         "tq9000_config_app: fatal error\n");
}

// Both commands open and close COM1: in turn within one process; the status box is a result, not
// a failure, so the run goes on after it.
TEST(CtlAgainstSimTest, ActionsRunInOrderInOneProcess) {
    const ProcessResult r = RunAgainstSim({}, {"get", "88", "status", "get", "48"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "30\n<00>\n1.0\n");
    EXPECT_EQ(r.err, kNotice + "Printer Status Byte: <00>\n");
}

// A technician's round: the printer's configuration saved to a profile, the profile edited and
// written to a second printer, and the first compared with the profile afterwards.
TEST(CtlAgainstSimTest, AProfileTravelsFromOnePrinterToAnother) {
    const std::string profile = TempPath("profile.json");
    const std::string written = TempPath("written");
    ProcessResult r = RunAgainstSim({"--set", "76=12"}, {"read-all", "save", profile});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadProgramFile(profile).find("\"ClampDelay\": 12,"), std::string::npos)
        << ReadProgramFile(profile);

    r = RunAgainstSim({"--state-file", written},
                      {"load", profile, "set", "ClampDelay=20", "write-all"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadFile(written).find("\n76 20\n"), std::string::npos) << ReadFile(written);

    r = RunAgainstSim({"--set", "76=13"}, {"read-all", "diff", profile});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.out.find("ClampDelay"), std::string::npos) << r.out;
    std::remove(profile.c_str());
    std::remove(written.c_str());
}

// "Get" shows every byte in hex; --json gives the feature's own notation beside it, so a
// ClampDelay of 25 is not taken for 19.
TEST(CtlAgainstSimTest, GetAsJsonGivesTheFieldsNotationToo) {
    const ProcessResult r =
        RunAgainstSim({"--set", "76=25"}, {"--quiet", "get", "76", "get", "76", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "19\n{\"id\": 76, \"name\": \"ClampDelay\", \"value\": \"19\", \"form\": \"25\"}\n");
}

// With --state-file the simulated printer remembers between runs what the one before wrote; the
// command line's --set comes on top of it.
TEST(CtlAgainstSimTest, TheSimulatorRemembersItsStateFileBetweenRuns) {
    TQ_SKIP_UNDER_WINE("the simulator alone, already run natively");
    const std::string state = TempPath("remembered");
    std::remove(state.c_str());
    ProcessResult r = RunAgainstSim(
        {"--state-file", state},
        {"--quiet", "read-all", "set", "ClampDelay=20", "set", "SetupVersion=7", "write-all"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunAgainstSim({"--state-file", state, "--set", "SetupVersion=9"},
                      {"--quiet", "get", "76", "get", "86"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "14\n09\n");
    std::ofstream(state) << "76 20\n76\n";
    r = RunAgainstSim({"--state-file", state}, {"get", "76"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tq9000-sim: " + state +
                         ": line 2: not 'ID VALUE' with ID and VALUE from 0 to 255\n");
    std::remove(state.c_str());
}

TEST(CtlAgainstSimTest, AUsageErrorTouchesNoPrinter) {
    const std::string log = TempPath("usage");
    const ProcessResult r = RunAgainstSim({"--print-log", log}, {"status", "bogus"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tq9000ctl: unknown action 'bogus'\nTry 'tq9000ctl --help'\n");
    EXPECT_EQ(r.err.find("BRENLOW"), std::string::npos);
    EXPECT_EQ(ReadFile(log), "");
    std::remove(log.c_str());

    const ProcessResult help = RunCtl({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: tq9000ctl", 0), 0u);
}

// Whatever a message echoes (an action, a `set` name, a profile's key, a file name, the mapping of
// COM1:), an escape sequence in it reaches the terminal escaped: no control byte but the newline.
TEST(CtlAgainstSimTest, MessagesEchoingInputEscapeControlCharacters) {
    const std::string esc = "X\x1B[31mred\x07";
    const std::string profile = TempPath("keys.json");
    std::ofstream(profile, std::ios::binary) << "{\"X\\u001b[31mred\\u0007\": \"1\"}";
    const std::vector<Args> runs = {
        {esc},
        {"set", esc + "=1"},
        {"set", "ClampDelay=" + esc},
        {"load", profile},
        {"load", TempPath(esc)},
        {"--port", esc, "get", "88"},
    };
    for (const Args& args : runs) {
        const ProcessResult r = RunCtl(args);
        EXPECT_NE(r.status, 0) << args.back();
        EXPECT_NE(r.err.find("[31mred"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find_first_of(std::string("\x1B\x07\r", 3)), std::string::npos) << r.err;
    }
    std::remove(profile.c_str());
    if (!UnderWine()) {
        const ProcessResult r = RunCtlWithCom1("/dev/" + esc, {"get", "88"});
        EXPECT_NE(r.err.find("hint: no such device: COM1: (/dev/X\\x1B[31mred\\x07, from "
                             "TQ9000_COM1)"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find('\x1B'), std::string::npos) << r.err;
    }
}

// Without a command the simulator prints its terminal's path and serves until told to stop.
TEST(SimServerTest, ServesThePathItPrints) {
    TQ_SKIP_UNDER_WINE("the simulator alone, already run natively");
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const std::string state = TempPath("state");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        execl(TQ9000_SIM, TQ9000_SIM, "--state-file", state.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    FILE* lines = fdopen(out[0], "r");
    char path[256] = {};
    ASSERT_NE(std::fgets(path, sizeof path, lines), nullptr);
    std::string port(path);
    port.pop_back();

    const int fd = open(port.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << port;
    const unsigned char write[] = {0x1B, 0x28, 0x02, 0x00, 0x41, 0x77, 0x1B, 0x3F, 0x41};
    ASSERT_EQ(::write(fd, write, sizeof write), static_cast<ssize_t>(sizeof write));
    pollfd ready{fd, POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 2000), 1);
    unsigned char reply = 0;
    ASSERT_EQ(read(fd, &reply, 1), 1);
    EXPECT_EQ(reply, 0x77);
    close(fd);

    kill(pid, SIGTERM);
    int raw = 0;
    waitpid(pid, &raw, 0);
    std::fclose(lines);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
    EXPECT_NE(ReadFile(state).find("\n65 119\n"), std::string::npos);
    std::remove(state.c_str());
}

}  // namespace
}  // namespace tq::test
