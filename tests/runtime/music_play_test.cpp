// MIDI music: tunes written here render through the soundfont into the mixer, end on the clock by
// their tempo map, give way to the next tune, and files that are no MIDI (or are cut short) are
// refused with the reason.
#include <gtest/gtest.h>

#include "../platform/scratch_dir.h"
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
        Value music = Music::fromPath(files.write(name, asText(bytes)));
        EXPECT_TRUE(asSound(music)) << name;
        return music;
    }
    bool noticed(const std::string& words) const
    {
        for (const std::string& notice : mediaNotices())
            if (notice.find(words) != std::string::npos)
                return true;
        return false;
    }

    ScratchDirectory files;
};

TEST_F(MusicTest, TheLengthComesFromTheTempoMap)
{
    MidiSummary summary;
    std::string problem;
    Bytes fourBeats = midiTune({60, 62, 64, 65}, 96);
    ASSERT_TRUE(scanMidi(fourBeats.data(), fourBeats.size(), summary, problem)) << problem;
    EXPECT_EQ(summary.lengthMilliseconds, 2000u);
    EXPECT_EQ(summary.tracks, 1);
    Bytes faster = midiTune({60, 62, 64, 65}, 96, 250000);
    ASSERT_TRUE(scanMidi(faster.data(), faster.size(), summary, problem));
    EXPECT_EQ(summary.lengthMilliseconds, 1000u);

    // A tempo change half-way: two beats at 120 a minute, two at 60.
    Bytes changing = midiTune({60, 62, 64, 65}, 96);
    const Bytes slower = {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}; // 1000000 µs a quarter
    // After the second note's release: find it and put the change with a zero delta right after.
    std::size_t at = 0;
    int releases = 0;
    for (std::size_t i = 22; i + 2 < changing.size(); ++i)
        if (changing[i] == 0x80 && ++releases == 2) {
            at = i + 3;
            break;
        }
    ASSERT_GT(at, 0u);
    Bytes inserted = {0x00};
    inserted.insert(inserted.end(), slower.begin(), slower.end());
    changing.insert(changing.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(), inserted.end());
    const uint32_t length = static_cast<uint32_t>(changing.size() - 22);
    for (int i = 0; i < 4; ++i)
        changing[18 + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    ASSERT_TRUE(scanMidi(changing.data(), changing.size(), summary, problem)) << problem;
    EXPECT_EQ(summary.lengthMilliseconds, 3000u);
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
    // A running status with no status before it, and a system byte no file may hold.
    Bytes noStatus = good;
    noStatus[22 + 1] = 0x40;
    noStatus[22 + 0] = 0x00;
    EXPECT_FALSE(scanMidi(noStatus.data(), noStatus.size(), summary, problem));
    EXPECT_EQ(problem, "a track starts without a status");
    Bytes declaredTwo = good;
    declaredTwo[11] = 2;
    EXPECT_FALSE(scanMidi(declaredTwo.data(), declaredTwo.size(), summary, problem));
    EXPECT_EQ(problem, "the file is cut short");

    Value text = tune("text.mid", {'n', 'o', 't', ' ', 'm', 'i', 'd', 'i', '!', '!', '!', '!', '!', '!'});
    EXPECT_FALSE(velPlay(text));
    EXPECT_TRUE(noticed("not a MIDI file"));
    Value halved = tune("half.mid", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2)));
    EXPECT_FALSE(velPlay(halved));
    EXPECT_TRUE(noticed("cut short"));
    Value wave = tune("wave.mid", pcm16Wave(sine(100, 8000, 100), 1, 8000));
    EXPECT_FALSE(velPlay(wave));
    EXPECT_FALSE(velIsPlaying(wave));
    EXPECT_TRUE(processMediaPlayback().music().playing().isNil());
    EXPECT_EQ(nextNotification(0).kind, event_kind::Null);
}

TEST_F(MusicTest, ATuneSoundsAndEndsOnTheClock)
{
    ASSERT_FALSE(processMediaPlayback().music().findSoundFont().empty()) << "no General MIDI soundfont on this machine";
    Value music = tune("chord.mid", midiTune({60, 64, 67}, 96)); // 1.5 s
    const uint32_t start = clock.now();
    ASSERT_TRUE(velPlay(music));
    EXPECT_TRUE(velIsPlaying(music));
    std::vector<float> mixed = pull(1000);
    EXPECT_GT(loudness(mixed), 0.01);
    clock.advance(500);
    EXPECT_EQ(asSound(music)->position(), 11025);
    EventRecord e = nextNotification(3000);
    ASSERT_EQ(e.kind, event_kind::MediaNotification);
    EXPECT_EQ(whatOf(e), "ended");
    EXPECT_EQ(mediaOf(e).object(), music.object());
    EXPECT_GE(static_cast<uint32_t>(e.time) - start, 1500u);
    EXPECT_LT(static_cast<uint32_t>(e.time) - start, 1511u);
    EXPECT_FALSE(velIsPlaying(music));
    // Once the notes have died away the music source is quiet.
    pull(2000);
    EXPECT_LT(loudness(pull(200)), 1e-4);
}

TEST_F(MusicTest, ANewTuneAbortsTheOldAndStopAbortsTheNew)
{
    ASSERT_FALSE(processMediaPlayback().music().findSoundFont().empty());
    Value first = tune("first.mid", midiTune({60, 62}, 96));
    Value second = tune("second.mid", midiTune({72}, 192));
    ASSERT_TRUE(velPlay(first));
    ASSERT_TRUE(velPlay(second));
    EventRecord e = nextNotification(0);
    EXPECT_EQ(whatOf(e), "aborted");
    EXPECT_EQ(mediaOf(e).object(), first.object());
    EXPECT_FALSE(velIsPlaying(first));
    EXPECT_TRUE(velIsPlaying(second));
    velStop(first); // not playing: nothing
    EXPECT_EQ(nextNotification(0).kind, event_kind::Null);
    velStop(second);
    e = nextNotification(0);
    EXPECT_EQ(whatOf(e), "aborted");
    EXPECT_EQ(mediaOf(e).object(), second.object());
    EXPECT_TRUE(processMediaPlayback().music().playing().isNil());
}

// A looping tune goes on past its length; wave sound and music sound together.
TEST_F(MusicTest, ALoopingTuneMixesWithAWaveSound)
{
    ASSERT_FALSE(processMediaPlayback().music().findSoundFont().empty());
    Value music = tune("loop.mid", midiTune({60}, 48)); // 250 ms
    ASSERT_TRUE(asSound(music)->playLooping());
    EXPECT_EQ(nextNotification(2000).kind, event_kind::Null);
    std::vector<float> alone = pull(1000);
    EXPECT_GT(loudness(alone, alone.size() / 2), 0.005); // still sounding in the fourth round
    const double musicOnly = loudness(alone);

    Value wave = WaveSound::fromPath(files.write("beep.wav", asText(pcm16Wave(sine(22050, 22050, 1000), 1, 22050))));
    ASSERT_TRUE(velPlay(wave));
    std::vector<float> both = pull(500);
    EXPECT_GT(loudness(both), std::max(musicOnly, 0.3));
    velStop(music);
    EXPECT_EQ(whatOf(nextNotification(0)), "aborted");
    EXPECT_TRUE(velIsPlaying(wave));
}

TEST_F(MusicTest, WithoutASoundfontMusicSaysSoAndDoesNotPlay)
{
    processMediaPlayback().music().close();
    processMediaPlayback().music().setSoundFontPlaces({files / "nowhere.sf2"});
    Value music = tune("quiet.mid", midiTune({60}, 96));
    EXPECT_FALSE(velPlay(music));
    EXPECT_FALSE(velIsPlaying(music));
    EXPECT_TRUE(noticed("no General MIDI soundfont"));
    EXPECT_TRUE(noticed(files / "nowhere.sf2"));
    // Said once, not at every play.
    const std::size_t said = mediaNotices().size();
    EXPECT_FALSE(velPlay(music));
    EXPECT_EQ(mediaNotices().size(), said);
    // A file that is no soundfont cannot be loaded either.
    processMediaPlayback().music().setSoundFontPlaces({files.write("bad.sf2", "RIFF nonsense")});
    EXPECT_FALSE(velPlay(music));
    EXPECT_TRUE(noticed("cannot be loaded"));
    processMediaPlayback().music().setSoundFontPlaces({});
    processMediaPlayback().music().close();
}

} // namespace
} // namespace vel
