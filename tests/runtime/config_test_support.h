// One engine for each test, started without a window on a virtual clock, with the framework's
// defaults and no configuration files; its message boxes are kept for the test to read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/engine.h"
#include "support/error_capture.h"
#include "support/scratch_dir.h"
#include "support/subprocess.h"

namespace vel::testing_support {

class ConfiguredTest : public ErrorCheckedTest {
protected:
    void SetUp() override
    {
        ErrorCheckedTest::SetUp();
        std::string error;
        ASSERT_TRUE(engine.startUp(RunOptions::offscreenOnly(true), error)) << error;
        engine.takeNotices([this](std::string_view text) { notices.emplace_back(text); });
    }
    void TearDown() override
    {
        engine.shutDown();
        ErrorCheckedTest::TearDown();
    }
    Configuration& config() { return engine.configuration(); }
    platform::VirtualClock& clock() { return *engine.virtualClock(); }
    // The media root is the scratch folder's "Media" folder.
    void useScratchMediaRoot()
    {
        config().set("SourceDisk", Value::string(disc.path()));
        config().set("MediaPath", Value::string("Media"));
    }

    ScratchDirectory disc;
    Engine engine;
    std::vector<std::string> notices;
};

} // namespace vel::testing_support
