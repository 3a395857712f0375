#include "cli/GetJson.h"

#include <optional>
#include <utility>
#include <vector>

#include "cli/Configuration.h"
#include "cli/FlatJson.h"
#include "cli/HeadlessConfigForm.h"
#include "protocol/FeatureMap.h"
#include "protocol/FontTable.h"

namespace tq::cli {

namespace {

using Members = std::vector<std::pair<std::string, std::optional<std::string>>>;

// The byte through the same conversion a Read All applies, on a form of its own: the run's form
// keeps its fields, as "Get" leaves them on the desktop form. A number feature's reply is read
// there in decimal, so the byte is given in decimal.
Members FormFields(const FeatureBinding& feature, std::uint8_t byte) {
    HeadlessForm scratch;
    AddConfigFormControls(scratch);
    if (feature.kind == FeatureKind::FontChoice) {
        for (const FontEntry& font : FontTable) {
            scratch.AddString(feature.control, font.displayName);
        }
    }
    const std::string reply =
        feature.kind == FeatureKind::Number
            ? std::to_string(byte)
            : std::string(1, "0123456789ABCDEF"[byte >> 4]) + "0123456789ABCDEF"[byte & 0x0F];
    FeatureToForm(scratch, feature, reply.c_str());
    Configuration configuration;
    configuration.TakeFromForm(scratch, FeatureSet().set(RowOf(feature)));
    Members fields;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const FieldInfo& field = ConfigFields()[i];
        if (field.feature == &feature) {
            fields.emplace_back(field.linesToSkip ? std::string(field.name) : "form",
                                configuration[i].value);
        }
    }
    return fields;
}

std::string Member(const std::string& key, const std::optional<std::string>& value) {
    return JsonQuote(key) + ": " + (value ? JsonQuote(*value) : "null");
}

}  // namespace

std::string FormatGetJson(int id, const std::string& value) {
    const FeatureBinding* feature =
        id >= 0 && id <= 0xFF ? FindFeatureById(static_cast<std::uint8_t>(id)) : nullptr;
    const std::optional<std::uint8_t> byte = value.size() == 2 ? ReadHexByte(value) : std::nullopt;
    Members members = {{"name", feature ? std::optional<std::string>(feature->name) : std::nullopt},
                       {"value", value}};
    if (feature != nullptr && byte) {
        Members fields = FormFields(*feature, *byte);
        members.insert(members.end(), fields.begin(), fields.end());
    } else {
        members.emplace_back("form", std::nullopt);
    }
    std::string line = "{\"id\": " + std::to_string(id);
    for (const auto& [key, text] : members) {
        line += ", " + Member(key, text);
    }
    return line + "}\n";
}

}  // namespace tq::cli
