// How the chunks of a reply are gathered: each chunk is appended to the caller's buffer, and the
// reply is complete when a chunk ends in ETX or when exactly the expected count has been
// received. Pure code, so that the rule can be tested and fuzzed without a link.
#pragma once

#include <cstdint>

namespace tq {

inline constexpr std::uint8_t ETX = 0x03;

struct ReplyAssembly {
    std::uint8_t* destination;
    std::uint32_t capacity;  // bytes the caller's buffer holds; the surplus of a reply is dropped
    std::uint32_t expected;  // 0: the reply ends only with ETX
    std::int32_t received;   // bytes stored in destination
    std::uint32_t dropped = 0;  // bytes of the reply that did not fit, ETX included
};

// Appends one chunk and tells whether the reply is complete. Only the last byte of a chunk is
// tested for ETX, and the count test is for equality after a whole chunk, as the printer's replies
// are framed; a chunk of no bytes never completes a reply.
bool AppendChunk(ReplyAssembly& reply, const std::uint8_t* chunk, std::uint32_t count);

}  // namespace tq
