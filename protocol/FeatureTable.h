// The twelve printer features that the main form shows, as the one table of their facts: id, name,
// kind, the controls that show each and the bits or bounds they take, each feature's place in Read
// All's and in Write All's walk, and the value the simulated printer holds as it leaves the
// factory. The feature map's conversions (FeatureMap.h), both forms, the commands, tq9000ctl, the
// simulator and the soak bench (through `tq9000ctl fields`) all read it. Pure constant data; its
// rules are checked when it compiles.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "framework/ControlIds.h"

namespace tq {

enum class FeatureKind {
    Number,      // one edit holding a decimal number 0..upperBound
    FontChoice,  // one font list; the byte is the selected entry's font code
    FlagSet      // check boxes, each owning one bit (ValidationOptions also carries LinesToSkip)
};

struct FlagBinding {
    int control;  // the check box
    std::uint8_t mask;
};

// A feature's place in the two commands that walk them all, each from 0.
struct BulkPlaces {
    int read;
    int write;
};

struct FeatureBinding {
    std::uint8_t id;
    const char* name;
    FeatureKind kind;
    int control;     // Number: the edit; FontChoice: the combo box; FlagSet: 0
    int upperBound;  // Number: the largest value written
    std::span<const FlagBinding> flags;
    // ValidationOptions only: the LinesToSkip edit (0 for every other feature) and its bound.
    int linesToSkipControl;
    int linesToSkipBound;
    BulkPlaces places;
    std::uint8_t factoryValue;  // what the simulated printer (sim/) holds before anyone writes
};

// LinesToSkip is written 0..8 in bits 0..3 of ValidationOptions; no check box owns those bits.
inline constexpr int kLinesToSkipBound = 8;
inline constexpr std::uint8_t kLinesToSkipBits = 0x0F;
// The name under which the LinesToSkip edit of ValidationOptions is addressed on its own.
inline constexpr std::string_view kLinesToSkipName = "LinesToSkip";

namespace feature_table {

// Each box owns one bit; the bits no box owns are ignored when read and sent as 0 when written.
inline constexpr FlagBinding kPrinterOptions[] = {
    {IDC_DISABLE_JOURNAL_PRINTING, 0x01},
    {IDC_DISABLE_VALIDATION_PRINTING, 0x02},
    {IDC_DISABLE_ALIGNMENT_BEFORE_VALIDATION, 0x04},
    {IDC_REPRINT, 0x10},
    {IDC_JOURNAL_COPY_OF_VALIDATION, 0x20},
    {IDC_KICKOUT_AFTER_VALIDATION, 0x40},
};
inline constexpr FlagBinding kFontOptions[] = {
    {IDC_DOUBLE_STRIKE_LARGE_BOLD, 0x01},  {IDC_OLDER_STYLE_LARGE_FONTS, 0x02},
    {IDC_OPEN_FOUR_NUMERALS, 0x04},        {IDC_DOUBLE_STRIKE_OCR, 0x08},
    {IDC_DIPSW2_SETS_STANDARD_BOLD, 0x10}, {IDC_FONTS_DEFAULTED_AT_LINE_END, 0x80},
};
inline constexpr FlagBinding kEmulationOptions[] = {
    {IDC_TQ5150_COMPATIBILITY, 0x01},
    {IDC_ADD_LF_TO_CR, 0x02},
    {IDC_NO_RECEIVE_BUFFER_EMULATION, 0x04},
    {IDC_STRICT_TQ8850_EMULATION, 0x08},
};
// Bits 0..3 carry LinesToSkip, not boxes.
inline constexpr FlagBinding kValidationOptions[] = {
    {IDC_REDUCED_SPACING, 0x20},
    {IDC_AUTO_VALIDATION_MODE, 0x40},
    {IDC_SKIP_BLANK_LEADING_LINES, 0x80},
};
inline constexpr FlagBinding kTestModeOptions[] = {
    {IDC_SELF_TEST_MODE, 0x01},
    {IDC_DEMO_MODE, 0x02},
    {IDC_HEX_DUMP_MODE, 0x04},
};
inline constexpr FlagBinding kMiscellaneousOptions[] = {
    {IDC_BLACKMARK_SENSOR, 0x01},
    {IDC_AUTO_HEADER, 0x02},
    {IDC_AUTO_FOOTER, 0x04},
    {IDC_TEXT_COMMANDS, 0x10},
};

constexpr FeatureBinding Number(std::uint8_t id, const char* name, int edit, int bound,
                                BulkPlaces places, std::uint8_t factory) {
    return {id, name, FeatureKind::Number, edit, bound, {}, 0, 0, places, factory};
}
constexpr FeatureBinding Font(std::uint8_t id, const char* name, int combo, BulkPlaces places,
                              std::uint8_t factory) {
    return {id, name, FeatureKind::FontChoice, combo, 0, {}, 0, 0, places, factory};
}
constexpr FeatureBinding Flags(std::uint8_t id, const char* name,
                               std::span<const FlagBinding> flags, BulkPlaces places,
                               std::uint8_t factory) {
    return {id, name, FeatureKind::FlagSet, 0, 0, flags, 0, 0, places, factory};
}
constexpr FeatureBinding WithLinesToSkip(FeatureBinding feature) {
    feature.linesToSkipControl = IDC_LINES_TO_SKIP;
    feature.linesToSkipBound = kLinesToSkipBound;
    return feature;
}

}  // namespace feature_table

// In feature-number order, which is also the order `show` lists them. Read All reads them in this
// order; Write All writes SetupRevision (87) last, after 102. The factory values lie inside the
// form's ranges, with a few options on.
inline constexpr std::array<FeatureBinding, 12> FeatureMap = [] {
    using namespace feature_table;
    return std::array<FeatureBinding, 12>{{
        Number(76, "ClampDelay", IDC_CLAMP_DELAY, 40, {0, 0}, 15),  // 1.5 s
        Number(85, "CustomerSpecialVersion", IDC_CUSTOMER_SPECIAL_VERSION, 255, {1, 1}, 0),
        Number(86, "SetupVersion", IDC_SETUP_VERSION, 255, {2, 2}, 3),
        Number(87, "SetupRevision", IDC_SETUP_REVISION, 255, {3, 11}, 12),
        // reprint, journal copy of validation
        Flags(88, "PrinterOptions", kPrinterOptions, {4, 3}, 0x30),
        Font(96, "JournalDefaultFont", IDC_JOURNAL_FONT, {5, 4}, 0x1E),        // Standard
        Font(97, "ValidationDefaultFont", IDC_VALIDATION_FONT, {6, 5}, 0x1F),  // Standard Bold
        // open 4 numerals, fonts defaulted at the end of each line
        Flags(98, "FontOptions", kFontOptions, {7, 6}, 0x84),
        Flags(99, "EmulationOptions", kEmulationOptions, {8, 7}, 0x02),  // LF added to each CR
        // 8 lpi spacing, blank lines skipped, 3 lines to skip
        WithLinesToSkip(Flags(100, "ValidationOptions", kValidationOptions, {9, 8}, 0xA3)),
        Flags(101, "TestModeOptions", kTestModeOptions, {10, 9}, 0x00),
        // blackmark sensor, auto header, text commands
        Flags(102, "MiscellaneousOptions", kMiscellaneousOptions, {11, 10}, 0x13),
    }};
}();

// The features in the order a bulk command walks them.
using FeatureOrder = std::array<const FeatureBinding*, FeatureMap.size()>;

namespace feature_table {

// Every place from 0 to 11 taken by exactly one feature, or the table does not compile.
constexpr FeatureOrder OrderBy(int BulkPlaces::*place) {
    FeatureOrder order{};
    for (const FeatureBinding& feature : FeatureMap) {
        const int at = feature.places.*place;
        if (at < 0 || at >= static_cast<int>(order.size()) || order[at] != nullptr) {
            throw "a place in a bulk command's walk is out of range or taken twice";
        }
        order[at] = &feature;
    }
    return order;
}

// Ids in strictly rising order; each box owning one bit of its own; no box on LinesToSkip's bits.
constexpr bool WellFormed() {
    for (std::size_t row = 0; row < FeatureMap.size(); ++row) {
        const FeatureBinding& feature = FeatureMap[row];
        if (row > 0 && feature.id <= FeatureMap[row - 1].id) {
            return false;
        }
        int owned = feature.linesToSkipControl != 0 ? kLinesToSkipBits : 0;
        for (const FlagBinding& flag : feature.flags) {
            const bool oneBit = flag.mask != 0 && (flag.mask & (flag.mask - 1)) == 0;
            if (!oneBit || (owned & flag.mask) != 0) {
                return false;
            }
            owned |= flag.mask;
        }
    }
    return true;
}
static_assert(WellFormed());

}  // namespace feature_table

inline constexpr FeatureOrder ReadAllOrder = feature_table::OrderBy(&BulkPlaces::read);
inline constexpr FeatureOrder WriteAllOrder = feature_table::OrderBy(&BulkPlaces::write);

}  // namespace tq
