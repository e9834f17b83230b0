// The millisecond clock: steady time for a person at the screen, virtual time for a scripted run,
// where waiting advances the clock at once so that fades and timers are exact and fast.
#pragma once

#include <cstdint>

namespace vel::platform {

// A span of milliseconds without end: what a deadline is when nothing is due.
inline constexpr uint32_t NothingDue = UINT32_MAX;

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps like a 32-bit tick count.
    virtual uint32_t now() = 0;
    // Waits (or, when virtual, advances) the given milliseconds.
    virtual void sleep(uint32_t milliseconds) = 0;
    virtual bool isVirtual() const = 0;
};

class SteadyClock final : public Clock {
public:
    SteadyClock();
    uint32_t now() override;
    void sleep(uint32_t milliseconds) override;
    bool isVirtual() const override { return false; }

private:
    int64_t startNanoseconds_;
};

class VirtualClock final : public Clock {
public:
    uint32_t now() override { return now_; }
    void sleep(uint32_t milliseconds) override { now_ += milliseconds; }
    bool isVirtual() const override { return true; }
    void advance(uint32_t milliseconds) { now_ += milliseconds; }

private:
    uint32_t now_ = 0;
};

} // namespace vel::platform
