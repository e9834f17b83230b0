#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace vel::platform {

uint32_t SteadyClock::now()
{
    static const auto start = std::chrono::steady_clock::now();
    auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void SteadyClock::sleep(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace {
SteadyClock steadyClock;
Clock* current = &steadyClock;
} // namespace

Clock& clock()
{
    return *current;
}

void installClock(Clock* c)
{
    current = c ? c : &steadyClock;
}

} // namespace vel::platform
