// Wave files on any bytes: chunks that lie, no "data", sizes past the end, odd ADPCM blocks. The
// reader either refuses or gives a format whose data lies inside the bytes; the decoder gives no more
// samples than the data can hold; the mixer plays whatever decoded. The same bytes go through the
// MIDI scan too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio_mixer.h"
#include "runtime/engine.h"
#include "runtime/midi_file.h"
#include "runtime/sound.h"
#include "runtime/wave_file.h"
#include "value/buffer.h"
#include "fuzz_support.h"
#include "value/error.h"
#include "value/string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers();
    // Never started: the sounds play on its mixer, pulled by hand.
    static vel::Engine& engine = []() -> vel::Engine& {
        static vel::Engine made;
        made.mixer().open(vel::platform::AudioMixer::Output::Manual);
        return made;
    }();

    vel::WaveFormat format;
    if (vel::readWaveFormat(data, size, format)) {
        if (format.dataOffset > size || format.dataSize > size - format.dataOffset || format.channels == 0 ||
            format.sampleRate == 0)
            std::abort();
        std::vector<int16_t> samples;
        if (vel::decodeWave(data, size, format, samples)) {
            // Two samples a byte (ADPCM) and one a channel for each block's header at the most.
            const std::size_t blocks = format.blockAlign ? format.dataSize / format.blockAlign + 1 : 1;
            if (samples.size() > 2 * format.dataSize + blocks * format.channels)
                std::abort();
            if (samples.size() % format.channels != 0)
                std::abort();
            auto clip = std::make_shared<vel::platform::AudioClip>();
            clip->samples = std::move(samples);
            clip->channels = format.channels;
            clip->rate = static_cast<int>(std::min<uint32_t>(format.sampleRate, 1u << 30));
            vel::platform::AudioMixer& mixer = engine.mixer();
            if (mixer.playClip(clip, false)) {
                float out[2 * 256];
                mixer.render(out, 256);
                mixer.stopClip();
            }
        }
    }

    // The sound value's own path, from a buffer as the decoder would make it.
    vel::Value buffer = vel::Buffer::make(static_cast<int32_t>(size > 0 ? size : 1));
    if (vel::Buffer* b = vel::asBuffer(buffer)) {
        if (size > 0)
            std::copy(data, data + size, b->bytes());
        b->setLength(static_cast<int32_t>(size));
        vel::Value sound = vel::soundFromParts(engine, buffer, 1, vel::Value::string("wav"));
        if (auto* wave = dynamic_cast<vel::WaveSound*>(sound.object()))
            (void)wave->clip();
    }

    vel::MidiSummary summary;
    std::string problem;
    (void)vel::scanMidi(data, size, summary, problem);
    return 0;
}
