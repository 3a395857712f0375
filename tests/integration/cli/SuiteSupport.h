// What the suites that run tq9000ctl share besides running it (RunProcess.h): the notice every run
// on COM1: starts with, a private path for a file a run writes, a file's whole text, and a text's
// lines.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace tq::test {

// Standard error's first line when no USB printer is found.
inline const std::string kNotice = "BRENLOW: Usb offline, assuming COM1:\n";

// A path in the test's temporary folder, unique to this test process.
inline std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "tq9000ctl_" + name + "_" + std::to_string(getpid());
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace tq::test
