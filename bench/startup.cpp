// Start to first frame, as whole processes: orva on the demo disc, from exec until its script's
// `quit` (which runs once the first form is drawn and presented, and ends the run without a
// screenshot), against the bare peer (bench/peers/bare_window.cpp: SDL2, a window, a cairo surface,
// one line of text, presented once). Both run under SDL's dummy video and audio drivers. Each
// iteration forks one process and waits for it; compare the medians of the repetitions.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "process_start.h"

namespace {

namespace fs = std::filesystem;
using vel::bench::startProcesses;

// The demo disc made by discgen, a home for orva and the script, in a folder removed at the end.
struct Stage {
    Stage()
    {
        directory = fs::temp_directory_path() / ("bench_startup_" + std::to_string(::getpid()));
        fs::create_directories(directory / "home");
        std::ofstream(directory / "quit.script") << "quit\n";
        ready = vel::bench::runQuietly(
            {VEL_BENCH_BIN_DIR "/discgen", VEL_BENCH_SOURCE_DIR "/disc/demo", (directory / "demo").string()});
    }
    ~Stage()
    {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }

    fs::path directory;
    bool ready = false;
};

Stage& stage()
{
    static Stage s;
    return s;
}

void BareWindowToFirstFrame(benchmark::State& state)
{
    startProcesses(state, {VEL_BENCH_BIN_DIR "/bench_bare_window"}, stage().ready, "discgen could not make the demo disc");
}
BENCHMARK(BareWindowToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(20);

void OrvaToFirstFrame(benchmark::State& state)
{
    const fs::path& d = stage().directory;
    startProcesses(state, {VEL_BENCH_BIN_DIR "/orva", "--media", (d / "demo").string(), "--home", (d / "home").string(),
                           "--script", (d / "quit.script").string()},
                   stage().ready, "discgen could not make the demo disc");
}
BENCHMARK(OrvaToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(20);

} // namespace

BENCHMARK_MAIN();
