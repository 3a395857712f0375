// Test cases that crash on purpose, each in its own way. They are never run as ordinary tests:
// ExpectCrash.cmake runs the program for one case at a time and expects it to fail with the crash
// guard's single line, which proves that a test program (through its main()) installs the guard.
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

volatile int* volatile nowhere = nullptr;

// Deeper than any thread's stack; the buffer keeps each frame from being folded away, and the
// limit, which the stack never lets it reach, keeps the compiler from calling it endless.
__attribute__((noinline)) int Recurse(int depth) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return depth == 1 << 30 ? 0 : Recurse(depth + 1) + frame[0];
}

TEST(CrashProbe, AccessViolation) {
    *nowhere = 1;
}

// Run with --gtest_catch_exceptions=0, so that it leaves main() as any program's would.
TEST(CrashProbe, UncaughtException) {
    throw std::runtime_error("the probe's exception\nwith a second line");
}

TEST(CrashProbe, StackOverflow) {
    EXPECT_NE(Recurse(0), 0);
}

}  // namespace
