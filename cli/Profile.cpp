#include "cli/Profile.h"

#include <nlohmann/json.hpp>
#include <set>

#include "cli/ConsoleText.h"
#include "cli/FlatJson.h"
#include "platform/SafeFiles.h"

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

std::string TooLarge() {
    return "larger than a profile can be (" + std::to_string(kMaxProfileSize) + " bytes)";
}

// Reads at most one byte more than a profile may hold, so that a huge file or an endless stream
// is refused without being read to its end.
std::string ReadStream(std::istream& in, std::string& text) {
    text.resize(kMaxProfileSize + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        return "cannot be read";
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text.size() > kMaxProfileSize ? TooLarge() : "";
}

std::string ReadProfileText(const std::string& path, std::istream& standardInput,
                            std::string& text) {
    if (path == kStandardStream) {
        return ReadStream(standardInput, text);
    }
    const std::string error = ReadRegularFile(path, kMaxProfileSize, text);
    if (error.empty() && text.size() > kMaxProfileSize) {
        return TooLarge();
    }
    return error;
}

std::string NameOf(const std::string& path, const char* stream) {
    return path == kStandardStream ? stream : path;
}

}  // namespace

std::string FormatProfile(const Configuration& configuration) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (const ShownField& field : ShowFields(configuration)) {
        object[field.name] = FieldValueJson(field.name, field.value.value_or(""));
    }
    object[kInventoryMember] = InventoryJson(configuration.Source());
    return WriteJsonText(object);
}

ProfileResult ParseProfile(std::string_view text) {
    const JsonReadResult json = ReadFlatJsonObject(text, kInventoryMember);
    if (!json.error.empty()) {
        return {{}, json.error};
    }
    ProfileResult result;
    std::set<std::string> seen;
    for (const JsonMember& member : json.members) {
        if (!seen.insert(member.key).second) {
            return {{}, Where(member) + member.key + ": given more than once"};
        }
        if (member.type == JsonMember::Type::Skipped) {
            continue;
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

ProfileResult ReadProfile(const std::string& path, std::istream& standardInput) {
    std::string text;
    if (const std::string error = ReadProfileText(path, standardInput, text); !error.empty()) {
        return {{}, NameOf(path, "standard input") + ": " + error};
    }
    ProfileResult profile = ParseProfile(text);
    if (!profile.error.empty()) {
        profile.error = NameOf(path, "standard input") + ": " + profile.error;
    }
    return profile;
}

// A profile holds no check boxes, the one kind of setting that can be refused when applied.
std::string LoadProfile(Configuration& configuration, const std::string& path,
                        std::istream& standardInput) {
    const ProfileResult profile = ReadProfile(path, standardInput);
    if (profile.error.empty()) {
        for (const FormSetting& setting : profile.settings) {
            ApplySetting(configuration, setting, Provenance::Loaded);
        }
    }
    return profile.error;
}

std::string SaveProfile(const Configuration& configuration, const std::string& path,
                        std::ostream& standardOutput) {
    const std::string text = FormatProfile(configuration);
    if (path == kStandardStream) {
        cli::WriteWhole(standardOutput, text);
        return standardOutput ? "" : cli::LostOutputText(standardOutput);
    }
    const std::string error = ReplaceRegularFile(path, text);
    return error.empty() ? "" : path + ": " + error;
}

}  // namespace tq
