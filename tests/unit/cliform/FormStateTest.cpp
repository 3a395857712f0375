#include "cli/FormState.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "framework/ControlIds.h"
#include "framework/HeadlessForm.h"
#include "tests/unit/featuremap/FeatureForm.h"

namespace tq {
namespace {

class FormStateTest : public ::testing::Test {
protected:
    // Parses and applies one `set` argument; false (and the error kept) when it was refused.
    bool Set(const std::string& argument) {
        const SettingResult result = ParseSetArgument(argument);
        error = result.error;
        if (result.setting) {
            error = ApplySetting(configuration, *result.setting, Provenance::Set);
        }
        return result.setting.has_value() && error.empty();
    }

    std::string Shown() const { return FormatShownLines(ShowFields(configuration)); }

    Configuration configuration;
    std::string error;
};

// A field that nobody read, loaded or set is unknown, and shown so; a Read All's fields come out of
// the form's controls in show's notation, and only those of the features it filled.
TEST_F(FormStateTest, ShowSaysWhichFieldsAreUnknownAndTakesReadFieldsFromTheForm) {
    HeadlessForm form;
    test::AddFeatureControls(form);
    form.SetDlgItemText(IDC_CLAMP_DELAY, "12");
    form.SetDlgItemText(IDC_SETUP_VERSION, "3x");
    form.SetCheck(1054, 1);
    form.SetCheck(1052, 1);
    form.SetCheck(1049, 1);
    form.SetCurSel(IDC_JOURNAL_FONT, 1);
    form.SetCheck(IDC_REDUCED_SPACING, 1);
    form.SetDlgItemText(IDC_LINES_TO_SKIP, "8");
    form.SetCheck(1037, 2);  // not exactly 1: not checked
    FeatureSet filled = AllFeatures();
    filled.reset(RowOf(*FindFeature("CustomerSpecialVersion")));
    filled.reset(RowOf(*FindFeature("MiscellaneousOptions")));
    configuration.TakeFromForm(form, filled);
    EXPECT_EQ(Shown(),
              "76 ClampDelay 12\n"
              "85 CustomerSpecialVersion unknown\n"
              "86 SetupVersion 3x\n"
              "87 SetupRevision \n"
              "88 PrinterOptions 45\n"
              "96 JournalDefaultFont Standard\n"
              "97 ValidationDefaultFont none\n"
              "98 FontOptions 00\n"
              "99 EmulationOptions 00\n"
              "100 ValidationOptions 20\n"
              "100 LinesToSkip 8\n"
              "101 TestModeOptions 00\n"
              "102 MiscellaneousOptions unknown\n");
    // In JSON a number is a number; a number field's text that is none stays the string it is.
    const std::string json = FormatShownJson(ShowFields(configuration), configuration.Source());
    for (const char* line : {"  \"ClampDelay\": 12,\n", "  \"SetupVersion\": \"3x\",\n",
                             "  \"SetupRevision\": \"\",\n", "  \"PrinterOptions\": \"45\",\n",
                             "  \"LinesToSkip\": 8,\n", "  \"MiscellaneousOptions\": null,\n"}) {
        EXPECT_NE(json.find(line), std::string::npos) << line << json;
    }
}

// What goes into the form for a Write All: every known field into its controls, an unknown one's
// controls emptied; and the features a Write All may send are those whose every field is known.
TEST_F(FormStateTest, OnlyFeaturesWhoseFieldsAreAllKnownAreWritable) {
    ASSERT_TRUE(Set("ClampDelay=20"));
    ASSERT_TRUE(Set("FontOptions=81"));
    ASSERT_TRUE(Set("LinesToSkip=3"));
    HeadlessForm form;
    test::AddFeatureControls(form);
    form.SetCheck(1054, 1);
    form.SetCurSel(IDC_VALIDATION_FONT, 2);
    configuration.PutIntoForm(form);
    EXPECT_EQ(test::DescribeFeatureControls(form),
              "ClampDelay='20' CustomerSpecialVersion='' SetupVersion='' SetupRevision='' "
              "PrinterOptions=000000 JournalDefaultFont=-1 ValidationDefaultFont=-1 "
              "FontOptions=100001 EmulationOptions=0000 ValidationOptions=000'3' "
              "TestModeOptions=000 MiscellaneousOptions=0000 ");
    FeatureSet partly;
    FeatureSet writable = configuration.WritableFeatures(partly);
    EXPECT_EQ(writable, FeatureSet()
                            .set(RowOf(*FindFeature("ClampDelay")))
                            .set(RowOf(*FindFeature("FontOptions"))));
    EXPECT_EQ(partly, FeatureSet().set(RowOf(*FindFeature("ValidationOptions"))));
    ASSERT_TRUE(Set("ValidationOptions=40"));
    writable = configuration.WritableFeatures(partly);
    EXPECT_TRUE(writable.test(RowOf(*FindFeature("ValidationOptions"))));
    EXPECT_TRUE(partly.none());
}

// Each accepted value, applied in turn, and the field as `show` then prints it.
TEST_F(FormStateTest, SetTakesTheValuesEachFieldCanHold) {
    const std::tuple<const char*, std::size_t, const char*> accepted[] = {
        {"ClampDelay=0", 0, "0"},
        {"ClampDelay=40", 0, "40"},
        {"ClampDelay=007", 0, "7"},
        {"CustomerSpecialVersion=41", 1, "41"},
        {"SetupVersion=255", 2, "255"},
        {"PrinterOptions=77", 4, "77"},
        {"PrinterOptions=4", 4, "04"},
        {"1054=1", 4, "05"},
        {"1052=0", 4, "01"},
        {"JournalDefaultFont=Standard Bold", 5, "Standard Bold"},
        {"JournalDefaultFont=ocr", 5, "OCR"},  // any case, kept as the list spells it
        {"JournalDefaultFont=STANDARD - default", 5, "Standard - Default"},
        {"ValidationDefaultFont=None", 6, "none"},
        {"ValidationDefaultFont=none", 6, "none"},
        {"FontOptions=9f", 7, "9F"},
        {"ValidationOptions=E0", 9, "E0"},
        {"LinesToSkip=8", 10, "8"},
        {"MiscellaneousOptions=0", 12, "00"},
        {"1084=1", 12, "10"},
    };
    for (const auto& [argument, field, shown] : accepted) {
        EXPECT_TRUE(Set(argument)) << argument << ": " << error;
        EXPECT_EQ(ShowFields(configuration)[field].value, shown) << argument;
    }
    EXPECT_EQ(ShowFields(configuration)[9].value, "E0");  // LinesToSkip=8 left the boxes alone
}

// A single box of a group nobody gave would make a byte whose other bits nobody gave.
TEST_F(FormStateTest, ACheckBoxOfAnUnknownGroupIsRefused) {
    EXPECT_FALSE(Set("1054=1"));
    EXPECT_EQ(error,
              "PrinterOptions was never read, loaded or set, so its other boxes are not known: "
              "read-all first, or set the whole group (PrinterOptions=HH)");
    EXPECT_EQ(ShowFields(configuration)[4].value, std::nullopt);
}

// What the form would write as something else (0 for "abc", nothing for "41") or drop (a bit no
// box owns) is refused, naming the field and what it takes; the form is left as it was.
TEST_F(FormStateTest, SetRefusesWhatTheFormWouldWriteOtherwise) {
    const std::string before = Shown();
    const std::pair<const char*, const char*> refused[] = {
        {"ClampDelay=0x10", "ClampDelay takes a whole number from 0 to 40, not \"0x10\""},
        {"ClampDelay=abc", "ClampDelay takes a whole number from 0 to 40, not \"abc\""},
        {"ClampDelay=41", "ClampDelay takes a whole number from 0 to 40, not \"41\""},
        {"ClampDelay=-1", "not \"-1\""},
        {"ClampDelay= 12", "not \" 12\""},
        {"ClampDelay=12abc", "not \"12abc\""},
        {"ClampDelay=", "ClampDelay takes a whole number from 0 to 40, not \"\""},
        {"ClampDelay=99999999999", "not \"99999999999\""},
        {"SetupRevision=256", "SetupRevision takes a whole number from 0 to 255, not \"256\""},
        {"LinesToSkip=9", "LinesToSkip takes a whole number from 0 to 8, not \"9\""},
        {"PrinterOptions=FF",
         "PrinterOptions takes hex bits within 0x77 (the bits its check boxes own), written as 1 "
         "or 2 hex digits without 0x, not \"FF\""},
        {"PrinterOptions=08", "within 0x77"},
        {"PrinterOptions=0x41", "not \"0x41\""},
        {"PrinterOptions=100", "not \"100\""},
        {"PrinterOptions=", "not \"\""},
        {"ValidationOptions=E5",
         "within 0xE0 (the bits its check boxes own; LinesToSkip is a field of its own)"},
        {"TestModeOptions=08", "TestModeOptions takes hex bits within 0x07"},
        {"JournalDefaultFont=Standrd",
         "JournalDefaultFont takes a font: \"Standard - Default\", \"Standard\""},
        {"JournalDefaultFont=", "or \"none\", not \"\""},
        {"1054=2", "1054 (a check box) takes 1 (checked) or 0 (cleared), not \"2\""},
        {"1054=", "not \"\""},
        {"1059=1", "1059: is neither a field of the form nor one of its check boxes"},
        {"1000=1", "is neither a field"},
        {"99999999999=1", "is neither a field"},
        {"clampdelay=12", "clampdelay: is not a field of the form"},
        {"ClampDelay", "\"ClampDelay\" is not NAME=VALUE"},
        {"=12", "is not NAME=VALUE"},
    };
    for (const auto& [argument, expected] : refused) {
        EXPECT_FALSE(Set(argument)) << argument;
        EXPECT_NE(error.find(expected), std::string::npos) << argument << ": " << error;
    }
    EXPECT_EQ(Shown(), before);
}

// The same checks read a profile; what a profile also takes is "" for any field, which leaves the
// field as it is.
TEST_F(FormStateTest, AProfileAlsoTakesEmptyToLeaveAFieldAsItIs) {
    for (const char* name : {"ClampDelay", "LinesToSkip", "PrinterOptions", "JournalDefaultFont"}) {
        const SettingResult empty = ParseSetting(name, "", ValueSource::Profile);
        ASSERT_TRUE(empty.setting) << empty.error;
        EXPECT_EQ(empty.setting->kind, FormSetting::Kind::Unchanged) << name;
    }
    EXPECT_EQ(ParseSetting("ClampDelay", "41", ValueSource::Profile).error,
              "ClampDelay takes a whole number from 0 to 40 (or \"\" to leave ClampDelay as it "
              "is), not \"41\"");
    EXPECT_FALSE(ParseSetting("PrinterOptions", "", ValueSource::SetArgument).setting);
    EXPECT_FALSE(ParseSetting("1054", "1", ValueSource::Profile).setting);
}

}  // namespace
}  // namespace tq
