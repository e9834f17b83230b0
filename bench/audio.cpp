// Sound: from play to the first sample reaching the audio device (SDL's dummy driver pulling the mix
// on its own thread, the capture showing what each of its blocks received); the cost of mixing a
// device block with all three sources; decoding a second of IMA ADPCM.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "media_writers/media_writers.h"
#include "platform/audio_mixer.h"
#include "platform/headless.h"
#include "runtime/engine.h"
#include "runtime/sound.h"
#include "runtime/wave_file.h"
#include "value/buffer.h"

namespace {

using namespace vel;

using media_writers::put16;

// A RIFF wave of the given format and data bytes.
std::vector<uint8_t> waveBytes(uint16_t code, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits,
                               const std::vector<uint8_t>& data, uint16_t samplesPerBlock = 0)
{
    media_writers::WaveFormat format{code, channels, rate, align, bits, {}};
    if (samplesPerBlock)
        format.extra = {2, 0, static_cast<uint8_t>(samplesPerBlock), static_cast<uint8_t>(samplesPerBlock >> 8)};
    return media_writers::waveFile(format, data);
}

Value bufferOf(const std::vector<uint8_t>& bytes)
{
    Value buffer = Buffer::make(static_cast<int32_t>(bytes.size()));
    std::memcpy(asBuffer(buffer)->bytes(), bytes.data(), bytes.size());
    asBuffer(buffer)->setLength(static_cast<int32_t>(bytes.size()));
    return buffer;
}

// A second of a 440 Hz tone, 16-bit mono at 22050, as the title's narration is.
Value toneSound(Engine& engine)
{
    std::vector<uint8_t> data;
    for (int i = 0; i < 22050; ++i)
        put16(data, static_cast<uint16_t>(static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * i / 22050.0))));
    Value sound = WaveSound::fromBuffer(engine, bufferOf(waveBytes(1, 1, 22050, 2, 16, data)));
    prepareSound(sound);
    return sound;
}

void PlayToFirstSampleAtTheDevice(benchmark::State& state)
{
    platform::setHeadless(true);
    // Not started: the sound plays on the engine's mixer and steady clock, with no screen to notify.
    Engine engine;
    platform::AudioMixer& mixer = engine.mixer();
    if (!mixer.open(platform::AudioMixer::Output::Device)) {
        state.SkipWithError(("no audio device: " + mixer.lastError()).c_str());
        return;
    }
    Value sound = toneSound(engine);
    auto* wave = dynamic_cast<WaveSound*>(sound.object());
    double worst = 0;
    for (auto _ : state) {
        mixer.startCapture(static_cast<std::size_t>(platform::AudioMixer::Rate));
        const auto start = std::chrono::steady_clock::now();
        if (!wave->play(-1, -1, false)) {
            state.SkipWithError("play refused");
            break;
        }
        bool heard = false;
        while (!heard) {
            std::vector<float> got = mixer.takeCapture();
            for (float f : got)
                if (f != 0.0f) {
                    heard = true;
                    break;
                }
            if (!heard) {
                if (std::chrono::steady_clock::now() - start > std::chrono::seconds(2))
                    break;
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
        if (!heard) {
            state.SkipWithError("the sound never reached the device");
            break;
        }
        wave->stop();
        mixer.stopCapture();
    }
    state.counters["worst_ms"] = worst * 1000;
    state.SetLabel(mixer.driverName());
    mixer.close();
}
BENCHMARK(PlayToFirstSampleAtTheDevice)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

// One device block of 512 frames: a 22050 Hz wave, movie sound at 48000 and a music generator.
void MixABlockOfThreeSources(benchmark::State& state)
{
    platform::AudioMixer mixer;
    mixer.open(platform::AudioMixer::Output::Manual);
    auto clip = std::make_shared<platform::AudioClip>();
    clip->samples.assign(22050 * 60, 1000);
    clip->rate = 22050;
    clip->channels = 1;
    mixer.playClip(clip, true);
    mixer.setMusicGenerator([](float* out, std::size_t frames) {
        for (std::size_t i = 0; i < frames * 2; ++i)
            out[i] = 0.01f;
    });
    std::vector<int16_t> movie(2 * 48000, 500);
    std::vector<float> out(2 * 512);
    for (auto _ : state) {
        if (mixer.queuedMovieFrames() < 4096)
            mixer.pushMovieSamples(movie.data(), 48000, 2, 48000);
        mixer.render(out.data(), 512);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 512);
}
BENCHMARK(MixABlockOfThreeSources)->Unit(benchmark::kMicrosecond);

// A second of stereo IMA ADPCM at 22050 decoded to 16 bits.
void DecodeASecondOfImaAdpcm(benchmark::State& state)
{
    std::vector<uint8_t> data;
    for (int block = 0; block < 44; ++block) {
        for (int c = 0; c < 2; ++c) {
            put16(data, 0);
            data.push_back(40);
            data.push_back(0);
        }
        for (int i = 0; i < 504; ++i)
            data.push_back(static_cast<uint8_t>(i * 29 + block));
    }
    std::vector<uint8_t> bytes = waveBytes(17, 2, 22050, 512, 4, data, 505);
    WaveFormat format;
    readWaveFormat(bytes.data(), bytes.size(), format);
    std::vector<int16_t> samples;
    for (auto _ : state) {
        decodeWave(bytes.data(), bytes.size(), format, samples);
        benchmark::DoNotOptimize(samples.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}
BENCHMARK(DecodeASecondOfImaAdpcm)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
