// Parsing a 20 KB article into run records and fonts, against a copy of the same bytes in the same
// run (the floor of any pass over the text). Rates are of the article's bytes, so the rows compare.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "article_text.h"
#include "controls/rtf_parser.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace {

void BM_CopyArticle(benchmark::State& state)
{
    const std::string text = vel::bench::articleText();
    std::vector<char> copy(text.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), text.data(), text.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CopyArticle);

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
