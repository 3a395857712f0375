// The Win32 platform's clock times every deadline of the link: 10 ms for a reply, 2 ms for a
// surplus byte. It has to move in single milliseconds; the system timer's steps of 10 to 16 ms
// would let a step fall inside a read and make a reply in time a time-out.
#include <gtest/gtest.h>

#include <set>

#include "platform/win32/Win32Platform.h"

namespace tq {
namespace {

// Over a quarter of a second a clock in 16 ms steps shows at most 17 values; one in milliseconds,
// read after each Sleep(1), shows well over a hundred even on a loaded machine.
TEST(Win32ClockTest, MovesInMilliseconds) {
    Win32Platform platform;
    std::set<DWORD> seen;
    const ULONGLONG start = ::GetTickCount64();
    while (::GetTickCount64() - start < 250) {
        seen.insert(platform.GetTickCount());
        ::Sleep(1);
    }
    EXPECT_GT(seen.size(), 40u);
}

}  // namespace
}  // namespace tq
