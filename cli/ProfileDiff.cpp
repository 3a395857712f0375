#include "cli/ProfileDiff.h"

#include <nlohmann/json.hpp>

#include "cli/ConsoleText.h"

namespace tq {

// The profile is applied to a copy of the configuration, so that its values are compared as the
// form would hold them: "012" and "12", "a0" and "A0" are one value.
std::vector<FieldDifference> CompareWithProfile(const Configuration& configuration,
                                                const std::vector<FormSetting>& settings) {
    Configuration loaded = configuration;
    for (const FormSetting& setting : settings) {
        if (!LeavesThePrinterAlone(setting)) {
            ApplySetting(loaded, setting, Provenance::Loaded);
        }
    }
    const std::vector<ShownField> now = ShowFields(configuration);
    const std::vector<ShownField> after = ShowFields(loaded);
    std::vector<FieldDifference> differences;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i].value != after[i].value) {
            differences.push_back({now[i].id, now[i].name, now[i].value, *after[i].value});
        }
    }
    return differences;
}

std::string FormatDifferenceLines(const std::vector<FieldDifference>& differences) {
    std::string out;
    for (const FieldDifference& field : differences) {
        out += std::to_string(field.id) + " " + field.name + " printer " +
               (field.form ? cli::EscapeForTerminal(*field.form) : kUnknownValue) + " profile " +
               cli::EscapeForTerminal(field.profile) + "\n";
    }
    return out;
}

std::string FormatDifferenceJson(const std::vector<FieldDifference>& differences) {
    using Json = nlohmann::ordered_json;
    std::string out;
    for (const FieldDifference& field : differences) {
        const Json line = {
            {"id", field.id},
            {"name", field.name},
            {"printer", FieldValueJson(field.name, field.form)},
            {"profile", FieldValueJson(field.name, field.profile)},
        };
        out += line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
    }
    return out;
}

}  // namespace tq
