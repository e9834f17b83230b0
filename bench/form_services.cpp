// Form services: showing a two-line rollover tip (the screen under it saved, the box, its outline and
// its text drawn, the area shown) and taking it away again, at scale 1 and on a sharp surface at
// scale 3. The limit for showing one is 0.5 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "controls/rollover_tip.h"
#include "runtime/engine.h"

#include "engine_bench.h"

namespace {

using namespace vel;

void ShowAndTakeAwayATip(benchmark::State& state)
{
    Engine engine;
    RunOptions options = RunOptions::offscreenAtScale(true, static_cast<int>(state.range(0)));
    if (!bench::startEngine(engine, options, state))
        return;
    RolloverTip tip(engine);
    const bool showOnly = state.range(1) != 0;
    for (auto _ : state) {
        tip.request("Abre o atlas:\nmapas dos continentes e dos pa\xEDses", 600, 450);
        tip.show();
        if (!tip.shown()) {
            state.SkipWithError("no tip was shown");
            break;
        }
        if (showOnly)
            state.PauseTiming();
        tip.dismiss();
        if (showOnly)
            state.ResumeTiming();
    }
    engine.shutDown();
}
// Arguments: the scale, and 1 to time the showing alone.
BENCHMARK(ShowAndTakeAwayATip)->Args({1, 1})->Args({1, 0})->Args({3, 1})->Args({3, 0})->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
