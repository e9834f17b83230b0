// The index engine and value indexes against SQLite on the same data: 100 000 keys of 8 to 40 bytes
// with values of about 100 encoded bytes. SQLite keeps a WITHOUT ROWID table (key TEXT PRIMARY KEY,
// value BLOB) driven by prepared statements, built in one transaction. Ratios are printed at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "index/btree_file.h"
#include "index/value_index.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/string.h"

#ifdef VEL_HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace {

constexpr int kKeys = 100000;
// 32 letters: a two-letter prefix covers about 100 of the keys.
constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz012345";

struct Data {
    std::vector<std::string> keys;
    std::vector<std::vector<uint8_t>> values; // encoded
    std::vector<vel::Value> valueObjects;
    std::vector<std::string> prefixes;
    std::string dir;
};

Data& data()
{
    static Data d = [] {
        Data out;
        std::mt19937 rng(42);
        std::map<std::string, bool> seen;
        while (static_cast<int>(out.keys.size()) < kKeys) {
            std::string k(8 + rng() % 33, 'a');
            for (char& c : k)
                c = kAlphabet[rng() % 32];
            if (seen.emplace(k, true).second)
                out.keys.push_back(k);
        }
        for (int i = 0; i < kKeys; ++i) {
            std::string text(96, 'x');
            for (char& c : text)
                c = kAlphabet[rng() % 32];
            vel::Value v = vel::Value::string(text);
            out.values.push_back(vel::encodeToBytes(v));
            out.valueObjects.push_back(v);
        }
        for (int i = 0; i < 256; ++i)
            out.prefixes.push_back(std::string{kAlphabet[rng() % 32], kAlphabet[rng() % 32]});
        out.dir = (std::filesystem::temp_directory_path() / "vel-bench-index").string();
        std::filesystem::create_directories(out.dir);
        return out;
    }();
    return d;
}

std::string indexPath() { return data().dir + "/bench.idx"; }
std::string sqlitePath() { return data().dir + "/bench.sqlite"; }

void buildIndex()
{
    Data& d = data();
    std::filesystem::remove(indexPath());
    vel::Value index = vel::ValueIndex::make(indexPath(), true, false);
    vel::ValueIndex* vi = vel::asValueIndex(index);
    // One transaction, as SQLite's side builds between BEGIN and COMMIT.
    vi->file().beginBatch();
    for (int i = 0; i < kKeys; ++i)
        vi->put(vel::Value::string(d.keys[static_cast<size_t>(i)]), d.valueObjects[static_cast<size_t>(i)]);
    vi->file().commitBatch();
}

void BM_Build_ValueIndex(benchmark::State& state)
{
    for (auto _ : state)
        buildIndex();
    state.SetItemsProcessed(state.iterations() * kKeys);
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(indexPath()));
}
BENCHMARK(BM_Build_ValueIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

struct OpenIndex {
    vel::Value index = vel::ValueIndex::make(indexPath(), false, false);
    vel::ValueIndex* vi = vel::asValueIndex(index);
};

OpenIndex& openIndex()
{
    static OpenIndex* o = [] {
        if (!std::filesystem::exists(indexPath()))
            buildIndex();
        return new OpenIndex;
    }();
    return *o;
}

void BM_Get_ValueIndex(benchmark::State& state)
{
    Data& d = data();
    vel::ValueIndex* vi = openIndex().vi;
    std::mt19937 rng(1);
    int64_t found = 0;
    for (auto _ : state) {
        vel::Value v = vi->get(vel::Value::string(d.keys[rng() % kKeys]));
        found += v.is(vel::Tag::String);
    }
    if (found != state.iterations())
        state.SkipWithError("a stored key was not found");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Get_ValueIndex);

// The engine alone: the record's bytes into a buffer, as SQLite hands back its blob.
void BM_Get_Engine(benchmark::State& state)
{
    Data& d = data();
    vel::index::BtreeFile& f = openIndex().vi->file();
    std::vector<std::vector<uint8_t>> keys;
    for (const std::string& k : d.keys)
        keys.emplace_back(reinterpret_cast<const uint8_t*>(k.c_str()), reinterpret_cast<const uint8_t*>(k.c_str()) + k.size() + 1);
    std::mt19937 rng(1);
    uint8_t buffer[512];
    int64_t found = 0;
    for (auto _ : state) {
        int rc = f.find(1, keys[rng() % kKeys], 0, buffer, sizeof buffer);
        found += rc == vel::index::kFoundLater;
        benchmark::DoNotOptimize(buffer[0]);
    }
    if (found != state.iterations())
        state.SkipWithError("a stored key was not found");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Get_Engine);

void BM_PrefixWalk_ValueIndex(benchmark::State& state)
{
    Data& d = data();
    vel::ValueIndex* vi = openIndex().vi;
    size_t i = 0;
    int64_t items = 0;
    for (auto _ : state) {
        vel::Value list = vi->valuesWithPrefix(vel::Value::string(d.prefixes[i++ % d.prefixes.size()]));
        if (vel::ValueList* l = vel::asValueList(list))
            items += l->count();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["keys_per_walk"] = static_cast<double>(items) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PrefixWalk_ValueIndex);

#ifdef VEL_HAVE_SQLITE
struct Sqlite {
    sqlite3* db = nullptr;
    ~Sqlite() { sqlite3_close(db); }
};

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

void buildSqlite()
{
    Data& d = data();
    std::filesystem::remove(sqlitePath());
    std::filesystem::remove(sqlitePath() + "-journal");
    Sqlite s;
    check(sqlite3_open(sqlitePath().c_str(), &s.db), s.db);
    check(sqlite3_exec(s.db, "CREATE TABLE t (key TEXT PRIMARY KEY, value BLOB) WITHOUT ROWID", nullptr, nullptr, nullptr), s.db);
    check(sqlite3_exec(s.db, "BEGIN", nullptr, nullptr, nullptr), s.db);
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(s.db, "INSERT INTO t VALUES (?, ?)", -1, &insert, nullptr), s.db);
    for (int i = 0; i < kKeys; ++i) {
        const std::string& k = d.keys[static_cast<size_t>(i)];
        const auto& v = d.values[static_cast<size_t>(i)];
        sqlite3_bind_text(insert, 1, k.data(), static_cast<int>(k.size()), SQLITE_STATIC);
        sqlite3_bind_blob(insert, 2, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
        check(sqlite3_step(insert), s.db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(s.db, "COMMIT", nullptr, nullptr, nullptr), s.db);
}

void BM_Build_Sqlite(benchmark::State& state)
{
    for (auto _ : state)
        buildSqlite();
    state.SetItemsProcessed(state.iterations() * kKeys);
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(sqlitePath()));
}
BENCHMARK(BM_Build_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(3);

struct OpenSqlite {
    Sqlite s;
    sqlite3_stmt* get = nullptr;
    sqlite3_stmt* range = nullptr;
    OpenSqlite()
    {
        if (!std::filesystem::exists(sqlitePath()))
            buildSqlite();
        check(sqlite3_open_v2(sqlitePath().c_str(), &s.db, SQLITE_OPEN_READONLY, nullptr), s.db);
        // A cache large enough for the whole file: the warm-cache case.
        check(sqlite3_exec(s.db, "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr), s.db);
        check(sqlite3_prepare_v2(s.db, "SELECT value FROM t WHERE key = ?", -1, &get, nullptr), s.db);
        check(sqlite3_prepare_v2(s.db, "SELECT key, value FROM t WHERE key >= ? AND key < ? ORDER BY key", -1, &range, nullptr), s.db);
    }
};

OpenSqlite& openSqlite()
{
    static OpenSqlite* o = new OpenSqlite;
    return *o;
}

void BM_Get_Sqlite(benchmark::State& state)
{
    Data& d = data();
    OpenSqlite& o = openSqlite();
    std::mt19937 rng(1);
    uint8_t buffer[512];
    int64_t found = 0;
    for (auto _ : state) {
        const std::string& k = d.keys[rng() % kKeys];
        sqlite3_bind_text(o.get, 1, k.data(), static_cast<int>(k.size()), SQLITE_STATIC);
        if (sqlite3_step(o.get) == SQLITE_ROW) {
            int n = sqlite3_column_bytes(o.get, 0);
            std::memcpy(buffer, sqlite3_column_blob(o.get, 0), static_cast<size_t>(std::min(n, 512)));
            ++found;
        }
        sqlite3_reset(o.get);
        benchmark::DoNotOptimize(buffer[0]);
    }
    if (found != state.iterations())
        state.SkipWithError("a stored key was not found");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Get_Sqlite);

// Each walk reads keys and values into a list of values, as the value index's walk does.
void BM_PrefixWalk_Sqlite(benchmark::State& state)
{
    Data& d = data();
    OpenSqlite& o = openSqlite();
    size_t i = 0;
    int64_t items = 0;
    for (auto _ : state) {
        std::string low = d.prefixes[i++ % d.prefixes.size()];
        std::string high = low;
        high.back() = static_cast<char>(high.back() + 1);
        sqlite3_bind_text(o.range, 1, low.data(), static_cast<int>(low.size()), SQLITE_STATIC);
        sqlite3_bind_text(o.range, 2, high.data(), static_cast<int>(high.size()), SQLITE_STATIC);
        vel::Value list = vel::ValueList::make(4, 100);
        while (sqlite3_step(o.range) == SQLITE_ROW) {
            auto* blob = static_cast<const uint8_t*>(sqlite3_column_blob(o.range, 1));
            int n = sqlite3_column_bytes(o.range, 1);
            vel::asValueList(list)->append(vel::decodeFromBytes(blob, static_cast<size_t>(n)));
            ++items;
        }
        sqlite3_reset(o.range);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["keys_per_walk"] = static_cast<double>(items) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PrefixWalk_Sqlite);
#endif

// Prints the ratios the issue asks for once every benchmark has run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            std::string name = r.benchmark_name();
            auto items = r.counters.find("items_per_second");
            if (items != r.counters.end())
                rate_[name] = items->second.value;
            auto bytes = r.counters.find("file_bytes");
            if (bytes != r.counters.end())
                size_[name] = bytes->second.value;
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        auto ratio = [&](const char* what, const std::string& ours, const std::string& theirs, bool sizes = false) {
            auto& m = sizes ? size_ : rate_;
            auto a = m.find(ours), b = m.find(theirs);
            if (a != m.end() && b != m.end() && b->second > 0)
                std::printf("ratio %-36s %.2f\n", what, a->second / b->second);
        };
        std::printf("\n");
        ratio("exact get, value index / sqlite", "BM_Get_ValueIndex", "BM_Get_Sqlite");
        ratio("exact get, engine / sqlite", "BM_Get_Engine", "BM_Get_Sqlite");
        ratio("prefix walk, value index / sqlite", "BM_PrefixWalk_ValueIndex", "BM_PrefixWalk_Sqlite");
        ratio("build rate, value index / sqlite", "BM_Build_ValueIndex/iterations:3", "BM_Build_Sqlite/iterations:3");
        ratio("file size, value index / sqlite", "BM_Build_ValueIndex/iterations:3", "BM_Build_Sqlite/iterations:3", true);
    }

private:
    std::map<std::string, double> rate_;
    std::map<std::string, double> size_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(data().dir);
    return 0;
}
