// Just enough JSON for a form profile, read and written by the JSON library: one object whose
// members are strings or numbers, read with the line of every member so that an error can say
// where it is, and written one member to a line so that two profiles diff line by line. Nested
// objects, arrays, true, false and null are refused, but for the value of the one member the
// caller names to be passed over unread (a profile's "inventory", which says which printer it was
// read from). Duplicate keys are kept as written, for the caller to refuse by name (the library
// alone would keep the last).
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tq {

struct JsonMember {
    // Skipped: the member the caller named, its value (any JSON value) not read.
    enum class Type { String, Number, Skipped };
    std::string key;
    Type type = Type::String;
    // A string's decoded text, or a number as written ("12", "-3", "1.5e2"); a whole number within
    // 64 bits is given in its plain decimal form ("012" is not JSON), and "-0" as "-0".
    std::string value;
    int line = 0;
};

struct JsonReadResult {
    std::vector<JsonMember> members;  // in the order written; duplicates kept
    // Empty when the text was one well-formed object; otherwise what is wrong and where ("line 3,
    // column 17: syntax error while parsing object - unexpected string literal; expected '}' after
    // member \"ClampDelay\""). Lines and columns count bytes from 1; the column is that of the byte
    // at which the reader gave up.
    std::string error;
};

// The member named `skipped` (none when empty) may hold any JSON value; it is reported as Skipped.
JsonReadResult ReadFlatJsonObject(std::string_view text, std::string_view skipped = {});

// A JSON string literal, quotes included, as `show --json` writes it: quote and backslash escaped,
// control characters as \b, \f, \n, \r, \t or \u00XX, UTF-8 as it is, and each byte that is not
// part of UTF-8 as U+FFFD (the replacement character), so that the text stays JSON.
std::string JsonQuote(std::string_view text);

// {"key": "value", ...} with one member to a line, two blanks of indent, ending in a newline. A key
// given twice is written once, at its first place, with its last value.
std::string WriteFlatJsonObject(const std::vector<std::pair<std::string, std::string>>& members);
// Any object in that layout (a nested object's members one to a line too), with numbers and null
// as the object holds them: what `show --json` prints and a profile is saved as.
std::string WriteJsonText(const nlohmann::ordered_json& object);

// A number field's value as JSON: its plain decimal digits as a JSON number, so that a script
// reads a number; any other text (which only a faulty reply could leave in the field) as the
// string it is, so that nothing is lost.
nlohmann::ordered_json NumberOrString(const std::string& text);

}  // namespace tq
