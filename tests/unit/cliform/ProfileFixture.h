// Test support for the profile tests: a configuration, a good profile and variations of it, and a
// private folder to put profiles in, removed again after each test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "cli/FormState.h"

namespace tq::test {

namespace fs = std::filesystem;

inline const char* const kGoodProfile = R"({
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
inline std::string WithMember(const std::string& name, const std::string& line) {
    std::string text = kGoodProfile;
    const std::size_t start = text.find("  \"" + name + "\"");
    const std::size_t end = text.find('\n', start);
    return text.replace(start, end - start, line);
}

inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

class ProfileFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory = fs::temp_directory_path() /
                    ("tq_profile_test_" + std::to_string(std::random_device()()));
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

    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory), {}));
    }

    // The configuration as `show` prints it: a picture to tell whether something changed it.
    std::string Shown() const { return FormatShownLines(ShowFields(configuration)); }

    Configuration configuration;
    fs::path directory;
};

}  // namespace tq::test
