// The screen: laying out and drawing text (at scale 1 and on a sharp surface at scale 3), a cross-fade
// on the virtual clock, and a headless run from process start to its first frame.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/clock.h"
#include "runtime/surface.h"
#include "runtime/transitions.h"
#include "value/data_objects.h"

namespace {

using namespace vel;

std::string articleText(std::size_t length)
{
    static const char* words[] = {"O", "Brasil", "\xe9", "o", "maior", "pa\xeds", "da", "Am\xe9rica", "do", "Sul,",
                                  "com", "uma", "\xe1rea", "de", "mais", "oito", "milh\xf5" "es", "quil\xf4metros"};
    std::string text;
    for (std::size_t i = 0; text.size() < length; ++i) {
        text += words[i % (sizeof words / sizeof *words)];
        text += ' ';
    }
    text.resize(length);
    return text;
}

// 2000 characters in three fonts: body, bold title and italic caption, wrapped into columns.
void LayOutAndDrawTextInThreeFonts(benchmark::State& state)
{
    DrawingSurface surface(640, 480, nullptr, static_cast<int>(state.range(0)));
    std::string text = articleText(2000);
    Value fonts[] = {Font::make(Value::string("Arial"), 10, 0), Font::make(Value::string("Times New Roman"), 14, 2),
                     Font::make(Value::string("Arial"), 9, 1)};
    std::string_view parts[] = {std::string_view(text).substr(0, 1400), std::string_view(text).substr(1400, 300),
                                std::string_view(text).substr(1700, 300)};
    for (auto _ : state) {
        int y = 0;
        for (int i = 0; i < 3; ++i) {
            surface.selectFont(fonts[i]);
            y += surface.drawTextInRect(platform::Rect::sized(10, y, 620, 480 - y), parts[i], text_format::WordBreak);
        }
        benchmark::DoNotOptimize(y);
    }
}
BENCHMARK(LayOutAndDrawTextInThreeFonts)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

// A 300 ms cross-fade over the whole frame: the real time one takes, and on the virtual clock how
// long it lasted (it must end on time) and how many steps it drew.
void CrossFadeOnTheVirtualClock(benchmark::State& state)
{
    platform::VirtualClock clock;
    DrawingSurface surface(640, 480, nullptr, static_cast<int>(state.range(0)));
    Transitions transitions(surface, clock, [] { return false; });
    uint32_t lasted = 0;
    for (auto _ : state) {
        surface.offscreen().fill({0, 0, 640, 480}, clock.now() & 0xFFFFFF);
        const uint32_t start = clock.now();
        transitions.crossFade(300);
        lasted = clock.now() - start;
    }
    state.counters["virtual_ms"] = lasted;
}
BENCHMARK(CrossFadeOnTheVirtualClock)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

// The whole life of a headless scripted run that shows a background and takes one screenshot: an
// upper bound on the time from process start to the first presented frame.
void HeadlessRunToFirstFrame(benchmark::State& state)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("bench_screen_" + std::to_string(::getpid()));
    fs::create_directories(dir / "media");
    fs::create_directories(dir / "home");
    std::ofstream(dir / "media" / "startup.frm") << "(form (\"Background Image\" \"none.bmp\"))";
    std::ofstream(dir / "run.script") << "shot " << (dir / "shot.png").string() << "\n";
    std::string binary = std::string(VEL_BENCH_BIN_DIR) + "/orva";
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        pid_t child = ::fork();
        if (child == 0) {
            std::freopen("/dev/null", "w", stderr);
            std::string media = (dir / "media").string(), home = (dir / "home").string(), script = (dir / "run.script").string();
            ::execl(binary.c_str(), "orva", "--media", media.c_str(), "--home", home.c_str(), "--script", script.c_str(),
                    static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
        state.SetIterationTime(elapsed.count());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("orva failed");
    }
    fs::remove_all(dir);
}
BENCHMARK(HeadlessRunToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

BENCHMARK_MAIN();
