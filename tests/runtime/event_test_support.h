// Test support for the event code: a virtual clock, and a message source standing in for the window,
// with messages that arrive at given times.
#pragma once

#include <algorithm>
#include <deque>

#include "platform/clock.h"
#include "platform/message.h"
#include "support/error_capture.h"

namespace vel::testing_support {

class FakeMessageSource final : public platform::MessageSource {
public:
    explicit FakeMessageSource(platform::VirtualClock& clock) : clock_(clock) {}

    // Arrives at once.
    void push(const platform::Message& m) { arriving_.push_back(m); }
    // Arrives when the clock reaches m.time.
    void pushAt(uint32_t time, platform::Message m)
    {
        m.time = time;
        timed_.push_back(m);
    }

    bool poll(platform::Message& out) override
    {
        if (!arriving_.empty()) {
            out = arriving_.front();
            arriving_.pop_front();
            if (out.time == 0)
                out.time = clock_.now();
            return true;
        }
        if (!timed_.empty() && timed_.front().time <= clock_.now()) {
            out = timed_.front();
            timed_.pop_front();
            return true;
        }
        return false;
    }

    // A virtual run's source advances the clock while the program waits, up to the next arrival.
    void wait(int milliseconds) override
    {
        uint32_t span = milliseconds < 0 ? 1000u : static_cast<uint32_t>(milliseconds);
        if (!timed_.empty() && timed_.front().time > clock_.now())
            span = std::min(span, timed_.front().time - clock_.now());
        clock_.advance(span);
    }

private:
    platform::VirtualClock& clock_;
    std::deque<platform::Message> arriving_;
    std::deque<platform::Message> timed_;
};

inline platform::Message message(platform::MessageKind kind)
{
    platform::Message m;
    m.kind = kind;
    return m;
}

inline platform::Message characterMessage(int character, uint32_t state = 0)
{
    platform::Message m = message(platform::MessageKind::Character);
    m.character = character;
    m.state = state;
    return m;
}

inline platform::Message pointerMessage(platform::MessageKind kind, int x, int y)
{
    platform::Message m = message(kind);
    m.x = x;
    m.y = y;
    return m;
}

// Runs each test on a virtual clock that starts at 1000 ms.
class VirtualClockTest : public ErrorCheckedTest {
protected:
    void SetUp() override
    {
        ErrorCheckedTest::SetUp();
        clock.advance(1000);
    }

    platform::VirtualClock clock;
};

} // namespace vel::testing_support
