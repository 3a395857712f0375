#include "cli/Profile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/ControlIds.h"
#include "framework/HeadlessForm.h"
#include "tests/unit/featuremap/FeatureForm.h"

namespace tq {
namespace {

namespace fs = std::filesystem;

const char* const kGoodProfile = R"({
  "ClampDelay": "15",
  "CustomerSpecialVersion": 0,
  "SetupVersion": "3",
  "SetupRevision": "",
  "PrinterOptions": "30",
  "JournalDefaultFont": "Standard",
  "ValidationDefaultFont": "none",
  "FontOptions": "84",
  "EmulationOptions": "02",
  "ValidationOptions": "a0",
  "LinesToSkip": 8,
  "TestModeOptions": "00",
  "MiscellaneousOptions": "13"
})";

// kGoodProfile with one member's line replaced.
std::string WithMember(const std::string& name, const std::string& line) {
    std::string text = kGoodProfile;
    const std::size_t start = text.find("  \"" + name + "\"");
    const std::size_t end = text.find('\n', start);
    return text.replace(start, end - start, line);
}

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::AddFeatureControls(form);
        directory = fs::temp_directory_path() / ("tq_profile_test_" + std::to_string(getpid()));
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string Write(const std::string& name, const std::string& text) {
        const fs::path path = directory / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    HeadlessForm form;
    fs::path directory;
};

// Every field is set, but for the empty SetupRevision: "" leaves a field as the form holds it.
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
    EXPECT_FALSE(fs::exists(saved + ".tmp"));
    std::ifstream file(saved);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(text, FormatProfile(form));
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
        {WithMember("FontOptions", "  \"FontOptions\": \"84\""), "line 10, column 3: expected ',' or '}' after member \"FontOptions\""},
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

TEST_F(ProfileTest, FilesThatCannotBeProfilesAreRefused) {
    const std::string missing = (directory / "missing.json").string();
    EXPECT_EQ(LoadProfile(form, missing), missing + ": cannot be read: No such file or directory");
    EXPECT_NE(LoadProfile(form, directory.string()).find(": cannot be read"), std::string::npos);
    const std::string huge = Write("huge.json", std::string(kMaxProfileSize + 1, ' '));
    EXPECT_NE(LoadProfile(form, huge).find("larger than a profile can be"), std::string::npos);
    const std::string unwritable = (directory / "no" / "such" / "dir.json").string();
    EXPECT_EQ(SaveProfile(form, unwritable).rfind(unwritable + ": cannot be written", 0), 0u);
    EXPECT_FALSE(fs::exists(unwritable + ".tmp"));
}

}  // namespace
}  // namespace tq
