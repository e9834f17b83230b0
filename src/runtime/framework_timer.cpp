#include "runtime/framework_timer.h"

#include <algorithm>

#include "platform/clock.h"
#include "runtime/event_queue.h"
#include "runtime/input_translator.h"

namespace vel {

void FrameworkTimer::set(int32_t milliseconds)
{
    kill();
    interval_ = std::max(static_cast<uint32_t>(std::max(milliseconds, 0)), MinimumInterval);
    due_ = clock_.now() + interval_;
    active_ = true;
}

void FrameworkTimer::kill()
{
    active_ = false;
}

uint32_t FrameworkTimer::untilDue() const
{
    if (!active_)
        return 0;
    // Differences of the wrapping clock, read as signed: a due time already passed gives 0.
    int32_t left = static_cast<int32_t>(due_ - clock_.now());
    return left > 0 ? static_cast<uint32_t>(left) : 0;
}

bool FrameworkTimer::check(EventQueue& queue)
{
    if (!active_)
        return false;
    uint32_t now = clock_.now();
    if (static_cast<int32_t>(now - due_) < 0)
        return false;
    // Periods missed while the program was busy are not made up: one event, then a whole period.
    due_ = now + interval_;
    EventRecord event;
    event.kind = event_kind::Timer;
    event.time = static_cast<int32_t>(now);
    if (const InputTranslator* input = queue.input())
        input->stamp(event);
    return queue.post(event) == 1;
}

} // namespace vel
