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

}  // namespace tq::test
