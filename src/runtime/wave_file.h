// Wave files: the header read by the sound value's rules, and the samples decoded to 16 bits (PCM of
// 8, 16, 24 and 32 bits, 32-bit float, IMA ADPCM; one or two channels). Works on bytes in memory and
// never looks past them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vel {

namespace wave_format {
constexpr uint16_t Pcm = 1, Float = 3, ImaAdpcm = 17;
}

struct WaveFormat {
    uint16_t formatCode = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t samplesPerBlock = 0; // IMA ADPCM: frames a block holds, bounded by what the block can
    std::size_t dataOffset = 0;
    std::size_t dataSize = 0;     // the "data" chunk, cut at the end of the bytes
    uint32_t sampleCount = 0;     // frames, by the format's rule
    // The sound's length by its own rate.
    uint32_t lengthMilliseconds() const;
};

// False when the bytes are not a wave file the rules accept (the caller says "Not a valid sound file").
bool readWaveFormat(const uint8_t* bytes, std::size_t size, WaveFormat& format);

// Interleaved 16-bit samples of format.channels; false when the format is not one decoded here or
// yields no sample.
bool decodeWave(const uint8_t* bytes, std::size_t size, const WaveFormat& format, std::vector<int16_t>& samples);

} // namespace vel
