// The index engine against SQLite on the same rows: 100 000 keys of 8 to 40 bytes, values of about
// 100 encoded bytes. SQLite keeps a WITHOUT ROWID table (key TEXT PRIMARY KEY, value BLOB) driven by
// prepared statements. Both sides get the same page-cache budget, both read inside one read
// transaction per run, both files are built before anything is timed, and the cold runs evict both
// files from the system's page cache before each timed batch. Each pair is printed as a ratio of
// medians (engine rate over SQLite rate) once every run is done.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <set>
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
// The budget both sides cache pages in: room for either file whole, so warm means warm on both.
constexpr int kCachePages = 32768;
constexpr int kCacheKiB = kCachePages * vel::index::kPageSize / 1024;
// Gets per cold batch: few enough that most of them reach the disk.
constexpr int kColdGets = 500;
// 32 letters: a two-letter prefix covers about 100 of the keys.
constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz012345";

struct Data {
    std::vector<std::string> keys;
    // The keys as the engine stores them: the text and its NUL.
    std::vector<std::vector<uint8_t>> storedKeys;
    std::vector<vel::Value> values;
    std::vector<std::string> prefixes;
    // The order the gets ask in, the same on both sides.
    std::vector<uint32_t> picks;
    std::string dir;
    std::string file(const char* name) const { return dir + "/" + name; }
};

Data& data()
{
    static Data d = [] {
        Data out;
        std::mt19937 rng(42);
        std::set<std::string> seen;
        while (static_cast<int>(out.keys.size()) < kKeys) {
            std::string k(8 + rng() % 33, 'a');
            for (char& c : k)
                c = kAlphabet[rng() % 32];
            if (seen.insert(k).second) {
                out.keys.push_back(k);
                out.storedKeys.emplace_back(k.begin(), k.end());
                out.storedKeys.back().push_back(0);
            }
        }
        for (int i = 0; i < kKeys; ++i) {
            std::string text(96, 'x');
            for (char& c : text)
                c = kAlphabet[rng() % 32];
            out.values.push_back(vel::Value::string(text));
        }
        for (int i = 0; i < 256; ++i)
            out.prefixes.push_back(std::string{kAlphabet[rng() % 32], kAlphabet[rng() % 32]});
        for (int i = 0; i < 1 << 16; ++i)
            out.picks.push_back(rng() % kKeys);
        out.dir = (std::filesystem::temp_directory_path() / ("vel-bench-index-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(out.dir);
        return out;
    }();
    return d;
}

void evict(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd >= 0) {
        // Pages not yet written out would stay.
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// ---- The engine ----

void buildEngine(const std::string& path)
{
    Data& d = data();
    std::filesystem::remove(path);
    vel::index::PageCache cache(kCachePages);
    vel::Value index = vel::ValueIndex::make(path, true, false, cache);
    vel::ValueIndex* vi = vel::asValueIndex(index);
    vi->file().beginBatch();
    for (int i = 0; i < kKeys; ++i)
        vi->put(vel::Value::string(d.keys[static_cast<size_t>(i)]), d.values[static_cast<size_t>(i)]);
    vi->file().commitBatch();
}

// A reader of the built file with its own cache of the common budget.
struct EngineReader {
    vel::index::PageCache cache{kCachePages};
    vel::Value index;
    vel::ValueIndex* vi = nullptr;

    explicit EngineReader(const char* name = "engine.idx")
        : index(vel::ValueIndex::make(data().file(name), false, false, cache)), vi(vel::asValueIndex(index))
    {
    }
    vel::index::BtreeFile& file() { return vi->file(); }
    bool get(uint32_t pick, uint8_t* buffer, int32_t size)
    {
        return file().find(1, data().storedKeys[pick], 0, buffer, size) == vel::index::kFoundLater;
    }
};

EngineReader& warmEngine()
{
    static EngineReader* r = [] {
        auto* made = new EngineReader;
        uint8_t buffer[512];
        for (uint32_t i = 0; i < kKeys; ++i)
            made->get(i, buffer, sizeof buffer);
        return made;
    }();
    return *r;
}

// One read batch around a run's reads, as SQLite's side holds one read transaction.
struct EngineReadBatch {
    vel::index::BtreeFile& file;
    explicit EngineReadBatch(EngineReader& r) : file(r.file()) { file.beginReadBatch(); }
    ~EngineReadBatch() { file.endReadBatch(); }
};

#ifdef VEL_HAVE_SQLITE
// ---- SQLite ----

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

void exec(sqlite3* db, const std::string& sql) { check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db); }

std::string cachePragma() { return "PRAGMA cache_size = -" + std::to_string(kCacheKiB); }

void buildSqlite(const std::string& path)
{
    Data& d = data();
    std::filesystem::remove(path);
    std::filesystem::remove(path + "-journal");
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db), db);
    exec(db, cachePragma());
    exec(db, "CREATE TABLE t (key TEXT PRIMARY KEY, value BLOB) WITHOUT ROWID");
    exec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?)", -1, &insert, nullptr), db);
    for (int i = 0; i < kKeys; ++i) {
        // Encoded here as the engine's side encodes in its put.
        const std::string& k = d.keys[static_cast<size_t>(i)];
        std::vector<uint8_t> v = vel::encodeToBytes(d.values[static_cast<size_t>(i)]);
        sqlite3_bind_text(insert, 1, k.data(), static_cast<int>(k.size()), SQLITE_STATIC);
        sqlite3_bind_blob(insert, 2, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
        check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    exec(db, "COMMIT");
    sqlite3_close(db);
}

struct SqliteReader {
    sqlite3* db = nullptr;
    sqlite3_stmt* get = nullptr;
    sqlite3_stmt* range = nullptr;

    explicit SqliteReader(const char* name = "peer.sqlite")
    {
        check(sqlite3_open_v2(data().file(name).c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db);
        exec(db, cachePragma());
        check(sqlite3_prepare_v2(db, "SELECT value FROM t WHERE key = ?", -1, &get, nullptr), db);
        check(sqlite3_prepare_v2(db, "SELECT value FROM t WHERE key >= ? AND key < ? ORDER BY key", -1, &range,
                                 nullptr),
              db);
    }
    ~SqliteReader()
    {
        sqlite3_finalize(get);
        sqlite3_finalize(range);
        sqlite3_close(db);
    }
    // The value's bytes into the buffer, as the engine's find hands them.
    bool find(uint32_t pick, uint8_t* buffer, int size, int* length) { return find(data().keys[pick], buffer, size, length); }
    bool find(const std::string& k, uint8_t* buffer, int size, int* length)
    {
        sqlite3_bind_text(get, 1, k.data(), static_cast<int>(k.size()), SQLITE_STATIC);
        bool found = sqlite3_step(get) == SQLITE_ROW;
        if (found) {
            *length = std::min(sqlite3_column_bytes(get, 0), size);
            std::memcpy(buffer, sqlite3_column_blob(get, 0), static_cast<size_t>(*length));
        }
        sqlite3_reset(get);
        return found;
    }
};

SqliteReader& warmSqlite()
{
    static SqliteReader* r = [] {
        auto* made = new SqliteReader;
        uint8_t buffer[512];
        int length = 0;
        for (uint32_t i = 0; i < kKeys; ++i)
            made->find(i, buffer, sizeof buffer, &length);
        return made;
    }();
    return *r;
}

// One read transaction around a run's reads, as a reader doing many look-ups holds one.
struct SqliteReadTransaction {
    sqlite3* db;
    explicit SqliteReadTransaction(sqlite3* d) : db(d) { exec(db, "BEGIN"); }
    ~SqliteReadTransaction() { exec(db, "COMMIT"); }
};
#endif

// ---- Building ----

void BM_Build_Engine(benchmark::State& state)
{
    std::string path = data().file("build.idx");
    for (auto _ : state)
        buildEngine(path);
    state.SetItemsProcessed(state.iterations() * kKeys);
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_Build_Engine)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// ---- Exact gets, warm: both caches hold the whole file ----

void BM_GetWarm_Engine(benchmark::State& state)
{
    EngineReader& r = warmEngine();
    EngineReadBatch batch(r);
    const std::vector<uint32_t>& picks = data().picks;
    uint8_t buffer[512];
    int64_t found = 0;
    size_t i = 0;
    for (auto _ : state) {
        found += r.get(picks[i++ & 0xffff], buffer, sizeof buffer);
        benchmark::DoNotOptimize(buffer[0]);
    }
    if (found != state.iterations())
        state.SkipWithError("a stored key was not found");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetWarm_Engine);

// The same through the value index: the key made from a value, the record decoded to one.
void BM_GetValueWarm_Engine(benchmark::State& state)
{
    Data& d = data();
    EngineReader& r = warmEngine();
    EngineReadBatch batch(r);
    int64_t found = 0;
    size_t i = 0;
    for (auto _ : state) {
        vel::Value key = vel::Value::string(d.keys[d.picks[i++ & 0xffff]]);
        found += r.vi->get(key).is(vel::Tag::String);
    }
    if (found != state.iterations())
        state.SkipWithError("a stored key was not found");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetValueWarm_Engine);

// ---- Exact gets, cold: both files out of the system's cache, both readers opened afresh ----
// The cold runs read copies of the files that no warm reader holds: a page a warm reader has mapped
// cannot be evicted.

// Each iteration evicts the file and opens a reader afresh, untimed, then times kColdGets gets
// made by gets(reader, next pick), which answers how many it found.
template <class Reader, class Gets>
void coldRuns(benchmark::State& state, const char* name, Gets gets)
{
    int64_t found = 0;
    size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        evict(data().file(name));
        {
            Reader r(name);
            state.ResumeTiming();
            found += gets(r, next);
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    if (found != state.iterations() * kColdGets)
        state.SkipWithError("a stored key was not found");
    state.SetItemsProcessed(state.iterations() * kColdGets);
}

void BM_GetCold_Engine(benchmark::State& state)
{
    coldRuns<EngineReader>(state, "engine-cold.idx", [](EngineReader& r, size_t& next) {
        EngineReadBatch batch(r);
        uint8_t buffer[512];
        int found = 0;
        for (int n = 0; n < kColdGets; ++n)
            found += r.get(data().picks[next++ & 0xffff], buffer, sizeof buffer);
        return found;
    });
}
BENCHMARK(BM_GetCold_Engine)->Iterations(20)->UseRealTime();

// ---- Prefix walks: every value under a two-letter prefix, decoded into a list ----

void BM_PrefixWalk_Engine(benchmark::State& state)
{
    Data& d = data();
    EngineReader& r = warmEngine();
    EngineReadBatch batch(r);
    size_t i = 0;
    int64_t items = 0;
    for (auto _ : state) {
        vel::Value list = r.vi->valuesWithPrefix(vel::Value::string(d.prefixes[i++ % d.prefixes.size()]));
        if (vel::ValueList* l = vel::asValueList(list))
            items += l->count();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["keys_per_walk"] = static_cast<double>(items) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PrefixWalk_Engine);

#ifdef VEL_HAVE_SQLITE
void BM_Build_Sqlite(benchmark::State& state)
{
    std::string path = data().file("build.sqlite");
    for (auto _ : state)
        buildSqlite(path);
    state.SetItemsProcessed(state.iterations() * kKeys);
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_Build_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_GetWarm_Sqlite(benchmark::State& state)
{
    SqliteReader& r = warmSqlite();
    const std::vector<uint32_t>& picks = data().picks;
    SqliteReadTransaction transaction(r.db);
    uint8_t buffer[512];
    int length = 0;
    int64_t found = 0;
    size_t i = 0;
    for (auto _ : state) {
        found += r.find(picks[i++ & 0xffff], buffer, sizeof buffer, &length);
        benchmark::DoNotOptimize(buffer[0]);
    }
    if (found != state.iterations())
        state.SkipWithError("a stored key was not found");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetWarm_Sqlite);

void BM_GetValueWarm_Sqlite(benchmark::State& state)
{
    Data& d = data();
    SqliteReader& r = warmSqlite();
    SqliteReadTransaction transaction(r.db);
    uint8_t buffer[512];
    int length = 0;
    int64_t found = 0;
    size_t i = 0;
    for (auto _ : state) {
        vel::Value key = vel::Value::string(d.keys[d.picks[i++ & 0xffff]]);
        if (r.find(vel::ValueIndex::keyText(key), buffer, sizeof buffer, &length))
            found += vel::decodeFromBytes(buffer, static_cast<size_t>(length)).is(vel::Tag::String);
    }
    if (found != state.iterations())
        state.SkipWithError("a stored key was not found");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetValueWarm_Sqlite);

void BM_GetCold_Sqlite(benchmark::State& state)
{
    coldRuns<SqliteReader>(state, "peer-cold.sqlite", [](SqliteReader& r, size_t& next) {
        SqliteReadTransaction transaction(r.db);
        uint8_t buffer[512];
        int length = 0;
        int found = 0;
        for (int n = 0; n < kColdGets; ++n)
            found += r.find(data().picks[next++ & 0xffff], buffer, sizeof buffer, &length);
        return found;
    });
}
BENCHMARK(BM_GetCold_Sqlite)->Iterations(20)->UseRealTime();

void BM_PrefixWalk_Sqlite(benchmark::State& state)
{
    Data& d = data();
    SqliteReader& r = warmSqlite();
    SqliteReadTransaction transaction(r.db);
    size_t i = 0;
    int64_t items = 0;
    for (auto _ : state) {
        std::string low = vel::ValueIndex::keyText(vel::Value::string(d.prefixes[i++ % d.prefixes.size()]));
        std::string high = low;
        high.back() = static_cast<char>(high.back() + 1);
        sqlite3_bind_text(r.range, 1, low.data(), static_cast<int>(low.size()), SQLITE_STATIC);
        sqlite3_bind_text(r.range, 2, high.data(), static_cast<int>(high.size()), SQLITE_STATIC);
        vel::Value list;
        while (sqlite3_step(r.range) == SQLITE_ROW) {
            if (list.isNil())
                list = vel::ValueList::make(4, 100);
            auto* blob = static_cast<const uint8_t*>(sqlite3_column_blob(r.range, 0));
            int n = sqlite3_column_bytes(r.range, 0);
            vel::asValueList(list)->append(vel::decodeFromBytes(blob, static_cast<size_t>(n)));
            ++items;
        }
        sqlite3_reset(r.range);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["keys_per_walk"] = static_cast<double>(items) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PrefixWalk_Sqlite);
#endif

// Prints each pair's ratio of medians (of the single run when there are no repetitions).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median")
                continue;
            std::string name = r.run_name.function_name;
            auto count = [&](const char* counter) {
                auto it = r.counters.find(counter);
                return it == r.counters.end() ? 0.0 : it->second.value;
            };
            Row& row = rows_[name];
            if (r.run_type == Run::RT_Aggregate || row.repetitions <= 1) {
                row.rate = count("items_per_second");
                row.bytes = count("file_bytes");
                row.repetitions = static_cast<int>(r.repetitions);
            }
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-28s %14s %14s %7s %5s\n", "engine / sqlite", "engine", "sqlite", "ratio", "reps");
        for (const char* what : {"Build", "GetWarm", "GetValueWarm", "GetCold", "PrefixWalk"}) {
            auto a = rows_.find(std::string("BM_") + what + "_Engine");
            auto b = rows_.find(std::string("BM_") + what + "_Sqlite");
            if (a == rows_.end() || b == rows_.end() || b->second.rate <= 0)
                continue;
            std::printf("%-28s %12.0f/s %12.0f/s %7.2f %5d\n", what, a->second.rate, b->second.rate,
                        a->second.rate / b->second.rate, a->second.repetitions);
            if (a->second.bytes > 0 && b->second.bytes > 0)
                std::printf("%-28s %14.0f %14.0f %7.2f\n", "file size (bytes)", a->second.bytes, b->second.bytes,
                            a->second.bytes / b->second.bytes);
        }
    }

private:
    struct Row {
        double rate = 0;
        double bytes = 0;
        int repetitions = 0;
    };
    std::map<std::string, Row> rows_;
};

} // namespace

int main(int argc, char** argv)
{
    // Both files exist before anything is timed.
    buildEngine(data().file("engine.idx"));
    auto replace = std::filesystem::copy_options::overwrite_existing;
    std::filesystem::copy_file(data().file("engine.idx"), data().file("engine-cold.idx"), replace);
    warmEngine();
#ifdef VEL_HAVE_SQLITE
    buildSqlite(data().file("peer.sqlite"));
    std::filesystem::copy_file(data().file("peer.sqlite"), data().file("peer-cold.sqlite"), replace);
    warmSqlite();
#endif
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(data().dir);
    return 0;
}
