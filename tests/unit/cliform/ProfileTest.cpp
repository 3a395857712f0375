#include "cli/Profile.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/ProfileDiff.h"
#include "tests/unit/cliform/ProfileFixture.h"

namespace tq {
namespace {

using test::kGoodProfile;
using test::Replaced;
using test::WithMember;
namespace fs = std::filesystem;

using ProfileTest = test::ProfileFolderTest;

// Every field a profile gives is loaded; one it leaves empty keeps what it held, known or not.
TEST_F(ProfileTest, AGoodProfileSetsEveryFieldButThoseLeftEmpty) {
    configuration.Give(*FieldIndex("SetupRevision"), "9", Provenance::Read);
    configuration.Give(*FieldIndex("ValidationDefaultFont"), "Large", Provenance::Read);
    const std::string keepsLines = WithMember("LinesToSkip", "  \"LinesToSkip\": \"\",");
    EXPECT_EQ(LoadProfile(configuration, Write("good.json", keepsLines)), "");
    EXPECT_EQ(Shown(),
              "76 ClampDelay 15\n85 CustomerSpecialVersion 0\n86 SetupVersion 3\n"
              "87 SetupRevision 9\n88 PrinterOptions 30\n96 JournalDefaultFont Standard\n"
              "97 ValidationDefaultFont none\n98 FontOptions 84\n99 EmulationOptions 02\n"
              "100 ValidationOptions A0\n100 LinesToSkip unknown\n101 TestModeOptions 00\n"
              "102 MiscellaneousOptions 13\n");
    EXPECT_EQ(configuration[*FieldIndex("SetupRevision")].provenance, Provenance::Read);
    EXPECT_EQ(configuration[*FieldIndex("ClampDelay")].provenance, Provenance::Loaded);
}

// An unknown field is saved as "" (leave as it is), never as a value nobody gave; the saved
// profile loads back to the same configuration.
TEST_F(ProfileTest, SavedProfilesLoadBackAndKeepUnknownFieldsEmpty) {
    const std::string keepsRevision = WithMember("SetupRevision", "  \"SetupRevision\": \"\",");
    ASSERT_EQ(LoadProfile(configuration, Write("good.json", keepsRevision)), "");
    const std::string saved = (directory / "saved.json").string();
    ASSERT_EQ(SaveProfile(configuration, saved), "");
    EXPECT_NE(Read(saved).find("  \"SetupRevision\": \"\",\n"), std::string::npos);
    Configuration copy;
    ASSERT_EQ(LoadProfile(copy, saved), "");
    EXPECT_EQ(FormatShownLines(ShowFields(copy)), Shown());
    EXPECT_EQ(Read(saved), FormatProfile(configuration));
    EXPECT_EQ(EntryCount(), 2u) << "a temporary file was left behind";
    EXPECT_EQ(FormatProfile(Configuration()).find(": \"0"), std::string::npos);
    // Numbers as JSON numbers, and the printer read last with the time of the read.
    configuration.SetSource({"usb", "/dev/usb/lp0", "A1234", "", "2025-06-01T02:00:00Z"});
    const std::string text = FormatProfile(configuration);
    EXPECT_NE(text.find("  \"ClampDelay\": 15,\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  \"inventory\": {\n    \"link\": \"usb\",\n    \"device\": "
                        "\"/dev/usb/lp0\",\n    \"serial\": \"A1234\",\n    \"setting\": \"\",\n"
                        "    \"time\": \"2025-06-01T02:00:00Z\"\n  }\n}"),
              std::string::npos)
        << text;
}

// `load` passes over the inventory member, whatever it holds, but takes it once at most.
TEST_F(ProfileTest, TheInventoryMemberIsPassedOver) {
    const std::string withInventory =
        Replaced(kGoodProfile, "\n}", ",\n  \"inventory\": {\"link\": [\"anything\", 1]}\n}");
    EXPECT_EQ(LoadProfile(configuration, Write("inventory.json", withInventory)), "");
    EXPECT_EQ(configuration[*FieldIndex("ClampDelay")].value, "15");
    const std::string twice = Replaced(withInventory, "\n}", ",\n  \"inventory\": \"\"\n}");
    EXPECT_NE(ParseProfile(twice).error.find("line 16: inventory: given more than once"),
              std::string::npos)
        << ParseProfile(twice).error;
}

// Each bad profile names the field (or the line) and leaves every control as it was.
TEST_F(ProfileTest, BadProfilesChangeNoControlAndSayWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {WithMember("ClampDelay", "  \"ClampDelay\": \"41\","),
         "line 2: ClampDelay takes a whole number from 0 to 40 (or \"\" to leave ClampDelay as it "
         "is), not \"41\""},
        {WithMember("ClampDelay", "  \"ClampDelay\": \"12abc\","), "line 2: ClampDelay takes"},
        {WithMember("ClampDelay", "  \"ClampDelay\": 99999999999999999999,"),
         "as it is), not \"99999999999999999999\""},
        {WithMember("ClampDelay", "  \"ClampDelay\": -1,"), "as it is), not \"-1\""},
        {WithMember("ClampDelay", "  \"ClampDelay\": -0,"), "as it is), not \"-0\""},
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
    configuration.Give(*FieldIndex("ClampDelay"), "7", Provenance::Set);
    configuration.Give(*FieldIndex("TestModeOptions"), "04", Provenance::Read);
    const std::string before = Shown();
    for (const auto& [text, expected] : cases) {
        const std::string path = Write("bad.json", text);
        const std::string error = LoadProfile(configuration, path);
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
        EXPECT_EQ(Shown(), before) << error;
    }
}

TEST_F(ProfileTest, DashIsStandardOutputAndStandardInput) {
    ASSERT_EQ(LoadProfile(configuration, Write("good.json", kGoodProfile)), "");
    std::ostringstream out;
    EXPECT_EQ(SaveProfile(configuration, "-", out), "");
    EXPECT_EQ(out.str(), FormatProfile(configuration));
    EXPECT_FALSE(fs::exists("-"));

    Configuration copy;
    std::istringstream in(out.str());
    EXPECT_EQ(LoadProfile(copy, "-", in), "");
    EXPECT_EQ(FormatShownLines(ShowFields(copy)), Shown());
    std::istringstream bad("{}");
    EXPECT_EQ(LoadProfile(copy, "-", bad).rfind("standard input: missing ClampDelay", 0), 0u);
}

// A configuration that holds a profile differs from it nowhere, however its values are spelt; what
// the profile leaves to the printer ("" and a font of "none") never differs; every other field
// that load would change is one line, in the order `show` lists them, an unknown field too.
TEST_F(ProfileTest, DiffListsWhatLoadingTheProfileWouldChange) {
    ASSERT_EQ(LoadProfile(configuration, Write("good.json", kGoodProfile)), "");
    const std::pair<std::string, std::string> cases[] = {
        {kGoodProfile, ""},
        {WithMember("ClampDelay", "  \"ClampDelay\": \"015\","), ""},
        {WithMember("ValidationOptions", "  \"ValidationOptions\": \"A0\","), ""},
        {WithMember("ClampDelay", "  \"ClampDelay\": \"\","), ""},
        {WithMember("JournalDefaultFont", "  \"JournalDefaultFont\": \"none\","), ""},
        {WithMember("PrinterOptions", "  \"PrinterOptions\": \"55\","),
         "88 PrinterOptions printer 30 profile 55\n"},
        {WithMember("SetupRevision", "  \"SetupRevision\": 7,"),
         "87 SetupRevision printer unknown profile 7\n"},
        {WithMember("ValidationDefaultFont", "  \"ValidationDefaultFont\": \"Standard Bold\","),
         "97 ValidationDefaultFont printer none profile Standard Bold\n"},
        {Replaced(WithMember("ClampDelay", "  \"ClampDelay\": 9,"), "\"LinesToSkip\": 8",
                  "\"LinesToSkip\": 0"),
         "76 ClampDelay printer 15 profile 9\n100 LinesToSkip printer 8 profile 0\n"},
    };
    const std::string before = Shown();
    for (const auto& [text, expected] : cases) {
        const ProfileResult profile = ParseProfile(text);
        ASSERT_EQ(profile.error, "") << text;
        EXPECT_EQ(FormatDifferenceLines(CompareWithProfile(configuration, profile.settings)),
                  expected)
            << text;
    }
    EXPECT_EQ(Shown(), before);

    configuration.Give(*FieldIndex("ClampDelay"), "1\x1B", Provenance::Read);
    const std::string givesRevision = WithMember("SetupRevision", "  \"SetupRevision\": 7,");
    const auto differences =
        CompareWithProfile(configuration, ParseProfile(givesRevision).settings);
    EXPECT_EQ(
        FormatDifferenceLines(differences),
        "76 ClampDelay printer 1\\x1B profile 15\n87 SetupRevision printer unknown profile 7\n");
    EXPECT_EQ(FormatDifferenceJson(differences),
              "{\"id\":76,\"name\":\"ClampDelay\",\"printer\":\"1\\u001b\",\"profile\":15}\n"
              "{\"id\":87,\"name\":\"SetupRevision\",\"printer\":null,\"profile\":7}\n");
}

}  // namespace
}  // namespace tq
