// Encode and decode of an article-like record: a list of ten items with a 20 KB text, short strings
// and nested lists, as the title's article archive holds them.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "value/encoding.h"
#include "value/list.h"
#include "value/stream.h"
#include "value/string.h"
#include "value/table.h"

namespace {

using vel::Value;

Value article()
{
    auto list = [](std::initializer_list<Value> items) {
        Value l = vel::ValueList::make(static_cast<int32_t>(items.size()));
        for (const Value& v : items)
            l.as<vel::ValueList>()->append(v);
        return l;
    };
    std::string text;
    while (text.size() < 20000)
        text += "{\\rtf1 Lorem ipsum dolor sit amet, consectetur adipiscing elit. \\par} ";
    text.resize(20000);
    Value ids = vel::IntList::make(16);
    for (int i = 0; i < 12; ++i)
        ids.as<vel::IntList>()->appendInt(1000 + i * 37);
    return list({
        Value::integer(4711),
        Value::string("Amazonas"),
        Value::string(text),
        Value::string("Geografia"),
        list({Value::string("Brasil"), Value::string("Rio"), Value::string("Floresta")}),
        list({list({Value::string("Foto 1"), Value::integer(12)}), list({Value::string("Mapa"), Value::integer(3)})}),
        ids,
        Value::string("see also"),
        list({Value::integer(1), Value::integer(2), Value::boolean(1)}),
        Value::string("1997"),
    });
}

void BM_DecodeArticle(benchmark::State& state)
{
    std::vector<uint8_t> bytes = vel::encodeToBytes(article());
    for (auto _ : state) {
        Value v = vel::decodeFromBytes(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(v);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeArticle);

void BM_EncodeArticleToBytes(benchmark::State& state)
{
    Value record = article();
    for (auto _ : state) {
        std::vector<uint8_t> bytes = vel::encodeToBytes(record);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_EncodeArticleToBytes);

// Into a stream that is reused, as an archive's stream is.
void BM_EncodeArticleToStream(benchmark::State& state)
{
    Value record = article();
    Value sink = vel::MemoryStream::growable();
    auto* stream = sink.as<vel::Stream>();
    for (auto _ : state) {
        stream->seek(0);
        benchmark::DoNotOptimize(vel::encode(*stream, record));
    }
}
BENCHMARK(BM_EncodeArticleToStream);

} // namespace

BENCHMARK_MAIN();
