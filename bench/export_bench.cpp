// vel export on the sample disc. Targets: the article pages under 5 s, the whole site (movies
// converted) under 60 s. Peers, in the same run: for the articles, writing each article's rich text
// as it is into a file of the same place (the floor: the same records read, the same files written,
// nothing converted); for the whole site, the ffmpeg program converting the disc's AVI movies with
// the same encoders and settings (VP8 at 480 kbit/s for 320 x 240 at 25 frames, realtime, cpu-used
// 8, a key picture every 4 s; Vorbis stereo at 44.1 kHz, 96 kbit/s), each side with FFmpeg's own
// choice of threads: what converting the media costs anyone, when the program is installed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "export/disc_content.h"
#include "export/disc_export.h"
#include "export/export_run.h"
#include "export/html_page.h"
#include "export/media_convert.h"
#include "export/site_pages.h"
#include "title/quiet_errors.h"

namespace {

using namespace vel;
using namespace vel::exporter;
namespace fs = std::filesystem;

const std::string kDisc = std::string(VEL_BENCH_BIN_DIR) + "/../disc";

std::string scratch(const char* name)
{
    const fs::path path = fs::temp_directory_path() / (std::string("orva-export-bench-") + name);
    fs::remove_all(path);
    fs::create_directories(path);
    return path.string();
}

// Opens the disc, plans the site into out and gives every article to `each`; false when the disc
// does not open.
template <typename Each>
bool eachArticle(const std::string& out, benchmark::State& state, Each&& each)
{
    DiscContent disc;
    std::string error;
    if (!disc.open(kDisc, error)) {
        state.SkipWithError(error.c_str());
        return false;
    }
    ExportRun run(nullptr);
    SiteMap map;
    PictureStore pictures(disc, out, run);
    SiteContext site{disc, map, pictures, run, out, false};
    const SitePlan plan = planSite(site);
    for (const PlannedPage& article : plan.articles)
        each(site, plan, article);
    state.counters["pages"] = static_cast<double>(plan.articles.size());
    return true;
}

void BM_ArticlePages(benchmark::State& state)
{
    QuietErrors quiet;
    const std::string out = scratch("articles");
    for (auto _ : state)
        if (!eachArticle(out, state, writeArticlePage))
            break;
    fs::remove_all(out);
}
BENCHMARK(BM_ArticlePages)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ArticleTextsCopiedPeer(benchmark::State& state)
{
    QuietErrors quiet;
    const std::string out = scratch("copies");
    const auto copy = [&](const SiteContext&, const SitePlan&, const PlannedPage& article) {
        std::string error;
        writeFile(out + "/" + article.page, recordText(article.record, 4), error);
    };
    for (auto _ : state)
        if (!eachArticle(out, state, copy))
            break;
    fs::remove_all(out);
}
BENCHMARK(BM_ArticleTextsCopiedPeer)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WholeSite(benchmark::State& state)
{
    QuietErrors quiet;
    const std::string out = scratch("site");
    for (auto _ : state) {
        ExportRun run(nullptr);
        std::string error;
        if (!exportSite(kDisc, out, {true}, run, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        state.counters["skipped"] = static_cast<double>(run.skipped().size());
        state.counters["items"] = run.total();
    }
    fs::remove_all(out);
}
BENCHMARK(BM_WholeSite)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void BM_MoviesConverted(benchmark::State& state)
{
    const std::string out = scratch("movies");
    for (auto _ : state)
        for (const auto& entry : fs::directory_iterator(kDisc + "/Movies"))
            if (entry.path().extension() == ".avi") {
                std::string error;
                if (!convertMovie(entry.path().string(), out + "/" + entry.path().stem().string() + ".webm", error))
                    state.SkipWithError(error.c_str());
            }
    fs::remove_all(out);
}
BENCHMARK(BM_MoviesConverted)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void BM_MoviesByFfmpegPeer(benchmark::State& state)
{
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
        state.SkipWithError("no ffmpeg program");
        return;
    }
    const std::string out = scratch("ffmpeg");
    for (auto _ : state)
        for (const auto& entry : fs::directory_iterator(kDisc + "/Movies"))
            if (entry.path().extension() == ".avi") {
                const std::string command = "ffmpeg -loglevel error -y -i '" + entry.path().string() +
                                            "' -c:v libvpx -deadline realtime -cpu-used 8 -lag-in-frames 0 -b:v 480k "
                                            "-g 100 -c:a libvorbis -ar 44100 -ac 2 -b:a 96k '" +
                                            out + "/" + entry.path().stem().string() + ".webm'";
                if (std::system(command.c_str()) != 0)
                    state.SkipWithError("ffmpeg failed");
            }
    fs::remove_all(out);
}
BENCHMARK(BM_MoviesByFfmpegPeer)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
