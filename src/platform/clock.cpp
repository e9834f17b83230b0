#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace vel::platform {

namespace {
int64_t steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

SteadyClock::SteadyClock() : startNanoseconds_(steadyNanoseconds()) {}

uint32_t SteadyClock::now()
{
    return static_cast<uint32_t>((steadyNanoseconds() - startNanoseconds_) / 1000000);
}

void SteadyClock::sleep(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace vel::platform
