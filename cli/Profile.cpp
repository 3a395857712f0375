#include "cli/Profile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

#include "cli/FlatJson.h"

namespace tq {

namespace {

// Numbers and LinesToSkip may also be written as JSON numbers, read by the same rule as their text;
// flag bytes and fonts only as strings, since 55 could be meant as decimal or as hexadecimal.
SettingResult ParseMember(const JsonMember& member) {
    const FeatureBinding* feature = FindFeature(member.key);
    if (member.type == JsonMember::Type::Number && feature &&
        feature->kind != FeatureKind::Number) {
        return {std::nullopt, member.key +
                                  ": write the value as a string, such as \"55\" or "
                                  "\"Standard\", not as the number " +
                                  member.value};
    }
    return ParseSetting(member.key, member.value, ValueSource::Profile);
}

std::string Where(const JsonMember& member) {
    return "line " + std::to_string(member.line) + ": ";
}

std::string MissingFields(const std::set<std::string>& seen) {
    std::string missing;
    for (const std::string& name : FieldNames()) {
        if (!seen.count(name)) {
            missing += (missing.empty() ? "" : ", ") + name;
        }
    }
    return missing;
}

// Reads at most one byte more than a profile may hold, so that a huge file or an endless device
// is refused without being read to its end.
bool ReadWholeFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    text.resize(kMaxProfileSize + 1);
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.bad()) {
        error = path + ": cannot be read";
        return false;
    }
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (text.size() > kMaxProfileSize) {
        error =
            path + ": larger than a profile can be (" + std::to_string(kMaxProfileSize) + " bytes)";
        return false;
    }
    return true;
}

}  // namespace

std::string FormatProfile(const WindowOps& form) {
    return FormatShownJson(ShowForm(form));
}

ProfileResult ParseProfile(std::string_view text) {
    const JsonReadResult json = ReadFlatJsonObject(text);
    if (!json.error.empty()) {
        return {{}, json.error};
    }
    ProfileResult result;
    std::set<std::string> seen;
    for (const JsonMember& member : json.members) {
        if (!seen.insert(member.key).second) {
            return {{}, Where(member) + member.key + ": given more than once"};
        }
        SettingResult setting = ParseMember(member);
        if (!setting.setting) {
            return {{}, Where(member) + setting.error};
        }
        result.settings.push_back(std::move(*setting.setting));
    }
    if (const std::string missing = MissingFields(seen); !missing.empty()) {
        return {{}, "missing " + missing};
    }
    return result;
}

std::string LoadProfile(WindowOps& form, const std::string& path) {
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, error)) {
        return error;
    }
    const ProfileResult profile = ParseProfile(text);
    if (!profile.error.empty()) {
        return path + ": " + profile.error;
    }
    for (const FormSetting& setting : profile.settings) {
        ApplySetting(form, setting);
    }
    return {};
}

std::string SaveProfile(const WindowOps& form, const std::string& path) {
    const std::string text = FormatProfile(form);
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file) {
            const std::string reason = std::strerror(errno);
            std::remove(temporary.c_str());
            return path + ": cannot be written: " + reason;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        return path + ": cannot be written: " + reason;
    }
    return {};
}

}  // namespace tq
