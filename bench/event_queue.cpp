// The event path: a character message from the source through translation and the queue to the
// fetch; a burst of mouse movements merged into one event; Windows-1252 <-> UTF-8 of a page of text.
#include <benchmark/benchmark.h>

#include <deque>
#include <string>

#include "platform/clock.h"
#include "platform/message.h"
#include "platform/text_encoding.h"
#include "runtime/event_queue.h"
#include "runtime/input_translator.h"

namespace {

class Source final : public vel::platform::MessageSource {
public:
    bool poll(vel::platform::Message& out) override
    {
        if (messages.empty())
            return false;
        out = messages.front();
        messages.pop_front();
        return true;
    }
    void wait(int) override {}
    std::deque<vel::platform::Message> messages;
};

struct Loop {
    Loop()
    {
        queue.setMessageSource(&source);
        queue.setDispatcher([this](const vel::platform::Message& m) { translator.translate(m); });
        queue.next(vel::event_kind::All, 0);
    }
    Source source;
    vel::platform::SteadyClock clock;
    vel::EventQueue queue{clock};
    vel::InputTranslator translator{queue};
};

void BM_CharacterToFetchedEvent(benchmark::State& state)
{
    Loop loop;
    vel::platform::Message m;
    m.kind = vel::platform::MessageKind::Character;
    int32_t sum = 0;
    for (auto _ : state) {
        m.character = 'a' + static_cast<int>(sum & 15);
        loop.source.messages.push_back(m);
        sum += loop.queue.next(vel::event_kind::KeyDown, 0).detail;
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_CharacterToFetchedEvent);

void BM_HundredMovesMergedThenFetched(benchmark::State& state)
{
    Loop loop;
    vel::platform::Message m;
    m.kind = vel::platform::MessageKind::MouseMove;
    int32_t sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            m.x = i;
            m.y = 480 - i;
            loop.translator.translate(m);
        }
        sum += loop.queue.next(vel::event_kind::MouseOver, 0).x;
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_HundredMovesMergedThenFetched);

std::string page()
{
    std::string text;
    while (text.size() < 4096)
        text += "Informa\xE7\xF5" "es sobre a regi\xE3o \x96 popula\xE7\xE3o, \x93" "clima\x94 e economia. ";
    return text;
}

void BM_Utf8FromWindows1252Page(benchmark::State& state)
{
    std::string text = page();
    for (auto _ : state)
        benchmark::DoNotOptimize(vel::platform::utf8FromWindows1252(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Utf8FromWindows1252Page);

void BM_Windows1252FromUtf8Page(benchmark::State& state)
{
    std::string text = vel::platform::utf8FromWindows1252(page());
    for (auto _ : state)
        benchmark::DoNotOptimize(vel::platform::windows1252FromUtf8(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Windows1252FromUtf8Page);

} // namespace

BENCHMARK_MAIN();
