// The Win32 platform's clock times every deadline of the link: 10 ms for a reply, 2 ms for a
// surplus byte. It has to move in single milliseconds; the system timer's steps of 10 to 16 ms
// would let a step fall inside a read and make a reply in time a time-out.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/Win32Platform.h"

namespace tq {
namespace {

// A clock in 10 to 16 ms steps never moves by less than 10 ms; one in milliseconds, read after
// each Sleep(1), moves by 1 or 2 ms at least once in a quarter of a second, however loaded the
// machine is (a load only makes the steps between readings longer, never shorter).
TEST(Win32ClockTest, MovesInMilliseconds) {
    Win32Platform platform;
    DWORD smallestStep = 0xFFFFFFFF;
    DWORD last = platform.GetTickCount();
    const ULONGLONG start = ::GetTickCount64();
    while (::GetTickCount64() - start < 250) {
        ::Sleep(1);
        const DWORD now = platform.GetTickCount();
        if (now != last) {
            smallestStep = std::min(smallestStep, now - last);
            last = now;
        }
    }
    EXPECT_LE(smallestStep, 2u);
}

}  // namespace
}  // namespace tq
