// Test support: tq9000ctl.exe run from a test under Wine, as a child process of its own with its
// standard output and error captured, and killed if it outlives a generous bound.
#pragma once

#include <string>
#include <vector>

namespace tq::test {

struct CtlResult {
    int status = -1;  // exit status; -1 when it could not be started or was killed
    std::string out;  // with Windows line ends made "\n", as the Linux tests compare them
    std::string err;
};

CtlResult RunCtl(const std::vector<std::string>& args);

// A Unix path as Wine shows it, on drive Z:.
std::string WindowsPath(const std::string& unixPath);

}  // namespace tq::test
