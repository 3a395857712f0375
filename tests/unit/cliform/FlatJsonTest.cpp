#include "cli/FlatJson.h"

#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ(text.substr(0, 18), "{\n  \"plain\": \"12\",");
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

// Each malformed text is refused with the position, and the member it follows when there is one.
TEST(FlatJsonTest, MalformedTextsSayWhereTheyGoWrong) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "line 1, column 1: expected '{'"},
        {"[]", "line 1, column 1: expected '{'"},
        {"{\"a\": \"1\"\n \"b\": \"2\"}",
         "line 2, column 2: expected ',' or '}' after member \"a\""},
        {"{\"a\": \"1\",}", "line 1, column 11: expected a string after member \"a\""},
        {"{\"a\": {}}", "expected a string or a number as the value of \"a\""},
        {"{\"a\": true}", "expected a string or a number"},
        {"{\"a\": null}", "expected a string or a number"},
        {"{\"a\": \"1", "unterminated string"},
        {"{\"a\": \"1\\", "unterminated string"},
        {"{\"a\": \"\\x\"}", "unknown escape"},
        {"{\"a\": \"\\u12\"}", "four hexadecimal digits"},
        {"{\"a\": \"\\ud83d\"}", "unpaired surrogate"},
        {"{\"a\": \"\\ude00\"}", "unpaired surrogate"},
        {"{\"a\": \"\\ud83d\\u0041\"}", "unpaired surrogate"},
        {"{\"a\": \"x\ny\"}", "control character in a string"},
        {"{\"a\": 01}", "expected ',' or '}'"},
        {"{\"a\": -}", "expected a digit"},
        {"{\"a\": 1.}", "expected a digit"},
        {"{\"a\": 1e}", "expected a digit"},
        {"{\"a\": \"1\"} x", "text after the end of the object"},
        {"{\"a\" \"1\"}", "expected ':'"},
        {"{\"a\": \"1\"", "expected ',' or '}'"},
        {std::string("{\"a\": \"1\"\0}", 11), "expected ',' or '}'"},
    };
    for (const auto& [text, expected] : cases) {
        const JsonReadResult read = ReadFlatJsonObject(text);
        EXPECT_NE(read.error.find(expected), std::string::npos)
            << "text: " << text << "\nerror: " << read.error;
    }
}

}  // namespace
}  // namespace tq
