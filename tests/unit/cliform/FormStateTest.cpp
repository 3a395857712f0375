#include "cli/FormState.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/ControlIds.h"
#include "framework/HeadlessForm.h"
#include "tests/unit/featuremap/FeatureForm.h"

namespace tq {
namespace {

class FormStateTest : public ::testing::Test {
protected:
    void SetUp() override { test::AddFeatureControls(form); }

    // Parses and applies one `set` argument; false (and the error kept) when it was refused.
    bool Set(const std::string& argument) {
        const SettingResult result = ParseSetArgument(argument);
        error = result.error;
        if (result.setting) {
            ApplySetting(form, *result.setting);
        }
        return result.setting.has_value();
    }

    HeadlessForm form;
    std::string error;
};

TEST_F(FormStateTest, ShowGivesOneLinePerFieldWithLinesToSkipOnItsOwn) {
    form.SetDlgItemText(IDC_CLAMP_DELAY, "12");
    form.SetDlgItemText(IDC_SETUP_VERSION, "3x");
    form.SetCheck(1054, 1);
    form.SetCheck(1052, 1);
    form.SetCheck(1049, 1);
    form.SetCurSel(IDC_JOURNAL_FONT, 1);
    form.SetCheck(IDC_REDUCED_SPACING, 1);
    form.SetDlgItemText(IDC_LINES_TO_SKIP, "8");
    form.SetCheck(1037, 2);  // not exactly 1: not checked
    EXPECT_EQ(FormatShownLines(ShowForm(form)),
              "76 ClampDelay 12\n"
              "85 CustomerSpecialVersion \n"
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
              "102 MiscellaneousOptions 00\n");
    const std::string json = FormatShownJson(ShowForm(form));
    EXPECT_NE(json.find("  \"PrinterOptions\": \"45\",\n"), std::string::npos) << json;
    EXPECT_NE(json.find("  \"MiscellaneousOptions\": \"00\"\n}\n"), std::string::npos) << json;
}

TEST_F(FormStateTest, SetChangesControlsAsAPersonWould) {
    EXPECT_TRUE(Set("ClampDelay= 12abc"));  // a number's text is taken as it stands
    EXPECT_EQ(form.GetDlgItemText(IDC_CLAMP_DELAY), " 12abc");
    EXPECT_TRUE(Set("SetupRevision="));
    EXPECT_EQ(form.GetDlgItemText(IDC_SETUP_REVISION), "");
    EXPECT_TRUE(Set("LinesToSkip=8"));
    EXPECT_TRUE(Set("PrinterOptions=fF"));  // bits no box owns are dropped, as the form drops them
    EXPECT_EQ(ShowForm(form)[4].value, "77");
    EXPECT_TRUE(Set("ValidationOptions=E5"));  // the boxes only: LinesToSkip stays 8
    EXPECT_EQ(ShowForm(form)[9].value, "E0");
    EXPECT_EQ(form.GetDlgItemText(IDC_LINES_TO_SKIP), "8");
    EXPECT_TRUE(Set("EmulationOptions=5"));
    EXPECT_EQ(ShowForm(form)[8].value, "05");
    EXPECT_TRUE(Set("ValidationDefaultFont=Standard - Default"));
    EXPECT_EQ(form.GetCurSel(IDC_VALIDATION_FONT), 0);
    EXPECT_TRUE(Set("ValidationDefaultFont=none"));
    EXPECT_EQ(form.GetCurSel(IDC_VALIDATION_FONT), CB_ERR);
    EXPECT_TRUE(Set("1054=0"));
    EXPECT_EQ(form.GetCheck(1054), 0);
    EXPECT_TRUE(Set("1084=1"));
    EXPECT_EQ(ShowForm(form)[12].value, "10");
}

TEST_F(FormStateTest, SetRefusesUnknownNamesAndMalformedValuesWithoutTouchingTheForm) {
    const std::string before = test::DescribeFeatureControls(form);
    const std::pair<const char*, const char*> refused[] = {
        {"ClampDelay", "is not NAME=VALUE"},
        {"=12", "is not NAME=VALUE"},
        {"clampdelay=12", "is not a field of the form"},
        {"Bogus=1", "is not a field of the form"},
        {"PrinterOptions=", "is not a byte in hexadecimal"},
        {"PrinterOptions=100", "is not a byte in hexadecimal"},
        {"PrinterOptions=0x5", "is not a byte in hexadecimal"},
        {"PrinterOptions=G1", "is not a byte in hexadecimal"},
        {"PrinterOptions=-1", "is not a byte in hexadecimal"},
        {"JournalDefaultFont=standard", "is not a font; use one of \"Standard - Default\""},
        {"JournalDefaultFont=", "is not a font"},
        {"1059=1", "is neither a field of the form nor one of its check boxes"},
        {"1000=1", "is neither a field"},
        {"99999999999=1", "is neither a field"},
        {"1054=2", "a check box takes 1 (checked) or 0 (cleared)"},
        {"1054=", "a check box takes 1"},
    };
    for (const auto& [argument, expected] : refused) {
        EXPECT_FALSE(Set(argument)) << argument;
        EXPECT_NE(error.find(expected), std::string::npos) << argument << ": " << error;
    }
    EXPECT_EQ(test::DescribeFeatureControls(form), before);
}

}  // namespace
}  // namespace tq
