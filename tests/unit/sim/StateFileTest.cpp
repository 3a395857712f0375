#include "sim/StateFile.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tq::sim {
namespace {

// What one run writes, the next reads back whole.
TEST(StateFileTest, WhatIsWrittenIsReadBack) {
    PrinterModel written;
    written.SetFeature(76, 25);
    written.SetFeature(0xFF, 0x80);
    PrinterModel read;
    read.SetFeature(76, 3);
    EXPECT_EQ(LoadState(FormatState(written), read), "");
    EXPECT_EQ(FormatState(read), FormatState(written));
}

// A file that is not what the simulator writes changes nothing, and the line is named.
TEST(StateFileTest, AMalformedFileIsRefusedWhole) {
    const std::pair<const char*, const char*> cases[] = {
        {"76 25\n88 256\n", "line 2: "}, {"76 25\n300 1\n", "line 2: "}, {"76\n", "line 1: "},
        {"76 2x\n", "line 1: "},         {"76  25\n", "line 1: "},       {"\n", "line 1: "},
    };
    for (const auto& [text, error] : cases) {
        PrinterModel model;
        const std::string before = FormatState(model);
        EXPECT_EQ(LoadState(text, model).rfind(error, 0), 0u) << text;
        EXPECT_EQ(FormatState(model), before) << text;
    }
}

}  // namespace
}  // namespace tq::sim
