// MIDI music: tunes written here render through the soundfont into the mixer, end on the clock by
// their tempo map, give way to the next tune, and files that are no MIDI (or are cut short) are
// refused with the reason.
#include <gtest/gtest.h>

#include "support/scratch_dir.h"
#include "runtime/midi_file.h"
#include "runtime/sound_test_support.h"
#include "value/builtins.h"

namespace vel {
namespace {

using namespace testing_support;

class MusicTest : public MediaTest {
protected:
    Value tune(const std::string& name, const Bytes& bytes)
    {
        return Music::fromPath(engine, files.write(name, asText(bytes)));
    }
    bool noticed(const std::string& words) const
    {
        return std::any_of(mediaNotices().begin(), mediaNotices().end(),
                           [&](const std::string& notice) { return notice.find(words) != std::string::npos; });
    }
    MusicPlayer& music = playback.music();
    ScratchDirectory files;
};

// Two beats at 120 a minute, then two at 60: a tempo change after the second note's release.
TEST_F(MusicTest, TheLengthComesFromTheTempoMap)
{
    Bytes changing = midiTune({60, 62, 64, 65}, 96);
    const Bytes slower = {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40};
    std::size_t at = 22;
    for (int releases = 0; releases < 2; ++at)
        releases += changing[at] == 0x80;
    changing.insert(changing.begin() + static_cast<std::ptrdiff_t>(at + 2), slower.begin(), slower.end());
    changing[21] = static_cast<uint8_t>(changing[21] + slower.size());
    MidiSummary summary;
    std::string problem;
    ASSERT_TRUE(scanMidi(changing.data(), changing.size(), summary, problem)) << problem;
    EXPECT_EQ(summary.lengthMilliseconds, 3000u);
    EXPECT_EQ(summary.tracks, 1);
}

TEST_F(MusicTest, BrokenFilesAreRefusedWithTheReason)
{
    MidiSummary summary;
    std::string problem;
    const Bytes good = midiTune({60, 64}, 96);
    EXPECT_FALSE(scanMidi(nullptr, 0, summary, problem));
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        problem.clear();
        EXPECT_FALSE(scanMidi(good.data(), cut, summary, problem)) << cut;
        EXPECT_FALSE(problem.empty());
    }
    // A running status with no status before it, and more tracks declared than there are.
    Bytes noStatus = good, declaredTwo = good;
    noStatus[22] = 0x00, noStatus[23] = 0x40, declaredTwo[11] = 2;
    for (const Bytes& bad : {noStatus, declaredTwo}) {
        problem.clear();
        EXPECT_FALSE(scanMidi(bad.data(), bad.size(), summary, problem));
        EXPECT_FALSE(problem.empty());
    }

    const struct { const char* name; Bytes file; const char* reason; } refused[] = {
        {"text.mid", Bytes(14, '!'), "not a MIDI file"},
        {"half.mid", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2)), "cut short"},
        {"wave.mid", pcm16Wave(sine(100, 8000, 100), 1, 8000), "not a MIDI file"}};
    for (const auto& r : refused) {
        Value refusedTune = tune(r.name, r.file);
        EXPECT_FALSE(velPlay(refusedTune)) << r.name;
        EXPECT_FALSE(velIsPlaying(refusedTune));
        EXPECT_TRUE(noticed(r.reason)) << r.name;
    }
    EXPECT_TRUE(music.playing().isNil());
    EXPECT_EQ(nextNotification(0), "none");
}

TEST_F(MusicTest, ATuneSoundsAndEndsOnTheClock)
{
    ASSERT_FALSE(music.findSoundFont().empty()) << "no General MIDI soundfont on this machine";
    Value tune1 = tune("chord.mid", midiTune({60, 64, 67}, 96)); // 1.5 s
    const uint32_t start = clock().now();
    ASSERT_TRUE(velPlay(tune1));
    EXPECT_GT(loudness(pull(1000)), 0.01);
    clock().advance(500);
    EXPECT_EQ(asSound(tune1)->position(), 11025);
    EXPECT_EQ(nextNotification(3000, tune1), "ended");
    EXPECT_NEAR(double(lastTime - start), 1505.0, 5.0);
    EXPECT_FALSE(velIsPlaying(tune1));
    pull(2000);
    EXPECT_LT(loudness(pull(200)), 1e-4);
}

TEST_F(MusicTest, ANewTuneAbortsTheOldAndALoopingTuneMixesWithAWave)
{
    ASSERT_FALSE(music.findSoundFont().empty());
    Value first = tune("first.mid", midiTune({60, 62}, 96));
    Value looping = tune("loop.mid", midiTune({60}, 48)); // 250 ms
    ASSERT_TRUE(velPlay(first));
    ASSERT_TRUE(asSound(looping)->playLooping());
    EXPECT_EQ(nextNotification(0, first), "aborted");
    EXPECT_FALSE(velIsPlaying(first));
    velStop(first); // not playing: nothing
    EXPECT_EQ(nextNotification(2000), "none");
    EXPECT_TRUE(velIsPlaying(looping));
    std::vector<float> alone = pull(1000);
    EXPECT_GT(loudness(alone, alone.size() / 2), 0.005); // still sounding in the fourth round

    Value wave = WaveSound::fromPath(engine, files.write("beep.wav", asText(pcm16Wave(sine(22050, 22050, 1000), 1, 22050))));
    ASSERT_TRUE(velPlay(wave));
    EXPECT_GT(loudness(pull(500)), std::max(loudness(alone), 0.3));
    velStop(looping);
    EXPECT_EQ(nextNotification(0, looping), "aborted");
    EXPECT_TRUE(music.playing().isNil());
    EXPECT_TRUE(velIsPlaying(wave));
}

TEST_F(MusicTest, WithoutASoundfontMusicSaysSoOnceAndDoesNotPlay)
{
    music.close();
    music.setSoundFontPlaces({files / "nowhere.sf2"});
    Value quiet = tune("quiet.mid", midiTune({60}, 96));
    EXPECT_FALSE(velPlay(quiet));
    EXPECT_TRUE(noticed("no General MIDI soundfont"));
    EXPECT_TRUE(noticed(files / "nowhere.sf2"));
    const std::size_t said = mediaNotices().size();
    EXPECT_FALSE(velPlay(quiet));
    EXPECT_EQ(mediaNotices().size(), said);
    music.setSoundFontPlaces({files.write("bad.sf2", "RIFF nonsense")});
    EXPECT_FALSE(velPlay(quiet));
    EXPECT_TRUE(noticed("cannot be loaded"));
    music.setSoundFontPlaces({});
    music.close();
}

} // namespace
} // namespace vel
