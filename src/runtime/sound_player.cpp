#include "runtime/sound_player.h"

#include <algorithm>
#include <limits>

#include "platform/clock.h"

namespace vel {

namespace {

// The clock wraps like a 32-bit tick count.
bool reached(uint32_t now, uint32_t when)
{
    return static_cast<int32_t>(now - when) >= 0;
}

} // namespace

int32_t SoundPlayer::position(const Object* media) const
{
    if (!isPlaying(media))
        return -1;
    const uint64_t elapsed = clock_.now() - start_;
    return static_cast<int32_t>(std::min<uint64_t>(elapsed * 22050u / 1000u, std::numeric_limits<int32_t>::max()));
}

void SoundPlayer::stop(const Object* media)
{
    checkEnd();
    if (isPlaying(media))
        finish(false);
}

void SoundPlayer::stopAny()
{
    if (!media_.isNil())
        finish(false);
}

void SoundPlayer::checkEnd()
{
    if (!media_.isNil() && !looping_ && reached(clock_.now(), plannedEnd_))
        finish(true);
}

uint32_t SoundPlayer::untilEnd() const
{
    if (media_.isNil() || looping_)
        return platform::NothingDue;
    const auto left = static_cast<int32_t>(plannedEnd_ - clock_.now());
    return left > 0 ? static_cast<uint32_t>(left) : 0;
}

void SoundPlayer::started(const Value& media, uint64_t milliseconds, bool looping, bool wait)
{
    const uint32_t now = clock_.now();
    media_ = media;
    start_ = now;
    looping_ = looping;
    plannedEnd_ = now + static_cast<uint32_t>(std::min<uint64_t>(milliseconds, std::numeric_limits<int32_t>::max()));
    if (wait && !looping) {
        clock_.sleep(plannedEnd_ - now);
        media_ = Value();
        silence(true);
    }
}

void SoundPlayer::finish(bool ended)
{
    silence(ended);
    // Cleared before the report, which may start another sound.
    Value media = media_;
    media_ = Value();
    report_(media, ended ? "ended" : "aborted");
}

} // namespace vel
