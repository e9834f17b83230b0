// Forms: going to a screen of 30 controls on a 640 x 480 background, read from a compiled resource
// (".vel") each time, as the title goes from screen to screen; at scale 1 and on a sharp surface at
// scales 3, 5 and 6 (1920 x 1440 to 3840 x 2880), with the memory its two canvases take.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/surface.h"
#include "value/encoding.h"
#include "value/error.h"
#include "value/list.h"
#include "value/reader.h"
#include "value/string.h"

#include "engine_bench.h"

namespace {

using namespace vel;
using bench::quietError;

// A screen in the notation: its background and 30 controls in a grid, each leading to the other screen.
std::string screenText(const std::string& name, const std::string& other)
{
    std::string controls;
    for (int i = 0; i < 30; ++i)
        controls += "(control (\"Class\" \"Botao\") (\"Name\" \"b" + std::to_string(i) + "\") (\"Hot Spot\" (rect " +
                    std::to_string(20 + (i % 6) * 100) + " " + std::to_string(20 + (i / 6) * 90) +
                    " 90 80)) (\"Target Form\" \"" + other + "\") (\"Help\" \"Ajuda\")) ";
    return "(form (\"Name\" \"" + name + "\") (\"Resource Table\" (table (\"Background Image\" \"fundo.bmp\") "
           "(\"Control List\" (list " + controls + "))))) ";
}

void GoToAFormOfThirtyControls(benchmark::State& state)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("bench_forms_" + std::to_string(::getpid()));
    fs::create_directories(dir / "Media");
    std::ofstream(dir / "Media" / "fundo.bmp", std::ios::binary) << bench::bandsBitmap(3);

    setErrorHandler(quietError);
    Engine engine;
    const int scale = static_cast<int>(state.range(0));
    RunOptions options = RunOptions::offscreenAtScale(false, scale);
    options.settings.insert(options.settings.end(), {{"SourceDisk", dir.string()}, {"MediaPath", "Media"}});
    if (!bench::startEngine(engine, options, state))
        return;

    // Compiled the way the data tool compiles: the form value in the binary encoding.
    for (auto [file, name, other] : {std::tuple{"primeira.vel", "Primeira", "segunda.vel"},
                                     std::tuple{"segunda.vel", "Segunda", "primeira.vel"}}) {
        std::vector<uint8_t> bytes = encodeToBytes(parseText(screenText(name, other)));
        std::ofstream(dir / "Media" / file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    bool first = true;
    for (auto _ : state) {
        engine.navigation().goTo(Value::string(first ? "primeira.vel" : "segunda.vel"), Value(), true);
        first = !first;
        auto* form = asForm(engine.currentForm());
        List* controls = form ? asList(form->controlList()) : nullptr;
        if (!form || form->width() != 640 || !controls || controls->count() != 30) {
            state.SkipWithError("the form did not open");
            break;
        }
    }
    // The off-screen canvas and the presented frame, as their pixel buffers are laid out.
    DrawingSurface& surface = *engine.surface();
    double bytes = 0;
    for (platform::Canvas* canvas : {&surface.offscreen(), &surface.frame()}) {
        const platform::PixelView view = canvas->pixels();
        bytes += 4.0 * view.stride * view.height;
    }
    state.counters["canvas_MB"] = bytes / (1024 * 1024);
    engine.shutDown();
    fs::remove_all(dir);
}
BENCHMARK(GoToAFormOfThirtyControls)
    ->Arg(1)
    ->Arg(3)
    ->Arg(5)
    ->Arg(6)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
