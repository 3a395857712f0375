// The chunk assembly of a read, fed a reply cut into chunks at random points, with a random
// capacity and expected count: it must never store past the capacity, must keep the first bytes
// in arrival order and count the rest as dropped, and must finish exactly when the end-of-reply
// rule says.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "link/ReplyAssembly.h"

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t Take() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }
};

// The rule, restated independently: a chunk ending in ETX, or exactly `expected` bytes received.
bool ShouldEnd(const std::vector<std::uint8_t>& chunk, std::uint32_t expected,
               std::uint32_t received) {
    if (!chunk.empty() && chunk.back() == tq::ETX) {
        return true;
    }
    return expected != 0 && received == expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    const std::uint32_t capacity = in.Take() | (in.Take() & 0x01) << 8;  // 0..511
    const std::uint32_t expected = in.Take() % 8;
    auto* buffer = static_cast<std::uint8_t*>(std::malloc(capacity == 0 ? 1 : capacity));
    tq::ReplyAssembly reply{buffer, capacity, expected, 0};
    std::vector<std::uint8_t> arrived;
    std::uint32_t stored = 0;
    while (in.size > 0) {
        const std::size_t length = std::min<std::size_t>(in.Take() % 65, in.size);  // 0..64 bytes
        const std::vector<std::uint8_t> chunk(in.data, in.data + length);
        in.data += length;
        in.size -= length;
        arrived.insert(arrived.end(), chunk.begin(), chunk.end());
        stored = std::min<std::uint32_t>(capacity, static_cast<std::uint32_t>(arrived.size()));
        const bool done = tq::AppendChunk(reply, chunk.data(), static_cast<std::uint32_t>(length));
        if (static_cast<std::uint32_t>(reply.received) != stored ||
            reply.dropped != arrived.size() - stored ||
            (stored > 0 && std::memcmp(buffer, arrived.data(), stored) != 0) ||
            done != ShouldEnd(chunk, expected, stored)) {
            std::abort();
        }
        if (done) {
            break;
        }
    }
    std::free(buffer);
    return 0;
}
