// Playing wave sounds on a virtual clock: the planned end and "ended", stop and "aborted", one sound
// at a time, looping, waiting, the volume; the samples that reach the mixer; sounds from files,
// resources and the wire.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/scratch_dir.h"
#include "runtime/resources.h"
#include "runtime/sound_test_support.h"
#include "value/builtins.h"
#include "value/encoding.h"
#include "value/makers.h"
#include "value/printer.h"
#include "value/reader.h"

namespace vel {
namespace {

using namespace testing_support;

class SoundPlayTest : public MediaTest {
protected:
    void SetUp() override
    {
        MediaTest::SetUp();
        config().set("MediaPath", Value::string(media.path()));
    }

    // A mono 16-bit sine written under the media root; its sound value.
    Value waveFile(const std::string& name, std::size_t frames, uint32_t rate, double hertz = 440)
    {
        path = media.write(name, asText(pcm16Wave(sine(frames, rate, hertz), 1, rate)));
        Value sound = soundFromFile(engine, path);
        EXPECT_FALSE(sound.isNil()) << name;
        return sound;
    }

    ScratchDirectory media;
    std::string path;
};

// The end is planned at the start: the file's own length, or a sample count at 22050 a second
// whatever the file's rate. The idle work runs at least every 10 ms of waiting.
TEST_F(SoundPlayTest, APlayEndsAtItsPlannedTimeWithEndedOnce)
{
    const struct { std::size_t frames; uint32_t rate; int32_t sampleCount; uint32_t end; } cases[] = {
        {11025, 22050, -1, 500}, {4000, 8000, -1, 500}, {4000, 8000, 22050, 1000}, {2205, 11025, 4410, 200}};
    for (const auto& c : cases) {
        Value sound = waveFile("s.wav", c.frames, c.rate);
        const uint32_t start = clock().now();
        ASSERT_TRUE(velPlay(sound, -1, c.sampleCount));
        EXPECT_TRUE(velIsPlaying(sound));
        clock().advance(100);
        EXPECT_EQ(asSound(sound)->position(), 2205);
        EXPECT_EQ(nextNotification(0), "none");
        EXPECT_EQ(nextNotification(5000, sound), "ended") << c.end;
        EXPECT_NEAR(double(lastTime - start), c.end + 5.0, 5.0);
        EXPECT_FALSE(velIsPlaying(sound));
        EXPECT_EQ(asSound(sound)->position(), -1);
        EXPECT_EQ(nextNotification(1000), "none");
    }
    Value sound = waveFile("wait.wav", 6615, 22050);
    const uint32_t start = clock().now();
    ASSERT_TRUE(velPlay(sound, -1, -1, true));
    EXPECT_EQ(clock().now() - start, 300u);
    EXPECT_FALSE(velIsPlaying(sound));
    EXPECT_EQ(nextNotification(0), "none");
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
    EXPECT_EQ(nextNotification(0), "none");

    clock().advance(300);
    velStop(first);
    EXPECT_EQ(nextNotification(0, first), "aborted");
    EXPECT_FALSE(mixer.clipActive());
    // Now the other may play; stopping it after its end has passed reports the end, not an abort.
    ASSERT_TRUE(velPlay(second));
    clock().advance(150);
    velStop(second);
    EXPECT_EQ(nextNotification(0, second), "ended");
    velStop(second);
    EXPECT_EQ(nextNotification(0), "none");
}

// What the mixer receives is the sound at its pitch: an 11025 Hz file of a 441 Hz tone, converted to
// the device's rate, crosses zero 882 times a second, on both sides; looping, it keeps sounding until
// stopped.
TEST_F(SoundPlayTest, TheSamplesReachTheMixerAtTheirPitchOnceOrLooping)
{
    Value sound = waveFile("tone.wav", 1100, 11025, 441); // 44 whole rounds of the tone in 100 ms
    ASSERT_TRUE(asSound(sound)->playLooping());
    EXPECT_EQ(nextNotification(10000), "none");
    EXPECT_TRUE(velIsPlaying(sound));
    std::vector<float> mixed = pull(1000);
    EXPECT_GT(loudness(mixed, mixed.size() - 2 * 4410), 0.25); // the last 100 ms of ten rounds
    int crossings = 0;
    for (std::size_t i = 2 * 2205; i + 2 < mixed.size() - 2 * 2205; i += 2)
        crossings += (mixed[i] < 0) != (mixed[i + 2] < 0);
    EXPECT_NEAR(crossings, 0.9 * 882, 8); // 0.9 s of the middle
    EXPECT_FLOAT_EQ(mixed[2 * 1000], mixed[2 * 1000 + 1]);
    velStop(sound);
    EXPECT_EQ(nextNotification(0, sound), "aborted");
    EXPECT_LT(loudness(pull(100), 2 * 441), 1e-6); // a few ms for the converter to empty
}

TEST_F(SoundPlayTest, VolumeRunsOverTheRangeAndScalesTheMix)
{
    const struct { int32_t range, set, got; uint16_t raw; } cases[] = {
        {10, 10, 10, 65535}, {10, 5, 5, 32767}, {10, 25, 10, 65535}, {10, -3, 0, 0},
        {0, 50, 50, 32767}}; // no range: the default stands in rather than a division by zero
    for (const auto& c : cases) {
        config().set("Volume Range", c.range);
        EXPECT_TRUE(engine.media().setVolume(c.set));
        EXPECT_EQ(engine.media().getVolume(), c.got) << c.set;
        EXPECT_EQ(engine.media().waveOutVolume(), (uint32_t(c.raw) << 16) | c.raw) << c.set;
        uint16_t left = 0, right = 0;
        mixer.musicVolume(left, right);
        EXPECT_EQ(left, c.raw);
    }

    Value sound = waveFile("loud.wav", 22050, 22050);
    config().set("Volume Range", 100);
    engine.media().setVolume(100);
    ASSERT_TRUE(velPlay(sound));
    const double full = loudness(pull(200));
    engine.media().setVolume(25);
    EXPECT_NEAR(loudness(pull(200)) / full, 0.25, 0.01);
    engine.media().setVolume(0);
    EXPECT_LT(loudness(pull(100)), 1e-9);
    engine.media().setWaveOutVolume(0xFFFFFFFFu);
}

TEST_F(SoundPlayTest, TheExtensionChoosesTheKindAndAFileThatLiesIsRefused)
{
    const std::string wave = asText(pcm16Wave(sine(100, 8000, 100), 1, 8000));
    const struct { const char* name; std::string contents; const char* kind; const char* error; } cases[] = {
        {"LOUD.WAV", wave, "wav", ""},
        {"tune.MID", "MThd", "mid", ""},
        {"a.ogg", "OggS", "", "Unsupported sound type: ogg"},
        {"noextension", "RIFF", "", "Unsupported sound type: "},
        {"text.wav", "this is no sound at all", "", "Not a valid sound file"},
        {"tune.wav", asText(midiTune({60}, 96)), "", "Not a valid sound file"},
    };
    for (const auto& c : cases) {
        Value sound = soundFromFile(engine, media.write(c.name, c.contents));
        EXPECT_EQ(sound.isNil() ? "" : asSound(sound)->kind(), c.kind) << c.name;
        EXPECT_EQ(errors(), *c.error ? std::vector<std::string>{c.error} : std::vector<std::string>{}) << c.name;
    }
    EXPECT_TRUE(soundFromFile(engine, media / "missing.wav").isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Not a valid sound file"});
}

TEST_F(SoundPlayTest, TheNotationAndTheWireMakeSounds)
{
    waveFile("ding.wav", 2205, 22050);
    EXPECT_EQ(displayForm(parseText("(soundfile \"ding.wav\")")), "(soundfile \"ding.wav\")");
    Value prepared = parseText("(sound \"ding.wav\")");
    ASSERT_TRUE(asSound(prepared));
    EXPECT_TRUE(asSound(prepared)->inMemory());

    // On the wire a prepared sound carries its bytes and plays without its file.
    bool encoded = false;
    std::vector<uint8_t> wire = encodeToBytes(prepared, &encoded);
    ASSERT_TRUE(encoded);
    std::filesystem::remove(path);
    Value again = decodeFromBytes(wire.data(), wire.size());
    auto* wave = dynamic_cast<WaveSound*>(again.object());
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->sampleCount(), 2205);
    ASSERT_TRUE(velPlay(again));
    EXPECT_GT(loudness(pull(50)), 0.1);

    EXPECT_TRUE(soundFromParts(engine, Value::integer(3), 1, Value()).isNil());
    EXPECT_TRUE(soundFromParts(engine, bufferOf(Bytes(8, 0)), 1, Value::string("wav")).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Not a valid sound file"});
}

} // namespace
} // namespace vel
