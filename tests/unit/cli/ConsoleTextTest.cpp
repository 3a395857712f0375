#include "cli/ConsoleText.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/FlatJson.h"

namespace tq::cli {
namespace {

// The same printer text in the plain lines and in the JSON of `show --json`: neither lets a
// control character through, and the JSON holds nothing that is not UTF-8.
TEST(ConsoleTextTest, PrinterTextIsEscapedForTheTerminalAndForJson) {
    struct Case {
        std::string text;
        const char* plain;
        const char* json;
    };
    const Case cases[] = {
        {"1.0 ok ~", "1.0 ok ~", R"("1.0 ok ~")"},
        {"\x1B]0;owned\x07", "\\x1B]0;owned\\x07", R"("\u001b]0;owned\u0007")"},
        {"a\rb\nc\td\be\ff", "a\\x0Db\\x0Ac\\x09d\\x08e\\x0Cf", R"("a\rb\nc\td\be\ff")"},
        {std::string("nul\0end", 7), "nul\\x00end", R"("nul\u0000end")"},
        {"del\x7F", "del\\x7F", "\"del\x7F\""},
        {"C1 \xC2\x9B"
         "2J, \xFF",
         "C1 \\xC2\\x9B2J, \\xFF",
         "\"C1 \xC2\x9B"
         "2J, \xEF\xBF\xBD\""},
        {"back\\slash \"q\"", "back\\\\slash \"q\"", R"("back\\slash \"q\"")"},
        {"", "", R"("")"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeForTerminal(c.text), c.plain);
        EXPECT_EQ(JsonQuote(c.text), c.json);
    }
    // Names keep their backslashes, so that a listed device path can be given back to --usb.
    EXPECT_EQ(EscapeNameForTerminal(R"(\\?\usb#vid_1a2b#{28d78fad} C:\p.json)"),
              R"(\\?\usb#vid_1a2b#{28d78fad} C:\p.json)");
    EXPECT_EQ(EscapeNameForTerminal("/dev/tty\x1B[2J"), "/dev/tty\\x1B[2J");
}

}  // namespace
}  // namespace tq::cli
