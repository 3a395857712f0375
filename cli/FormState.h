// The headless form's configuration as the command line sees it: thirteen named fields (the twelve
// features of the feature map, and LinesToSkip on its own), each shown as one value and changed as
// a person would change its controls. `show` prints the values, `set NAME=VALUE` changes one field
// or one check box, and a profile is the same values saved as JSON.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/FeatureMap.h"

namespace tq {

class WindowOps;

// One change to the form, checked before anything is touched.
struct FormSetting {
    enum class Kind {
        EditText,       // control gets text
        FlagByte,       // every box of feature set from the bits of number
        FontSelection,  // control selects entry number (kCbErr: no selection)
        CheckBox,       // control gets check state number
        Unchanged       // nothing: a profile's "" for a number field or LinesToSkip
    };
    Kind kind = Kind::EditText;
    const FeatureBinding* feature = nullptr;
    int control = 0;
    int number = 0;
    std::string text;
};

void ApplySetting(WindowOps& form, const FormSetting& setting);

// One shown field: its feature id, its name, its value.
struct ShownField {
    int id;
    std::string name;
    std::string value;
};

// In feature-number order, LinesToSkip right after ValidationOptions. A number shows its edit's
// text, a flag set the byte its boxes give ("%02X", for ValidationOptions the boxes' bits only),
// a font its selected display name or "none".
std::vector<ShownField> ShowForm(const WindowOps& form);
// "ID NAME VALUE" lines, the value escaped for a terminal (a number field holds the printer's
// reply as it came), and the same as one JSON object keyed by name.
std::string FormatShownLines(const std::vector<ShownField>& fields);
std::string FormatShownJson(const std::vector<ShownField>& fields);

// Where a value comes from. Both are checked by the same rules, and a value they refuse never
// reaches the form: a number field or LinesToSkip takes plain decimal digits within its range, a
// flag set one or two hexadecimal digits with no bit that no check box owns, a font its list name
// or "none". They differ only in what else they take: `set` also names a check box by its control
// id (VALUE 0 or 1); a profile, which must give every field, takes "" for a number field or
// LinesToSkip to leave that field as the form holds it.
enum class ValueSource { SetArgument, Profile };

// The setting for NAME and VALUE, or an error text naming the field and the values it takes
// ("ClampDelay takes a whole number from 0 to 40, not \"41\"").
struct SettingResult {
    std::optional<FormSetting> setting;
    std::string error;
};
SettingResult ParseSetting(std::string_view name, std::string_view value, ValueSource source);
// "NAME=VALUE" as `set` is given it.
SettingResult ParseSetArgument(std::string_view argument);

// The thirteen names, in the order shown.
std::vector<std::string> FieldNames();

}  // namespace tq
