// Parsing a 20 KB article into run records and fonts. The text view's benchmark measures the parse
// with its layout against the cost floor of any layout (copying the text and measuring its words).
#include <benchmark/benchmark.h>

#include <string>

#include "article_text.h"
#include "controls/rtf_parser.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace {

void BM_ParseArticle(benchmark::State& state)
{
    const std::string text = vel::bench::articleText();
    vel::Value request = vel::Table::make();
    vel::asTable(request)->put("Type", vel::Value::string("RTF"));
    vel::asTable(request)->put("Buffer", vel::Value::string("{\\par \\pard " + text + "}"));
    vel::asTable(request)->put("Font", vel::Font::make(vel::Value::string("Times New Roman"), 9, 0));
    int32_t runs = 0;
    for (auto _ : state) {
        vel::Value result = vel::parseText(request);
        runs = vel::asList(vel::asTable(result)->get("TextRuns"))->count();
        benchmark::DoNotOptimize(runs);
    }
    state.counters["runs"] = runs;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseArticle);

} // namespace

BENCHMARK_MAIN();
