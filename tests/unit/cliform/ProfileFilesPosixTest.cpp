// How profiles are read and saved on POSIX: only regular files, and a replaced file keeps its
// mode.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>

#include "cli/Profile.h"
#include "tests/unit/cliform/ProfileFixture.h"
#include "tests/unit/featuremap/FeatureForm.h"

namespace tq {
namespace {

using test::kGoodProfile;
namespace fs = std::filesystem;

class ProfileFileTest : public test::ProfileFolderTest {
protected:
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
};

// Only a regular file is read or replaced. Each refusal names the path and why, and leaves the
// folder exactly as it was: nothing replaced, nothing followed, no temporary file behind. None
// of them may block (a FIFO is neither opened for reading nor for writing).
TEST_F(ProfileFileTest, FilesThatCannotHoldAProfileAreRefusedAndLeftAlone) {
    ASSERT_EQ(LoadProfile(configuration, Write("good.json", kGoodProfile)), "");
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
    const std::string before = Shown();
    const auto listing = Listing();
    for (const Case& c : cases) {
        const std::string error =
            c.save ? SaveProfile(configuration, c.path) : LoadProfile(configuration, c.path);
        EXPECT_EQ(error, c.path + ": " + c.error);
        EXPECT_EQ(Listing(), listing) << c.path;
        EXPECT_EQ(Shown(), before) << c.path;
    }
    struct stat null {};
    ASSERT_EQ(::stat("/dev/null", &null), 0);
    EXPECT_TRUE(S_ISCHR(null.st_mode));
}

// A replaced file keeps its mode (the file is a new one, renamed into place); a new file gets
// 0666 less the umask.
TEST_F(ProfileFileTest, SavingKeepsTheModeOfTheFileItReplaces) {
    const std::pair<mode_t, mode_t> cases[] = {{0600, 0600}, {0640, 0640}, {0604, 0604}};
    for (const auto& [mode, expected] : cases) {
        const std::string path = Write("kept.json", "old");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        EXPECT_EQ(SaveProfile(configuration, path), "");
        EXPECT_EQ(ModeOf(path), expected);
        EXPECT_EQ(Read(path), FormatProfile(configuration));
    }
    for (const auto& [mask, expected] : {std::pair<mode_t, mode_t>{022, 0644}, {077, 0600}}) {
        const std::string path = (directory / ("new" + std::to_string(mask))).string();
        const mode_t previous = ::umask(mask);
        EXPECT_EQ(SaveProfile(configuration, path), "");
        ::umask(previous);
        EXPECT_EQ(ModeOf(path), expected) << std::oct << mask;
    }
}

// A write that fails half way (here: a file-size limit, which binds root too) leaves the old
// file whole and no temporary file.
TEST_F(ProfileFileTest, AFailedSaveLeavesTheOldFileAndNoTemporary) {
    const std::string path = Write("old.json", "old");
    const auto listing = Listing();
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = previous;
    tight.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const std::string error = SaveProfile(configuration, path);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(error, path + ": cannot be written: File too large");
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(Listing(), listing);
}

// A file its owner may not write is kept, as on Windows, even though the folder would let a
// rename replace it; the refusal names the mode.
TEST_F(ProfileFileTest, AReadOnlyFileIsNotReplaced) {
    const std::string path = Write("kept.json", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const auto listing = Listing();
    EXPECT_EQ(SaveProfile(configuration, path),
              path +
                  ": cannot be written: it is read-only (mode 0444); make it writable or save "
                  "elsewhere");
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(Listing(), listing);
}

// The longest name a folder takes is saved too: the temporary file beside it is named shorter.
TEST_F(ProfileFileTest, TheLongestNameIsSaved) {
    const std::string path = (directory / std::string(255, 'n')).string();
    EXPECT_EQ(SaveProfile(configuration, path), "");
    EXPECT_EQ(Read(path), FormatProfile(configuration));
    EXPECT_EQ(Listing().size(), 1u);
}

}  // namespace
}  // namespace tq
