// The article search on a synthetic disc of 20 000 articles of 150 words each (a vocabulary of 6 000
// made-up words, drawn with a skew so that some words are common): a two-word query with a prefix,
// "w60 tolupe*" (a rare word and a narrow prefix, as readers ask), answered by the title's word index
// (the dialog's whole search: look-ups, merge, names)
// and by SQLite FTS5 over the same texts (a prefix index, the names in an unindexed column, the query
// inside a read transaction). Both sides' files are made before anything is timed. The medians and
// their ratio are printed at the end (run with --benchmark_repetitions for medians of several runs).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "index/value_index.h"
#include "title/search_query.h"
#include "value/value.h"

#ifdef VEL_HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace {

constexpr int kArticles = 20000;
constexpr int kWordsPerArticle = 150;
constexpr int kVocabulary = 6000;
constexpr const char* kQuery = "w60 tolupe*";
constexpr const char* kFtsQuery = "w60 OR tolupe*";

struct Disc {
    std::string dir;
    std::vector<std::string> names, texts;
    std::string file(const char* name) const { return dir + "/" + name; }
};

std::string madeUpWord(std::mt19937& rng)
{
    static constexpr const char* kSyllables[] = {"ca", "ma", "ri", "to", "lu", "pe", "sa", "no", "ve", "di", "go", "ba"};
    std::string word;
    for (int n = 2 + static_cast<int>(rng() % 3); n > 0; --n)
        word += kSyllables[rng() % std::size(kSyllables)];
    return word;
}

const Disc& disc()
{
    static const Disc made = [] {
        Disc d;
        d.dir = (std::filesystem::temp_directory_path() / ("search-bench-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(d.dir);
        std::mt19937 rng(16);
        std::vector<std::string> vocabulary;
        for (int i = 0; i < kVocabulary; ++i)
            vocabulary.push_back(madeUpWord(rng));
        for (int n = 0; n < 100; ++n) // "w0" ... "w99" spread from common to rare
            vocabulary[static_cast<std::size_t>(n * 30)] = "w" + std::to_string(n);
        std::geometric_distribution<int> skew(0.002);
        vel::WordArticles words;
        vel::Value names = vel::ValueIndex::make(d.file("names.idx"), true, true);
        for (int n = 0; n < kArticles; ++n) {
            std::string text;
            for (int w = 0; w < kWordsPerArticle; ++w)
                text += vocabulary[static_cast<std::size_t>(skew(rng) % kVocabulary)] + " ";
            d.names.push_back("Artigo " + std::to_string(n));
            d.texts.push_back(text);
            vel::collectWords(words, n, text);
            vel::asValueIndex(names)->put(vel::Value::integer(n), vel::Value::string(d.names.back()));
        }
        vel::writeKeywordFiles(words, d.file("KeyWord.idx"), d.file("KeyWord.dat"));
        return d;
    }();
    return made;
}

void BM_Search_Index(benchmark::State& state)
{
    const Disc& d = disc();
    const vel::KeywordIndex words(d.file("KeyWord.idx"), d.file("KeyWord.dat"));
    // No category is chosen, so the catalog needs only the names.
    const vel::ArticleCatalog catalog(vel::ValueIndex::make(d.file("names.idx"), false, false), vel::Value(),
                                      vel::Value());
    std::size_t hits = 0;
    for (auto _ : state)
        hits = vel::searchArticles(kQuery, words, catalog, {}).names.size();
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_Search_Index)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VEL_HAVE_SQLITE
void BM_Search_Fts5(benchmark::State& state)
{
    const Disc& d = disc();
    const std::string path = d.file("fts.sqlite");
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    char* error = nullptr;
    if (sqlite3_exec(db, "CREATE VIRTUAL TABLE docs USING fts5(name UNINDEXED, body, prefix='2 3');", nullptr,
                     nullptr, &error) != SQLITE_OK) {
        state.SkipWithError(error ? error : "no FTS5");
        sqlite3_free(error);
        sqlite3_close(db);
        return;
    }
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO docs(rowid, name, body) VALUES(?, ?, ?)", -1, &insert, nullptr);
    for (int n = 0; n < kArticles; ++n) {
        sqlite3_bind_int(insert, 1, n);
        sqlite3_bind_text(insert, 2, d.names[n].c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, d.texts[n].c_str(), -1, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM docs WHERE docs MATCH ? ORDER BY rowid", -1, &query, nullptr);
    std::size_t hits = 0;
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        std::vector<std::string> names;
        sqlite3_bind_text(query, 1, kFtsQuery, -1, SQLITE_STATIC);
        while (sqlite3_step(query) == SQLITE_ROW)
            names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
        sqlite3_reset(query);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        hits = names.size();
    }
    state.counters["hits"] = static_cast<double>(hits);
    sqlite3_finalize(query);
    sqlite3_close(db);
}
BENCHMARK(BM_Search_Fts5)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// The median (or single) real time of each benchmark, then the index over FTS5.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type != Run::RT_Aggregate || r.aggregate_name == "median")
                if (r.run_type == Run::RT_Aggregate || !medians_.count(r.run_name.function_name))
                    medians_[r.run_name.function_name] = r.GetAdjustedRealTime();
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto index = medians_.find("BM_Search_Index"), fts = medians_.find("BM_Search_Fts5");
        if (index != medians_.end())
            std::printf("\nindex median %.3f ms (target 20 ms)\n", index->second);
        if (index != medians_.end() && fts != medians_.end() && fts->second > 0)
            std::printf("FTS5 median %.3f ms; index / FTS5 = %.2f (target 3 or less)\n", fts->second,
                        index->second / fts->second);
    }

private:
    std::map<std::string, double> medians_;
};

} // namespace

int main(int argc, char** argv)
{
    disc(); // made before anything is timed
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(disc().dir);
    return 0;
}
