#include "runtime/wave_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vel {

namespace {

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
bool tagIs(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

uint32_t clampCount(uint64_t n)
{
    return n > std::numeric_limits<int32_t>::max() ? static_cast<uint32_t>(std::numeric_limits<int32_t>::max())
                                                   : static_cast<uint32_t>(n);
}

// What one IMA ADPCM block of that many bytes holds per channel: the header's sample and two a byte.
uint32_t adpcmBlockCapacity(std::size_t blockBytes, unsigned channels)
{
    const std::size_t header = 4u * channels;
    if (channels == 0 || blockBytes < header)
        return 0;
    // Data comes in runs of four bytes per channel.
    const std::size_t runs = (blockBytes - header) / (4u * channels);
    return static_cast<uint32_t>(1 + runs * 8);
}

const int kImaSteps[89] = {7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
                           25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
                           88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
                           307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
                           1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
                           3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
                           12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kImaIndexShift[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct ImaChannel {
    int predictor = 0;
    int index = 0;
    int16_t next(unsigned nibble)
    {
        const int step = kImaSteps[index];
        int difference = step >> 3;
        if (nibble & 1) difference += step >> 2;
        if (nibble & 2) difference += step >> 1;
        if (nibble & 4) difference += step;
        predictor += (nibble & 8) ? -difference : difference;
        predictor = std::clamp(predictor, -32768, 32767);
        index = std::clamp(index + kImaIndexShift[nibble & 15], 0, 88);
        return static_cast<int16_t>(predictor);
    }
};

bool decodeImaAdpcm(const uint8_t* data, std::size_t size, const WaveFormat& format, std::vector<int16_t>& out)
{
    const unsigned channels = format.channels;
    const std::size_t blockAlign = format.blockAlign;
    if (format.bitsPerSample != 4 || adpcmBlockCapacity(blockAlign, channels) == 0)
        return false;
    for (std::size_t at = 0; at < size; at += blockAlign) {
        // The last block may be short; it gives what it holds.
        const std::size_t blockBytes = std::min(blockAlign, size - at);
        uint32_t frames = std::min<uint32_t>(adpcmBlockCapacity(blockBytes, channels), format.samplesPerBlock);
        if (frames == 0)
            break;
        const uint8_t* block = data + at;
        ImaChannel state[2];
        const std::size_t first = out.size();
        out.resize(first + static_cast<std::size_t>(frames) * channels);
        int16_t* samples = out.data() + first;
        for (unsigned c = 0; c < channels; ++c) {
            state[c].predictor = static_cast<int16_t>(u16(block + 4 * c));
            state[c].index = std::min<int>(block[4 * c + 2], 88);
            samples[c] = static_cast<int16_t>(state[c].predictor);
        }
        const uint8_t* nibbles = block + 4 * channels;
        // Runs of four bytes (eight samples) per channel, the channels taking turns.
        for (uint32_t frame = 1; frame < frames; frame += 8) {
            for (unsigned c = 0; c < channels; ++c) {
                const uint8_t* run = nibbles + ((frame - 1) / 8 * channels + c) * 4;
                for (uint32_t k = 0; k < 8 && frame + k < frames; ++k) {
                    const unsigned nibble = (k & 1) ? run[k / 2] >> 4 : run[k / 2] & 15;
                    samples[(frame + k) * channels + c] = state[c].next(nibble);
                }
            }
        }
    }
    return !out.empty();
}

bool decodePcm(const uint8_t* data, std::size_t size, const WaveFormat& format, std::vector<int16_t>& out)
{
    const unsigned bytesPerSample = format.bitsPerSample / 8u;
    const bool isFloat = format.formatCode == wave_format::Float;
    if (format.bitsPerSample % 8 != 0 || bytesPerSample == 0 || bytesPerSample > 4 || (isFloat && bytesPerSample != 4))
        return false;
    const std::size_t count = size / bytesPerSample / format.channels * format.channels;
    out.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* p = data + i * bytesPerSample;
        int16_t s = 0;
        if (isFloat) {
            float f;
            std::memcpy(&f, p, sizeof f);
            if (!(f == f))
                f = 0.0f;
            s = static_cast<int16_t>(std::clamp(f, -1.0f, 1.0f) * 32767.0f);
        } else if (bytesPerSample == 1) {
            s = static_cast<int16_t>((p[0] - 128) * 256);
        } else {
            // The two most significant bytes of a little-endian sample.
            s = static_cast<int16_t>(u16(p + bytesPerSample - 2));
        }
        out[i] = s;
    }
    return !out.empty();
}

} // namespace

uint32_t WaveFormat::lengthMilliseconds() const
{
    return sampleRate == 0 ? 0 : clampCount(static_cast<uint64_t>(sampleCount) * 1000u / sampleRate);
}

bool readWaveFormat(const uint8_t* bytes, std::size_t size, WaveFormat& format)
{
    format = WaveFormat{};
    if (!bytes || size < 20 || !tagIs(bytes, "RIFF") || !tagIs(bytes + 8, "WAVE") || !tagIs(bytes + 12, "fmt "))
        return false;
    const uint64_t fmtSize = u32(bytes + 16);
    const uint8_t* fmt = bytes + 20;
    // The fields read below must lie inside both the chunk and the file.
    if (fmtSize < 16 || 20 + fmtSize > size)
        return false;
    format.formatCode = u16(fmt);
    format.channels = u16(fmt + 2);
    format.sampleRate = u32(fmt + 4);
    format.blockAlign = u16(fmt + 12);
    format.bitsPerSample = u16(fmt + 14);
    const bool adpcm = format.formatCode == wave_format::ImaAdpcm;
    if (adpcm && fmtSize >= 20 && u16(fmt + 16) >= 2)
        format.samplesPerBlock = u16(fmt + 18);
    // Counts below divide by these; a file that makes them zero cannot be played either.
    if (format.channels == 0 || format.sampleRate == 0)
        return false;
    if ((format.formatCode == wave_format::Pcm || adpcm) && format.blockAlign == 0)
        return false;
    if (!(format.formatCode == wave_format::Pcm || adpcm) && format.bitsPerSample == 0)
        return false;

    // Chunks are padded to even sizes.
    uint64_t at = 20 + fmtSize + (fmtSize & 1);
    for (;;) {
        if (at + 8 > size)
            return false;
        const uint64_t chunkSize = u32(bytes + at + 4);
        if (tagIs(bytes + at, "data")) {
            format.dataOffset = static_cast<std::size_t>(at + 8);
            // A size past the end (a writer that never came back to fill it in) keeps what is there.
            format.dataSize = static_cast<std::size_t>(std::min<uint64_t>(chunkSize, size - (at + 8)));
            break;
        }
        at += 8 + chunkSize + (chunkSize & 1);
        if (at > size)
            return false;
    }

    const uint64_t data = format.dataSize;
    if (format.formatCode == wave_format::Pcm) {
        format.sampleCount = clampCount(data / format.blockAlign);
    } else if (adpcm) {
        const uint32_t capacity = adpcmBlockCapacity(format.blockAlign, format.channels);
        if (format.samplesPerBlock == 0 || format.samplesPerBlock > capacity)
            format.samplesPerBlock = static_cast<uint16_t>(std::min<uint32_t>(capacity, 0xFFFF));
        // Frames: a block's count is already per channel.
        format.sampleCount = clampCount(static_cast<uint64_t>(format.samplesPerBlock) * (data / format.blockAlign));
    } else {
        format.sampleCount = clampCount(data * 8 / (static_cast<uint64_t>(format.bitsPerSample) * format.channels));
    }
    return true;
}

bool decodeWave(const uint8_t* bytes, std::size_t size, const WaveFormat& format, std::vector<int16_t>& samples)
{
    samples.clear();
    if (!bytes || format.dataOffset > size || format.dataSize > size - format.dataOffset)
        return false;
    if (format.channels < 1 || format.channels > 2)
        return false;
    const uint8_t* data = bytes + format.dataOffset;
    switch (format.formatCode) {
    case wave_format::Pcm:
    case wave_format::Float:
        return decodePcm(data, format.dataSize, format, samples);
    case wave_format::ImaAdpcm:
        return decodeImaAdpcm(data, format.dataSize, format, samples);
    default:
        return false;
    }
}

} // namespace vel
