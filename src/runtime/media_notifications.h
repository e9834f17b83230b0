// How sounds, tunes and movies tell the program they ended or were aborted: a media notification
// event (value 1: the media object and "ended" or "aborted") posted to the engine's event queue; the
// end checks that the event fetch runs as its idle work; the volume; and the stop of everything at
// the end.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/environment.h"
#include "value/value.h"

namespace vel {

class Engine;

class MediaNotifications {
public:
    explicit MediaNotifications(Engine& engine) : engine_(engine) {}

    // Posts kind 8192 with value 1 = (media what); false when there is no queue (no screen yet) or
    // it is full.
    bool post(const Value& media, std::string_view what);
    // The idle work: the sound's end check, the tune's and the movies' step, and the audio device
    // paused once nothing sounds. Answers the milliseconds until it is next due (the event
    // queue's NothingDue when nothing plays).
    uint32_t idleWork();

    // Messages that the media code gives as the platform's words rather than as errors (a tune the
    // sequencer refuses, a missing soundfont). They go to standard error unless taken.
    void notice(std::string_view text);
    void takeNotices(NoticeFunction sink) { sink_ = std::move(sink); }

    // 0 ... `Volume Range` (default 100) from the average of the wave-out channels; -1 when there is
    // no audio output.
    int32_t getVolume();
    // Both channels of the wave-out and MIDI-out levels; the level is kept within 0 ... `Volume Range`.
    bool setVolume(int32_t level);
    // The wave-out level as one word, right channel in the high half; what the application remembers
    // at start and puts back at the end.
    uint32_t waveOutVolume();
    void setWaveOutVolume(uint32_t level);
    void rememberWaveOutVolume() { remembered_ = waveOutVolume(); }
    uint32_t rememberedWaveOutVolume() const { return remembered_; }

    // At shut-down: the sound and the tune stop and the audio output closes.
    void stopAll();

private:
    int32_t volumeRange() const;

    Engine& engine_;
    NoticeFunction sink_;
    uint32_t remembered_ = 0xFFFFFFFFu;
};

} // namespace vel
