#include "cli/Profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "cli/ProfileDiff.h"
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

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
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

    static std::string Read(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    static mode_t ModeOf(const std::string& path) {
        struct stat status {};
        return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
    }

    // Every entry of the folder, hidden ones too, with what identifies its content.
    std::map<std::string, std::string> Listing() const {
        std::map<std::string, std::string> entries;
        for (const auto& entry : fs::directory_iterator(directory)) {
            struct stat status {};
            ::lstat(entry.path().c_str(), &status);
            entries[entry.path().filename().string()] =
                std::to_string(status.st_ino) + "/" + std::to_string(status.st_mode) + "/" +
                std::to_string(status.st_size) + "/" + std::to_string(status.st_mtim.tv_nsec);
        }
        return entries;
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
    EXPECT_EQ(Read(saved), FormatProfile(form));
    EXPECT_EQ(Listing().size(), 2u) << "a temporary file was left behind";
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

// Only a regular file is read or replaced. Each refusal names the path and why, and leaves the
// folder exactly as it was: nothing replaced, nothing followed, no temporary file behind. None
// of them may block (a FIFO is neither opened for reading nor for writing).
TEST_F(ProfileTest, FilesThatCannotHoldAProfileAreRefusedAndLeftAlone) {
    ASSERT_EQ(LoadProfile(form, Write("good.json", kGoodProfile)), "");
    const std::string folder = (directory / "folder").string();
    const std::string fifo = (directory / "fifo").string();
    const std::string link = (directory / "link.json").string();
    fs::create_directory(folder);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("good.json", link);
    Write("huge.json", std::string(kMaxProfileSize + 1, ' '));
    struct Case {
        bool save;
        std::string path;
        std::string error;  // what follows "PATH: "
    };
    const Case cases[] = {
        {false, (directory / "missing.json").string(), "cannot be read: No such file or directory"},
        {false, folder, "cannot be read: it is a folder, not a regular file"},
        {false, fifo, "cannot be read: it is a FIFO (named pipe), not a regular file"},
        {false, "/dev/null", "cannot be read: it is a character device, not a regular file"},
        {false, (directory / "huge.json").string(), "larger than a profile can be (65536 bytes)"},
        {true, folder, "cannot be written: it is a folder, not a regular file"},
        {true, fifo, "cannot be written: it is a FIFO (named pipe), not a regular file"},
        {true, "/dev/null", "cannot be written: it is a character device, not a regular file"},
        {true, link,
         "cannot be written: it is a symbolic link to good.json, which is not replaced; name the "
         "file itself"},
        {true, (directory / "no" / "such.json").string(),
         "cannot be written: No such file or directory"},
    };
    const std::string before = test::DescribeFeatureControls(form);
    const auto listing = Listing();
    for (const Case& c : cases) {
        const std::string error = c.save ? SaveProfile(form, c.path) : LoadProfile(form, c.path);
        EXPECT_EQ(error, c.path + ": " + c.error);
        EXPECT_EQ(Listing(), listing) << c.path;
        EXPECT_EQ(test::DescribeFeatureControls(form), before) << c.path;
    }
    struct stat null {};
    ASSERT_EQ(::stat("/dev/null", &null), 0);
    EXPECT_TRUE(S_ISCHR(null.st_mode));
}

// A replaced file keeps its mode (the file is a new one, renamed into place); a new file gets
// 0666 less the umask.
TEST_F(ProfileTest, SavingKeepsTheModeOfTheFileItReplaces) {
    const std::pair<mode_t, mode_t> cases[] = {{0600, 0600}, {0640, 0640}, {0444, 0444}};
    for (const auto& [mode, expected] : cases) {
        const std::string path = Write("kept.json", "old");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        EXPECT_EQ(SaveProfile(form, path), "");
        EXPECT_EQ(ModeOf(path), expected);
        EXPECT_EQ(Read(path), FormatProfile(form));
    }
    for (const auto& [mask, expected] : {std::pair<mode_t, mode_t>{022, 0644}, {077, 0600}}) {
        const std::string path = (directory / ("new" + std::to_string(mask))).string();
        const mode_t previous = ::umask(mask);
        EXPECT_EQ(SaveProfile(form, path), "");
        ::umask(previous);
        EXPECT_EQ(ModeOf(path), expected) << std::oct << mask;
    }
}

// A write that fails half way (here: a file-size limit, which binds root too) leaves the old
// file whole and no temporary file.
TEST_F(ProfileTest, AFailedSaveLeavesTheOldFileAndNoTemporary) {
    const std::string path = Write("old.json", "old");
    const auto listing = Listing();
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = previous;
    tight.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const std::string error = SaveProfile(form, path);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(error, path + ": cannot be written: File too large");
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(Listing(), listing);
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
