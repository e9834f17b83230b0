// Movies: a 640 x 480 MPEG-1 movie at 25 frames a second, with its sound decoded too, played into the
// presented frame. The share of one core it takes is its CPU time over the movie's length; the target
// is 30 % at most. The peer is FFmpeg alone over the same file, timed in this program: run with
// --benchmark_enable_random_interleaving=true and compare the CPU medians of Mpeg1PlayCpu and
// Mpeg1BareFfmpegCpu.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/clock.h"
#include "platform/video_decoder.h"
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
    explicit Stage(bool virtualClock, int scale = 1)
    {
        std::string error;
        RunOptions options = RunOptions::offscreenOnly(virtualClock);
        options.scale = scale;
        engine.startUp(options, error);
        engine.movies().useSoundSink(&sink);
        queue().next(0, 0);
    }
    ~Stage() { engine.shutDown(); }
    EventQueue& queue() { return *engine.events(); }
    Engine engine;
    DiscardingSink sink;
};

// The work of the whole movie, one play an iteration, on a virtual clock that moves a frame at a
// time: the process's CPU time per play, against the peer below. CPU seconds per second of movie is
// the share of a core it needs at its rate.
void Mpeg1PlayCpu(benchmark::State& state)
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
BENCHMARK(Mpeg1PlayCpu)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(3)->Repetitions(15);

// The peer: FFmpeg alone, as a bare player calls it. Demux, decode on one thread, each picture
// converted to 32-bit pixels at its size into one buffer, the sound to interleaved 16-bit stereo at
// 44.1 kHz; nothing else.
bool bareFfmpegPlay(const std::string& path, size_t& soundFrames)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return false;
    AVCodecContext* codecs[2] = {};
    int streams[2] = {-1, -1};
    bool ok = avformat_find_stream_info(format, nullptr) >= 0;
    for (int i = 0; ok && i < 2; ++i) {
        const AVCodec* codec = nullptr;
        streams[i] = av_find_best_stream(format, i == 0 ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        ok = streams[i] >= 0 && (codecs[i] = avcodec_alloc_context3(codec)) &&
             avcodec_parameters_to_context(codecs[i], format->streams[streams[i]]->codecpar) >= 0;
        if (ok) {
            codecs[i]->thread_count = 1;
            ok = avcodec_open2(codecs[i], codec, nullptr) >= 0;
        }
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    std::vector<uint32_t> pixels;
    std::vector<int16_t> sound;
    auto drain = [&](int kind) {
        while (avcodec_receive_frame(codecs[kind], frame) == 0) {
            if (kind == 0) {
                scaler = sws_getCachedContext(scaler, frame->width, frame->height, AVPixelFormat(frame->format),
                                              frame->width, frame->height, AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr,
                                              nullptr, nullptr);
                pixels.resize(static_cast<size_t>(frame->width) * frame->height);
                uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(pixels.data())};
                int strides[4] = {frame->width * 4};
                sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
            } else {
                if (!resampler) {
                    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
                    swr_alloc_set_opts2(&resampler, &stereo, AV_SAMPLE_FMT_S16, 44100, &frame->ch_layout,
                                        AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
                    swr_init(resampler);
                }
                int room = swr_get_out_samples(resampler, frame->nb_samples);
                sound.resize(static_cast<size_t>(room) * 2);
                auto* out = reinterpret_cast<uint8_t*>(sound.data());
                int made = swr_convert(resampler, &out, room, const_cast<const uint8_t**>(frame->extended_data),
                                       frame->nb_samples);
                soundFrames += static_cast<size_t>(std::max(made, 0));
            }
        }
    };
    while (ok && av_read_frame(format, packet) >= 0) {
        for (int kind = 0; kind < 2; ++kind)
            if (packet->stream_index == streams[kind] && avcodec_send_packet(codecs[kind], packet) >= 0)
                drain(kind);
        av_packet_unref(packet);
    }
    for (int kind = 0; ok && kind < 2; ++kind) {
        avcodec_send_packet(codecs[kind], nullptr);
        drain(kind);
    }
    sws_freeContext(scaler);
    swr_free(&resampler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    for (AVCodecContext*& codec : codecs)
        avcodec_free_context(&codec);
    avformat_close_input(&format);
    return ok;
}

void Mpeg1BareFfmpegCpu(benchmark::State& state)
{
    if (moviePath().empty()) {
        state.SkipWithError("ffmpeg could not make the movie");
        return;
    }
    size_t soundFrames = 0;
    for (auto _ : state) {
        if (!bareFfmpegPlay(moviePath(), soundFrames)) {
            state.SkipWithError("FFmpeg could not play the movie");
            break;
        }
    }
    benchmark::DoNotOptimize(soundFrames);
}
BENCHMARK(Mpeg1BareFfmpegCpu)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(3)->Repetitions(15);

// One picture of the movie scaled into the frame of a window shown at scale 3, as each frame is drawn:
// argument 0 the filter (0 bilinear, 1 Lanczos), argument 1 the width in media pixels it covers (640:
// the whole media area, 320: a movie of a quarter screen). At 25 frames a second a frame has 40 ms.
void MovieFrameAtScale3(benchmark::State& state)
{
    if (moviePath().empty()) {
        state.SkipWithError("ffmpeg could not make the movie");
        return;
    }
    platform::VideoDecoder decoder;
    if (!decoder.open(moviePath()) || decoder.decodeNext() != platform::VideoDecoder::Step::Frame) {
        state.SkipWithError("the movie did not decode");
        return;
    }
    decoder.takeUpcoming();
    const auto filter = state.range(0) ? platform::VideoDecoder::Filter::Lanczos : platform::VideoDecoder::Filter::Bilinear;
    const int width = static_cast<int>(state.range(1)) * 3, height = width * 3 / 4;
    std::vector<uint32_t> frame(static_cast<size_t>(width) * height);
    for (auto _ : state)
        if (!decoder.convertCurrent(platform::PixelView{frame.data(), width, height, width}, filter))
            state.SkipWithError("the picture was not converted");
    benchmark::DoNotOptimize(frame.data());
}
BENCHMARK(MovieFrameAtScale3)->ArgsProduct({{0, 1}, {320, 640}})->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The same movie played on the steady clock through the event fetch, as the program runs it: five
// seconds of wall time, and the CPU time the process spent in them; at scale 1 and, enlarged through
// Lanczos, at scale 3 (the argument).
void PlayFiveSecondsOfMpeg1AtItsRate(benchmark::State& state)
{
    if (moviePath().empty()) {
        state.SkipWithError("ffmpeg could not make the movie");
        return;
    }
    Stage stage(false, static_cast<int>(state.range(0)));
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
BENCHMARK(PlayFiveSecondsOfMpeg1AtItsRate)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
