#include "cli/Actions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ActionGroups.h"
#include "cli/ConsoleSink.h"
#include "commands/FormStartup.h"
#include "platform/SystemNames.h"
#include "protocol/FeatureMap.h"
#include "protocol/FontTable.h"

namespace tq::cli {
namespace {

using Args = std::vector<std::string>;

class ActionsTest : public ::testing::Test {
protected:
    ActionsTest() {
        RegisterAllActions(registry);
        // A stand-in of the shape "show [--json]" to exercise flags. In the usage text it takes
        // the room of one more action.
        registry.Add({"probe",
                      {},
                      {"--json"},
                      "test only",
                      [](ActionContext&, const ParsedAction&) {},
                      nullptr,
                      "probe --json"});
    }
    std::optional<CommandLine> Parse(const Args& args) {
        return ParseCommandLine(args, registry, error);
    }

    ActionRegistry registry;
    std::string error;
};

TEST_F(ActionsTest, ActionsInOrderWithTheirArgumentsVerbatim) {
    const auto line =
        Parse({"get", "88", "status", "get", "048", "get", "111", "probe", "--json", "status"});
    ASSERT_TRUE(line) << error;
    ASSERT_EQ(line->actions.size(), 6u);
    const char* const names[] = {"get", "status", "get", "get", "probe", "status"};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(line->actions[i].spec->name, names[i]);
    }
    EXPECT_EQ(line->actions[0].arguments, Args{"88"});
    EXPECT_EQ(line->actions[2].arguments, Args{"048"});
    EXPECT_TRUE(line->actions[4].HasFlag("--json"));
    EXPECT_FALSE(line->help);
}

TEST_F(ActionsTest, UsageErrorsNameTheirCause) {
    const std::pair<Args, std::string> cases[] = {
        {{}, "no action given"},
        {{"fetch"}, "unknown action 'fetch'"},
        {{"status", "get"}, "'get' needs TEXT"},
        {{"status", "--json"}, "'status' takes no option '--json'"},
        {{"--jsn", "status"}, "unknown option '--jsn'"},
        {{"read-all", "--no-usb"}, "'--no-usb' is an option of the whole run: put it before"},
        {{"get", "88", "88"}, "unknown action '88'"},
        {{"get", "88junk"},
         "get takes a feature number in decimal digits (48 to 111), not \"88junk\""},
        {{"get", "88.9"}, "not \"88.9\""},
        {{"get", " 88"}, "not \" 88\""},
        {{"get", "--help"}, "not \"--help\""},
    };
    for (const auto& [args, why] : cases) {
        error.clear();
        EXPECT_FALSE(Parse(args));
        EXPECT_NE(error.find(why), std::string::npos) << error;
    }
}

// A slip of one or two characters, or of case, gets the one name meant; a word close to none, or
// equally close to two, gets no guess.
TEST_F(ActionsTest, MisspelledNamesGetTheNameMeant) {
    const std::pair<Args, std::string> cases[] = {
        {{"raed-all"}, "unknown action 'raed-all'; did you mean 'read-all'?"},
        {{"Status"}, "unknown action 'Status'; did you mean 'status'?"},
        {{"writeall"}, "unknown action 'writeall'; did you mean 'write-all'?"},
        {{"--quite", "status"}, "unknown option '--quite'; did you mean '--quiet'?"},
        {{"--port=x", "show", "--jsno"}, "'show' takes no option '--jsno'; did you mean '--json'?"},
        {{"set", "clampdelay=3"}, "is not a field of the form; did you mean 'ClampDelay'?"},
        {{"frobnicate"}, "unknown action 'frobnicate'"},
        {{"bet", "88"}, "unknown action 'bet'"},  // get or set?
        {{"set", "SetupVersio=1"}, "did you mean 'SetupVersion'?"},
        {{"set", "SetupRe=1"}, "is not a field of the form"},
    };
    for (const auto& [args, why] : cases) {
        error.clear();
        EXPECT_FALSE(Parse(args));
        EXPECT_NE(error.find(why), std::string::npos) << error;
        EXPECT_EQ(error.find("did you mean") != std::string::npos,
                  why.find("did you mean") != std::string::npos)
            << error;
    }
}

// The system's own help switch stands for --help (on Windows "/?").
TEST_F(ActionsTest, TheSystemsHelpSwitchAsksForHelp) {
    const char* systems = ThisSystemsNames().helpSwitch;
    const auto line = Parse({systems != nullptr ? systems : "-h"});
    ASSERT_TRUE(line) << error;
    EXPECT_TRUE(line->help);
}

// One line with the reason, escaped, and one pointing at --help: not the whole usage text.
TEST_F(ActionsTest, AUsageErrorIsTwoLines) {
    EXPECT_EQ(UsageErrorText("unknown action 'a\x1B'"),
              "tq9000ctl: unknown action 'a\\x1B'\nTry 'tq9000ctl --help'\n");
}

TEST_F(ActionsTest, HelpInPlaceOfAnAction) {
    const auto line = Parse({"status", "--help", "bogus"});
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->help);
    const std::string usage = UsageText(registry);
    EXPECT_NE(usage.find("  get TEXT"), std::string::npos);
    EXPECT_NE(usage.find("  probe [--json]"), std::string::npos);
}

TEST_F(ActionsTest, VersionInPlaceOfAnActionIsTheFormsVersion) {
    const auto line = Parse({"--version", "bogus"});
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->version);
    EXPECT_TRUE(line->actions.empty());
    EXPECT_EQ(VersionText(), std::string("tq9000ctl ") + kVersionText + "\n");
}

// Every line within 80 columns, with every action and every global option on a line of its own,
// its example in the last column: an action's example as registered, an option's one that uses
// it; and the values `set` takes that no one can guess: every font's name and every check box.
TEST_F(ActionsTest, HelpFitsEightyColumnsWithAnExampleOfEachActionAndOption) {
    std::vector<std::string> lines;
    const std::string text = UsageText(registry);
    std::istringstream usage(text);
    for (std::string line; std::getline(usage, line);) {
        EXPECT_LE(line.size(), 80u) << line;
        lines.push_back(line);
    }
    for (const FontEntry& font : FontTable) {
        EXPECT_NE(text.find(std::string(" ") + font.displayName + ","), std::string::npos)
            << font.displayName;
    }
    for (const FeatureBinding& feature : FeatureMap) {
        for (const FlagBinding& flag : feature.flags) {
            char box[16];
            std::snprintf(box, sizeof box, " %d:", flag.control);
            EXPECT_NE(text.find(box), std::string::npos) << flag.control;
        }
    }
    const auto exampleOf = [&](const std::string& call) -> std::string {
        for (const std::string& line : lines) {
            if (line.rfind("  " + call + " ", 0) == 0) {
                return line.substr(line.rfind("  ") + 2);
            }
        }
        return "(no line for " + call + ")";
    };
    for (const ActionSpec& spec : registry.All()) {
        EXPECT_FALSE(spec.example.empty()) << spec.name;
        EXPECT_EQ(exampleOf(spec.name), spec.example);
    }
    const std::pair<const char*, const char*> options[] = {
        {"--port DEVICE", "--port "},  {"--usb SELECTOR", "--usb "}, {"--no-usb", "--no-usb"},
        {"--trace[=FILE]", "--trace"}, {"--version", "--version"},   {"--help", "--help"},
        {"--quiet", "--quiet"},
    };
    for (const auto& [call, use] : options) {
        EXPECT_EQ(exampleOf(call).rfind(use, 0), 0u) << exampleOf(call);
    }
}

// A stream buffer with no buffer of its own: every piece the stream hands it is kept apart, as
// every piece handed to the unbuffered standard error becomes a write(2) of its own.
class WriteRecorder : public std::streambuf {
public:
    std::vector<std::string> writes;

protected:
    std::streamsize xsputn(const char* text, std::streamsize size) override {
        writes.emplace_back(text, static_cast<std::size_t>(size));
        return size;
    }
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            writes.emplace_back(1, traits_type::to_char_type(c));
        }
        return traits_type::not_eof(c);
    }
};

TEST(ConsoleSinkTest, EveryBoxIsOneWholeWriteAndOnlyTheStatusByteGoesToStandardOutput) {
    WriteRecorder outWrites, errWrites;
    std::ostream out(&outWrites), err(&errWrites);
    ConsoleSink sink(out, err);
    sink.Show(MessageBoxOf(MessageId::StartUpOffline));
    sink.Show(MessageBoxOf(MessageId::StatusByte, std::nullopt, "<00>"));
    sink.Warn("text cut\x07");
    sink.Show(MessageBoxOf(MessageId::ReadError));
    sink.Show(MessageBoxOf(MessageId::StatusByte, std::nullopt, "bell\x07"));
    EXPECT_EQ(errWrites.writes,
              (Args{"BRENLOW: Usb offline, assuming COM1:\n", "Printer Status Byte: <00>\n",
                    "tq9000ctl: warning: text cut\\x07\n", "tq9000_config_app: read error\n",
                    "Printer Status Byte: bell\\x07\n"}));
    EXPECT_EQ(outWrites.writes, (Args{"<00>\n", "bell\\x07\n"}));
}

}  // namespace
}  // namespace tq::cli
