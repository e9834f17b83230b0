// What the wave sound and the tune have in common: one output that plays at most one sound value at a
// time, whose end is planned on the clock when it starts. The end check (run by every play and stop
// and by the event fetch's idle work) reports "ended" once the clock gets there; a stop reports
// "aborted". Each output says only how it falls silent.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "value/value.h"

namespace vel::platform {
class Clock;
}

namespace vel {

// Where a player reports the end or the abort of what it played (a media notification).
using MediaReport = std::function<void(const Value& media, std::string_view what)>;

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // The sound value now playing, or nil.
    const Value& playing() const { return media_; }
    bool isPlaying(const Object* media) const { return media_.object() == media && media; }
    // Where play has got to, in samples at 22050 a second; -1 when that sound is not playing here.
    int32_t position(const Object* media) const;
    // Stops that sound ("aborted") if it still plays once its end has been checked.
    void stop(const Object* media);
    // Stops whatever plays, reporting "aborted".
    void stopAny();
    // Reports "ended" once the clock reaches the planned end of what plays (looping sounds have none).
    void checkEnd();
    // Milliseconds until that end (0 when reached); NothingDue when nothing plays or it loops.
    uint32_t untilEnd() const;

protected:
    SoundPlayer(platform::Clock& clock, MediaReport report) : clock_(clock), report_(std::move(report)) {}
    // Records that media started now and ends after `milliseconds`; a play that waits sleeps until then
    // and, being over when it returns, reports nothing.
    void started(const Value& media, uint64_t milliseconds, bool looping, bool wait);
    // `ended`: the sound came to its end (what still rings may die away); otherwise it is cut.
    virtual void silence(bool ended) = 0;

    platform::Clock& clock_;

private:
    void finish(bool ended);

    MediaReport report_;
    Value media_;
    uint32_t start_ = 0;
    uint32_t plannedEnd_ = 0;
    bool looping_ = false;
};

} // namespace vel
