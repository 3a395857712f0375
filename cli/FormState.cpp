#include "cli/FormState.h"

#include <cstdio>
#include <utility>

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

// "ClampDelay takes a whole number from 0 to 40, not "41"": the field, what it accepts, and what
// it was given, quoted so that an invisible character shows.
SettingResult Refusal(std::string_view name, const std::string& accepted, std::string_view value) {
    return {std::nullopt, std::string(name) + " takes " + accepted + ", not " + JsonQuote(value)};
}

SettingResult Setting(FormSetting setting) {
    return {std::move(setting), {}};
}

SettingResult Unchanged() {
    FormSetting setting;
    setting.kind = FormSetting::Kind::Unchanged;
    return Setting(setting);
}

// Plain digits within the field's range, stored without leading zeros: the text is what Write All
// reads, and an edit that held "abc" or "0x10" would be written as 0. A profile's "" leaves the
// field as the form holds it: LinesToSkip travels inside ValidationOptions, which Write All always
// sends, so only this reading of "" keeps the printer's own value after a read-all.
SettingResult NumberText(std::string_view name, int control, int bound, std::string_view value,
                         ValueSource source) {
    if (source == ValueSource::Profile && value.empty()) {
        return Unchanged();
    }
    if (!IsDigits(value) || ReadLeadingInteger(value) > bound) {
        std::string accepted = "a whole number from 0 to " + std::to_string(bound);
        if (source == ValueSource::Profile) {
            accepted += " (or \"\" to leave the form's " + std::string(name) + " as it is)";
        }
        return Refusal(name, accepted, value);
    }
    FormSetting setting;
    setting.kind = FormSetting::Kind::EditText;
    setting.control = control;
    setting.text = std::to_string(ReadLeadingInteger(value));
    return Setting(setting);
}

// A bit that no box owns cannot be shown or written by the form; accepting it would drop it
// without a word.
SettingResult FlagByte(const FeatureBinding& feature, std::string_view value) {
    const int owned = OwnedFlagBits(feature);
    if (value.size() > 2 || !IsHexDigits(value) || (*ReadHexByte(value) & ~owned) != 0) {
        const char* linesToSkip =
            feature.linesToSkipControl != 0 ? "; LinesToSkip is a field of its own" : "";
        return Refusal(feature.name,
                       "hex bits within 0x" + Hex2(owned) + " (the bits its check boxes own" +
                           linesToSkip + "), written as 1 or 2 hex digits without 0x",
                       value);
    }
    FormSetting setting;
    setting.kind = FormSetting::Kind::FlagByte;
    setting.feature = &feature;
    setting.number = *ReadHexByte(value);
    return Setting(setting);
}

SettingResult FontSelection(const FeatureBinding& feature, std::string_view value) {
    FormSetting setting;
    setting.kind = FormSetting::Kind::FontSelection;
    setting.control = feature.control;
    setting.number = kCbErr;
    for (std::size_t i = 0; i < FontTable.size(); ++i) {
        if (value == FontTable[i].displayName) {
            setting.number = static_cast<int>(i);
        }
    }
    if (setting.number == kCbErr && value != kNoFont) {
        return Refusal(feature.name, "a font: " + FontNames(), value);
    }
    return Setting(setting);
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
        return Refusal(std::string(name) + " (a check box)", "1 (checked) or 0 (cleared)", value);
    }
    FormSetting setting;
    setting.kind = FormSetting::Kind::CheckBox;
    setting.control = control;
    setting.number = value == "1" ? 1 : 0;
    return Setting(setting);
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
        case FormSetting::Kind::Unchanged:
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

SettingResult ParseSetting(std::string_view name, std::string_view value, ValueSource source) {
    if (name == kLinesToSkipName) {
        const FeatureBinding& owner = LinesToSkipOwner();
        return NumberText(name, owner.linesToSkipControl, owner.linesToSkipBound, value, source);
    }
    const FeatureBinding* feature = FindFeature(name);
    if (!feature) {
        return source == ValueSource::SetArgument && IsDigits(name)
                   ? CheckBox(name, value)
                   : Error(name, "is not a field of the form");
    }
    switch (feature->kind) {
        case FeatureKind::Number:
            return NumberText(name, feature->control, feature->upperBound, value, source);
        case FeatureKind::FlagSet:
            return FlagByte(*feature, value);
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
                        ValueSource::SetArgument);
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
