// The title's navigation: from the main screen to a section's home screen by its button, as the
// reader goes, with both screens preloaded under their names (as the title preloads its forms) and
// each drawn on its 640 x 480 background; the way back is not timed.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "controls/control_library.h"
#include "controls/history.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "title/title_forms.h"
#include "value/error.h"
#include "value/reader.h"
#include "value/string.h"

#include "engine_bench.h"

namespace {

using namespace vel;

std::string buttons(std::initializer_list<const char*> names, int x, int y, int dx, int dy)
{
    std::string out;
    for (const char* name : names) {
        out += "(control (\"Class\" \"Button\") (\"Name\" \"" + std::string(name) + "\") (\"Hot Spot\" (rect " +
               std::to_string(x) + " " + std::to_string(y) + " 200 40)) (\"Help\" \"" + name + "\")) ";
        x += dx, y += dy;
    }
    return out;
}

void MainScreenToSectionHome(benchmark::State& state)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("bench_title_nav_" + std::to_string(::getpid()));
    fs::create_directories(dir / "Media");
    std::ofstream(dir / "Media" / "fundo_principal.bmp", std::ios::binary) << bench::bandsBitmap(3);
    std::ofstream(dir / "Media" / "fundo_verbetes.bmp", std::ios::binary) << bench::bandsBitmap(5);

    Engine engine;
    if (!bench::startTitleEngine(engine, dir.string(), state))
        return;
    const std::string mainControls =
        buttons({"Verbetes", "Midias", "Atlas", "BancoDeDados", "LinhaDoTempo", "Retrospectiva", "Agenda",
                 "Curiosidades", "Sair"}, 16, 100, 0, 42) +
        "(control (\"Class\" \"Bitmap\") (\"Name\" \"VantaVideoBmp\") (\"Hot Spot\" (rect 368 120 240 180))) ";
    const std::string bar = buttons({"Orvale", "Busca", "Secoes", "GoBack", "Historico", "Internet", "Ajuda",
                                     "Minimizar", "Sair", "AudioHelpButton"}, 8, 4, 36, 0);
    for (auto [name, background, controls] :
         {std::tuple{"MainForm", "fundo_principal.bmp", mainControls},
          std::tuple{"VerbHForm", "fundo_verbetes.bmp", bar + buttons({"Indice"}, 40, 120, 0, 0)}}) {
        Value form = parseText("(form (\"Class\" \"" + std::string(name) + "\") (\"Background Image\" \"" +
                               background + "\") (\"Control List\" (list " + controls + ")))");
        asForm(form)->setFormName(Value::string(name));
        engine.configuration().putGlobal(name, form);
    }
    engine.configuration().set("VantaPlayedAlready", 1);

    for (auto _ : state) {
        state.PauseTiming();
        engine.navigation().goTo(Value::string("MainForm"), Value(), true);
        auto* main = asForm(engine.currentForm());
        Value button = main->findControl(Value::string("Verbetes"));
        state.ResumeTiming();
        main->controlClicked(button);
        if (textOf(asForm(engine.currentForm())->name()) != "VerbHForm") {
            state.SkipWithError("the home screen did not open");
            break;
        }
    }
    engine.shutDown();
    fs::remove_all(dir);
}
BENCHMARK(MainScreenToSectionHome)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
