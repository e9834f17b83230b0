// Test support for sounds and music: wave and MIDI files built byte by byte, and a fixture that runs
// an engine's mixer without a device (the test pulls the samples), on a virtual clock, with media
// notifications going to the engine's event queue.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio_mixer.h"
#include "runtime/config_test_support.h"
#include "runtime/event_queue.h"
#include "runtime/event_test_support.h"
#include "runtime/media_notifications.h"
#include "runtime/media_playback.h"
#include "media_writers/media_writers.h"
#include "value/buffer.h"
#include "value/list.h"
#include "value/string.h"

namespace vel::testing_support {

using media_writers::Bytes;
using media_writers::put16;
using media_writers::put32;

struct Chunk {
    std::string tag;
    Bytes body;
    int64_t declaredSize = -1; // -1: the body's own size
};

// "RIFF" size "WAVE" and the chunks in order, each padded to an even size.
inline Bytes riffWave(const std::vector<Chunk>& chunks)
{
    Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Chunk& c : chunks) {
        out.insert(out.end(), c.tag.begin(), c.tag.begin() + 4);
        put32(out, static_cast<uint32_t>(c.declaredSize >= 0 ? c.declaredSize : static_cast<int64_t>(c.body.size())));
        out.insert(out.end(), c.body.begin(), c.body.end());
        if (c.body.size() & 1)
            out.push_back(0);
    }
    const uint32_t riffSize = static_cast<uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<uint8_t>(riffSize >> (8 * i));
    return out;
}

inline Bytes formatBody(uint16_t code, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits,
                        const Bytes& extra = {})
{
    return media_writers::waveFormatBody({code, channels, rate, blockAlign, bits, extra});
}

inline Bytes pcm16Body(const std::vector<int16_t>& samples)
{
    Bytes b;
    for (int16_t s : samples)
        put16(b, static_cast<uint16_t>(s));
    return b;
}

inline Bytes pcm16Wave(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate)
{
    return media_writers::waveFile({1, channels, rate, static_cast<uint16_t>(2 * channels), 16, {}}, pcm16Body(samples));
}

// A sine of the given length at that rate, amplitude about half of full scale.
inline std::vector<int16_t> sine(std::size_t frames, uint32_t rate, double hertz, uint16_t channels = 1)
{
    std::vector<int16_t> out;
    for (std::size_t i = 0; i < frames; ++i)
        for (uint16_t c = 0; c < channels; ++c)
            out.push_back(static_cast<int16_t>(16000 * std::sin(2 * M_PI * hertz * static_cast<double>(i) / rate + c)));
    return out;
}

// The IMA ADPCM encoder, the counterpart of what the decoder does, written from the published method.
struct ImaEncoder {
    uint8_t encode(int sample)
    {
        static const int steps[89] = {
            7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66, 73, 80, 88,
            97, 107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408, 449, 494, 544, 598, 658,
            724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327, 3660,
            4026, 4428, 4871, 5358, 5894, 6484, 7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899, 15289, 16818,
            18500, 20350, 22385, 24623, 27086, 29794, 32767};
        static const int shift[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
        const int step = steps[index];
        int difference = sample - predictor;
        uint8_t nibble = difference < 0 ? 8 : 0;
        difference = std::abs(difference);
        int delta = step >> 3;
        for (int bit = 2; bit >= 0; --bit)
            if (difference >= step >> (2 - bit)) {
                nibble |= static_cast<uint8_t>(1 << bit);
                difference -= step >> (2 - bit);
                delta += step >> (2 - bit);
            }
        predictor = std::clamp(predictor + ((nibble & 8) ? -delta : delta), -32768, 32767);
        index = std::clamp(index + shift[nibble & 7], 0, 88);
        return nibble;
    }
    int predictor = 0;
    int index = 0;
};

// A wave of IMA ADPCM blocks of blockAlign bytes from interleaved samples; the last block may be short.
inline Bytes imaAdpcmWave(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate, uint16_t blockAlign)
{
    const std::size_t perBlock = 1 + (blockAlign - 4u * channels) * 2u / channels;
    const std::size_t frames = samples.size() / channels;
    Bytes data;
    std::vector<ImaEncoder> encoders(channels);
    for (std::size_t first = 0; first < frames; first += perBlock) {
        const std::size_t count = std::min(perBlock, frames - first);
        for (uint16_t c = 0; c < channels; ++c) {
            encoders[c].predictor = samples[first * channels + c];
            put16(data, static_cast<uint16_t>(samples[first * channels + c]));
            data.insert(data.end(), {static_cast<uint8_t>(encoders[c].index), 0});
        }
        // Runs of eight samples per channel, four bytes each, the channels taking turns.
        for (std::size_t run = 1; run < count; run += 8)
            for (uint16_t c = 0; c < channels; ++c) {
                uint8_t bytes[4] = {0, 0, 0, 0};
                for (std::size_t k = 0; k < 8; ++k) {
                    const std::size_t frame = first + run + k;
                    const uint8_t nibble = frame < first + count ? encoders[c].encode(samples[frame * channels + c]) : 0;
                    bytes[k / 2] |= (k & 1) ? static_cast<uint8_t>(nibble << 4) : nibble;
                }
                data.insert(data.end(), bytes, bytes + 4);
            }
    }
    Bytes extra;
    put16(extra, 2);
    put16(extra, static_cast<uint16_t>(perBlock));
    return media_writers::waveFile({17, channels, rate, blockAlign, 4, extra}, data);
}

// A format-0 MIDI file: one track of notes of `ticks` each at 96 ticks a quarter, with the tempo given
// in microseconds a quarter.
inline Bytes midiTune(const std::vector<int>& notes, uint32_t ticks, uint32_t tempo = 500000)
{
    Bytes events = {0, 0xFF, 0x51, 0x03, static_cast<uint8_t>(tempo >> 16), static_cast<uint8_t>(tempo >> 8),
                    static_cast<uint8_t>(tempo), 0, 0xC0, 0x00}; // the tempo, then a piano
    for (int note : notes) {
        events.insert(events.end(), {0, 0x90, static_cast<uint8_t>(note), 100});
        media_writers::putVariableLength(events, ticks);
        events.insert(events.end(), {0x80, static_cast<uint8_t>(note), 0});
    }
    return media_writers::midiFile(96, events);
}

inline std::string asText(const Bytes& b) { return std::string(b.begin(), b.end()); }
inline Value bufferOf(const Bytes& b) { return Buffer::over(b.data(), static_cast<int32_t>(b.size()), true); }

// Root mean square of interleaved floats.
inline double loudness(const std::vector<float>& samples, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    to = std::min(to, samples.size());
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return from < to ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
}

inline std::vector<std::string>& mediaNotices()
{
    static std::vector<std::string> notices;
    return notices;
}

// An engine whose mixer is pulled by hand, on a virtual clock from 1000 ms, with notifications going
// to its event queue and the media notices kept.
class MediaTest : public ConfiguredTest {
protected:
    void SetUp() override
    {
        ConfiguredTest::SetUp();
        clock().advance(1000);
        mixer.open(platform::AudioMixer::Output::Manual);
        mixer.setWaveVolume(platform::AudioMixer::FullVolume, platform::AudioMixer::FullVolume);
        mixer.setMusicVolume(platform::AudioMixer::FullVolume, platform::AudioMixer::FullVolume);
        mediaNotices().clear();
        engine.media().takeNotices([](std::string_view text) { mediaNotices().emplace_back(text); });
        (void)queue().next(event_kind::All, 0); // the very first fetch only makes the queue
    }

    EventQueue& queue() { return *engine.events(); }

    std::vector<float> pull(uint32_t milliseconds)
    {
        std::vector<float> out(static_cast<std::size_t>(milliseconds) * platform::AudioMixer::Rate / 1000 * 2);
        mixer.render(out.data(), out.size() / 2);
        return out;
    }

    // The next media notification within the wait (the fetch's idle work runs the end checks and, on
    // the virtual clock, waiting moves time on): "ended" or "aborted" of `media`, "none" when none came
    // and "other" for another's.
    std::string nextNotification(int32_t wait, const Value& media = Value())
    {
        EventRecord e = queue().next(event_kind::MediaNotification, wait);
        lastTime = static_cast<uint32_t>(e.time);
        List* l = asList(e.value1);
        if (e.kind != event_kind::MediaNotification || !l || l->count() != 2)
            return "none";
        return media.isNil() || l->get(0).object() == media.object() ? std::string(textOf(l->get(1))) : "other";
    }

    platform::AudioMixer& mixer = engine.mixer();
    MediaPlayback& playback = engine.playback();
    uint32_t lastTime = 0;
};

} // namespace vel::testing_support
