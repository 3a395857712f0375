// Reply decoding with any id, either byte format, any reply bytes and any text buffer size: the
// text must always be terminated inside its buffer and never longer than the reply allows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "protocol/Frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const tq::FeatureId id = data[0];
    const auto format = (data[1] & 1) != 0 ? tq::ByteFormat::Hex : tq::ByteFormat::Decimal;
    const std::size_t textSize = data[2] % (tq::kFeatureTextSize + 1);  // 0..256
    const std::vector<std::uint8_t> reply(data + 3, data + size);

    // An exactly sized heap block, so that ASan catches a write one past the end.
    char* text = static_cast<char*>(std::malloc(textSize == 0 ? 1 : textSize));
    tq::DecodeReply(id, format, reply, std::span<char>(text, textSize));
    if (textSize > 0) {
        const std::size_t length = strnlen(text, textSize);
        if (length == textSize) {
            std::abort();  // not terminated inside its buffer
        }
        const bool isText = tq::ReplyFormOf(id) == tq::ReplyForm::Text;
        const std::size_t limit = isText ? (reply.size() > 4 ? reply.size() - 4 : 0) : 3;
        if (length > limit) {
            std::abort();
        }
    }
    std::free(text);
    return 0;
}
