// The printer's ten default fonts: the order in which both font lists show them, and the code the
// printer stores for each. The codes do not follow the list order; each maps to one entry.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tq {

struct FontEntry {
    const char* displayName;
    std::uint8_t fontCode;
};

inline constexpr std::array<FontEntry, 10> FontTable = {{
    {"Standard - Default", 0x00},
    {"Standard", 0x1E},
    {"Standard Bold", 0x1F},
    {"Large", 0x1D},
    {"Large Bold", 0x1C},
    {"Tiny", 0x1A},
    {"Times Roman", 0x19},
    {"OCR", 0x18},
    {"Standard Italic", 0x15},
    {"Large Italic", 0x14},
}};

// The list index of a font code, or nothing for a code the table does not hold.
std::optional<int> FontIndexOfCode(std::uint8_t code);
// The font code of a list index, or nothing outside 0..9 (kCbErr included).
std::optional<std::uint8_t> FontCodeOfIndex(int index);

}  // namespace tq
