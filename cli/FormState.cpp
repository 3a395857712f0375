#include "cli/FormState.h"

#include <cstdio>

#include "cli/ConsoleText.h"
#include "cli/FlatJson.h"
#include "framework/ControlIds.h"
#include "framework/WindowOps.h"
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

std::string Hex2(int byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", byte & 0xFF);
    return text;
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

SettingResult EditText(int control, std::string_view text) {
    FormSetting setting;
    setting.kind = FormSetting::Kind::EditText;
    setting.control = control;
    setting.text = std::string(text);
    return {setting, {}};
}

// A profile's number: an empty text (not written) or plain digits within the field's range.
SettingResult NumberText(std::string_view name, int control, int bound, std::string_view value,
                         ValueRules rules) {
    if (rules == ValueRules::Profile && !value.empty() &&
        (!IsDigits(value) || ReadLeadingInteger(value) > bound)) {
        return Error(name, JsonQuote(value) + " is not a whole number from 0 to " +
                               std::to_string(bound) + " (or empty, for not written)");
    }
    return EditText(control, value);
}

SettingResult FlagByte(const FeatureBinding& feature, std::string_view value, ValueRules rules) {
    if (value.size() > 2 || !IsHexDigits(value)) {
        return Error(feature.name, JsonQuote(value) + " is not a byte in hexadecimal (00 to FF)");
    }
    const int byte = *ReadHexByte(value);
    const int stray = byte & ~OwnedFlagBits(feature);
    if (rules == ValueRules::Profile && stray != 0) {
        return Error(feature.name, "bits " + Hex2(stray) + " of " + JsonQuote(value) +
                                       " belong to no check box (the boxes hold " +
                                       Hex2(OwnedFlagBits(feature)) + ")");
    }
    FormSetting setting;
    setting.kind = FormSetting::Kind::FlagByte;
    setting.feature = &feature;
    setting.number = byte;
    return {setting, {}};
}

SettingResult FontSelection(const FeatureBinding& feature, std::string_view value) {
    FormSetting setting;
    setting.kind = FormSetting::Kind::FontSelection;
    setting.control = feature.control;
    setting.number = CB_ERR;
    for (std::size_t i = 0; i < FontTable.size(); ++i) {
        if (value == FontTable[i].displayName) {
            setting.number = static_cast<int>(i);
        }
    }
    if (setting.number == CB_ERR && value != kNoFont) {
        return Error(feature.name, JsonQuote(value) + " is not a font; use one of " + FontNames());
    }
    return {setting, {}};
}

bool IsCheckBox(int control) {
    for (const FeatureBinding& feature : FeatureMap) {
        for (const FlagBinding& flag : feature.flags) {
            if (flag.control == control) {
                return true;
            }
        }
    }
    return false;
}

SettingResult CheckBox(std::string_view name, std::string_view value) {
    const int control = name.size() <= 4 ? ReadLeadingInteger(name) : 0;
    if (!IsCheckBox(control)) {
        return Error(name, "is neither a field of the form nor one of its check boxes");
    }
    if (value != "0" && value != "1") {
        return Error(name, "a check box takes 1 (checked) or 0 (cleared), not " + JsonQuote(value));
    }
    FormSetting setting;
    setting.kind = FormSetting::Kind::CheckBox;
    setting.control = control;
    setting.number = value == "1" ? 1 : 0;
    return {setting, {}};
}

// The one feature whose byte also carries LinesToSkip.
const FeatureBinding& LinesToSkipOwner() {
    for (const FeatureBinding& feature : FeatureMap) {
        if (feature.linesToSkipControl != 0) {
            return feature;
        }
    }
    return FeatureMap.back();  // not reached: the map has one
}

std::string ShownValue(const WindowOps& form, const FeatureBinding& feature) {
    switch (feature.kind) {
        case FeatureKind::Number:
            return form.GetDlgItemText(feature.control);
        case FeatureKind::FlagSet:
            return Hex2(CheckedFlagBits(form, feature));
        case FeatureKind::FontChoice: {
            const int index = form.GetCurSel(feature.control);
            return FontCodeOfIndex(index) ? FontTable[static_cast<std::size_t>(index)].displayName
                                          : kNoFont;
        }
    }
    return {};
}

}  // namespace

void ApplySetting(WindowOps& form, const FormSetting& setting) {
    switch (setting.kind) {
        case FormSetting::Kind::EditText:
            form.SetDlgItemText(setting.control, setting.text);
            return;
        case FormSetting::Kind::FlagByte:
            SetFlagBoxes(form, *setting.feature, static_cast<std::uint8_t>(setting.number));
            return;
        case FormSetting::Kind::FontSelection:
            form.SetCurSel(setting.control, setting.number);
            return;
        case FormSetting::Kind::CheckBox:
            form.SetCheck(setting.control, setting.number);
            return;
    }
}

std::vector<ShownField> ShowForm(const WindowOps& form) {
    std::vector<ShownField> fields;
    for (const FeatureBinding& feature : FeatureMap) {
        fields.push_back({feature.id, feature.name, ShownValue(form, feature)});
        if (feature.linesToSkipControl != 0) {
            fields.push_back({feature.id, std::string(kLinesToSkipName),
                              form.GetDlgItemText(feature.linesToSkipControl)});
        }
    }
    return fields;
}

std::string FormatShownLines(const std::vector<ShownField>& fields) {
    std::string out;
    for (const ShownField& field : fields) {
        out += std::to_string(field.id) + " " + field.name + " " +
               cli::EscapeForTerminal(field.value) + "\n";
    }
    return out;
}

std::string FormatShownJson(const std::vector<ShownField>& fields) {
    std::vector<std::pair<std::string, std::string>> members;
    for (const ShownField& field : fields) {
        members.emplace_back(field.name, field.value);
    }
    return WriteFlatJsonObject(members);
}

SettingResult ParseSetting(std::string_view name, std::string_view value, ValueRules rules) {
    if (name == kLinesToSkipName) {
        const FeatureBinding& owner = LinesToSkipOwner();
        return NumberText(name, owner.linesToSkipControl, owner.linesToSkipBound, value, rules);
    }
    const FeatureBinding* feature = FindFeature(name);
    if (!feature) {
        return rules == ValueRules::AsTyped && IsDigits(name)
                   ? CheckBox(name, value)
                   : Error(name, "is not a field of the form");
    }
    switch (feature->kind) {
        case FeatureKind::Number:
            return NumberText(name, feature->control, feature->upperBound, value, rules);
        case FeatureKind::FlagSet:
            return FlagByte(*feature, value, rules);
        case FeatureKind::FontChoice:
            return FontSelection(*feature, value);
    }
    return Error(name, "is not a field of the form");
}

SettingResult ParseSetArgument(std::string_view argument) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        return {std::nullopt, JsonQuote(argument) + " is not NAME=VALUE"};
    }
    return ParseSetting(argument.substr(0, equals), argument.substr(equals + 1),
                        ValueRules::AsTyped);
}

std::vector<std::string> FieldNames() {
    std::vector<std::string> names;
    for (const FeatureBinding& feature : FeatureMap) {
        names.emplace_back(feature.name);
        if (feature.linesToSkipControl != 0) {
            names.emplace_back(kLinesToSkipName);
        }
    }
    return names;
}

}  // namespace tq
