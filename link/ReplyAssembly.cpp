#include "link/ReplyAssembly.h"

#include <algorithm>
#include <cstring>

namespace tq {

bool AppendChunk(ReplyAssembly& reply, const std::uint8_t* chunk, std::uint32_t count) {
    const auto stored = static_cast<std::uint32_t>(reply.received);
    const std::uint32_t room = reply.capacity > stored ? reply.capacity - stored : 0;
    const std::uint32_t kept = std::min(count, room);
    if (kept > 0) {
        std::memcpy(reply.destination + stored, chunk, kept);
        reply.received += static_cast<std::int32_t>(kept);
    }
    reply.dropped += count - kept;
    if (count > 0 && chunk[count - 1] == ETX) {
        return true;
    }
    return reply.expected != 0 && static_cast<std::uint32_t>(reply.received) == reply.expected;
}

}  // namespace tq
