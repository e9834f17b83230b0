// Wave files: the reading rules and their one message, the sample count of each format, and the
// samples decoded from PCM, float and IMA ADPCM made here, odd and lying headers included.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "runtime/sound_test_support.h"
#include "runtime/wave_file.h"
#include "value/buffer.h"

namespace vel {
namespace {

using namespace testing_support;

class WaveReadingTest : public ErrorCheckedTest {
protected:
    // Not started: reading needs none of its services.
    Engine engine;
};

TEST_F(WaveReadingTest, EveryBrokenRuleGivesTheOneMessage)
{
    const Bytes good = pcm16Wave(sine(100, 8000, 300), 1, 8000);
    const Bytes pcmFormat = formatBody(1, 1, 8000, 2, 16);
    std::vector<Bytes> broken = {
        riffWave({{"LIST", Bytes(4, 0)}, {"fmt ", pcmFormat}, {"data", Bytes(8, 0)}}), // the format must come first
        riffWave({{"fmt ", pcmFormat}, {"LIST", Bytes(4, 0)}}),                         // no "data"
        riffWave({{"fmt ", pcmFormat}, {"LIST", Bytes(4, 0), 1000}, {"data", Bytes(8, 0)}}), // a size past the end
        riffWave({{"fmt ", Bytes(10, 0)}, {"data", Bytes(8, 0)}}),                      // a format too short
        riffWave({{"fmt ", pcmFormat, 5000}}),                                          // longer than the file
        // Counts that would divide by zero.
        riffWave({{"fmt ", formatBody(1, 1, 8000, 0, 16)}, {"data", Bytes(8, 0)}}),
        riffWave({{"fmt ", formatBody(1, 0, 8000, 2, 16)}, {"data", Bytes(8, 0)}}),
        riffWave({{"fmt ", formatBody(1, 1, 0, 2, 16)}, {"data", Bytes(8, 0)}}),
        riffWave({{"fmt ", formatBody(6, 1, 8000, 1, 0)}, {"data", Bytes(8, 0)}}),
    };
    for (std::size_t at : {0, 8}) {
        broken.push_back(good);
        broken.back()[at] ^= 0x20; // "RIFF", "WAVE"
    }
    for (std::size_t cut : {0, 3, 11, 19, 30, 43})
        broken.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    for (std::size_t i = 0; i < broken.size(); ++i) {
        EXPECT_TRUE(WaveSound::fromBuffer(engine, bufferOf(broken[i])).isNil()) << i;
        EXPECT_EQ(errors(), std::vector<std::string>{"Not a valid sound file"}) << i;
    }
    EXPECT_FALSE(WaveSound::fromBuffer(engine, bufferOf(good)).isNil());
}

Bytes imaFormat(uint16_t channels, uint16_t blockAlign, uint16_t samplesPerBlock)
{
    Bytes extra;
    put16(extra, 2);
    put16(extra, samplesPerBlock);
    return formatBody(17, channels, 22050, blockAlign, 4, extra);
}

Bytes floatBytes(std::initializer_list<float> values)
{
    Bytes out;
    for (float f : values) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        put32(out, bits);
    }
    return out;
}

// The sample count by each format's rule and the samples decoded (none for formats not decoded here).
TEST_F(WaveReadingTest, SampleCountsAndSamplesFollowTheFormat)
{
    const std::vector<int16_t> tone = sine(300, 11025, 500);
    const struct {
        const char* what;
        Bytes file;
        uint32_t sampleCount;
        std::optional<std::vector<int16_t>> samples;
    } cases[] = {
        {"chunks between format and data, odd sizes padded",
         riffWave({{"fmt ", formatBody(1, 1, 11025, 2, 16)}, {"LIST", Bytes(13, 'x')}, {"fact", Bytes(4, 0)},
                   {"data", pcm16Body(tone)}}),
         300, tone},
        {"a data size past the end keeps what is there",
         riffWave({{"fmt ", formatBody(1, 1, 11025, 2, 16)}, {"data", pcm16Body(tone), 0x7FFFFFF0}}), 300, tone},
        {"PCM: the data over the block alignment, whatever the bits say",
         riffWave({{"fmt ", formatBody(1, 2, 44100, 4, 16)}, {"data", Bytes(4003, 0)}}), 1000,
         std::vector<int16_t>(2000, 0)},
        {"8 bits", riffWave({{"fmt ", formatBody(1, 1, 8000, 1, 8)}, {"data", Bytes{0, 64, 128, 192, 255}}}), 5,
         std::vector<int16_t>{-32768, -16384, 0, 16384, 32512}},
        {"16 bits stereo", pcm16Wave({100, -100, 32767, -32768}, 2, 8000), 2,
         std::vector<int16_t>{100, -100, 32767, -32768}},
        {"24 bits keep their top 16",
         riffWave({{"fmt ", formatBody(1, 1, 8000, 3, 24)}, {"data", Bytes{0xFF, 0x34, 0x12, 0x00, 0x00, 0x80}}}), 2,
         std::vector<int16_t>{0x1234, -32768}},
        {"float, held to full scale, no number as silence",
         riffWave({{"fmt ", formatBody(3, 1, 8000, 4, 32)}, {"data", floatBytes({0.5f, -1.5f, std::nanf("")})}}), 3,
         std::vector<int16_t>{16383, -32767, 0}},
        {"another format: data x 8 / (bits x channels), not decoded",
         riffWave({{"fmt ", formatBody(7, 2, 8000, 2, 8)}, {"data", Bytes(1600, 0)}}), 800, std::nullopt},
        {"six channels are not decoded", riffWave({{"fmt ", formatBody(1, 6, 8000, 12, 16)}, {"data", Bytes(24, 0)}}),
         2, std::nullopt},
        {"ADPCM: a samples-a-block field larger than a block holds is cut to it",
         riffWave({{"fmt ", imaFormat(1, 256, 60000)}, {"data", Bytes(512, 0)}}), 1010, std::vector<int16_t>(1010, 0)},
        {"ADPCM: a block alignment smaller than the headers gives nothing",
         riffWave({{"fmt ", imaFormat(2, 6, 0)}, {"data", Bytes(37, 0x77)}}), 0, std::nullopt},
        {"ADPCM of eight bits is no IMA ADPCM",
         riffWave({{"fmt ", formatBody(17, 1, 22050, 256, 8)}, {"data", Bytes(256, 0)}}), 505, std::nullopt},
        {"ADPCM: a last block holding only its header gives its one sample",
         riffWave({{"fmt ", imaFormat(1, 132, 257)}, {"data", Bytes{0x10, 0x00, 0x00, 0x00, 0x20}}}), 0,
         std::vector<int16_t>{16}},
    };
    for (const auto& c : cases) {
        WaveFormat format;
        ASSERT_TRUE(readWaveFormat(c.file.data(), c.file.size(), format)) << c.what;
        EXPECT_EQ(format.sampleCount, c.sampleCount) << c.what;
        std::vector<int16_t> decoded;
        EXPECT_EQ(decodeWave(c.file.data(), c.file.size(), format, decoded), c.samples.has_value()) << c.what;
        if (c.samples) {
            EXPECT_EQ(decoded, *c.samples) << c.what;
        }
    }
}

TEST_F(WaveReadingTest, ImaAdpcmDecodesCloseToTheSignalMonoAndStereo)
{
    for (uint16_t channels : {1, 2}) {
        const std::size_t frames = 3000; // not a whole number of blocks: the last block is short
        const std::vector<int16_t> original = sine(frames, 22050, 440, channels);
        Bytes wave = imaAdpcmWave(original, channels, 22050, channels == 1 ? 256 : 512);
        WaveFormat format;
        ASSERT_TRUE(readWaveFormat(wave.data(), wave.size(), format));
        // Frames a block times whole blocks: stereo blocks count frames, not samples.
        EXPECT_EQ(format.samplesPerBlock, 505);
        EXPECT_EQ(format.sampleCount, 505u * (format.dataSize / format.blockAlign));
        std::vector<int16_t> decoded;
        ASSERT_TRUE(decodeWave(wave.data(), wave.size(), format, decoded));
        // The short last block is decoded to its last run of eight, which the encoder filled up.
        ASSERT_GE(decoded.size(), original.size()) << channels;
        ASSERT_LT(decoded.size(), original.size() + 8u * channels) << channels;
        double error = 0, signal = 0;
        for (std::size_t i = 0; i < original.size(); ++i) {
            error += std::pow(decoded[i] - original[i], 2);
            signal += std::pow(original[i], 2);
        }
        EXPECT_LT(error, signal / 100) << channels; // better than 20 dB
        // Each block starts exactly on the sample its header holds.
        for (std::size_t first = 0; first < frames * channels; first += 505u * channels)
            for (uint16_t c = 0; c < channels; ++c)
                EXPECT_EQ(decoded[first + c], original[first + c]);
    }
}

} // namespace
} // namespace vel
