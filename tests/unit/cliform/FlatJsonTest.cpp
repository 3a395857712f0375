#include "cli/FlatJson.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <tuple>

namespace tq {
namespace {

TEST(FlatJsonTest, WrittenObjectsReadBackWithAwkwardTexts) {
    const std::vector<std::pair<std::string, std::string>> members = {
        {"plain", "12"},
        {"empty", ""},
        {"quotes", "say \"hi\" \\ there"},
        {"controls", std::string("tab\there\nnew\x01line\0nul", 21)},
        {"utf8",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
    };
    const std::string text = WriteFlatJsonObject(members);
    EXPECT_EQ(text,
              "{\n"
              "  \"plain\": \"12\",\n"
              "  \"empty\": \"\",\n"
              "  \"quotes\": \"say \\\"hi\\\" \\\\ there\",\n"
              "  \"controls\": \"tab\\there\\nnew\\u0001line\\u0000nul\",\n"
              "  \"utf8\": \"Gr\xC3\xBC\xC3\x9F"
              "e\"\n"
              "}\n");
    const JsonReadResult read = ReadFlatJsonObject(text);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.members.size(), members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        EXPECT_EQ(read.members[i].key, members[i].first);
        EXPECT_EQ(read.members[i].value, members[i].second) << members[i].first;
        EXPECT_EQ(read.members[i].line, static_cast<int>(i) + 2);
    }
}

TEST(FlatJsonTest, ReadsNumbersEscapesAndAnEmptyObject) {
    const JsonReadResult read = ReadFlatJsonObject(
        "\xEF\xBB\xBF { \"a\" : -0.5e+3 , \"b\":7,\"c\":\"\\u00e9\\ud83d\\ude00\\/\" }  \n");
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.members.size(), 3u);
    EXPECT_EQ(read.members[0].type, JsonMember::Type::Number);
    EXPECT_EQ(read.members[0].value, "-0.5e+3");
    EXPECT_EQ(read.members[1].value, "7");
    EXPECT_EQ(read.members[2].type, JsonMember::Type::String);
    EXPECT_EQ(read.members[2].value, "\xC3\xA9\xF0\x9F\x98\x80/");
    EXPECT_EQ(ReadFlatJsonObject("{}").error, "");
    EXPECT_TRUE(ReadFlatJsonObject("{}").members.empty());
}

// Each malformed text is refused with the line and column at which reading stopped, and the member
// it follows when there is one. The words after the place are the JSON library's, but for the
// refusals of its own that a profile needs.
TEST(FlatJsonTest, MalformedTextsSayWhereTheyGoWrong) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "line 1, column 1: expected '{' at the start of the object"},
        {" \n[]", "line 2, column 1: expected '{' at the start of the object"},
        {"12", "expected '{' at the start of the object"},
        {"hello", "expected '{' at the start of the object"},
        {"{\"a\": \"1\"\n \"b\": \"2\"}",
         "line 2, column 4: syntax error while parsing object - unexpected string literal; "
         "expected '}' after member \"a\""},
        {"{\"a\": \"1\",}",
         "line 1, column 11: syntax error while parsing object key - "
         "unexpected '}'; expected string literal after member \"a\""},
        {"{\"a\": {}}",
         "line 1, column 7: expected a string or a number as the value of \"a\" (a profile holds "
         "no objects, arrays, true, false or null)"},
        {"{\"a\": [1]}", "expected a string or a number as the value of \"a\""},
        {"{\"a\": true}", "line 1, column 10: expected a string or a number"},
        {"{\"a\": null}", "expected a string or a number"},
        {"{\"a\": \"1",
         "line 1, column 9: syntax error while parsing value - invalid string: "
         "missing closing quote after member \"a\""},
        {"{\"a\": \"\\x\"}", "forbidden character after backslash"},
        {"{\"a\": \"\\u12\"}", "'\\u' must be followed by 4 hex digits"},
        {"{\"a\": \"\\ud83d\"}", "surrogate U+D800..U+DBFF must be followed by U+DC00..U+DFFF"},
        {"{\"a\": \"\\ude00\"}", "surrogate U+DC00..U+DFFF must follow U+D800..U+DBFF"},
        {"{\"a\": \"x\ny\"}",
         "line 1, column 9: syntax error while parsing value - invalid "
         "string: control character U+000A (LF) must be escaped"},
        {"{\"a\": \"\xFF\"}",
         "line 1, column 8: syntax error while parsing value - invalid "
         "string: ill-formed UTF-8 byte after member \"a\""},
        {"{\"a\": 01}", "unexpected number literal; expected '}'"},
        {"{\"a\": -}", "invalid number; expected digit after '-'"},
        {"{\"a\": 1e}", "invalid number; expected '+', '-', or digit after exponent"},
        {"{\"a\": 1e400}", "line 1, column 11: number overflow parsing '1e400' after member \"a\""},
        {"{\"a\": \"1\"} x", "invalid literal; expected end of input after member \"a\""},
        {"{\"a\" \"1\"}", "unexpected string literal; expected ':'"},
        {"{\"a\": \"1\"", "unexpected end of input; expected '}'"},
        // The library would take the NUL for the end of the text and ignore what follows it.
        {std::string("{\"a\": \"1\"}\0{", 12), "line 1, column 11: a NUL byte"},
        {std::string("{\n\"a\": \"1\"\0}", 12), "line 2, column 9: a NUL byte"},
    };
    for (const auto& [text, expected] : cases) {
        const JsonReadResult read = ReadFlatJsonObject(text);
        EXPECT_NE(read.error.find(expected), std::string::npos)
            << "text: " << text << "\nerror: " << read.error;
    }
}

// What the library does not say on its own: where each member is, every member of a key given
// twice, and a number's digits even past 64 bits, so that a range error can quote them.
TEST(FlatJsonTest, MembersKeepTheirLinesDuplicatesAndDigits) {
    const JsonReadResult read = ReadFlatJsonObject(
        "{\n\"a\": 1,\n\n  \"b\"\n:\n99999999999999999999, \"a\": -9223372036854775809,\n"
        "\"c\": 18446744073709551615}");
    ASSERT_EQ(read.error, "");
    const std::tuple<const char*, const char*, int> expected[] = {
        {"a", "1", 2},
        {"b", "99999999999999999999", 4},
        {"a", "-9223372036854775809", 6},
        {"c", "18446744073709551615", 7},
    };
    ASSERT_EQ(read.members.size(), std::size(expected));
    for (std::size_t i = 0; i < read.members.size(); ++i) {
        EXPECT_EQ(read.members[i].key, std::get<0>(expected[i]));
        EXPECT_EQ(read.members[i].value, std::get<1>(expected[i]));
        EXPECT_EQ(read.members[i].line, std::get<2>(expected[i])) << read.members[i].key;
    }
}

// The member named to be skipped may hold any JSON value, nested as deep as it likes; it is
// reported once, at its line, and what follows it is read as before. Elsewhere an object is still
// refused, and so is a skipped value that is not well-formed.
TEST(FlatJsonTest, TheSkippedMemberMayHoldAnyValue) {
    const JsonReadResult read = ReadFlatJsonObject(
        "{\"a\": \"1\",\n\"inventory\": {\"x\": [1, {\"y\": null}, true], \"a\": {}},\n"
        "\"b\": 2, \"inventory\": null}",
        "inventory");
    ASSERT_EQ(read.error, "");
    const std::tuple<const char*, JsonMember::Type, int> expected[] = {
        {"a", JsonMember::Type::String, 1},
        {"inventory", JsonMember::Type::Skipped, 2},
        {"b", JsonMember::Type::Number, 3},
        {"inventory", JsonMember::Type::Skipped, 3},
    };
    ASSERT_EQ(read.members.size(), std::size(expected));
    for (std::size_t i = 0; i < read.members.size(); ++i) {
        EXPECT_EQ(read.members[i].key, std::get<0>(expected[i]));
        EXPECT_EQ(read.members[i].type, std::get<1>(expected[i])) << i;
        EXPECT_EQ(read.members[i].line, std::get<2>(expected[i])) << i;
    }
    EXPECT_NE(ReadFlatJsonObject("{\"a\": {\"inventory\": 1}}", "inventory")
                  .error.find("as the value of"),
              std::string::npos);
    EXPECT_NE(
        ReadFlatJsonObject("{\"inventory\": {\"x\": }}", "inventory").error.find("line 1, column"),
        std::string::npos);
}

}  // namespace
}  // namespace tq
