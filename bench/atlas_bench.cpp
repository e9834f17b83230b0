// The atlas's next map: from the click on "NextMapa" to the frame presented, the new map a 640 x 480
// bitmap decoded from its file and drawn, the category's list and the records as the title reads
// them. The limit is 10 ms (the median is what counts).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "controls/control_library.h"
#include "controls/history.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "title/atlas_form.h"
#include "title/title_forms.h"
#include "value/archive.h"
#include "value/error.h"
#include "value/reader.h"
#include "value/string.h"

#include "engine_bench.h"

namespace {

using namespace vel;

void NextMap(benchmark::State& state)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("bench_atlas_" + std::to_string(::getpid()));
    fs::create_directories(dir / "Media");
    constexpr int kMaps = 3;
    std::string records = "(list ", names = "(list ", ids = "(table ";
    for (int i = 0; i < kMaps; ++i) {
        const std::string n = std::to_string(i);
        std::ofstream(dir / "Media" / ("mapa" + n + ".bmp"), std::ios::binary) << bench::bandsBitmap(i + 1);
        records += "(list " + n + " \"Mapa " + n + "\" 1 \"mapa" + n + ".bmp\" (list 0 0) \"hino\" \"Dados\" \"Texto\") ";
        names += "\"Mapa " + n + "\" ";
        ids += "(\"Mapa " + n + "\" " + n + ") ";
    }
    setErrorHandler(bench::quietError);
    Engine engine;
    RunOptions options = RunOptions::offscreenOnly(false);
    options.settings.insert(options.settings.end(), {{"SourceDisk", dir.string()}, {"MediaPath", "Media"}});
    if (!bench::startEngine(engine, options, state))
        return;
    {
        Value categories = Archive::create(Value::string((dir / "Media" / "ATCatLst.DTT").string()), 10);
        asArchive(categories)->add(parseText("(table (\"Cat1\" (list \"Mundo\" \"\" " + names + "))))"));
        asArchive(categories)->flush();
    }
    registerControlLibrary(engine);
    registerTitleForms(engine);
    History::of(engine);
    engine.configuration().putGlobal("Title Data Archive Atlas", parseText(records + ")"));
    engine.configuration().putGlobal("Title Data Index DBL_IDLIST", parseText(ids + ")"));
    Value form = parseText("(form (\"Class\" \"AtlasForm\") (\"Control List\" (list "
                           "(control (\"Class\" \"Button\") (\"Name\" \"NextMapa\") (\"Hot Spot\" (rect 0 450 60 22))) "
                           "(control (\"Class\" \"Bitmap\") (\"Name\" \"MapaControl\") (\"Save Background\" true)))))");
    asForm(form)->setFormName(Value::string("AtlasForm"));
    engine.configuration().putGlobal("AtlasForm", form);
    engine.navigation().goTo(Value::string("AtlasForm"), parseText("(table (\"Text\" \"Mapa 0\"))"), true);
    auto* atlas = dynamic_cast<AtlasForm*>(asForm(engine.currentForm()));
    const Value next = atlas ? atlas->findControl(Value::string("NextMapa")) : Value();
    for (auto _ : state) {
        atlas->controlClicked(next);
        engine.updateScreen();
        if (atlas->mapImage().isNil()) {
            state.SkipWithError("the map did not decode");
            break;
        }
    }
    engine.shutDown();
    fs::remove_all(dir);
}
BENCHMARK(NextMap)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
