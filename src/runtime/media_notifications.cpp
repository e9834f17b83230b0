#include "runtime/media_notifications.h"

#include <limits>

#include <algorithm>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/audio_mixer.h"
#include "platform/clock.h"
#include "platform/text_encoding.h"
#include "runtime/environment.h"
#include "runtime/event_queue.h"
#include "runtime/media_playback.h"
#include "value/list.h"

namespace vel {

namespace {

EventQueue* queue = nullptr;
uint32_t remembered = 0xFFFFFFFFu;

std::vector<MediaIdleCheck>& idleChecks()
{
    static std::vector<MediaIdleCheck> checks;
    return checks;
}

void writeToStandardError(std::string_view text)
{
    std::string line = platform::utf8FromWindows1252(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

MediaNoticeHook noticeHook = writeToStandardError;

int32_t volumeRange()
{
    // A range of 0 or less would divide by zero; the default stands in.
    int32_t range = environment::getInteger("Volume Range", 100);
    return range > 0 ? range : 100;
}

} // namespace

void setMediaEventQueue(EventQueue* q)
{
    queue = q;
}

EventQueue* mediaEventQueue()
{
    return queue;
}

bool postMediaNotification(const Value& media, std::string_view what)
{
    if (!queue)
        return false;
    Value pair = ValueList::make(2);
    List* l = asList(pair);
    l->append(media);
    l->append(Value::string(what));
    EventRecord event;
    event.kind = event_kind::MediaNotification;
    event.time = static_cast<int32_t>(platform::clock().now());
    event.value1 = pair;
    return queue->post(event) == 1;
}

void mediaIdleWork()
{
    processMediaPlayback().checkEnds();
    for (MediaIdleCheck check : idleChecks())
        check();
}

void addMediaIdleCheck(MediaIdleCheck check)
{
    if (!check)
        return;
    for (MediaIdleCheck existing : idleChecks())
        if (existing == check)
            return;
    idleChecks().push_back(check);
}

MediaNoticeHook setMediaNoticeHook(MediaNoticeHook hook)
{
    MediaNoticeHook previous = noticeHook;
    noticeHook = hook ? hook : writeToStandardError;
    return previous;
}

void mediaNotice(std::string_view text)
{
    noticeHook(text);
}

int32_t getVolume()
{
    platform::AudioMixer& mixer = platform::audioMixer();
    if (!mixer.ensureOpen())
        return -1;
    uint16_t left = 0, right = 0;
    mixer.waveVolume(left, right);
    const int64_t average = (static_cast<int64_t>(left) + right) / 2;
    return static_cast<int32_t>(average * volumeRange() / 0xFFFF);
}

bool setVolume(int32_t level)
{
    const int32_t range = volumeRange();
    // Past the range the level would not fit the 16 bits of a channel.
    if (level < 0)
        level = 0;
    if (level > range)
        level = range;
    const auto raw = static_cast<uint16_t>(static_cast<int64_t>(level) * 0xFFFF / range);
    platform::AudioMixer& mixer = platform::audioMixer();
    mixer.setWaveVolume(raw, raw);
    mixer.setMusicVolume(raw, raw);
    return true;
}

uint32_t waveOutVolume()
{
    uint16_t left = 0, right = 0;
    platform::audioMixer().waveVolume(left, right);
    return static_cast<uint32_t>(left) | (static_cast<uint32_t>(right) << 16);
}

void setWaveOutVolume(uint32_t level)
{
    platform::audioMixer().setWaveVolume(static_cast<uint16_t>(level & 0xFFFF), static_cast<uint16_t>(level >> 16));
}

void rememberWaveOutVolume()
{
    remembered = waveOutVolume();
}

uint32_t rememberedWaveOutVolume()
{
    return remembered;
}

void stopSoundsAtExit()
{
    processMediaPlayback().close();
    queue = nullptr;
    platform::audioMixer().close();
}

} // namespace vel
