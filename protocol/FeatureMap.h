// The two conversions between a printer feature of the table (FeatureTable.h) and its controls.
// The controls are the only store of configuration values: FeatureToForm puts a query's reply text
// into them, FormToFeature turns them back into the byte that a write sends, or into nothing when
// the feature is not to be written. Generic code walks the table; nothing here is written per
// feature.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <tuple>

#include "protocol/FeatureTable.h"

namespace tq {

class WindowOps;

// A choice among the map's rows, one bit per row in the map's order: the features a command is to
// write, or those it filled.
using FeatureSet = std::bitset<std::tuple_size_v<decltype(FeatureMap)>>;
inline FeatureSet AllFeatures() {
    return FeatureSet().set();
}
// The row of a feature of the map in FeatureMap.
std::size_t RowOf(const FeatureBinding& feature);

// A field of the form that holds a decimal number: a Number feature's edit, or the LinesToSkip edit
// of ValidationOptions. Named as the user knows it ("ClampDelay", "LinesToSkip").
struct NumberField {
    int control;
    std::string_view name;
    int bound;  // the largest value written; the smallest is 0
};

// The feature's number field, or nothing for a feature without one (a font list, a FlagSet other
// than ValidationOptions).
std::optional<NumberField> NumberFieldOf(const FeatureBinding& feature);

// The row of a feature by its name ("ClampDelay") or by its id; nullptr when there is none.
const FeatureBinding* FindFeature(std::string_view name);
const FeatureBinding* FindFeatureById(std::uint8_t id);

// Puts a successful query's reply text into the feature's controls: the decimal text of
// QueryFeatureDecimal for a Number feature, the two hexadecimal digits of QueryFeature otherwise.
// A null text counts as empty.
void FeatureToForm(WindowOps& form, const FeatureBinding& feature, const char* replyText);

// The byte to write for the feature, or nothing when its controls give none (an empty or
// out-of-range number, a font list without a selection). A FlagSet always gives a byte.
std::optional<std::uint8_t> FormToFeature(const WindowOps& form, const FeatureBinding& feature);

// The pieces of the conversions, for the front ends that show and set single features.

// The leading decimal integer of an edit's text, the way the C library's atoi reads it: leading
// white space skipped, an optional sign, then digits up to the first other character; no digits
// gives 0. Digits beyond the range of a 32-bit integer saturate at INT32_MAX (INT32_MIN with a
// minus sign), so an enormous text reads as a number that is out of every feature's range.
std::int32_t ReadLeadingInteger(std::string_view text);

// An edit's text as a number from 0 to bound: nothing for an empty text or one out of range.
std::optional<std::uint8_t> ReadBoundedNumber(std::string_view text, int bound);

// An edit's text as a whole number from 0 to bound, read strictly: decimal digits only, with spaces
// and tabs allowed before and after them. Nothing for any other text: empty, only blanks, a sign,
// any other character, or a value above the bound (however many digits it has). Whatever this
// accepts, ReadBoundedNumber reads as the same value.
std::optional<std::uint8_t> ReadWholeNumber(std::string_view text, int bound);

// A reply's text read as "%02x" reads it: leading white space skipped, then at most two
// hexadecimal digits of either case. Nothing when no digit follows.
std::optional<std::uint8_t> ReadHexByte(std::string_view text);

// The bits that the feature's checked boxes give (LinesToSkip not included).
std::uint8_t CheckedFlagBits(const WindowOps& form, const FeatureBinding& feature);
// Checks or clears every box of the feature by its mask; LinesToSkip is left alone.
void SetFlagBoxes(WindowOps& form, const FeatureBinding& feature, std::uint8_t value);
// The OR of every box's mask: the bits of the byte that the form can show.
std::uint8_t OwnedFlagBits(const FeatureBinding& feature);

}  // namespace tq
