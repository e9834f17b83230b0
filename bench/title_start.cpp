// Start to the title's main screen, as whole processes: orva on a title disc with the intro off, from
// exec until its script's `quit` (run once MainForm is open and drawn; the exit saves PREFS.DAT),
// against orva on the demo disc to its first frame (as bench_startup measures it). The title disc is
// the build's (build/disc) when it is there, else a small one made here: the global table, the main
// screen and the databases, every other definition missing. Compare the medians: the aim is within 2x.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "index/title_indexes.h"
#include "index/value_index.h"
#include "process_start.h"
#include "runtime/engine.h"
#include "value/archive.h"
#include "value/encoding.h"
#include "value/reader.h"

namespace {

namespace fs = std::filesystem;
using vel::bench::startProcesses;

void writeEncoded(const fs::path& file, const std::string& text)
{
    const std::vector<uint8_t> bytes = vel::encodeToBytes(vel::parseText(text));
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The least a title disc needs to reach its main screen.
bool makeSmallTitleDisc(const fs::path& media)
{
    vel::Engine engine;
    std::string error;
    if (!engine.startUp(vel::RunOptions::offscreenOnly(true), error))
        return false;
    fs::create_directories(media / "DAT");
    writeEncoded(media / "global.vel", R"((table ("GlobalTable" (table ("Preferences" (table)))) ("FadeTime" 0)))");
    writeEncoded(media / "MainForm.vel", R"((form ("Class" "MainForm") ("Name" "MainForm")))");
    for (const char* archive : {"Verbetes", "Midias", "Atlas"})
        vel::asArchive(vel::Archive::create(vel::Value::string((media / "DAT" / archive).string() + ".dat"), 4))->flush();
    for (const vel::TitleIndexFile& file : vel::TitleIndexes::table())
        vel::ValueIndex::make((media / "DAT" / file.file).string(), true, true);
    return true;
}

struct Stage {
    Stage()
    {
        directory = fs::temp_directory_path() / ("bench_title_start_" + std::to_string(::getpid()));
        fs::create_directories(directory / "home");
        std::ofstream(directory / "demo.script") << "quit\n";
        std::ofstream(directory / "title.script") << "expect-form MainForm\nquit\n";
        demoReady = vel::bench::runQuietly(
            {VEL_BENCH_BIN_DIR "/discgen", VEL_BENCH_SOURCE_DIR "/disc/demo", (directory / "demo").string()});
        const fs::path built = fs::path(VEL_BENCH_BIN_DIR) / "../disc";
        if (fs::exists(built / "MainForm.vel")) {
            title = built;
            titleReady = true;
        } else {
            title = directory / "title";
            titleReady = makeSmallTitleDisc(title);
        }
    }
    ~Stage()
    {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }

    fs::path directory, title;
    bool demoReady = false, titleReady = false;
};

Stage& stage()
{
    static Stage s;
    return s;
}

void DemoToFirstFrame(benchmark::State& state)
{
    const fs::path& d = stage().directory;
    startProcesses(state, {VEL_BENCH_BIN_DIR "/orva", "--media", (d / "demo").string(), "--home", (d / "home").string(),
                           "--script", (d / "demo.script").string()},
                   stage().demoReady, "discgen could not make the demo disc");
}
BENCHMARK(DemoToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(10);

void TitleToMainScreenWithoutIntro(benchmark::State& state)
{
    const fs::path& d = stage().directory;
    startProcesses(state, {VEL_BENCH_BIN_DIR "/orva", "--media", stage().title.string(), "--home", (d / "home").string(),
                           "--set", "ShowIntro=0", "--script", (d / "title.script").string()},
                   stage().titleReady, "no title disc");
}
BENCHMARK(TitleToMainScreenWithoutIntro)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(10);

} // namespace

BENCHMARK_MAIN();
