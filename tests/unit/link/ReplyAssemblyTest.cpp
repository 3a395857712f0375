#include "link/ReplyAssembly.h"

#include <gtest/gtest.h>

#include <vector>

namespace tq {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct AppendCase {
    const char* name;
    std::uint32_t capacity;
    std::uint32_t expected;
    Bytes before;  // stored by earlier chunks
    Bytes chunk;
    bool done;
    Bytes after;
};

class AppendChunkTest : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendChunkTest, StoresWithinCapacityAndTellsWhetherTheReplyIsComplete) {
    const AppendCase& c = GetParam();
    Bytes buffer(c.capacity + 4, 0xEE);  // four guard bytes behind the capacity
    std::copy(c.before.begin(), c.before.end(), buffer.begin());
    ReplyAssembly reply{buffer.data(), c.capacity, c.expected,
                        static_cast<std::int32_t>(c.before.size())};

    EXPECT_EQ(AppendChunk(reply, c.chunk.data(), static_cast<std::uint32_t>(c.chunk.size())),
              c.done);
    EXPECT_EQ(reply.received, static_cast<std::int32_t>(c.after.size()));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + reply.received), c.after);
    EXPECT_EQ(Bytes(buffer.begin() + c.capacity, buffer.end()), Bytes(4, 0xEE));
    EXPECT_EQ(reply.dropped, c.before.size() + c.chunk.size() - c.after.size());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, AppendChunkTest,
    ::testing::Values(
        AppendCase{"EtxLastEnds", 8, 0, {}, {0x30, 0x03}, true, {0x30, 0x03}},
        AppendCase{"EtxInsideDoesNotEnd", 8, 0, {}, {0x03, 0x30}, false, {0x03, 0x30}},
        AppendCase{"EtxEndsBeforeExpected", 8, 4, {}, {0x03}, true, {0x03}},
        AppendCase{"EmptyChunkNeverEnds", 8, 0, {0x30}, {}, false, {0x30}},
        AppendCase{"ExactCountEnds", 8, 2, {0x30}, {0x31}, true, {0x30, 0x31}},
        AppendCase{"CountPassedDoesNotEnd", 8, 2, {0x30}, {0x31, 0x32}, false, {0x30, 0x31, 0x32}},
        AppendCase{"NoCountRuleWhenNoneExpected", 8, 0, {}, {0x30, 0x31}, false, {0x30, 0x31}},
        AppendCase{"SurplusDroppedEtxStillEnds", 4, 0, {1, 2, 3}, {4, 5, 0x03}, true, {1, 2, 3, 4}},
        AppendCase{"FullBufferStoresNothing", 4, 0, {1, 2, 3, 4}, {5}, false, {1, 2, 3, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tq
