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
    ASSERT_GE(m.size(), 3u);
    EXPECT_EQ(m[0].kind, MessageKind::MouseMove);
    EXPECT_EQ(m[1].kind, MessageKind::LeftDown);
    EXPECT_EQ(m[1].x, 10);
    EXPECT_EQ(m[1].y, 20);
    EXPECT_EQ(m[2].kind, MessageKind::LeftUp);
    // Ctrl down, C down, character 3, C up, Ctrl up.
    ASSERT_GE(m.size(), 8u);
    EXPECT_EQ(m[3].virtualKey, platform::vk::Control);
    EXPECT_EQ(m[4].virtualKey, 'C');
    EXPECT_TRUE(m[4].state & platform::keystate::Control);
    EXPECT_EQ(m[5].kind, MessageKind::Character);
    EXPECT_EQ(m[5].character, 3);
    EXPECT_EQ(m[7].kind, MessageKind::KeyUp);
    EXPECT_EQ(m[7].virtualKey, platform::vk::Control);
    // Enter types a carriage return; the end of the script asks the program to close.
    EXPECT_EQ(m[9].character, 13);
    EXPECT_EQ(m.back().kind, MessageKind::CloseRequest);
    EXPECT_TRUE(runner.finished());
    EXPECT_FALSE(runner.failed());
}

TEST(ScriptRunnerTest, KeyNames)
{
    std::vector<Message> m;
    EXPECT_TRUE(ScriptRunner::keyMessages("F5", m));
    EXPECT_EQ(m[0].virtualKey, platform::vk::F1 + 4);
    EXPECT_EQ(m.size(), 2u); // no character
    m.clear();
    EXPECT_TRUE(ScriptRunner::keyMessages("Shift+a", m));
    EXPECT_EQ(m[2].character, 'a');
    m.clear();
    EXPECT_TRUE(ScriptRunner::keyMessages("\xc3\xa7", m)); // ç, written in UTF-8 in the script
    EXPECT_EQ(m[1].character, 0xE7);
    m.clear();
    EXPECT_TRUE(ScriptRunner::keyMessages("Alt+F", m));
    for (const Message& x : m)
        EXPECT_NE(x.kind, MessageKind::Character); // Alt types nothing
    EXPECT_FALSE(ScriptRunner::keyMessages("Hyper", m));
    EXPECT_FALSE(ScriptRunner::keyMessages("F13", m));
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
