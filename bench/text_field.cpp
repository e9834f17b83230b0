// Edit fields: what typing one character costs, from the key to the pixels shown (the field redrawn
// and its area copied to the presented frame), with a short and a long text in view, at scale 1 and
// on a sharp surface at scale 3.
#include <benchmark/benchmark.h>

#include <string>

#include "controls/text_field.h"
#include "runtime/engine.h"
#include "value/error.h"
#include "value/reader.h"
#include "value/string.h"

#include "engine_bench.h"

namespace {

using namespace vel;
using bench::quietError;

// Types a letter and takes it back with Backspace: two keys an iteration.
void TypeACharacter(benchmark::State& state)
{
    setErrorHandler(quietError);
    Engine engine;
    RunOptions options = RunOptions::offscreenAtScale(true, static_cast<int>(state.range(0)));
    if (!bench::startEngine(engine, options, state))
        return;
    {
        Value value = Value::adopt(
            Tag::Control,
            new TextField(engine, parseText("(table (\"Hot Spot\" (rect 40 400 300 22)) (\"Border\" true) "
                                            "(\"Scrollable\" true) (\"Font\" (font \"Arial\" 10 0)))")));
        auto* field = static_cast<TextField*>(value.object());
        field->activate();
        field->setText(std::string(state.range(1), 'a'));
        field->key(vel::key_code::End, 0);
        for (auto _ : state) {
            field->key(0xE7, 0); // ç
            field->key(8, 0);
        }
        if (field->edit().text().size() != static_cast<std::size_t>(state.range(1)))
            state.SkipWithError("the keys did not edit the text");
        state.SetItemsProcessed(state.iterations() * 2);
    }
    engine.shutDown();
}
BENCHMARK(TypeACharacter)
    ->ArgsProduct({{1, 3}, {8, 200}})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
