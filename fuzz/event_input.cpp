// Arbitrary messages through the input translator into a small queue, fetched with arbitrary masks
// and waits on a virtual clock: the queue never holds more than its limit, every fetch ends, and
// every event taken has one kind bit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>

#include "platform/clock.h"
#include "platform/message.h"
#include "runtime/event_queue.h"
#include "runtime/framework_timer.h"
#include "runtime/input_translator.h"
#include "fuzz_support.h"
#include "value/error.h"

namespace {


class Source final : public vel::platform::MessageSource {
public:
    explicit Source(vel::platform::VirtualClock& clock) : clock_(clock) {}
    bool poll(vel::platform::Message& out) override
    {
        if (messages.empty())
            return false;
        out = messages.front();
        messages.pop_front();
        out.time = clock_.now();
        return true;
    }
    void wait(int ms) override { clock_.advance(ms < 0 ? 1 : static_cast<uint32_t>(ms)); }
    std::deque<vel::platform::Message> messages;

private:
    vel::platform::VirtualClock& clock_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers(vel::fuzzing::OnExit::Abort);
    using vel::platform::MessageKind;
    vel::platform::VirtualClock clock;
    {
        std::size_t at = 0;
        auto byte = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
        vel::EventQueue queue(clock, 1 + byte() % 8);
        vel::InputTranslator translator(queue);
        vel::FrameworkTimer timer(clock);
        Source source(clock);
        queue.setMessageSource(&source);
        queue.setTimer(&timer);
        queue.setDispatcher([&](const vel::platform::Message& m) { translator.translate(m); });
        while (at < size) {
            uint8_t op = byte();
            if (op < 200) {
                vel::platform::Message m;
                m.kind = static_cast<MessageKind>(op % (static_cast<int>(MessageKind::Quit) + 1));
                m.x = static_cast<int8_t>(byte());
                m.y = static_cast<int8_t>(byte());
                m.virtualKey = byte();
                m.character = byte();
                m.state = byte() & 31;
                source.messages.push_back(m);
                clock.advance(byte() % 8 * 100);
            } else if (op < 220) {
                timer.set(byte());
            } else if (op < 225) {
                timer.kill();
            } else if (op < 235) {
                queue.discard(static_cast<int32_t>(byte()) << (byte() % 9));
            } else {
                int32_t mask = static_cast<int32_t>(byte()) << (byte() % 9);
                // An unlimited wait with nothing that could match and no timer would wait for good.
                int32_t wait = byte() % 200;
                vel::EventRecord e = queue.next(mask, wait);
                if (e.kind != 0 && ((e.kind & (e.kind - 1)) != 0 || (e.kind & mask) == 0))
                    std::abort();
            }
            if (queue.size() > queue.limit())
                std::abort();
        }
    }
    return 0;
}
