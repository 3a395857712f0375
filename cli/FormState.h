// The configuration as the command line sees it: thirteen named fields (the twelve features of the
// feature map, and LinesToSkip on its own), each shown as one value and changed as a person would
// change its controls. `show` prints the values, `set NAME=VALUE` changes one field or one check
// box, and a profile is the same values saved as JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Configuration.h"

namespace tq {

// One change to the configuration, checked before anything is touched.
struct FormSetting {
    enum class Kind {
        Value,     // the field gets `value`, in show's notation
        CheckBox,  // one box of the field's group is checked or cleared
        Unchanged  // nothing: a profile's "" leaves the field as it is
    };
    Kind kind = Kind::Value;
    std::size_t field = 0;
    std::string value;
    std::uint8_t mask = 0;  // CheckBox: the box's bit in its group's byte
    bool checked = false;
};

// Gives the field its new value, from `from`. Empty on success; otherwise why it cannot be done,
// and nothing changes: a single check box of a group that holds nothing yet would make a byte
// whose other bits nobody gave.
std::string ApplySetting(Configuration& configuration, const FormSetting& setting, Provenance from);

// Whether a profile's setting leaves the printer as it is: "" keeps the field, and a font of
// "none" is no selection, which Write All does not send.
bool LeavesThePrinterAlone(const FormSetting& setting);

// One shown field: its feature id, its name, its value (nothing while unknown).
struct ShownField {
    int id;
    std::string name;
    std::optional<std::string> value;
};

// In show order (feature-number order, LinesToSkip right after ValidationOptions).
std::vector<ShownField> ShowFields(const Configuration& configuration);
// "ID NAME VALUE" lines, the value escaped for a terminal (a number field holds the printer's
// reply as it came), "unknown" for a field that holds nothing anyone gave; and the same as one
// JSON object keyed by name, with null for an unknown field.
inline constexpr const char* kUnknownValue = "unknown";
std::string FormatShownLines(const std::vector<ShownField>& fields);
std::string FormatShownJson(const std::vector<ShownField>& fields);

// Where a value comes from. Both are checked by the same rules, and a value they refuse never
// reaches the form: a number field or LinesToSkip takes plain decimal digits within its range, a
// flag set one or two hexadecimal digits with no bit that no check box owns, a font its list name
// or "none". They differ only in what else they take: `set` also names a check box by its control
// id (VALUE 0 or 1); a profile, which must give every field, takes "" for any field to leave it as
// it is.
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

}  // namespace tq
