// The program's two sound outputs, the wave player and the music player, made with the mixer they
// feed, the clock that plans their ends and where they report. The engine owns one.
#pragma once

#include "runtime/music.h"
#include "runtime/sound.h"

namespace vel {

class MediaPlayback {
public:
    MediaPlayback(platform::AudioMixer& mixer, platform::Clock& clock, MediaReport report, MediaNotice notice,
                  const Configuration& configuration);

    WavePlayer& wave() { return wave_; }
    MusicPlayer& music() { return music_; }
    // The event fetch's idle work: both end checks.
    void checkEnds();
    // Milliseconds until the earlier planned end of the two; NothingDue when neither has one.
    uint32_t untilEnd() const;
    // At shut-down: both stop ("aborted") and the synthesizer is let go.
    void close();

private:
    WavePlayer wave_;
    MusicPlayer music_;
};

} // namespace vel
