#include "cli/FormState.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <utility>

#include "cli/ConsoleText.h"
#include "cli/FlatJson.h"
#include "cli/NearestName.h"
#include "framework/WindowConstants.h"
#include "protocol/FontTable.h"

namespace tq {

namespace {

constexpr const char* kNoFont = "none";

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsHexDigits(std::string_view text) {
    return !text.empty() &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

std::string FontNames() {
    std::string names;
    for (const FontEntry& font : FontTable) {
        names += std::string(names.empty() ? "" : ", ") + "\"" + font.displayName + "\"";
    }
    return names + " or \"none\"";
}

SettingResult Error(std::string_view name, std::string text) {
    return {std::nullopt, std::string(name) + ": " + text};
}

// "ClampDelay takes a whole number from 0 to 40, not "41"": the field, what it accepts, and what
// it was given, quoted so that an invisible character shows.
SettingResult Refusal(std::string_view name, const std::string& accepted, std::string_view value) {
    return {std::nullopt, std::string(name) + " takes " + accepted + ", not " + JsonQuote(value)};
}

SettingResult Value(std::size_t field, std::string value) {
    FormSetting setting;
    setting.kind = FormSetting::Kind::Value;
    setting.field = field;
    setting.value = std::move(value);
    return {std::move(setting), {}};
}

SettingResult Unchanged(std::size_t field) {
    FormSetting setting;
    setting.kind = FormSetting::Kind::Unchanged;
    setting.field = field;
    return {std::move(setting), {}};
}

std::string ProfileMayLeave(std::string_view name, ValueSource source) {
    return source == ValueSource::Profile ? " (or \"\" to leave " + std::string(name) + " as it is)"
                                          : "";
}

// Plain digits within the field's range, kept without leading zeros: the text is what Write All
// reads, and an edit that held "abc" or "0x10" would be written as 0.
SettingResult Number(std::size_t field, int bound, std::string_view value, ValueSource source) {
    const std::string_view name = ConfigFields()[field].name;
    if (!IsDigits(value) || ReadLeadingInteger(value) > bound) {
        return Refusal(
            name,
            "a whole number from 0 to " + std::to_string(bound) + ProfileMayLeave(name, source),
            value);
    }
    return Value(field, std::to_string(ReadLeadingInteger(value)));
}

// A bit that no box owns cannot be shown or written by the form; accepting it would drop it
// without a word.
SettingResult FlagByte(std::size_t field, const FeatureBinding& feature, std::string_view value,
                       ValueSource source) {
    const int owned = OwnedFlagBits(feature);
    if (value.size() > 2 || !IsHexDigits(value) || (*ReadHexByte(value) & ~owned) != 0) {
        const char* linesToSkip =
            feature.linesToSkipControl != 0 ? "; LinesToSkip is a field of its own" : "";
        return Refusal(feature.name,
                       "hex bits within 0x" + Hex2(owned) + " (the bits its check boxes own" +
                           linesToSkip + "), written as 1 or 2 hex digits without 0x" +
                           ProfileMayLeave(feature.name, source),
                       value);
    }
    return Value(field, Hex2(*ReadHexByte(value)));
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A font's name in any case ("ocr", "STANDARD BOLD"), kept as the list spells it: that is what
// the form selects by and what a saved profile holds.
SettingResult FontSelection(std::size_t field, const FeatureBinding& feature,
                            std::string_view value, ValueSource source) {
    for (const FontEntry& font : FontTable) {
        if (SameName(value, font.displayName)) {
            return Value(field, font.displayName);
        }
    }
    if (SameName(value, kNoFont)) {
        return Value(field, kNoFont);
    }
    return Refusal(feature.name, "a font: " + FontNames() + ProfileMayLeave(feature.name, source),
                   value);
}

// The group a check box belongs to, and its bit.
struct BoxPlace {
    std::size_t field;
    std::uint8_t mask;
};
std::optional<BoxPlace> FindCheckBox(int control) {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const FieldInfo& field = ConfigFields()[i];
        if (field.linesToSkip) {
            continue;
        }
        for (const FlagBinding& flag : field.feature->flags) {
            if (flag.control == control) {
                return BoxPlace{i, flag.mask};
            }
        }
    }
    return std::nullopt;
}

SettingResult CheckBox(std::string_view name, std::string_view value) {
    const int control = name.size() <= 4 ? ReadLeadingInteger(name) : 0;
    const std::optional<BoxPlace> box = FindCheckBox(control);
    if (!box) {
        return Error(name, "is neither a field of the form nor one of its check boxes");
    }
    if (value != "0" && value != "1") {
        return Refusal(std::string(name) + " (a check box)", "1 (checked) or 0 (cleared)", value);
    }
    FormSetting setting;
    setting.kind = FormSetting::Kind::CheckBox;
    setting.field = box->field;
    setting.mask = box->mask;
    setting.checked = value == "1";
    return {std::move(setting), {}};
}

SettingResult FieldSetting(std::size_t field, std::string_view value, ValueSource source) {
    const FieldInfo& info = ConfigFields()[field];
    if (source == ValueSource::Profile && value.empty()) {
        return Unchanged(field);
    }
    if (info.linesToSkip) {
        return Number(field, info.feature->linesToSkipBound, value, source);
    }
    switch (info.feature->kind) {
        case FeatureKind::Number:
            return Number(field, info.feature->upperBound, value, source);
        case FeatureKind::FlagSet:
            return FlagByte(field, *info.feature, value, source);
        case FeatureKind::FontChoice:
            return FontSelection(field, *info.feature, value, source);
    }
    return Error(info.name, "is not a field of the form");
}

}  // namespace

std::string ApplySetting(Configuration& configuration, const FormSetting& setting,
                         Provenance from) {
    const ConfigField& now = configuration[setting.field];
    switch (setting.kind) {
        case FormSetting::Kind::Value:
            configuration.Give(setting.field, setting.value, from);
            return {};
        case FormSetting::Kind::CheckBox: {
            const std::string_view group = ConfigFields()[setting.field].name;
            if (!now.Known()) {
                return std::string(group) +
                       " was never read, loaded or set, so its other boxes are not known: "
                       "read-all first, or set the whole group (" +
                       std::string(group) + "=HH)";
            }
            const std::uint8_t bits = ReadHexByte(now.value).value_or(0);
            const int changed = setting.checked ? bits | setting.mask : bits & ~setting.mask;
            configuration.Give(setting.field, Hex2(changed), from);
            return {};
        }
        case FormSetting::Kind::Unchanged:
            return {};
    }
    return {};
}

bool LeavesThePrinterAlone(const FormSetting& setting) {
    return setting.kind == FormSetting::Kind::Unchanged ||
           (setting.kind == FormSetting::Kind::Value && setting.value == kNoFont);
}

std::vector<ShownField> ShowFields(const Configuration& configuration) {
    std::vector<ShownField> fields;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const FieldInfo& info = ConfigFields()[i];
        const ConfigField& field = configuration[i];
        fields.push_back({info.feature->id, std::string(info.name),
                          field.Known() ? std::optional<std::string>(field.value) : std::nullopt});
    }
    return fields;
}

std::string FormatShownLines(const std::vector<ShownField>& fields) {
    std::string out;
    for (const ShownField& field : fields) {
        out += std::to_string(field.id) + " " + field.name + " " +
               (field.value ? cli::EscapeForTerminal(*field.value) : kUnknownValue) + "\n";
    }
    return out;
}

std::string FormatShownJson(const std::vector<ShownField>& fields, const PrinterSource& source) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (const ShownField& field : fields) {
        object[field.name] = FieldValueJson(field.name, field.value);
    }
    object[kInventoryMember] = InventoryJson(source);
    return WriteJsonText(object);
}

nlohmann::ordered_json FieldValueJson(std::string_view name,
                                      const std::optional<std::string>& value) {
    if (!value) {
        return nullptr;
    }
    const std::optional<std::size_t> field = FieldIndex(name);
    const bool number = field && (ConfigFields()[*field].linesToSkip ||
                                  ConfigFields()[*field].feature->kind == FeatureKind::Number);
    return number ? NumberOrString(*value) : nlohmann::ordered_json(*value);
}

nlohmann::ordered_json InventoryJson(const PrinterSource& source) {
    return {
        {"link", source.link},       {"device", source.device}, {"serial", source.serial},
        {"setting", source.setting}, {"time", source.time},
    };
}

SettingResult ParseSetting(std::string_view name, std::string_view value, ValueSource source) {
    if (const std::optional<std::size_t> field = FieldIndex(name)) {
        return FieldSetting(*field, value, source);
    }
    return source == ValueSource::SetArgument && IsDigits(name)
               ? CheckBox(name, value)
               : Error(name, "is not a field of the form" + cli::DidYouMean(name, FieldNames()));
}

SettingResult ParseSetArgument(std::string_view argument) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        return {std::nullopt, JsonQuote(argument) + " is not NAME=VALUE"};
    }
    return ParseSetting(argument.substr(0, equals), argument.substr(equals + 1),
                        ValueSource::SetArgument);
}

}  // namespace tq
