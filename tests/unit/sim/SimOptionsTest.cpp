#include "sim/SimOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tq::sim {
namespace {

// --set names a feature by its number or by the name tq9000ctl shows for it.
TEST(SimOptionsTest, SetTakesAFeatureByNumberOrName) {
    const std::tuple<const char*, int, int> cases[] = {
        {"76=25", 76, 25},
        {"0x58=0x5a", 88, 0x5A},
        {"ClampDelay=25", 76, 25},
        {"MiscellaneousOptions=0x10", 102, 0x10},
    };
    for (const auto& [argument, id, value] : cases) {
        std::string error;
        const auto options = ParseSimOptions({"--set", argument}, error);
        ASSERT_TRUE(options) << argument << ": " << error;
        ASSERT_EQ(options->features.size(), 1u);
        EXPECT_EQ(options->features[0].first, id) << argument;
        EXPECT_EQ(options->features[0].second, value) << argument;
    }
    for (const char* refused : {"Clampdelay=25", "LinesToSkip=3", "ClampDelay=256"}) {
        std::string error;
        EXPECT_FALSE(ParseSimOptions({"--set", refused}, error)) << refused;
    }
}

}  // namespace
}  // namespace tq::sim
