// How profiles are read and saved on Windows: only regular files, never a device name (which the
// system maps to a device in every folder), and a file is replaced in one step or not at all.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "cli/Profile.h"
#include "tests/unit/cliform/ProfileFixture.h"
#include "tests/unit/featuremap/FeatureForm.h"

namespace tq {
namespace {

using test::kGoodProfile;
namespace fs = std::filesystem;

using ProfileFileTest = test::ProfileFolderTest;

// Windows' own text for an error, as FormatMessage gives it in the user's language, without the
// full stop and line end it comes with.
std::string WindowsText(DWORD error) {
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && std::string(".\r\n ").find(message.back()) != std::string::npos) {
        message.pop_back();
    }
    return message;
}

// Each refusal names the path and why (in Windows' words where the system refused), and leaves the
// folder and the form as they were. COM1 is refused by its name alone: opening it would act on the
// port.
TEST_F(ProfileFileTest, FilesThatCannotHoldAProfileAreRefusedAndLeftAlone) {
    ASSERT_EQ(LoadProfile(configuration, Write("good.json", kGoodProfile)), "");
    const std::string folder = (directory / "folder").string();
    fs::create_directory(folder);
    Write("huge.json", std::string(kMaxProfileSize + 1, ' '));
    struct Case {
        bool save;
        std::string path;
        std::string error;  // what follows "PATH: "
    };
    const Case cases[] = {
        {false, (directory / "missing.json").string(),
         "cannot be read: " + WindowsText(ERROR_FILE_NOT_FOUND)},
        {false, folder, "cannot be read: it is a folder, not a regular file"},
        {false, "NUL", "cannot be read: it is a character device, not a regular file"},
        {false, "COM1", "cannot be read: it is a character device, not a regular file"},
        {false, (directory / "huge.json").string(), "larger than a profile can be (65536 bytes)"},
        {true, folder, "cannot be written: it is a folder, not a regular file"},
        {true, (directory / "NUL").string(),
         "cannot be written: it is a character device, not a regular file"},
        {true, (directory / "no" / "such.json").string(),
         "cannot be written: " + WindowsText(ERROR_PATH_NOT_FOUND)},
    };
    const std::string before = Shown();
    for (const Case& c : cases) {
        const std::string error =
            c.save ? SaveProfile(configuration, c.path) : LoadProfile(configuration, c.path);
        EXPECT_EQ(error, c.path + ": " + c.error);
        EXPECT_EQ(EntryCount(), 3u) << c.path;
        EXPECT_EQ(Shown(), before) << c.path;
    }
}

// A file is replaced whole; a read-only one is left as it was, with no temporary file beside it.
TEST_F(ProfileFileTest, SavingReplacesAFileWholeButNotAReadOnlyOne) {
    const std::string path = Write("old.json", std::string(10000, ' '));
    EXPECT_EQ(SaveProfile(configuration, path), "");
    EXPECT_EQ(Read(path), FormatProfile(configuration));

    const std::string kept = Write("kept.json", "old");
    fs::permissions(kept, fs::perms::owner_write, fs::perm_options::remove);
    const std::string error = SaveProfile(configuration, kept);
    fs::permissions(kept, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(error, kept +
                         ": cannot be written: it is read-only (mode 0444); make it writable or "
                         "save elsewhere");
    EXPECT_EQ(Read(kept), "old");
    EXPECT_EQ(EntryCount(), 2u) << "a temporary file was left behind";
}

}  // namespace
}  // namespace tq
