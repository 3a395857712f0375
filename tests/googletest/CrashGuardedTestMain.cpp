// main() of every test program built for Windows: GoogleTest's own, with the crash guard
// installed first, so that a test that crashes fails the run with one line on standard error
// instead of ending in a dialog, a debugger, or under Wine now and then with status 0.
#include <gtest/gtest.h>

#include <string>

#include "platform/CrashGuard.h"

int main(int argc, char** argv) {
    const std::string path = argc > 0 ? argv[0] : "test";
    tq::InstallCrashGuard(path.substr(path.find_last_of("/\\") + 1).c_str());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
