// The mixer: a clip once and looping, samples pushed for the movie at other rates, the generator for
// music, the three summed and held to full scale, levels per channel, the capture, and a real SDL
// device on the dummy driver.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/audio_mixer.h"
#include "platform/headless.h"

namespace vel::platform {
namespace {

constexpr int kRate = AudioMixer::Rate;

std::shared_ptr<AudioClip> constantClip(int16_t value, std::size_t frames, int channels = 2, int rate = kRate)
{
    auto clip = std::make_shared<AudioClip>();
    clip->samples.assign(frames * static_cast<std::size_t>(channels), value);
    clip->channels = channels;
    clip->rate = rate;
    return clip;
}

class AudioMixerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mixer.open(AudioMixer::Output::Manual)); }

    std::vector<float> render(std::size_t frames)
    {
        std::vector<float> out(frames * 2, 123.0f);
        mixer.render(out.data(), frames);
        return out;
    }

    AudioMixer mixer;
};

// A ramp, once (then the source is quiet) and looping (until stopped), sample for sample.
TEST_F(AudioMixerTest, AClipPlaysOnceOrLoopsUntilStopped)
{
    auto ramp = std::make_shared<AudioClip>();
    for (int i = 0; i < 50; ++i)
        ramp->samples.insert(ramp->samples.end(), {static_cast<int16_t>(i * 500), static_cast<int16_t>(-i * 500)});
    ramp->channels = 2;
    ramp->rate = kRate;
    for (bool looping : {false, true}) {
        ASSERT_TRUE(mixer.playClip(ramp, looping));
        std::vector<float> out = render(5000);
        for (int i = 0; i < 5000; ++i) {
            const float expected = looping || i < 50 ? (i % 50) * 500 / 32768.0f : 0.0f;
            ASSERT_FLOAT_EQ(out[2 * i], expected) << i << " " << looping;
            ASSERT_FLOAT_EQ(out[2 * i + 1], -expected) << i << " " << looping;
        }
        EXPECT_EQ(mixer.clipActive(), looping);
        mixer.stopClip();
        EXPECT_FALSE(mixer.clipActive());
        EXPECT_EQ(render(100), std::vector<float>(200, 0.0f));
    }
    EXPECT_EQ(mixer.framesMixed(), 10200u);
}

// Converted to the mixer's rate, a clip lasts as long as it did, its last frames included.
TEST_F(AudioMixerTest, AResampledClipKeepsItsLengthAndItsEnd)
{
    for (int rate : {8000, 11025, 22050, 48000}) {
        ASSERT_TRUE(mixer.playClip(constantClip(8192, static_cast<std::size_t>(rate) / 10, 1, rate), false));
        std::vector<float> out = render(kRate / 5);
        std::size_t sounding = 0;
        for (std::size_t i = 0; i < out.size(); i += 2)
            sounding += out[i] > 0.2f;
        EXPECT_NEAR(static_cast<double>(sounding), kRate / 10, 16) << rate;
        EXPECT_NEAR(out[2 * (kRate / 10 - 40)], 0.25f, 0.01f) << rate;
        EXPECT_FALSE(mixer.clipActive());
    }
}

TEST_F(AudioMixerTest, RefusedClipsAndPushes)
{
    EXPECT_FALSE(mixer.playClip(nullptr, false));
    EXPECT_FALSE(mixer.playClip(constantClip(1, 0), false));
    EXPECT_FALSE(mixer.playClip(constantClip(1, 10, 3), false));
    EXPECT_FALSE(mixer.playClip(constantClip(1, 10, 1, 0), false));
    EXPECT_FALSE(mixer.playClip(constantClip(1, 10, 1, AudioMixer::MaxSourceRate + 1), false));
    const int16_t samples[4] = {1, 2, 3, 4};
    EXPECT_FALSE(mixer.pushMovieSamples(samples, 1, 4, kRate));
    EXPECT_FALSE(mixer.pushMovieSamples(samples, 2, 2, 999));
    EXPECT_FALSE(mixer.pushMovieSamples(static_cast<const int16_t*>(nullptr), 2, 2, kRate));
    EXPECT_TRUE(mixer.pushMovieSamples(samples, 0, 2, kRate));
    EXPECT_EQ(mixer.queuedMovieFrames(), 0u);
    AudioMixer closed;
    float out[4] = {9, 9, 9, 9};
    closed.render(out, 2);
    EXPECT_EQ(std::vector<float>(out, out + 4), std::vector<float>(4, 0.0f));
}

// Pushed at 22050 (mono, 16-bit) and at 48000 (stereo, float): twice and 0.92 times as many frames at
// the mixer's rate, played in order, counted as they are mixed; once the pushes are declared
// finished, the converter gives up what it held back, so the end is heard too.
TEST_F(AudioMixerTest, MovieSamplesAreConvertedQueuedAndCounted)
{
    std::vector<int16_t> mono(2205, 12000);
    ASSERT_TRUE(mixer.pushMovieSamples(mono.data(), mono.size(), 1, 22050));
    const std::size_t afterFirst = mixer.queuedMovieFrames();
    EXPECT_NEAR(static_cast<double>(afterFirst), 4410, 1);
    std::vector<float> stereo(2 * 4800, -0.25f);
    ASSERT_TRUE(mixer.pushMovieSamples(stereo.data(), 4800, 2, 48000));
    EXPECT_NEAR(static_cast<double>(mixer.queuedMovieFrames()), 4410 + 4410, 2);

    std::vector<float> out = render(1000);
    EXPECT_EQ(mixer.playedMovieFrames(), 1000u);
    EXPECT_NEAR(out[2 * 500], 12000 / 32768.0f, 0.01f);
    EXPECT_FLOAT_EQ(out[2 * 500], out[2 * 500 + 1]); // mono on both sides
    render(afterFirst - 1000 + 200);
    EXPECT_NEAR(render(100)[100], -0.25f, 0.01f);
    mixer.clearMovieSamples();
    EXPECT_EQ(mixer.queuedMovieFrames(), 0u);
    EXPECT_EQ(mixer.playedMovieFrames(), 0u);
    EXPECT_EQ(render(10), std::vector<float>(20, 0.0f));

    ASSERT_TRUE(mixer.pushMovieSamples(mono.data(), mono.size(), 1, 22050));
    mixer.finishMovieSamples();
    const std::size_t all = mixer.queuedMovieFrames();
    EXPECT_NEAR(static_cast<double>(all), 4410, 8);
    EXPECT_NE(render(all)[2 * (all - 20)], 0.0f);
    EXPECT_EQ(mixer.queuedMovieFrames(), 0u);
    EXPECT_EQ(mixer.playedMovieFrames(), all);
}

TEST_F(AudioMixerTest, TheMovieQueueIsBounded)
{
    std::vector<int16_t> second(2 * kRate, 100);
    std::size_t pushed = 0;
    while (mixer.pushMovieSamples(second.data(), kRate, 2, kRate) && pushed < 100)
        ++pushed;
    EXPECT_EQ(pushed, AudioMixer::MaxQueuedMovieFrames / kRate);
    EXPECT_LE(mixer.queuedMovieFrames(), AudioMixer::MaxQueuedMovieFrames);
    render(kRate);
    EXPECT_TRUE(mixer.pushMovieSamples(second.data(), kRate, 2, kRate));
}

TEST_F(AudioMixerTest, SourcesAddUpAndAreHeldToFullScale)
{
    ASSERT_TRUE(mixer.playClip(constantClip(8192, 1000), false)); // 0.25
    std::vector<float> quarter(2 * 1000, 0.25f);
    ASSERT_TRUE(mixer.pushMovieSamples(quarter.data(), 1000, 2, kRate));
    int calls = 0;
    mixer.setMusicGenerator([&](float* block, std::size_t frames) {
        ++calls;
        for (std::size_t i = 0; i < frames * 2; ++i)
            block[i] = 0.125f;
    });
    mixer.startCapture(150);
    std::vector<float> out = render(100);
    EXPECT_EQ(calls, 1);
    EXPECT_FLOAT_EQ(out[0], 0.625f);
    EXPECT_FLOAT_EQ(out[199], 0.625f);

    // Levels: the wave-out level rules the clip and the movie, the MIDI-out level the music.
    mixer.setWaveVolume(0, AudioMixer::FullVolume);
    mixer.setMusicVolume(AudioMixer::FullVolume, 0);
    out = render(100);
    EXPECT_FLOAT_EQ(out[0], 0.125f);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
    // The capture keeps what was mixed, up to its limit.
    std::vector<float> captured = mixer.takeCapture();
    ASSERT_EQ(captured.size(), 300u);
    EXPECT_FLOAT_EQ(captured[199], 0.625f);
    EXPECT_FLOAT_EQ(captured[201], 0.5f);
    mixer.stopCapture();

    mixer.setWaveVolume(AudioMixer::FullVolume, AudioMixer::FullVolume);
    mixer.setMusicVolume(AudioMixer::FullVolume, AudioMixer::FullVolume);
    mixer.setMusicGenerator([](float* block, std::size_t frames) {
        for (std::size_t i = 0; i < frames * 2; ++i)
            block[i] = (i & 1) ? -2.0f : 2.0f;
    });
    out = render(100);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], -1.0f);
    mixer.clearMusicGenerator();
    mixer.stopClip();
    mixer.clearMovieSamples();
    out = render(10);
    EXPECT_EQ(out, std::vector<float>(20, 0.0f));
}

// The real output: SDL's dummy driver pulls the mix on its own thread, only while something sounds.
TEST(AudioDeviceTest, TheDummyDriverPullsTheMixWhileSomethingSoundsAndIsLetGoInSilence)
{
    const bool wasHeadless = headless();
    setHeadless(true);
    AudioMixer mixer;
    ASSERT_TRUE(mixer.open(AudioMixer::Output::Device)) << mixer.lastError();
    EXPECT_EQ(mixer.output(), AudioMixer::Output::Device);
    EXPECT_FALSE(mixer.driverName().empty());
    EXPECT_EQ(mixer.deviceState(), AudioMixer::DeviceState::Paused);
    mixer.startCapture(static_cast<std::size_t>(kRate));
    auto playAndHear = [&] {
        EXPECT_TRUE(mixer.playClip(constantClip(16384, 4410), false));
        EXPECT_EQ(mixer.deviceState(), AudioMixer::DeviceState::Running);
        for (int round = 0; round < 200; ++round) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::vector<float> got = mixer.takeCapture();
            if (std::any_of(got.begin(), got.end(), [](float f) { return f > 0.49f; }))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(playAndHear());
    EXPECT_GT(mixer.framesMixed(), 0u);
    EXPECT_EQ(mixer.settle(false, 0), NothingDue) << "the program still plays something";
    // Once the clip is over and the mix quiet the device pauses, and is let go after a while.
    uint32_t next = 0;
    for (int round = 0; round < 200 && mixer.deviceState() == AudioMixer::DeviceState::Running; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        next = mixer.settle(true, 1000);
    }
    EXPECT_EQ(std::make_pair(mixer.deviceState(), next), std::make_pair(AudioMixer::DeviceState::Paused, AudioMixer::ReleaseAfter));
    EXPECT_EQ(mixer.settle(true, 1000 + AudioMixer::ReleaseAfter - 1), 1u);
    EXPECT_EQ(mixer.settle(true, 1000 + AudioMixer::ReleaseAfter), NothingDue);
    EXPECT_EQ(mixer.deviceState(), AudioMixer::DeviceState::None);
    EXPECT_TRUE(playAndHear()) << "a source opens the device again";
    // Render is for the manual output only; here it gives silence and leaves the device alone.
    float out[2] = {1, 1};
    mixer.render(out, 1);
    EXPECT_EQ(out[0], 0.0f);
    mixer.close();
    EXPECT_FALSE(mixer.isOpen());
    setHeadless(wasHeadless);
}

} // namespace
} // namespace vel::platform
