// Movies: a 640 x 480 MPEG-1 movie at 25 frames a second, with its sound decoded too, played into the
// presented frame. The share of one core it takes is its CPU time over the movie's length; the target
// is 30 % at most.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "platform/clock.h"
#include "runtime/engine.h"
#include "runtime/event_queue.h"
#include "runtime/movie.h"

namespace {

using namespace vel;

constexpr int MovieSeconds = 5;

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Made once by the ffmpeg tool, at 2 Mbit/s: a disc's MPEG-1 bit rate scaled up to 640 x 480.
// Removed when the program ends.
struct MovieFile {
    MovieFile()
    {
        namespace fs = std::filesystem;
        directory = fs::temp_directory_path() / ("bench_movie_" + std::to_string(::getpid()));
        fs::create_directories(directory);
        std::string file = (directory / "movie.mpg").string();
        // Moving pictures with grain in every frame, so the stream is as full as its bit rate allows.
        std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25 -f lavfi -i "
                              "sine=frequency=440:sample_rate=44100 -t " + std::to_string(MovieSeconds) +
                              " -vf noise=alls=12:allf=t -c:v mpeg1video -b:v 2M -maxrate 2M -bufsize 1M"
                              " -c:a mp2 -b:a 192k " + file;
        if (std::system(command.c_str()) == 0)
            path = file;
    }
    ~MovieFile()
    {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    std::filesystem::path directory;
    std::string path;
};

const std::string& moviePath()
{
    static MovieFile file;
    return file.path;
}

// Takes the sound as the mixer would and drops it, so its decoding counts without an audio device.
class DiscardingSink final : public MovieSoundSink {
public:
    int rate() const override { return 44100; }
    int channels() const override { return 2; }
    void start() override {}
    void queue(const int16_t*, size_t frames) override { framesTaken += frames; }
    void end() override {}
    void stop() override {}
    size_t framesTaken = 0;
};

// An engine with an off-screen surface and its event queue, the movies' sound going to the sink.
struct Stage {
    explicit Stage(bool virtualClock)
    {
        std::string error;
        engine.startUp(RunOptions::offscreenOnly(virtualClock), error);
        engine.movies().useSoundSink(&sink);
        queue().next(0, 0);
    }
    ~Stage() { engine.shutDown(); }
    EventQueue& queue() { return *engine.events(); }
    Engine engine;
    DiscardingSink sink;
};

// The work of the whole movie, on a virtual clock that moves a frame at a time: CPU seconds per
// second of movie is the share of a core it needs at its rate.
void DecodeAndDrawFiveSecondsOfMpeg1(benchmark::State& state)
{
    if (moviePath().empty()) {
        state.SkipWithError("ffmpeg could not make the movie");
        return;
    }
    Stage stage(true);
    platform::VirtualClock& clock = *stage.engine.virtualClock();
    double cpu = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        Value movie = stage.engine.movies().open(moviePath());
        const double before = processCpuSeconds();
        if (!asMovie(movie)->play(0, -1, false)) {
            state.SkipWithError("the movie did not play");
            break;
        }
        int32_t last = asMovie(movie)->position();
        ++frames;
        while (asMovie(movie)->isPlaying()) {
            clock.advance(40);
            stage.engine.movies().advancePlaying();
            if (asMovie(movie)->position() != last) {
                last = asMovie(movie)->position();
                ++frames;
            }
        }
        cpu += processCpuSeconds() - before;
        stage.queue().discard(-1);
    }
    const double played = static_cast<double>(state.iterations()) * MovieSeconds;
    state.counters["core_share_pct"] = 100.0 * cpu / played;
    state.counters["frames_per_play"] = static_cast<double>(frames) / static_cast<double>(state.iterations());
}
BENCHMARK(DecodeAndDrawFiveSecondsOfMpeg1)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same movie played on the steady clock through the event fetch, as the program runs it: five
// seconds of wall time, and the CPU time the process spent in them.
void PlayFiveSecondsOfMpeg1AtItsRate(benchmark::State& state)
{
    if (moviePath().empty()) {
        state.SkipWithError("ffmpeg could not make the movie");
        return;
    }
    Stage stage(false);
    platform::Clock& clock = stage.engine.clock();
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        Value movie = stage.engine.movies().open(moviePath());
        asMovie(movie)->open();
        const double before = processCpuSeconds();
        const uint32_t start = clock.now();
        asMovie(movie)->play(0, -1, false);
        EventRecord e = stage.queue().next(event_kind::MediaNotification, (MovieSeconds + 2) * 1000);
        wall += (clock.now() - start) / 1000.0;
        cpu += processCpuSeconds() - before;
        if (e.kind != event_kind::MediaNotification)
            state.SkipWithError("no end of the movie");
    }
    state.counters["core_share_pct"] = 100.0 * cpu / wall;
    state.counters["wall_s"] = wall / static_cast<double>(state.iterations());
}
BENCHMARK(PlayFiveSecondsOfMpeg1AtItsRate)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
