// Test support: runs a program to its end with its standard output and standard error captured
// separately, and kills it if it outlives a generous bound rather than hanging the suite.
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

// tq9000-sim [simArgs] -- tq9000ctl [ctlArgs]
ProcessResult RunAgainstSim(const std::vector<std::string>& simArgs,
                            const std::vector<std::string>& ctlArgs);

}  // namespace tq::test
