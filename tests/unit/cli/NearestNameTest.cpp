#include "cli/NearestName.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace tq::cli {
namespace {

// Insert, delete, replace and a swap of neighbours cost one each; case costs nothing.
TEST(NearestNameTest, EditsAreCountedOnce) {
    const std::tuple<const char*, const char*, std::size_t> cases[] = {
        {"read-all", "read-all", 0},
        {"READ-ALL", "read-all", 0},
        {"raed-all", "read-all", 1},
        {"readall", "read-all", 1},
        {"read-alll", "read-all", 1},
        {"rxad-all", "read-all", 1},
        {"", "get", 3},
        {"status", "state", 2},
    };
    for (const auto& [a, b, distance] : cases) {
        EXPECT_EQ(EditDistance(a, b), distance) << a << " " << b;
        EXPECT_EQ(EditDistance(b, a), distance) << b << " " << a;
    }
}

}  // namespace
}  // namespace tq::cli
