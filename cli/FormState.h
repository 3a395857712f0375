// The configuration as the command line sees it: thirteen named fields (the twelve features of the
// feature map, and LinesToSkip on its own), each shown as one value and changed as a person would
// change its controls. `show` prints the values, `set NAME=VALUE` changes one field or one check
// box, and a profile is the same values saved as JSON.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
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
// JSON object keyed by name (FieldValueJson), with the printer they were read from last and when,
// under kInventoryMember.
inline constexpr const char* kUnknownValue = "unknown";
std::string FormatShownLines(const std::vector<ShownField>& fields);
std::string FormatShownJson(const std::vector<ShownField>& fields, const PrinterSource& source);

// The field's value as `show --json`, `diff --json` and a profile write it: null while unknown, a
// number field's (and LinesToSkip's) as a JSON number (NumberOrString), any other as a string.
nlohmann::ordered_json FieldValueJson(std::string_view name,
                                      const std::optional<std::string>& value);

// The member of `show --json` and of a saved profile that says which printer the fields were read
// from and when: an object of the PrinterSource's members, always all of them and in this order,
// "link", "device", "serial", "setting", "time", so that between two nightly saves of a printer
// that did not change only the time differs. `load` and `diff` pass over it, whatever it holds.
inline constexpr const char* kInventoryMember = "inventory";
nlohmann::ordered_json InventoryJson(const PrinterSource& source);

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
