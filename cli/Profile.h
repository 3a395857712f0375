// Profiles: the form's thirteen fields saved as a readable JSON object, one field to a line in the
// order the form shows them, so that a technician can back up a printer, restore it, compare two
// printers with diff, or apply one profile to many printers. A profile is all or nothing: loading
// checks every field first and changes no control unless the whole file is good.
#pragma once

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/FormState.h"

namespace tq {

// Profiles larger than this are refused unread; a real one is well under a kilobyte.
inline constexpr std::size_t kMaxProfileSize = 64 * 1024;

// The configuration as a profile: `show --json`'s text, but "" (leave as it is) for an unknown
// field, so that a profile never carries a value nobody gave. Its text is therefore the same as
// `show --json`'s when every field is known.
std::string FormatProfile(const Configuration& configuration);

// The settings a profile's text makes, or an error naming the field (or the line) that is wrong.
// Every field must be present exactly once, and nothing else but, at most once, the inventory
// member (kInventoryMember), which is passed over unread.
struct ProfileResult {
    std::vector<FormSetting> settings;
    std::string error;
};
ProfileResult ParseProfile(std::string_view text);

// The path that stands for standard input (load) and standard output (save), as usual.
inline constexpr const char* kStandardStream = "-";

// The settings of the profile at `path` (or standard input), or "PATH: what is wrong" with no
// settings. What `load` and `diff` read.
ProfileResult ReadProfile(const std::string& path, std::istream& standardInput = std::cin);

// Empty on success; otherwise "PATH: what is wrong". Loading reads a regular file only (or
// standard input), gives every field the profile does not leave as it is, as loaded, and changes
// nothing on an error. Saving replaces a regular file atomically, keeping its mode, and refuses
// anything else in its place (SafeFiles.h).
std::string LoadProfile(Configuration& configuration, const std::string& path,
                        std::istream& standardInput = std::cin);
std::string SaveProfile(const Configuration& configuration, const std::string& path,
                        std::ostream& standardOutput = std::cout);

}  // namespace tq
