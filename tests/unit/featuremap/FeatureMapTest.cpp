#include "protocol/FeatureMap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

#include "framework/ControlIds.h"
#include "framework/HeadlessForm.h"
#include "protocol/FontTable.h"
#include "tests/unit/featuremap/FeatureForm.h"

namespace tq {
namespace {

// A form holding every control of the feature map, the font lists filled as the main form fills
// them and nothing selected.
class FeatureMapTest : public ::testing::Test {
protected:
    void SetUp() override { test::AddFeatureControls(form); }

    static const FeatureBinding& Feature(const char* name) {
        const FeatureBinding* feature = FindFeature(name);
        EXPECT_NE(feature, nullptr) << name;
        return *feature;
    }

    std::optional<std::uint8_t> NumberFrom(const char* name, const std::string& text) {
        const FeatureBinding& feature = Feature(name);
        form.SetDlgItemText(feature.control, text);
        return FormToFeature(form, feature);
    }

    void CheckAll(const FeatureBinding& feature, int state) {
        for (const FlagBinding& flag : feature.flags) {
            form.SetCheck(flag.control, state);
        }
    }

    std::string Boxes(const FeatureBinding& feature) const {
        std::string states;
        for (const FlagBinding& flag : feature.flags) {
            states += std::to_string(form.GetCheck(flag.control));
        }
        return states;
    }

    HeadlessForm form;
};

// Each row of the table is found by its name, exactly as spelt, and by its id; nothing else is.
TEST_F(FeatureMapTest, EachFeatureIsFoundByItsNameAndItsId) {
    for (const FeatureBinding& feature : FeatureMap) {
        EXPECT_EQ(FindFeature(feature.name), &feature);
        EXPECT_EQ(FindFeatureById(feature.id), &feature);
    }
    EXPECT_EQ(FindFeature("clampdelay"), nullptr);
    EXPECT_EQ(FindFeature(""), nullptr);
    EXPECT_EQ(FindFeatureById(0x40), nullptr);
    // Exactly one feature carries LinesToSkip, and its boxes stay clear of its bits.
    const FeatureBinding& validation = Feature("ValidationOptions");
    EXPECT_EQ(validation.linesToSkipControl, IDC_LINES_TO_SKIP);
    EXPECT_EQ(OwnedFlagBits(validation) & kLinesToSkipBits, 0);
}

TEST_F(FeatureMapTest, NumbersReadTheLeadingIntegerWithinTheBound) {
    EXPECT_EQ(NumberFrom("ClampDelay", "12"), 12);
    EXPECT_EQ(NumberFrom("ClampDelay", "   12"), 12);
    EXPECT_EQ(NumberFrom("ClampDelay", "\t\n12"), 12);
    EXPECT_EQ(NumberFrom("ClampDelay", "12abc"), 12);
    EXPECT_EQ(NumberFrom("ClampDelay", "+12"), 12);
    EXPECT_EQ(NumberFrom("ClampDelay", "abc"), 0);  // no digits reads as 0, which is written
    EXPECT_EQ(NumberFrom("ClampDelay", " "), 0);
    EXPECT_EQ(NumberFrom("ClampDelay", "-0"), 0);
    EXPECT_EQ(NumberFrom("ClampDelay", ""), std::nullopt);
    EXPECT_EQ(NumberFrom("ClampDelay", "-1"), std::nullopt);
    EXPECT_EQ(NumberFrom("ClampDelay", "40"), 40);
    EXPECT_EQ(NumberFrom("ClampDelay", "41"), std::nullopt);
    for (const char* name : {"CustomerSpecialVersion", "SetupVersion", "SetupRevision"}) {
        EXPECT_EQ(NumberFrom(name, "41"), 41) << name;
        EXPECT_EQ(NumberFrom(name, "255"), 255) << name;
        EXPECT_EQ(NumberFrom(name, "256"), std::nullopt) << name;
        EXPECT_EQ(NumberFrom(name, "0x30"), 0) << name;  // decimal only: stops at the x
    }
}

TEST_F(FeatureMapTest, NumbersBeyondThirtyTwoBitsSaturateAndGiveNothing) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(ReadLeadingInteger("2147483647"), kMax);
    EXPECT_EQ(ReadLeadingInteger("2147483648"), kMax);
    EXPECT_EQ(ReadLeadingInteger("-2147483648"), kMin);
    EXPECT_EQ(ReadLeadingInteger("-2147483649"), kMin);
    // Digits that would wrap a 32-bit or 64-bit counter to a small value must not come back in
    // range: 2^32 + 5 and 2^64 + 5.
    EXPECT_EQ(NumberFrom("SetupVersion", "4294967301"), std::nullopt);
    EXPECT_EQ(NumberFrom("SetupVersion", "18446744073709551621"), std::nullopt);
    EXPECT_EQ(NumberFrom("SetupVersion", "-4294967291"), std::nullopt);
    const std::string enormous = "  " + std::string(1 << 20, '9') + "abc";
    EXPECT_EQ(ReadLeadingInteger(enormous), kMax);
    EXPECT_EQ(NumberFrom("SetupVersion", enormous), std::nullopt);
    EXPECT_EQ(NumberFrom("SetupVersion", std::string(1 << 20, '0') + "7"), 7);
}

// Each box checked in turn adds its mask; with LinesToSkip empty, ValidationOptions gives its
// boxes' bits alone.
TEST_F(FeatureMapTest, FlagSetsWithEveryBoxCheckedGiveTheirMasks) {
    for (const FeatureBinding& feature : FeatureMap) {
        if (feature.kind != FeatureKind::FlagSet) {
            continue;
        }
        EXPECT_EQ(FormToFeature(form, feature), 0x00) << feature.name;  // all clear gives a byte
        int checked = 0;
        for (const FlagBinding& flag : feature.flags) {
            form.SetCheck(flag.control, 1);
            checked |= flag.mask;
            EXPECT_EQ(FormToFeature(form, feature), checked) << feature.name;
        }
        CheckAll(feature, 2);  // only a state of exactly 1 counts as checked
        EXPECT_EQ(FormToFeature(form, feature), 0x00) << feature.name;
    }
}

TEST_F(FeatureMapTest, ValidationOptionsAddLinesToSkipFromZeroToEight) {
    const FeatureBinding& feature = Feature("ValidationOptions");
    CheckAll(feature, 1);
    const std::pair<const char*, int> expected[] = {
        {"8", 0xE8}, {"", 0xE0},   {"0", 0xE0},   {" 3x", 0xE3},
        {"9", 0xE0}, {"-1", 0xE0}, {"abc", 0xE0}, {"99999999999999", 0xE0},
    };
    for (const auto& [text, byte] : expected) {
        form.SetDlgItemText(IDC_LINES_TO_SKIP, text);
        EXPECT_EQ(FormToFeature(form, feature), byte) << "'" << text << "'";
    }
    CheckAll(feature, 0);
    form.SetDlgItemText(IDC_LINES_TO_SKIP, "5");
    EXPECT_EQ(FormToFeature(form, feature), 0x05);
}

TEST_F(FeatureMapTest, FlagRepliesSetEveryBoxAndIgnoreUnownedBits) {
    const FeatureBinding& printer = Feature("PrinterOptions");
    FeatureToForm(form, printer, "FF");
    EXPECT_EQ(Boxes(printer), "111111");
    FeatureToForm(form, printer, "08");
    EXPECT_EQ(Boxes(printer), "000000");
    CheckAll(printer, 1);
    FeatureToForm(form, printer, "80");
    EXPECT_EQ(Boxes(printer), "000000");
    // Boxes in table order, masks 01 02 04 10 20 40: 0x55 holds 01, 04, 10 and 40.
    FeatureToForm(form, printer, "55");
    EXPECT_EQ(Boxes(printer), "101101");
    FeatureToForm(form, printer, "aa");  // either case; 08 and 80 belong to no box
    EXPECT_EQ(Boxes(printer), "010010");
}

// The low three bits, or the 8 that the form writes in bits 0..3, so that Read All then Write All
// gives the printer back its own value.
TEST_F(FeatureMapTest, ValidationRepliesShowLinesToSkipAsTheLowThreeBitsOrEight) {
    const FeatureBinding& feature = Feature("ValidationOptions");
    CheckAll(feature, 1);
    FeatureToForm(form, feature, "08");
    EXPECT_EQ(Boxes(feature), "000");
    EXPECT_EQ(form.GetDlgItemText(IDC_LINES_TO_SKIP), "8");
    FeatureToForm(form, feature, "0F");
    EXPECT_EQ(form.GetDlgItemText(IDC_LINES_TO_SKIP), "7");
    FeatureToForm(form, feature, "FF");
    EXPECT_EQ(Boxes(feature), "111");
    EXPECT_EQ(form.GetDlgItemText(IDC_LINES_TO_SKIP), "7");
    FeatureToForm(form, feature, "E5");
    EXPECT_EQ(Boxes(feature), "111");
    EXPECT_EQ(form.GetDlgItemText(IDC_LINES_TO_SKIP), "5");
    FeatureToForm(form, feature, "26");
    EXPECT_EQ(Boxes(feature), "100");
    EXPECT_EQ(form.GetDlgItemText(IDC_LINES_TO_SKIP), "6");
}

// Every byte a flag feature can hold comes back as the bits the form owns, and nothing else; a
// LinesToSkip field of 8 (bits 0..3) comes back whole.
TEST_F(FeatureMapTest, EveryFlagByteRoundTripsToItsOwnedBits) {
    for (const FeatureBinding& feature : FeatureMap) {
        if (feature.kind != FeatureKind::FlagSet) {
            continue;
        }
        const int shown = OwnedFlagBits(feature) | (feature.linesToSkipControl ? 0x07 : 0);
        for (int value = 0; value <= 0xFF; ++value) {
            char reply[3];
            std::snprintf(reply, sizeof reply, "%02X", value);
            FeatureToForm(form, feature, reply);
            const bool eight = feature.linesToSkipControl != 0 && (value & kLinesToSkipBits) == 8;
            ASSERT_EQ(FormToFeature(form, feature), (value & shown) | (eight ? 8 : 0))
                << feature.name << " " << reply;
        }
    }
}

TEST_F(FeatureMapTest, RepliesWithoutHexDigitsChangeNothing) {
    const FeatureBinding& validation = Feature("ValidationOptions");
    FeatureToForm(form, validation, "E5");
    FeatureToForm(form, validation, "");
    FeatureToForm(form, validation, nullptr);
    FeatureToForm(form, validation, "zz");
    EXPECT_EQ(Boxes(validation), "111");
    EXPECT_EQ(form.GetDlgItemText(IDC_LINES_TO_SKIP), "5");
    EXPECT_EQ(ReadHexByte(" 7"), 0x07);
    EXPECT_EQ(ReadHexByte("123"), 0x12);  // at most two digits
    EXPECT_EQ(ReadHexByte("-1"), std::nullopt);
}

TEST_F(FeatureMapTest, NumberRepliesAreShownAsTheyCame) {
    const FeatureBinding& clamp = Feature("ClampDelay");
    FeatureToForm(form, clamp, "200");
    EXPECT_EQ(form.GetDlgItemText(IDC_CLAMP_DELAY), "200");
    EXPECT_EQ(FormToFeature(form, clamp), std::nullopt);  // shown, but out of range to write
    FeatureToForm(form, Feature("SetupRevision"), "7");
    EXPECT_EQ(form.GetDlgItemText(IDC_SETUP_REVISION), "7");
}

TEST_F(FeatureMapTest, FontRepliesSelectKnownCodesAndKeepTheSelectionOtherwise) {
    const FeatureBinding& journal = Feature("JournalDefaultFont");
    const FeatureBinding& validation = Feature("ValidationDefaultFont");
    EXPECT_EQ(FormToFeature(form, journal), std::nullopt);  // no selection: not written
    FeatureToForm(form, journal, "1B");
    EXPECT_EQ(form.GetCurSel(IDC_JOURNAL_FONT), kCbErr);
    FeatureToForm(form, journal, "1E");
    EXPECT_EQ(form.GetDlgItemText(IDC_JOURNAL_FONT), "Standard");
    EXPECT_EQ(FormToFeature(form, journal), 0x1E);
    FeatureToForm(form, journal, "FF");
    FeatureToForm(form, journal, "1b");
    EXPECT_EQ(form.GetDlgItemText(IDC_JOURNAL_FONT), "Standard");
    FeatureToForm(form, validation, "00");
    EXPECT_EQ(form.GetDlgItemText(IDC_VALIDATION_FONT), "Standard - Default");
    FeatureToForm(form, validation, "14");
    EXPECT_EQ(form.GetDlgItemText(IDC_VALIDATION_FONT), "Large Italic");
    EXPECT_EQ(form.GetCurSel(IDC_JOURNAL_FONT), 1);  // the other list is untouched
}

TEST_F(FeatureMapTest, EachFontEntryWritesItsCode) {
    const FeatureBinding& feature = Feature("ValidationDefaultFont");
    const std::uint8_t codes[] = {0x00, 0x1E, 0x1F, 0x1D, 0x1C, 0x1A, 0x19, 0x18, 0x15, 0x14};
    for (int index = 0; index < 10; ++index) {
        form.SetCurSel(IDC_VALIDATION_FONT, index);
        EXPECT_EQ(FormToFeature(form, feature), codes[index]) << index;
    }
    // Text typed into the editable part does not count; only the list selection does.
    form.SetCurSel(IDC_VALIDATION_FONT, kCbErr);
    form.SetDlgItemText(IDC_VALIDATION_FONT, "Standard");
    EXPECT_EQ(FormToFeature(form, feature), std::nullopt);
}

}  // namespace
}  // namespace tq
