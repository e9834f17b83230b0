// A scripted, headless run of the application: a sound and a tune played at start-up end on the run's
// virtual clock and their "ended" comes back through the main loop; the run's end stops everything
// and closes the audio output.
#include <gtest/gtest.h>

#include "../platform/scratch_dir.h"
#include "platform/clock.h"
#include "runtime/application.h"
#include "runtime/resources.h"
#include "runtime/sound_test_support.h"
#include "value/builtins.h"

namespace vel {
namespace {

using namespace testing_support;

class SoundingApplication final : public velApplication {
public:
    SoundingApplication(std::string wave, std::string tune) : velApplication(Value()), wave_(std::move(wave)), tune_(std::move(tune)) {}

    void startUp(const EventRecord&) override
    {
        sound = loadSound(Value::string(wave_), true);
        music = loadSound(Value::string(tune_), true);
        start = platform::clock().now();
        playedSound = velPlay(sound);
        playedMusic = velPlay(music);
    }
    void mediaNotification(const EventRecord& e) override { notifications.push_back(e); }

    Value sound, music;
    bool playedSound = false, playedMusic = false;
    uint32_t start = 0;
    std::vector<EventRecord> notifications;

private:
    std::string wave_, tune_;
};

class SoundApplicationTest : public ErrorCheckedTest {};

TEST_F(SoundApplicationTest, AScriptedRunHearsTheEndsThroughTheMainLoop)
{
    ScratchDirectory media, home;
    media.write("ding.wav", asText(pcm16Wave(sine(11025, 22050, 660), 1, 22050))); // 500 ms
    media.write("tune.mid", asText(midiTune({60, 67}, 96)));                     // 1000 ms
    const std::string script = home.write("run.txt", "wait 1500\n");
    RunOptions options;
    options.moduleDirectory = home.path();
    options.headless = true;
    options.script = script;
    options.settings = {{"MediaPath", media.path()}};
    {
        SoundingApplication app("ding.wav", "tune.mid");
        EXPECT_EQ(app.run(options), 0);
        EXPECT_TRUE(app.playedSound);
        EXPECT_EQ(app.playedMusic, !processMediaPlayback().music().findSoundFont().empty());
        ASSERT_GE(app.notifications.size(), 1u);
        const EventRecord& first = app.notifications[0];
        List* pair = asList(first.value1);
        ASSERT_TRUE(pair);
        EXPECT_EQ(pair->get(0).object(), app.sound.object());
        EXPECT_EQ(textOf(pair->get(1)), "ended");
        EXPECT_GE(static_cast<uint32_t>(first.time) - app.start, 500u);
        EXPECT_LE(static_cast<uint32_t>(first.time) - app.start, 510u);
        if (app.playedMusic) {
            ASSERT_EQ(app.notifications.size(), 2u);
            pair = asList(app.notifications[1].value1);
            EXPECT_EQ(pair->get(0).object(), app.music.object());
            EXPECT_EQ(textOf(pair->get(1)), "ended");
            EXPECT_GE(static_cast<uint32_t>(app.notifications[1].time) - app.start, 1000u);
        }
    }
    EXPECT_FALSE(platform::audioMixer().isOpen());
    EXPECT_TRUE(processMediaPlayback().wave().playing().isNil());
    EXPECT_TRUE(processMediaPlayback().music().playing().isNil());
}

} // namespace
} // namespace vel
