// The one framework timer (scroll arrows' auto-repeat and the like). It fires on the engine's clock
// and is checked each time the event fetch pumps; a timer event not yet taken is overwritten by the
// next one, so late fetches never find a pile of them.
#pragma once

#include <cstdint>

namespace vel {

class EventQueue;

namespace platform {
class Clock;
}

class FrameworkTimer {
public:
    explicit FrameworkTimer(platform::Clock& clock) : clock_(clock) {}

    // As the window system would, shorter periods are raised to this.
    static constexpr uint32_t MinimumInterval = 10;

    // Starts the timer with a period of milliseconds; the previous timer ends first.
    void set(int32_t milliseconds);
    void kill();
    bool active() const { return active_; }
    uint32_t interval() const { return interval_; }
    // Milliseconds until the timer is next due (0 when due now); 0 when inactive.
    uint32_t untilDue() const;
    // Posts a timer event when due and starts the next period; true when it posted.
    bool check(EventQueue& queue);

private:
    platform::Clock& clock_;
    bool active_ = false;
    uint32_t interval_ = 0;
    uint32_t due_ = 0;
};

} // namespace vel
