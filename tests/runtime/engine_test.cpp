// The engine's start-up and shut-down: what each brings up and takes down, in order, and that an
// engine can be started again.
#include <gtest/gtest.h>

#include "runtime/engine.h"
#include "runtime/event_queue.h"
#include "runtime/form.h"
#include "runtime/surface.h"
#include "support/error_capture.h"
#include "support/scratch_dir.h"
#include "value/makers.h"
#include "value/reader.h"

namespace vel {
namespace {

using testing_support::ErrorCheckedTest;
using testing_support::ScratchDirectory;

class EngineTest : public ErrorCheckedTest {
protected:
    RunOptions options()
    {
        RunOptions o = RunOptions::offscreenOnly(true);
        o.moduleDirectory = home.path();
        o.configuration->profileFile = home.write("ORVA.ini", "[VELENVIRONMENT]\nMediaWidth=320\n");
        o.settings = {{"MediaHeight", "200"}};
        return o;
    }
    ScratchDirectory home;
};

TEST_F(EngineTest, StartsUpInOrderAndShutsDownInReverse)
{
    Engine engine;
    std::string error;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(engine.startUp(options(), error)) << error;
        // Configuration: defaults, then the profile file, then the command line.
        EXPECT_EQ(textOf(engine.configuration().get("MediaPath")), "Media");
        // The screen is made from the configuration, on the virtual clock.
        ASSERT_NE(engine.surface(), nullptr);
        ASSERT_NE(engine.events(), nullptr);
        EXPECT_EQ(engine.surface()->width(), 320);
        EXPECT_EQ(engine.surface()->height(), 200);
        ASSERT_NE(engine.virtualClock(), nullptr);
        // What the reader makes belongs to this engine, through its registered classes.
        EXPECT_FALSE(engine.classes().find(Value::string("velDialogObject")).isNil());
        Value form = parseText("(form (\"Name\" \"Primeira\"))");
        ASSERT_NE(asForm(form), nullptr);
        EXPECT_EQ(&asForm(form)->engine(), &engine);
        engine.setCurrentForm(form);
        EXPECT_EQ(engine.resources().load(Value::string("Name")), Value::string("Primeira"));

        engine.shutDown();
        EXPECT_EQ(engine.surface(), nullptr);
        EXPECT_EQ(engine.events(), nullptr);
        EXPECT_EQ(engine.virtualClock(), nullptr);
        EXPECT_TRUE(engine.currentForm().isNil());
        // The value layer makes placeholders again.
        EXPECT_EQ(asForm(parseText("(form (\"Name\" \"Primeira\"))")), nullptr);
        EXPECT_EQ(&objectMakers(), &placeholderMakers());
    }
}

TEST_F(EngineTest, AScreenThatCannotBeMadeLeavesNothingBehind)
{
    Engine engine;
    RunOptions o = options();
    o.offscreen = false;
    o.script = home / "missing.script";
    std::string error;
    EXPECT_FALSE(engine.startUp(o, error));
    EXPECT_FALSE(error.empty());
    engine.shutDown();
    EXPECT_EQ(engine.events(), nullptr);
    EXPECT_EQ(&objectMakers(), &placeholderMakers());
}

} // namespace
} // namespace vel
