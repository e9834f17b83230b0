// A list box of 100 000 items: drawing a page, a key press (the selection moves a line within the
// page: its old and new lines are drawn and shown again), a first-letter search (from anywhere in
// the list to the next item of that letter, drawn and shown), a scroll by one line and replacing the
// whole list; at scale 1 and on a sharp surface at scale 3.
#include <benchmark/benchmark.h>

#include <string>

#include "controls/control_library.h"
#include "controls/list_box.h"
#include "runtime/engine.h"
#include "runtime/event.h"
#include "value/error.h"
#include "value/list.h"
#include "value/reader.h"
#include "value/string.h"

#include "engine_bench.h"

namespace {

using namespace vel;
using bench::quietError;

constexpr int32_t kItems = 100000;

// Words of 5 to 12 letters, every letter of the alphabet leading about as often, accents inside.
Value words(uint32_t seed)
{
    Value list = ValueList::make(kItems);
    static const char* const middles[] = {"ra", "\xe7\xe3o", "me", "lu", "\xe9s", "ti", "no", "ca", "\xf3", "da"};
    for (int32_t i = 0; i < kItems; ++i) {
        seed = seed * 1103515245u + 12345u;
        std::string word(1, static_cast<char>('a' + (seed >> 16) % 26));
        for (uint32_t part = 0; part < 2 + (seed >> 8) % 4; ++part)
            word += middles[(seed >> (part * 3)) % 10];
        asList(list)->append(Value::string(word + " " + std::to_string(i)));
    }
    return list;
}

struct ListBench {
    Engine engine;
    Value control;
    AbstractListBox* box = nullptr;

    bool start(benchmark::State& state)
    {
        setErrorHandler(quietError);
        RunOptions options = RunOptions::offscreenAtScale(false, static_cast<int>(state.range(0)));
        if (!bench::startEngine(engine, options, state))
            return false;
        registerControlLibrary(engine);
        control = parseText("(control (\"Class\" \"ListBox\") (\"Hot Spot\" (rect 40 40 300 360)) (\"Font\" (font "
                            "\"Arial\" 10)) (\"BackgroundColor\" 16777215) (\"DrawBorder\" true) "
                            "(\"ScrollBarWidth\" 16) (\"SelectionIndex\" 0))");
        box = dynamic_cast<AbstractListBox*>(asControl(control));
        box->perform(Value::string("setList"), words(7));
        box->activate();
        box->draw();
        engine.updateScreen();
        return true;
    }
    ~ListBench() { engine.shutDown(); }
};

void BM_DrawAPage(benchmark::State& state)
{
    ListBench bench;
    if (!bench.start(state))
        return;
    bench.box->perform(Value::string("setSelection"), Value::integer(kItems / 2));
    for (auto _ : state) {
        bench.box->draw();
        bench.engine.updateScreen();
    }
    state.counters["lines"] = bench.box->visibleLines();
}

void BM_KeyPress(benchmark::State& state)
{
    ListBench bench;
    if (!bench.start(state))
        return;
    bench.box->perform(Value::string("setSelection"), Value::integer(kItems / 2));
    bool down = true;
    for (auto _ : state) {
        bench.box->key(down ? key_code::Down : key_code::Up, 0);
        down = !down;
    }
}

void BM_FirstLetterSearch(benchmark::State& state)
{
    ListBench bench;
    if (!bench.start(state))
        return;
    int letter = 0;
    for (auto _ : state) {
        bench.box->key('a' + letter, 0);
        letter = (letter + 7) % 26;
    }
    state.counters["selection"] = bench.box->selection();
}

// Down on the last line in view: the list scrolls by one line.
void BM_ScrollByALine(benchmark::State& state)
{
    ListBench bench;
    if (!bench.start(state))
        return;
    bench.box->perform(Value::string("setSelection"), Value::integer(kItems / 2));
    for (auto _ : state) {
        bench.box->key(key_code::Down, 0);
        if (bench.box->selection() == kItems - 1) {
            state.PauseTiming();
            bench.box->perform(Value::string("setSelection"), Value::integer(kItems / 2));
            state.ResumeTiming();
        }
    }
    state.counters["top"] = bench.box->topIndex();
}

void BM_ReplaceTheList(benchmark::State& state)
{
    ListBench bench;
    if (!bench.start(state))
        return;
    const Value lists[] = {words(11), words(13)};
    int which = 0;
    for (auto _ : state) {
        bench.box->perform(Value::string("setList"), lists[which]);
        bench.engine.updateScreen();
        which ^= 1;
    }
}

BENCHMARK(BM_DrawAPage)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyPress)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstLetterSearch)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollByALine)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReplaceTheList)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
