// Just enough JSON for a form profile: one object whose members are strings or numbers, read with
// the position of every member so that an error can say where it is, and written one member to a
// line so that two profiles diff line by line. Nested objects, arrays, true, false and null are
// refused: a profile has no use for them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tq {

struct JsonMember {
    enum class Type { String, Number };
    std::string key;
    Type type = Type::String;
    // A string's decoded text, or a number exactly as written ("12", "-3", "1.5e2").
    std::string value;
    int line = 0;
};

struct JsonReadResult {
    std::vector<JsonMember> members;  // in the order written; duplicates kept
    // Empty when the text was one well-formed object; otherwise what is wrong and where
    // ("line 3, column 17: expected ',' or '}' after member \"ClampDelay\"").
    std::string error;
};

JsonReadResult ReadFlatJsonObject(std::string_view text);

// A JSON string literal, quotes included: quote, backslash and control characters escaped, other
// bytes as they are.
std::string JsonQuote(std::string_view text);

// {"key": "value", ...} with one member to a line, two blanks of indent, ending in a newline.
std::string WriteFlatJsonObject(const std::vector<std::pair<std::string, std::string>>& members);

}  // namespace tq
