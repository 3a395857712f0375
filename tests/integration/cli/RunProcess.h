// Test support: runs a program to its end with its standard output and standard error captured
// separately, and kills it if it outlives a generous bound rather than hanging the suite.
//
// The same tests drive tq9000ctl two ways. Natively, the program opens COM1: through TQ9000_COM1,
// which tq9000-sim sets to its pseudo-terminal. Under Wine, when TQ9000_CTL_EXE names
// tq9000ctl.exe, the Windows program runs instead (under TQ9000_WINE, in the prefix WINEPREFIX
// names); the prefix's registry maps COM1 to the symbolic link TQ9000_WINE_COM1, which each run
// points at the simulator's terminal. That one link makes the Wine runs serial: run the test
// program as one process, not as parallel ctest entries.
#pragma once

#include <string>
#include <vector>

namespace tq::test {

struct ProcessResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
    bool timedOut = false;
};

ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutMs = 20000);

// True when tq9000ctl is the Windows program under Wine.
bool UnderWine();

// Skips a test that has no meaning for the Windows program, saying why.
#define TQ_SKIP_UNDER_WINE(reason)                                            \
    do {                                                                      \
        if (::tq::test::UnderWine()) {                                        \
            GTEST_SKIP() << "not for tq9000ctl.exe under Wine: " << (reason); \
        }                                                                     \
    } while (false)

// tq9000ctl [ctlArgs], the chosen way, touching no printer.
ProcessResult RunCtl(const std::vector<std::string>& ctlArgs);

// tq9000ctl [ctlArgs] with COM1: standing for `device`: natively through TQ9000_COM1, under Wine
// through the prefix's link.
ProcessResult RunCtlWithCom1(const std::string& device, const std::vector<std::string>& ctlArgs);

// tq9000-sim [simArgs] -- tq9000ctl [ctlArgs], with `ctlRedirection` (a shell redirection such as
// ">/dev/full" or ">&-") applied to tq9000ctl alone.
ProcessResult RunAgainstSim(const std::vector<std::string>& simArgs,
                            const std::vector<std::string>& ctlArgs,
                            const std::string& ctlRedirection = "");

// Starts argv with its standard output and error on the descriptors given (-1: closed), standard
// input on /dev/null and no other descriptor; its process id.
int StartProcess(const std::vector<std::string>& argv, int outFd, int errFd);
// Its exit status, or 128 + signal; killed, and -1, when it outlives `timeoutMs`.
int WaitForProcess(int pid, int timeoutMs = 20000);

// tq9000-sim [simArgs] -- /bin/sh -c SCRIPT, in which "$@" runs tq9000ctl: several runs of the
// program, one straight after another, against one simulated printer.
ProcessResult RunScriptAgainstSim(const std::vector<std::string>& simArgs,
                                  const std::string& script);

// A file the program wrote, as the native program writes it (see ProgramText).
std::string ReadProgramFile(const std::string& path);

// The Windows C runtime writes text with CRLF line ends, on Windows as under Wine; compared as
// the native program's text. Natively the text stays as it is, so a stray CR still shows.
std::string ProgramText(std::string text);

}  // namespace tq::test
