#include "protocol/FontTable.h"

namespace tq {

std::optional<int> FontIndexOfCode(std::uint8_t code) {
    for (std::size_t i = 0; i < FontTable.size(); ++i) {
        if (FontTable[i].fontCode == code) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

std::optional<std::uint8_t> FontCodeOfIndex(int index) {
    if (index < 0 || index >= static_cast<int>(FontTable.size())) {
        return std::nullopt;
    }
    return FontTable[static_cast<std::size_t>(index)].fontCode;
}

}  // namespace tq
