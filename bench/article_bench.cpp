// The article screen: from the click on "next" to the presented frame, stepping between two articles
// of about 1500 words each (the realistic article text of article_text.h) on a screen with the
// title, the text, the see-also list and the country data. The articles' data file, look-up files
// and category list are written in a scratch folder as the disc holds them.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "article_text.h"
#include "controls/control_library.h"
#include "controls/history.h"
#include "index/value_index.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "title/title_forms.h"
#include "value/archive.h"
#include "value/error.h"
#include "value/list.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

#include "engine_bench.h"

namespace {

using namespace vel;

// About 1500 words: the sample article runs near 150 words a section.
constexpr std::size_t kArticleBytes = 11 * 1024;

void writeArticles(const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir / "DAT");
    Value articles = Archive::create(Value::string((dir / "DAT" / "Verbetes.dat").string()), 10);
    Value numbers = ValueIndex::make((dir / "DAT" / "VDBLstID.IDX").string(), true, true);
    Value ids = ValueIndex::make((dir / "DAT" / "VDBIDLst.IDX").string(), true, true);
    Value names = ValueList::make();
    for (int n = 0; n < 2; ++n) {
        const std::string name = n == 0 ? "Amazonas" : "Nilo";
        Value record = ValueList::make();
        for (const Value& item : {Value::integer(n), Value::string(name), Value::string(name), Value::integer(1),
                                  Value::string(bench::articleText(kArticleBytes)),
                                  Value::string("{\\uldb Brasil}!\\{jump:VerbForm;Brasil\\}\\par "),
                                  Value::string("{\\b Capital:} Bras\xEDlia\\par {\\b \xC1rea:} 8.515.767 km\xB2"),
                                  Value::string(""), Value::string("None")})
            asValueList(record)->append(item);
        asArchive(articles)->add(record);
        asValueIndex(numbers)->put(Value::string(name), Value::integer(n));
        asValueIndex(ids)->put(Value::string(name), Value::string(name));
        asValueList(names)->append(Value::string(name));
    }
    Value categories = Table::make();
    Value category = ValueList::make();
    for (const Value& item : {Value::string("Mundo"), Value::string("Rios"), names})
        asValueList(category)->append(item);
    asTable(categories)->put(std::string_view("Cat0"), category);
    asTable(categories)->put(std::string_view("Cat1"), category);
    Value lists = Archive::create(Value::string((dir / "IDCatLst.DTT").string()), 10);
    asArchive(lists)->add(categories);
}

void ArticleNextToPresentedFrame(benchmark::State& state)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("bench_article_" + std::to_string(::getpid()));
    writeArticles(dir / "Media");
    Engine engine;
    if (!bench::startTitleEngine(engine, dir.string(), state))
        return;
    Value form = parseText(R"((form ("Class" "VerbForm") ("Control List" (list
        (control ("Class" "Button") ("Name" "NextVerbete") ("Hot Spot" (rect 16 446 80 26)))
        (control ("Class" "TextView") ("Name" "VerbeteTitle") ("Hot Spot" (rect 16 44 412 30)) ("Font" (font "Times New Roman" 20 bold)))
        (control ("Class" "TextView") ("Name" "Texto") ("Hot Spot" (rect 16 100 424 320)) ("Scroll" (table ("ScrollWidth" 14))))
        (control ("Class" "TextView") ("Name" "SeeAlsoText") ("Hot Spot" (rect 462 380 156 54)))
        (control ("Class" "TextView") ("Name" "CountryDataText") ("Hot Spot" (rect 462 226 156 100)))))))");
    asForm(form)->setFormName(Value::string("VerbForm"));
    engine.configuration().putGlobal("VerbForm", form);
    engine.navigation().goTo(Value::string("VerbForm"), parseText(R"((table ("Text" "Amazonas")))"), true);
    auto* screen = asForm(engine.currentForm());
    Value next = screen->findControl(Value::string("NextVerbete"));
    for (auto _ : state) {
        screen->controlClicked(next);
        engine.present();
    }
    engine.shutDown();
    fs::remove_all(dir);
}
BENCHMARK(ArticleNextToPresentedFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
