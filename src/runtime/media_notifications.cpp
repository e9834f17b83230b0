#include "runtime/media_notifications.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/audio_mixer.h"
#include "platform/text_encoding.h"
#include "runtime/engine.h"
#include "runtime/event_queue.h"
#include "runtime/movie.h"
#include "value/list.h"

namespace vel {

namespace {

constexpr uint32_t kMovieStep = 10;

} // namespace

bool MediaNotifications::post(const Value& media, std::string_view what)
{
    EventQueue* queue = engine_.events();
    if (!queue)
        return false;
    Value pair = ValueList::make(2);
    List* l = asList(pair);
    l->append(media);
    l->append(Value::string(what));
    EventRecord event;
    event.kind = event_kind::MediaNotification;
    event.time = static_cast<int32_t>(engine_.clock().now());
    event.value1 = pair;
    return queue->post(event) == 1;
}

uint32_t MediaNotifications::idleWork()
{
    MediaPlayback& playback = engine_.playback();
    playback.checkEnds();
    Movies& movies = engine_.movies();
    movies.advancePlaying();
    // A movie is stepped every few milliseconds: its frames and its sound are fed from here.
    if (movies.anyPlaying())
        return kMovieStep;
    const bool silent = playback.wave().playing().isNil() && playback.music().playing().isNil();
    return std::min(playback.untilEnd(), engine_.mixer().settle(silent, engine_.clock().now()));
}

void MediaNotifications::notice(std::string_view text)
{
    if (sink_) {
        sink_(text);
        return;
    }
    std::string line = platform::utf8FromWindows1252(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

int32_t MediaNotifications::volumeRange() const
{
    // A range of 0 or less would divide by zero; the default stands in.
    int32_t range = engine_.configuration().getInteger("Volume Range", 100);
    return range > 0 ? range : 100;
}

int32_t MediaNotifications::getVolume()
{
    platform::AudioMixer& mixer = engine_.mixer();
    if (!mixer.ensureOpen())
        return -1;
    uint16_t left = 0, right = 0;
    mixer.waveVolume(left, right);
    const int64_t average = (static_cast<int64_t>(left) + right) / 2;
    // Rounded: setVolume's level cut to 16 bits must read back as itself, or each read and set again
    // (a dialog opened and cancelled) would turn the volume down a step.
    return static_cast<int32_t>((average * volumeRange() + 0x7FFF) / 0xFFFF);
}

bool MediaNotifications::setVolume(int32_t level)
{
    const int32_t range = volumeRange();
    // Past the range the level would not fit the 16 bits of a channel.
    level = std::clamp(level, 0, range);
    const auto raw = static_cast<uint16_t>(static_cast<int64_t>(level) * 0xFFFF / range);
    platform::AudioMixer& mixer = engine_.mixer();
    mixer.setWaveVolume(raw, raw);
    mixer.setMusicVolume(raw, raw);
    return true;
}

uint32_t MediaNotifications::waveOutVolume()
{
    uint16_t left = 0, right = 0;
    engine_.mixer().waveVolume(left, right);
    return static_cast<uint32_t>(left) | (static_cast<uint32_t>(right) << 16);
}

void MediaNotifications::setWaveOutVolume(uint32_t level)
{
    engine_.mixer().setWaveVolume(static_cast<uint16_t>(level & 0xFFFF), static_cast<uint16_t>(level >> 16));
}

void MediaNotifications::stopAll()
{
    engine_.playback().close();
    engine_.mixer().close();
}

} // namespace vel
