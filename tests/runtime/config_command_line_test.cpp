// The program's options, the settings they stand for, and the application's argument list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/command_line.h"
#include "support/error_capture.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {
namespace {

using testing_support::ErrorCheckedTest;

class CommandLineTest : public ErrorCheckedTest {
protected:
    bool parse(std::vector<std::string> words)
    {
        error.clear();
        return parseProgramOptions(words, options, error);
    }
    ProgramOptions options;
    std::string error;
};

TEST_F(CommandLineTest, EveryOptionIsRead)
{
    ASSERT_TRUE(parse({"--media", "/srv/disc", "--home=/tmp/h", "--set", "TestMode=1", "--set", "jpg=A;B",
                       "--headless", "--script", "run.txt", "--scale", "2", "--fullscreen", "palavra"}))
        << error;
    EXPECT_EQ(options.media, "/srv/disc");
    EXPECT_EQ(options.home, "/tmp/h");
    EXPECT_EQ(options.script, "run.txt");
    ASSERT_EQ(options.settings.size(), 2u);
    EXPECT_EQ(options.settings[1].first, "jpg");
    EXPECT_EQ(options.settings[1].second, "A;B");
    EXPECT_TRUE(options.headless);
    EXPECT_TRUE(options.fullscreen);
    EXPECT_FALSE(options.help);
    EXPECT_EQ(options.scale, 2);
    EXPECT_EQ(options.arguments, std::vector<std::string>{"palavra"});
}

TEST_F(CommandLineTest, BadOptionsAreClearErrors)
{
    const struct {
        std::vector<std::string> words;
        const char* mentions;
    } cases[] = {
        {{"--colour"}, "unknown option --colour"},
        {{"-x"}, "unknown option -x"},
        {{"--media"}, "--media needs a value"},
        {{"--media="}, "--media needs a non-empty value"},
        {{"--set", "NoEquals"}, "KEY=VALUE"},
        {{"--set", "=value"}, "KEY=VALUE"},
        {{"--scale", "0"}, "--scale"},
        {{"--scale", "17"}, "--scale"},
        {{"--scale", "2x"}, "--scale"},
        {{"--headless=yes"}, "takes no value"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(parse(c.words)) << c.words[0];
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

TEST_F(CommandLineTest, DoubleDashEndsTheOptionsAndHelpIsAnOption)
{
    ASSERT_TRUE(parse({"--help", "--", "--headless", "-"}));
    EXPECT_TRUE(options.help);
    EXPECT_FALSE(options.headless);
    EXPECT_EQ(options.arguments, (std::vector<std::string>{"--headless", "-"}));
    for (const char* option : {"--media", "--home", "--set", "--headless", "--script", "--scale", "--fullscreen"})
        EXPECT_NE(programUsage().find(option), std::string::npos) << option;
}

TEST_F(CommandLineTest, MediaComesFirstSoThatAnExplicitSettingWins)
{
    ASSERT_TRUE(parse({"--set", "MediaPath=Dados", "--media", "/srv/disc"}));
    auto settings = commandLineSettings(options);
    ASSERT_EQ(settings.size(), 3u);
    EXPECT_EQ(settings[0], (std::pair<std::string, std::string>{"SourceDisk", "/srv/disc"}));
    EXPECT_EQ(settings[1], (std::pair<std::string, std::string>{"MediaPath", ""}));
    EXPECT_EQ(settings[2], (std::pair<std::string, std::string>{"MediaPath", "Dados"}));
}

std::vector<std::string> strings(const Value& list)
{
    std::vector<std::string> out;
    ValueList* l = asValueList(list);
    for (int32_t i = 0; l && i < l->count(); ++i)
        out.emplace_back(textOf(l->get(i)));
    return out;
}

TEST_F(CommandLineTest, TheCommandLineSplitsOnBlanksAndAnEmptyOneGivesAnEmptyList)
{
    Value empty = commandLineList("");
    ASSERT_NE(asValueList(empty), nullptr);
    EXPECT_EQ(asValueList(empty)->count(), 0);
    EXPECT_EQ(strings(commandLineList("a b")), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(strings(commandLineList("a  b ")), (std::vector<std::string>{"a", "", "b", ""}));
    ASSERT_TRUE(parse({"--headless", "um", "dois tres"}));
    EXPECT_EQ(strings(argumentList(options)), (std::vector<std::string>{"um", "dois", "tres"}));
    ASSERT_TRUE(parse({"--headless"}));
    EXPECT_EQ(asValueList(argumentList(options))->count(), 0);
}

} // namespace
} // namespace vel
