// How sounds, tunes and movies tell the program they ended or were aborted: a media notification
// event (value 1: the media object and "ended" or "aborted") posted to the event queue; the end checks
// that the event fetch runs as its idle work; the volume; and the stop of everything at the end.
#pragma once

#include <cstdint>
#include <string_view>

#include "value/value.h"

namespace vel {

class EventQueue;

// Where notifications go; nullptr drops them (no window yet).
void setMediaEventQueue(EventQueue* queue);
EventQueue* mediaEventQueue();
// Posts kind 8192 with value 1 = (media what); false when there is no queue or it is full.
bool postMediaNotification(const Value& media, std::string_view what);

// The idle work: the sound's end check, the tune's, and any other the media code added.
void mediaIdleWork();
using MediaIdleCheck = void (*)();
void addMediaIdleCheck(MediaIdleCheck check);

// Messages that the media code gives as the platform's words rather than as errors (a tune the
// sequencer refuses, a missing soundfont). By default they go to standard error.
using MediaNoticeHook = void (*)(std::string_view text);
MediaNoticeHook setMediaNoticeHook(MediaNoticeHook hook);
void mediaNotice(std::string_view text);

// 0 ... `Volume Range` (default 100) from the average of the wave-out channels; -1 when there is no
// audio output.
int32_t getVolume();
// Both channels of the wave-out and MIDI-out levels; the level is kept within 0 ... `Volume Range`.
bool setVolume(int32_t level);
// The wave-out level as one word, right channel in the high half; what the application remembers at
// start and puts back at the end.
uint32_t waveOutVolume();
void setWaveOutVolume(uint32_t level);
void rememberWaveOutVolume();
uint32_t rememberedWaveOutVolume();

// At shut-down: the sound and the tune stop, the audio output closes, notifications stop.
void stopSoundsAtExit();

} // namespace vel
