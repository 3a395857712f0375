#include "cli/ProfileDiff.h"

#include <nlohmann/json.hpp>

#include "cli/ConsoleText.h"

namespace tq {

namespace {

// A font of "none" clears the selection, and Write All sends no font then: the printer keeps its
// own, so comparing "none" with the printer's font would report a difference that applying the
// profile can never remove.
bool LeavesThePrinterAlone(const FormSetting& setting) {
    return setting.kind == FormSetting::Kind::Unchanged ||
           (setting.kind == FormSetting::Kind::FontSelection && setting.number == kCbErr);
}

}  // namespace

// The profile is loaded into a copy of the form, so that its values are compared as the form would
// hold them: "012" and "12", "a0" and "A0" are one value.
std::vector<FieldDifference> CompareWithProfile(const HeadlessForm& form,
                                                const std::vector<FormSetting>& settings) {
    HeadlessForm loaded = form;
    for (const FormSetting& setting : settings) {
        if (!LeavesThePrinterAlone(setting)) {
            ApplySetting(loaded, setting);
        }
    }
    const std::vector<ShownField> now = ShowForm(form);
    const std::vector<ShownField> after = ShowForm(loaded);
    std::vector<FieldDifference> differences;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i].value != after[i].value) {
            differences.push_back({now[i].id, now[i].name, now[i].value, after[i].value});
        }
    }
    return differences;
}

std::string FormatDifferenceLines(const std::vector<FieldDifference>& differences) {
    std::string out;
    for (const FieldDifference& field : differences) {
        out += std::to_string(field.id) + " " + field.name + " printer " +
               cli::EscapeForTerminal(field.form) + " profile " +
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
            {"printer", field.form},
            {"profile", field.profile},
        };
        out += line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
    }
    return out;
}

}  // namespace tq
