// A scripted, headless run of the application: a sound and a tune played at start-up end on the run's
// virtual clock and their "ended" comes back through the main loop; the run's end stops everything
// and closes the audio output.
#include <gtest/gtest.h>

#include "support/scratch_dir.h"
#include "runtime/application.h"
#include "runtime/resources.h"
#include "runtime/sound_test_support.h"
#include "value/builtins.h"

namespace vel {
namespace {

using namespace testing_support;

class SoundingApplication final : public velApplication {
public:
    explicit SoundingApplication(Engine& engine) : velApplication(engine, Value()) {}

    void startUp(const EventRecord&) override
    {
        start = engine().clock().now();
        for (const char* name : {"ding.wav", "tune.mid"}) {
            Value sound = engine().resources().loadSound(Value::string(name), true);
            if (velPlay(sound))
                played.push_back(sound);
        }
    }
    void mediaNotification(const EventRecord& e) override
    {
        List* pair = asList(e.value1);
        ASSERT_TRUE(pair && textOf(pair->get(1)) == "ended");
        for (std::size_t i = 0; i < played.size(); ++i)
            if (played[i].object() == pair->get(0).object())
                ended.emplace_back(i, static_cast<uint32_t>(e.time) - start);
    }

    std::vector<Value> played;
    std::vector<std::pair<std::size_t, uint32_t>> ended;
    uint32_t start = 0;
};

TEST(SoundApplicationTest, AScriptedRunHearsTheEndsThroughTheMainLoop)
{
    ScratchDirectory media, home;
    media.write("ding.wav", asText(pcm16Wave(sine(11025, 22050, 660), 1, 22050))); // 500 ms
    media.write("tune.mid", asText(midiTune({60, 67}, 96)));                     // 1000 ms
    RunOptions options;
    options.moduleDirectory = home.path();
    options.headless = true;
    options.script = home.write("run.txt", "wait 1500\n");
    options.settings = {{"MediaPath", media.path()}};
    Engine engine;
    const bool withMusic = !engine.playback().music().findSoundFont().empty();
    {
        SoundingApplication app(engine);
        EXPECT_EQ(app.run(options), 0);
        ASSERT_EQ(app.played.size(), withMusic ? 2u : 1u);
        ASSERT_EQ(app.ended.size(), app.played.size());
        for (std::size_t i = 0; i < app.ended.size(); ++i) {
            EXPECT_EQ(app.ended[i].first, i);
            EXPECT_NEAR(double(app.ended[i].second), 500.0 * double(i + 1) + 5.0, 5.0);
        }
    }
    EXPECT_FALSE(engine.mixer().isOpen());
    EXPECT_TRUE(engine.playback().wave().playing().isNil());
    EXPECT_TRUE(engine.playback().music().playing().isNil());
}

} // namespace
} // namespace vel
