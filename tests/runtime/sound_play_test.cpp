// Playing wave sounds on a virtual clock: the planned end and "ended", stop and "aborted", one sound
// at a time, looping, waiting, the position, the volume; the samples that reach the mixer; sounds
// from files, resources and the wire.
#include <gtest/gtest.h>

#include "../platform/scratch_dir.h"
#include "runtime/resources.h"
#include "runtime/sound_test_support.h"
#include "value/buffer.h"
#include "value/builtins.h"
#include "value/encoding.h"
#include "value/makers.h"
#include "value/printer.h"
#include "value/reader.h"
#include "value/table.h"

namespace vel {
namespace {

using namespace testing_support;

class SoundPlayTest : public MediaTest {
protected:
    void SetUp() override
    {
        MediaTest::SetUp();
        installResourceMakers();
        installSoundMakers();
        environment::set("MediaPath", Value::string(media.path()));
    }
    void TearDown() override
    {
        installObjectMakers(placeholderMakers());
        installMediaMakers(MediaMakers{nullptr, nullptr, nullptr});
        MediaTest::TearDown();
    }

    // A mono 16-bit sine written under the media root; its sound value.
    Value waveFile(const std::string& name, std::size_t frames, uint32_t rate, double hertz = 440)
    {
        path = media.write(name, asText(pcm16Wave(sine(frames, rate, hertz), 1, rate)));
        Value sound = soundFromFile(path);
        EXPECT_FALSE(sound.isNil()) << name;
        return sound;
    }

    ScratchDirectory media;
    std::string path;
};

TEST_F(SoundPlayTest, APlayEndsAtItsPlannedTimeWithEnded)
{
    Value sound = waveFile("half.wav", 11025, 22050); // 500 ms
    const uint32_t start = clock.now();
    ASSERT_TRUE(velPlay(sound));
    EXPECT_TRUE(velIsPlaying(sound));
    clock.advance(100);
    EXPECT_EQ(asSound(sound)->position(), 2205);

    EXPECT_EQ(nextNotification(0).kind, event_kind::Null);
    EventRecord e = nextNotification(5000);
    ASSERT_EQ(e.kind, event_kind::MediaNotification);
    EXPECT_EQ(whatOf(e), "ended");
    EXPECT_EQ(mediaOf(e).object(), sound.object());
    // The idle work runs at least every 10 ms of waiting.
    EXPECT_GE(static_cast<uint32_t>(e.time) - start, 500u);
    EXPECT_LT(static_cast<uint32_t>(e.time) - start, 511u);
    EXPECT_FALSE(velIsPlaying(sound));
    EXPECT_EQ(asSound(sound)->position(), -1);
    EXPECT_EQ(nextNotification(1000).kind, event_kind::Null); // once only
}

TEST_F(SoundPlayTest, ASampleCountPlansTheEndAt22050ASecondWhateverTheRate)
{
    Value sound = waveFile("slow.wav", 4000, 8000); // 500 ms of its own
    const uint32_t start = clock.now();
    ASSERT_TRUE(velPlay(sound, -1, 22050));
    clock.advance(999);
    processMediaPlayback().wave().checkEnd();
    EXPECT_TRUE(velIsPlaying(sound));
    clock.advance(1);
    EventRecord e = nextNotification(0);
    EXPECT_EQ(whatOf(e), "ended");
    EXPECT_EQ(static_cast<uint32_t>(e.time) - start, 1000u);
}

TEST_F(SoundPlayTest, OneSoundAtATimeAndStopSaysAborted)
{
    Value first = waveFile("one.wav", 22050, 22050);
    Value second = waveFile("two.wav", 2205, 22050);
    ASSERT_TRUE(velPlay(first));
    EXPECT_FALSE(velPlay(second)); // changes nothing
    EXPECT_TRUE(velIsPlaying(first));
    EXPECT_FALSE(velIsPlaying(second));
    velStop(second); // not the one playing
    EXPECT_TRUE(velIsPlaying(first));
    EXPECT_EQ(nextNotification(0).kind, event_kind::Null);

    clock.advance(300);
    velStop(first);
    EventRecord e = nextNotification(0);
    EXPECT_EQ(whatOf(e), "aborted");
    EXPECT_EQ(mediaOf(e).object(), first.object());
    EXPECT_FALSE(platform::audioMixer().clipActive());
    // Now the other may play; stopping it after its end has passed reports the end, not an abort.
    ASSERT_TRUE(velPlay(second));
    clock.advance(150);
    velStop(second);
    e = nextNotification(0);
    EXPECT_EQ(whatOf(e), "ended");
    EXPECT_EQ(mediaOf(e).object(), second.object());
    EXPECT_EQ(nextNotification(0).kind, event_kind::Null);
    velStop(second);
    EXPECT_EQ(nextNotification(0).kind, event_kind::Null);
}

TEST_F(SoundPlayTest, ALoopingSoundKeepsSoundingUntilStopped)
{
    Value sound = waveFile("loop.wav", 2205, 22050, 300); // 100 ms
    ASSERT_TRUE(asSound(sound)->playLooping());
    EXPECT_EQ(nextNotification(10000).kind, event_kind::Null);
    EXPECT_TRUE(velIsPlaying(sound));
    std::vector<float> mixed = pull(1000);
    EXPECT_GT(loudness(mixed, mixed.size() - 2 * 4410), 0.2); // the last 100 ms of ten rounds
    velStop(sound);
    EXPECT_EQ(whatOf(nextNotification(0)), "aborted");
    std::vector<float> after = pull(100);
    EXPECT_LT(loudness(after, 2 * 441), 1e-6); // a few ms for the converter to empty
}

TEST_F(SoundPlayTest, APlayThatWaitsReturnsAtTheEndWithNothingToReport)
{
    Value sound = waveFile("wait.wav", 6615, 22050); // 300 ms
    const uint32_t start = clock.now();
    ASSERT_TRUE(velPlay(sound, -1, -1, true));
    EXPECT_EQ(clock.now() - start, 300u);
    EXPECT_FALSE(velIsPlaying(sound));
    EXPECT_EQ(nextNotification(0).kind, event_kind::Null);
}

// What the mixer receives is the sound at its pitch: an 11025 Hz file of a 441 Hz tone, converted to
// the device's rate, crosses zero 882 times a second.
TEST_F(SoundPlayTest, TheSamplesReachTheMixerAtTheirPitch)
{
    Value sound = waveFile("tone.wav", 11025, 11025, 441);
    ASSERT_TRUE(velPlay(sound));
    std::vector<float> mixed = pull(1000);
    EXPECT_GT(loudness(mixed), 0.25);
    int crossings = 0;
    for (std::size_t i = 2 * 2205; i + 2 < mixed.size() - 2 * 2205; i += 2)
        crossings += (mixed[i] < 0) != (mixed[i + 2] < 0);
    // 0.9 s of the middle of the tone.
    EXPECT_NEAR(crossings, 0.9 * 882, 8);
    // Left and right both carry a mono sound.
    EXPECT_FLOAT_EQ(mixed[2 * 1000], mixed[2 * 1000 + 1]);
}

TEST_F(SoundPlayTest, VolumeRunsOverTheRangeAndScalesTheMix)
{
    environment::set("Volume Range", 10);
    EXPECT_TRUE(setVolume(10));
    uint16_t left = 0, right = 0;
    platform::audioMixer().waveVolume(left, right);
    EXPECT_EQ(left, 65535);
    EXPECT_EQ(right, 65535);
    platform::audioMixer().musicVolume(left, right);
    EXPECT_EQ(left, 65535);
    EXPECT_EQ(getVolume(), 10);
    EXPECT_TRUE(setVolume(5));
    EXPECT_EQ(waveOutVolume(), (32767u << 16) | 32767u);
    EXPECT_EQ(getVolume(), 4); // 32767 × 10 / 65535, as the rule has it
    EXPECT_TRUE(setVolume(25));
    EXPECT_EQ(getVolume(), 10);
    EXPECT_TRUE(setVolume(-3));
    EXPECT_EQ(getVolume(), 0);
    environment::set("Volume Range", 0); // no range: the default stands in rather than a division by zero
    EXPECT_TRUE(setVolume(50));
    EXPECT_EQ(getVolume(), 49);

    Value sound = waveFile("loud.wav", 22050, 22050);
    environment::set("Volume Range", 100);
    setVolume(100);
    ASSERT_TRUE(velPlay(sound));
    const double full = loudness(pull(200));
    velStop(sound);
    setVolume(25);
    ASSERT_TRUE(velPlay(sound));
    const double quarter = loudness(pull(200));
    EXPECT_NEAR(quarter / full, 0.25, 0.01);
    setVolume(0);
    EXPECT_LT(loudness(pull(100)), 1e-9);
    setWaveOutVolume(0xFFFFFFFFu);
}

TEST_F(SoundPlayTest, TheExtensionChoosesTheKindAndAFileThatLiesIsRefused)
{
    EXPECT_TRUE(soundFromFile(media.write("a.ogg", "OggS")).isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Unsupported sound type: ogg"}));
    EXPECT_TRUE(soundFromFile(media.write("noextension", "RIFF")).isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Unsupported sound type: "}));

    Value upper = soundFromFile(media.write("LOUD.WAV", asText(pcm16Wave(sine(100, 8000, 100), 1, 8000))));
    EXPECT_EQ(asSound(upper)->kind(), "wav");
    EXPECT_EQ(asSound(soundFromFile(media.write("tune.MID", "MThd"))) ->kind(), "mid");

    // A text file named as a wave, and a MIDI file named as one.
    EXPECT_TRUE(soundFromFile(media.write("text.wav", "this is no sound at all")).isNil());
    EXPECT_TRUE(soundFromFile(media.write("tune.wav", asText(midiTune({60}, 96)))).isNil());
    EXPECT_TRUE(soundFromFile(media.path() + "/missing.wav").isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>(3, "Not a valid sound file")));
}

TEST_F(SoundPlayTest, ResourcesTheNotationAndTheWireMakeSounds)
{
    waveFile("ding.wav", 2205, 22050);
    // Through the loader: a name, and a name that names the name.
    Value loaded = loadSound(Value::string("ding.wav"), false);
    ASSERT_TRUE(asSound(loaded));
    EXPECT_FALSE(asSound(loaded)->inMemory());
    Value prepared = loadSound(ResourceReference::make(Value::string("ding.wav")), true);
    ASSERT_TRUE(asSound(prepared));
    EXPECT_TRUE(asSound(prepared)->inMemory());

    // The notation's two forms.
    Value fromFile = parseText("(soundfile \"ding.wav\")");
    ASSERT_TRUE(asSound(fromFile));
    EXPECT_EQ(displayForm(fromFile), "(soundfile \"ding.wav\")");
    EXPECT_EQ(displayForm(parseText(displayForm(fromFile))), "(soundfile \"ding.wav\")");
    Value fromResource = parseText("(sound \"ding.wav\")");
    ASSERT_TRUE(asSound(fromResource));
    EXPECT_TRUE(asSound(fromResource)->inMemory());

    // On the wire a prepared sound carries its bytes and plays without its file.
    bool encoded = false;
    std::vector<uint8_t> wire = encodeToBytes(prepared, &encoded);
    ASSERT_TRUE(encoded);
    std::filesystem::remove(path);
    Value again = decodeFromBytes(wire.data(), wire.size());
    ASSERT_TRUE(asSound(again));
    auto* wave = dynamic_cast<WaveSound*>(again.object());
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->sampleCount(), 2205);
    ASSERT_TRUE(velPlay(again));
    EXPECT_GT(loudness(pull(50)), 0.1);
    velStop(again);
    EXPECT_EQ(whatOf(nextNotification(0)), "aborted");

    // Parts of the wrong kinds make nothing, and bytes that are no wave say so.
    EXPECT_TRUE(soundFromParts(Value::integer(3), 1, Value()).isNil());
    Value junk = Buffer::make(8);
    asBuffer(junk)->setLength(8);
    EXPECT_TRUE(soundFromParts(junk, 1, Value::string("wav")).isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Not a valid sound file"}));
}

} // namespace
} // namespace vel
