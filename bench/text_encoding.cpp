// Windows-1252 <-> UTF-8 on Portuguese article text, against a memcpy of the same bytes in the same
// run. Rates are of the Windows-1252 side's bytes, so the three rows compare directly.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/text_encoding.h"

namespace {

// About 64 KB of the title's prose: accented letters every few words, curly quotes and dashes.
std::string articleText()
{
    const std::string paragraph =
        "A regi\xE3o amaz\xF4nica \x96 a maior floresta tropical do planeta \x96 abriga milhares de esp\xE9"
        "cies ainda n\xE3o descritas. Os rios, como o Solim\xF5es e o Negro, formam a bacia hidrogr\xE1"
        "fica mais extensa do mundo; a popula\xE7\xE3o ribeirinha vive da pesca e da coleta. \x93"
        "Informa\xE7\xF5es\x94 sobre clima, relevo e vegeta\xE7\xE3o seguem no pr\xF3ximo cap\xEDtulo.\r\n";
    std::string text;
    while (text.size() < 64 * 1024)
        text += paragraph;
    return text;
}

void BM_MemcpyText(benchmark::State& state)
{
    const std::string text = articleText();
    std::vector<char> copy(text.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), text.data(), text.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MemcpyText);

void BM_Utf8FromWindows1252(benchmark::State& state)
{
    const std::string text = articleText();
    for (auto _ : state) {
        std::string utf8 = vel::platform::utf8FromWindows1252(text);
        benchmark::DoNotOptimize(utf8.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Utf8FromWindows1252);

void BM_Windows1252FromUtf8(benchmark::State& state)
{
    const std::string text = articleText();
    const std::string utf8 = vel::platform::utf8FromWindows1252(text);
    for (auto _ : state) {
        std::string back = vel::platform::windows1252FromUtf8(utf8);
        benchmark::DoNotOptimize(back.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Windows1252FromUtf8);

} // namespace

BENCHMARK_MAIN();
