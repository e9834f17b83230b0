// Encode and decode of an article-like record: a list of ten items with a 20 KB text, short strings
// and nested lists, as the title's article archive holds them; and of a 4 KB record whose body is a
// table of 16 properties, as a control's. Each decode is measured twice: with no other value alive
// (the allocator empties after every iteration) and with one kept alive. The peer is a memcpy of the
// same encoded bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "value/allocator.h"

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

// About 4 KB: sixteen properties, one of them a paragraph of help text.
Value propertyRecord()
{
    Value table = vel::Table::make(16);
    auto put = [&](const char* key, const Value& v) { table.as<vel::Table>()->put(Value::string(key), v); };
    std::string help;
    while (help.size() < 3300)
        help += "Clique aqui para ver o mapa da regi\xE3o e as fotografias do cap\xEDtulo. ";
    put("Name", Value::string("MapButton"));
    put("Class", Value::string("Button"));
    put("Left", Value::integer(412));
    put("Top", Value::integer(96));
    put("Width", Value::integer(120));
    put("Height", Value::integer(28));
    put("Up Image", Value::string("bt_mapa_up"));
    put("Down Image", Value::string("bt_mapa_down"));
    put("Font", Value::string("Arial"));
    put("Font Size", Value::integer(10));
    put("Color", Value::integer(0x223344));
    put("Disabled", Value::boolean(0));
    put("Visible", Value::boolean(1));
    put("Order", Value::integer(7));
    put("Target", Value::string("AtlasForm"));
    put("Help Text", Value::string(help));
    return table;
}

void memcpyPeer(benchmark::State& state, const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> copy(bytes.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void decode(benchmark::State& state, const std::vector<uint8_t>& bytes, bool keepOneAlive)
{
    const Value kept = keepOneAlive ? Value::string("kept alive") : Value();
    if (!keepOneAlive && vel::BlockAllocator::instance().stats().bytesInUse != 0)
        state.SkipWithError("values are alive: the allocator never empties");
    for (auto _ : state) {
        Value v = vel::decodeFromBytes(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(v);
    }
    state.counters["record_bytes"] = static_cast<double>(bytes.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// Encoded apart from the call, so that the record made for it is gone before decoding starts.
std::vector<uint8_t> articleBytes() { return vel::encodeToBytes(article()); }
std::vector<uint8_t> propertyRecordBytes() { return vel::encodeToBytes(propertyRecord()); }

void BM_MemcpyArticle(benchmark::State& state) { memcpyPeer(state, articleBytes()); }
void BM_DecodeArticle(benchmark::State& state) { decode(state, articleBytes(), false); }
void BM_DecodeArticleOneAlive(benchmark::State& state) { decode(state, articleBytes(), true); }
void BM_MemcpyPropertyRecord(benchmark::State& state) { memcpyPeer(state, propertyRecordBytes()); }
void BM_DecodePropertyRecord(benchmark::State& state) { decode(state, propertyRecordBytes(), false); }
void BM_DecodePropertyRecordOneAlive(benchmark::State& state) { decode(state, propertyRecordBytes(), true); }
BENCHMARK(BM_MemcpyArticle);
BENCHMARK(BM_DecodeArticle);
BENCHMARK(BM_DecodeArticleOneAlive);
BENCHMARK(BM_MemcpyPropertyRecord);
BENCHMARK(BM_DecodePropertyRecord);
BENCHMARK(BM_DecodePropertyRecordOneAlive);

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
