#include "cli/Profile.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/ProfileDiff.h"
#include "framework/ControlIds.h"
#include "framework/HeadlessForm.h"
#include "tests/unit/cliform/ProfileFixture.h"
#include "tests/unit/featuremap/FeatureForm.h"

namespace tq {
namespace {

using test::kGoodProfile;
using test::Replaced;
using test::WithMember;
namespace fs = std::filesystem;

using ProfileTest = test::ProfileFolderTest;

TEST_F(ProfileTest, AGoodProfileSetsEveryFieldButThoseLeftEmpty) {
    form.SetCurSel(IDC_VALIDATION_FONT, 3);
    form.SetDlgItemText(IDC_SETUP_REVISION, "9");
    EXPECT_EQ(LoadProfile(form, Write("good.json", kGoodProfile)), "");
    EXPECT_EQ(test::DescribeFeatureControls(form),
              "ClampDelay='15' CustomerSpecialVersion='0' SetupVersion='3' SetupRevision='9' "
              "PrinterOptions=000110 JournalDefaultFont=1 ValidationDefaultFont=-1 "
              "FontOptions=001001 EmulationOptions=0100 ValidationOptions=101'8' "
              "TestModeOptions=000 MiscellaneousOptions=1101 ");

    form.SetDlgItemText(IDC_LINES_TO_SKIP, "5");
    const std::string keepsLines = WithMember("LinesToSkip", "  \"LinesToSkip\": \"\",");
    EXPECT_EQ(LoadProfile(form, Write("keep.json", keepsLines)), "");
    EXPECT_EQ(form.GetDlgItemText(IDC_LINES_TO_SKIP), "5");
}

TEST_F(ProfileTest, SavedProfilesLoadBackIntoTheSameForm) {
    ASSERT_EQ(LoadProfile(form, Write("good.json", kGoodProfile)), "");
    const std::string saved = (directory / "saved.json").string();
    ASSERT_EQ(SaveProfile(form, saved), "");
    HeadlessForm copy;
    test::AddFeatureControls(copy);
    ASSERT_EQ(LoadProfile(copy, saved), "");
    EXPECT_EQ(test::DescribeFeatureControls(copy), test::DescribeFeatureControls(form));
    EXPECT_EQ(Read(saved), FormatProfile(form));
    EXPECT_EQ(EntryCount(), 2u) << "a temporary file was left behind";
}

// Each bad profile names the field (or the line) and leaves every control as it was.
TEST_F(ProfileTest, BadProfilesChangeNoControlAndSayWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {WithMember("ClampDelay", "  \"ClampDelay\": \"41\","),
         "line 2: ClampDelay takes a whole number from 0 to 40 (or \"\" to leave the form's "
         "ClampDelay as it is), not \"41\""},
        {WithMember("ClampDelay", "  \"ClampDelay\": \"12abc\","), "line 2: ClampDelay takes"},
        {WithMember("ClampDelay", "  \"ClampDelay\": 99999999999999999999,"),
         "as it is), not \"99999999999999999999\""},
        {WithMember("ClampDelay", "  \"ClampDelay\": -1,"), "as it is), not \"-1\""},
        {WithMember("ClampDelay", "  \"ClampDelay\": 1.5,"), "not \"1.5\""},
        {WithMember("SetupVersion", "  \"SetupVersion\": \"256\","),
         "line 4: SetupVersion takes a whole number from 0 to 255"},
        {WithMember("LinesToSkip", "  \"LinesToSkip\": 9,"),
         "LinesToSkip takes a whole number from 0 to 8"},
        {WithMember("PrinterOptions", "  \"PrinterOptions\": \"38\","),
         "line 6: PrinterOptions takes hex bits within 0x77 (the bits its check boxes own)"},
        {WithMember("PrinterOptions", "  \"PrinterOptions\": 30,"),
         "PrinterOptions: write the value as a string"},
        {WithMember("ValidationOptions", "  \"ValidationOptions\": \"E5\","),
         "ValidationOptions takes hex bits within 0xE0"},
        {WithMember("JournalDefaultFont", "  \"JournalDefaultFont\": \"Huge\","),
         "JournalDefaultFont takes a font: "},
        {WithMember("TestModeOptions", "  \"Bogus\": \"00\","),
         "Bogus: is not a field of the form"},
        {WithMember("TestModeOptions", "  \"ClampDelay\": \"1\","),
         "line 13: ClampDelay: given more than once"},
        {WithMember("TestModeOptions", "  \"1037\": \"1\","), "1037: is not a field"},
        {WithMember("SetupRevision", ""), "missing SetupRevision"},
        {WithMember("FontOptions", "  \"FontOptions\": \"84\""),
         "line 10, column 20: syntax error while parsing object - unexpected string literal; "
         "expected '}' after member \"FontOptions\""},
        {WithMember("FontOptions", "  \"FontOptions\": null,"),
         "line 9, column 21: expected a string or a number as the value of \"FontOptions\""},
        {"", "line 1, column 1: expected '{'"},
        {"{}", "missing ClampDelay, CustomerSpecialVersion"},
    };
    form.SetDlgItemText(IDC_CLAMP_DELAY, "7");
    form.SetCheck(1037, 1);
    const std::string before = test::DescribeFeatureControls(form);
    for (const auto& [text, expected] : cases) {
        const std::string path = Write("bad.json", text);
        const std::string error = LoadProfile(form, path);
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
        EXPECT_EQ(test::DescribeFeatureControls(form), before) << error;
    }
}

TEST_F(ProfileTest, DashIsStandardOutputAndStandardInput) {
    ASSERT_EQ(LoadProfile(form, Write("good.json", kGoodProfile)), "");
    std::ostringstream out;
    EXPECT_EQ(SaveProfile(form, "-", out), "");
    EXPECT_EQ(out.str(), FormatProfile(form));
    EXPECT_FALSE(fs::exists("-"));

    HeadlessForm copy;
    test::AddFeatureControls(copy);
    std::istringstream in(out.str());
    EXPECT_EQ(LoadProfile(copy, "-", in), "");
    EXPECT_EQ(test::DescribeFeatureControls(copy), test::DescribeFeatureControls(form));
    std::istringstream bad("{}");
    EXPECT_EQ(LoadProfile(copy, "-", bad).rfind("standard input: missing ClampDelay", 0), 0u);
}

// A form that holds a profile differs from it nowhere, however its values are spelt; what the
// profile leaves to the printer ("" and a font of "none") never differs; every other field that
// load would change is one line, in the order `show` lists them.
TEST_F(ProfileTest, DiffListsWhatLoadingTheProfileWouldChange) {
    ASSERT_EQ(LoadProfile(form, Write("good.json", kGoodProfile)), "");
    const std::pair<std::string, std::string> cases[] = {
        {kGoodProfile, ""},
        {WithMember("ClampDelay", "  \"ClampDelay\": \"015\","), ""},
        {WithMember("ValidationOptions", "  \"ValidationOptions\": \"A0\","), ""},
        {WithMember("ClampDelay", "  \"ClampDelay\": \"\","), ""},
        {WithMember("JournalDefaultFont", "  \"JournalDefaultFont\": \"none\","), ""},
        {WithMember("PrinterOptions", "  \"PrinterOptions\": \"55\","),
         "88 PrinterOptions printer 30 profile 55\n"},
        {WithMember("SetupRevision", "  \"SetupRevision\": 7,"),
         "87 SetupRevision printer  profile 7\n"},
        {WithMember("ValidationDefaultFont", "  \"ValidationDefaultFont\": \"Standard Bold\","),
         "97 ValidationDefaultFont printer none profile Standard Bold\n"},
        {Replaced(WithMember("ClampDelay", "  \"ClampDelay\": 9,"), "\"LinesToSkip\": 8",
                  "\"LinesToSkip\": 0"),
         "76 ClampDelay printer 15 profile 9\n100 LinesToSkip printer 8 profile 0\n"},
    };
    const std::string before = test::DescribeFeatureControls(form);
    for (const auto& [text, expected] : cases) {
        const ProfileResult profile = ParseProfile(text);
        ASSERT_EQ(profile.error, "") << text;
        EXPECT_EQ(FormatDifferenceLines(CompareWithProfile(form, profile.settings)), expected)
            << text;
    }
    EXPECT_EQ(test::DescribeFeatureControls(form), before);

    form.SetDlgItemText(IDC_CLAMP_DELAY, "1\x1B");
    const auto differences = CompareWithProfile(form, ParseProfile(kGoodProfile).settings);
    EXPECT_EQ(FormatDifferenceLines(differences), "76 ClampDelay printer 1\\x1B profile 15\n");
    EXPECT_EQ(FormatDifferenceJson(differences),
              "{\"id\":76,\"name\":\"ClampDelay\",\"printer\":\"1\\u001b\",\"profile\":\"15\"}\n");
}

}  // namespace
}  // namespace tq
