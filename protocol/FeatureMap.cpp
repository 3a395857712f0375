#include "protocol/FeatureMap.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

#include "framework/WindowOps.h"
#include "protocol/FontTable.h"

namespace tq {

namespace {

// LinesToSkip is shown as the byte AND 7, except that the 8 the form itself writes is shown as 8:
// read as 0, a Read All followed by a Write All would turn the printer's 8 into 0.
constexpr std::uint8_t kLinesToSkipReadMask = 0x07;

int ShownLinesToSkip(std::uint8_t value) {
    const int field = value & kLinesToSkipBits;
    return field == kLinesToSkipBound ? field : value & kLinesToSkipReadMask;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

const FeatureBinding* FindFeature(std::string_view name) {
    for (const FeatureBinding& feature : FeatureMap) {
        if (name == feature.name) {
            return &feature;
        }
    }
    return nullptr;
}

std::size_t RowOf(const FeatureBinding& feature) {
    return static_cast<std::size_t>(&feature - FeatureMap.data());
}

std::optional<NumberField> NumberFieldOf(const FeatureBinding& feature) {
    if (feature.kind == FeatureKind::Number) {
        return NumberField{feature.control, feature.name, feature.upperBound};
    }
    if (feature.linesToSkipControl != 0) {
        return NumberField{feature.linesToSkipControl, kLinesToSkipName, feature.linesToSkipBound};
    }
    return std::nullopt;
}

const FeatureBinding* FindFeatureById(std::uint8_t id) {
    for (const FeatureBinding& feature : FeatureMap) {
        if (feature.id == id) {
            return &feature;
        }
    }
    return nullptr;
}

std::int32_t ReadLeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    // The magnitude stops growing one past INT32_MAX, enough to land out of range either way.
    constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(kCap, magnitude * 10 + (text[i] - '0'));
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::optional<std::uint8_t> ReadBoundedNumber(std::string_view text, int bound) {
    if (text.empty()) {
        return std::nullopt;
    }
    const std::int32_t value = ReadLeadingInteger(text);
    if (value < 0 || value > bound) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<std::uint8_t> ReadWholeNumber(std::string_view text, int bound) {
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) {
        ++first;
    }
    std::size_t end = text.size();
    while (end > first && IsBlank(text[end - 1])) {
        --end;
    }
    if (first == end) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = first; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
        if (value > bound) {  // stops before any number of digits can overflow
            return std::nullopt;
        }
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<std::uint8_t> ReadHexByte(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    int value = -1;
    for (int digits = 0; digits < 2 && i < text.size() && HexDigit(text[i]) >= 0; ++digits, ++i) {
        value = (value < 0 ? 0 : value * 16) + HexDigit(text[i]);
    }
    if (value < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

std::uint8_t CheckedFlagBits(const WindowOps& form, const FeatureBinding& feature) {
    std::uint8_t bits = 0;
    for (const FlagBinding& flag : feature.flags) {
        // Only a state of exactly 1 counts as checked.
        if (form.GetCheck(flag.control) == 1) {
            bits |= flag.mask;
        }
    }
    return bits;
}

void SetFlagBoxes(WindowOps& form, const FeatureBinding& feature, std::uint8_t value) {
    for (const FlagBinding& flag : feature.flags) {
        form.SetCheck(flag.control, (value & flag.mask) != 0 ? 1 : 0);
    }
}

std::uint8_t OwnedFlagBits(const FeatureBinding& feature) {
    std::uint8_t bits = 0;
    for (const FlagBinding& flag : feature.flags) {
        bits |= flag.mask;
    }
    return bits;
}

namespace {

void FlagSetToForm(WindowOps& form, const FeatureBinding& feature, std::string_view text) {
    // A reply always carries two hexadecimal digits; a text without any changes nothing.
    const std::optional<std::uint8_t> value = ReadHexByte(text);
    if (!value) {
        return;
    }
    SetFlagBoxes(form, feature, *value);
    if (feature.linesToSkipControl != 0) {
        char digit[4];
        std::snprintf(digit, sizeof digit, "%d", ShownLinesToSkip(*value));
        form.SetDlgItemText(feature.linesToSkipControl, digit);
    }
}

// A code the font table does not hold leaves the list's selection as it was.
void FontChoiceToForm(WindowOps& form, const FeatureBinding& feature, std::string_view text) {
    const std::optional<std::uint8_t> code = ReadHexByte(text);
    if (!code) {
        return;
    }
    if (const std::optional<int> index = FontIndexOfCode(*code)) {
        form.SetCurSel(feature.control, *index);
    }
}

std::uint8_t FlagSetFromForm(const WindowOps& form, const FeatureBinding& feature) {
    std::uint8_t value = CheckedFlagBits(form, feature);
    if (feature.linesToSkipControl != 0) {
        const std::string text = form.GetDlgItemText(feature.linesToSkipControl);
        if (const auto lines = ReadBoundedNumber(text, feature.linesToSkipBound)) {
            value |= *lines;
        }
    }
    return value;
}

}  // namespace

void FeatureToForm(WindowOps& form, const FeatureBinding& feature, const char* replyText) {
    const std::string_view text = replyText ? replyText : "";
    switch (feature.kind) {
        case FeatureKind::Number:
            // Shown exactly as it came, with no range test: a stored 200 shows as 200.
            form.SetDlgItemText(feature.control, std::string(text));
            return;
        case FeatureKind::FlagSet:
            FlagSetToForm(form, feature, text);
            return;
        case FeatureKind::FontChoice:
            FontChoiceToForm(form, feature, text);
            return;
    }
}

std::optional<std::uint8_t> FormToFeature(const WindowOps& form, const FeatureBinding& feature) {
    switch (feature.kind) {
        case FeatureKind::Number:
            return ReadBoundedNumber(form.GetDlgItemText(feature.control), feature.upperBound);
        case FeatureKind::FlagSet:
            return FlagSetFromForm(form, feature);
        case FeatureKind::FontChoice:
            // Only the list selection counts, not what was typed into an editable list.
            return FontCodeOfIndex(form.GetCurSel(feature.control));
    }
    return std::nullopt;
}

}  // namespace tq
