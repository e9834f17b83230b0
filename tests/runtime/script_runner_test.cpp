// Scripted runs: commands become the messages a person's hands would give, waits move the virtual
// clock, and failures say where.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "runtime/script_runner.h"

namespace vel {
namespace {

using platform::Message;
using platform::MessageKind;

std::vector<Message> drain(ScriptRunner& runner, int limit = 1000)
{
    std::vector<Message> out;
    Message m;
    for (int i = 0; i < limit && !runner.finished(); ++i)
        if (runner.poll(m))
            out.push_back(m);
    return out;
}

TEST(ScriptRunnerTest, ClicksAndKeysBecomeMessages)
{
    platform::VirtualClock clock;
    ScriptRunner runner(clock, {});
    std::string error;
    ASSERT_TRUE(runner.loadText("# a comment\nclick 10 20\n\nkey Ctrl+C\nkey Enter\n", error)) << error;
    std::vector<Message> m = drain(runner);
    using K = MessageKind;
    std::vector<K> kinds;
    for (const Message& x : m)
        kinds.push_back(x.kind);
    // Ctrl down, C down, character 3, C up, Ctrl up; Enter types a carriage return; the end asks the program to close.
    EXPECT_EQ(kinds, (std::vector<K>{K::MouseMove, K::LeftDown, K::LeftUp, K::KeyDown, K::KeyDown, K::Character, K::KeyUp,
                                     K::KeyUp, K::KeyDown, K::Character, K::KeyUp, K::CloseRequest}));
    ASSERT_EQ(m.size(), 12u);
    EXPECT_EQ(std::make_pair(m[1].x, m[1].y), std::make_pair(10, 20));
    EXPECT_EQ((std::vector<int>{m[3].virtualKey, m[4].virtualKey, m[5].character, m[7].virtualKey, m[9].character}),
              (std::vector<int>{platform::vk::Control, 'C', 3, platform::vk::Control, 13}));
    EXPECT_TRUE(m[4].state & platform::keystate::Control);
    EXPECT_TRUE(runner.finished() && !runner.failed());
}

TEST(ScriptRunnerTest, KeyNames)
{
    const struct {
        const char* name;
        std::size_t count; // 0: refused
        int typed;         // the character typed, 0 for none
    } cases[] = {{"F5", 2, 0}, {"Shift+a", 5, 'a'}, {"\xc3\xa7", 3, 0xE7} /* UTF-8 in the script */, {"Alt+F", 4, 0},
                 {"Hyper", 0, 0}, {"F13", 0, 0}};
    for (const auto& c : cases) {
        std::vector<Message> m;
        EXPECT_EQ(ScriptRunner::keyMessages(c.name, m), c.count > 0) << c.name;
        EXPECT_EQ(m.size(), c.count) << c.name;
        int typed = 0;
        for (const Message& x : m)
            typed = x.kind == MessageKind::Character ? x.character : typed;
        EXPECT_EQ(typed, c.typed) << c.name;
    }
}
TEST(ScriptRunnerTest, WaitMovesTheClockInSmallSteps)
{
    platform::VirtualClock clock;
    ScriptRunner runner(clock, {});
    std::string error;
    ASSERT_TRUE(runner.loadText("wait 1000\nclick 1 1\n", error));
    Message m;
    int polls = 0;
    while (!runner.poll(m))
        ++polls;
    EXPECT_GE(clock.now(), 1000u);
    EXPECT_LE(clock.now(), 1002u);
    EXPECT_GE(polls, 100); // the program gets many looks at the clock on the way
    EXPECT_EQ(m.kind, MessageKind::MouseMove);
}

TEST(ScriptRunnerTest, BadScriptsAreRefusedBeforeRunningAndSayWhere)
{
    platform::VirtualClock clock;
    const struct {
        const char* script;
        const char* says;
    } cases[] = {{"click 1\n", "line 1"},
                 {"wait 10\njump 3\n", "line 2: unknown command 'jump'"},
                 {"wait -5\n", "line 1"},
                 {"key NoSuchKey\n", "line 1"}};
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ScriptRunner(clock, {}).loadText(c.script, error)) << c.script;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(ScriptRunner(clock, {}).load("/nonexistent/script", error));
}
TEST(ScriptRunnerTest, ExpectFormAndShotFailuresStopTheRun)
{
    platform::VirtualClock clock;
    std::vector<std::string> shots;
    ScriptRunner::Hooks hooks;
    hooks.currentFormName = [] { return std::string("MainForm"); };
    hooks.shot = [&](const std::string& path) {
        shots.push_back(path);
        return path != "/bad.png";
    };
    ScriptRunner runner(clock, hooks);
    std::string error;
    ASSERT_TRUE(runner.loadText("expect-form MainForm\nshot a.png\nexpect-form Other\nshot b.png\n", error));
    std::vector<Message> m = drain(runner);
    EXPECT_TRUE(runner.failed());
    EXPECT_NE(runner.failure().find("line 3"), std::string::npos) << runner.failure();
    EXPECT_NE(runner.failure().find("'MainForm'"), std::string::npos);
    EXPECT_EQ(shots, std::vector<std::string>{"a.png"}); // nothing after the failure runs
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m.back().kind, MessageKind::CloseRequest);

    ScriptRunner broken(clock, hooks);
    ASSERT_TRUE(broken.loadText("shot /bad.png\n", error));
    drain(broken);
    EXPECT_TRUE(broken.failed());
}

TEST(ScriptRunnerTest, AProgramThatWillNotCloseFailsTheRun)
{
    platform::VirtualClock clock;
    ScriptRunner runner(clock, {});
    std::string error;
    ASSERT_TRUE(runner.loadText("", error));
    Message m;
    ASSERT_TRUE(runner.poll(m));
    EXPECT_EQ(m.kind, MessageKind::CloseRequest);
    for (int i = 0; i < 5000 && !runner.failed(); ++i)
        EXPECT_FALSE(runner.poll(m));
    EXPECT_TRUE(runner.failed());
}

} // namespace
} // namespace vel
