// Wave files: the reading rules and their one message, the sample count of each format, and the
// samples decoded from PCM and IMA ADPCM made here.
#include <gtest/gtest.h>

#include "runtime/sound_test_support.h"
#include "runtime/wave_file.h"
#include "value/buffer.h"

namespace vel {
namespace {

using namespace testing_support;

class WaveReadingTest : public ErrorCheckedTest {
protected:
    static Value bufferOf(const Bytes& bytes)
    {
        Value buffer = Buffer::make(static_cast<int32_t>(std::max<std::size_t>(bytes.size(), 1)));
        Buffer* b = asBuffer(buffer);
        std::copy(bytes.begin(), bytes.end(), b->bytes());
        b->setLength(static_cast<int32_t>(bytes.size()));
        return buffer;
    }
    // The sound made from the bytes, and whether it was refused with the one message.
    bool refused(const Bytes& bytes)
    {
        Value sound = WaveSound::fromBuffer(engine, bufferOf(bytes));
        std::vector<std::string> messages = errors();
        const bool saidSo = messages == std::vector<std::string>{"Not a valid sound file"};
        EXPECT_EQ(sound.isNil(), saidSo);
        return sound.isNil() && saidSo;
    }

    // Not started: reading needs none of its services.
    Engine engine;
};

TEST_F(WaveReadingTest, ChunksBetweenFormatAndDataAreWalkedOverOddSizesIncluded)
{
    std::vector<int16_t> samples = sine(1000, 22050, 440);
    Bytes wave = riffWave({{"fmt ", formatBody(1, 1, 22050, 2, 16)},
                           {"LIST", Bytes(13, 'x')}, // odd: padded by one byte
                           {"fact", Bytes(4, 0)},
                           {"data", pcm16Body(samples)}});
    Value sound = WaveSound::fromBuffer(engine, bufferOf(wave));
    ASSERT_FALSE(sound.isNil());
    auto* s = dynamic_cast<WaveSound*>(sound.object());
    EXPECT_EQ(s->sampleCount(), 1000);
    EXPECT_EQ(s->sampleRate(), 22050);
    EXPECT_EQ(s->channels(), 1);
    auto clip = s->clip();
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->samples, samples);
}

TEST_F(WaveReadingTest, EveryBrokenRuleGivesTheOneMessage)
{
    const Bytes good = pcm16Wave(sine(100, 8000, 300), 1, 8000);
    ASSERT_FALSE(refused(good));

    Bytes notRiff = good;
    notRiff[0] = 'X';
    EXPECT_TRUE(refused(notRiff));
    Bytes notWave = good;
    notWave[8] = 'A';
    EXPECT_TRUE(refused(notWave));
    // Another chunk where the format must be.
    EXPECT_TRUE(refused(riffWave({{"LIST", Bytes(4, 0)}, {"fmt ", formatBody(1, 1, 8000, 2, 16)}, {"data", Bytes(8, 0)}})));
    // No "data" at all, and a chunk whose size runs past the end before it.
    EXPECT_TRUE(refused(riffWave({{"fmt ", formatBody(1, 1, 8000, 2, 16)}, {"LIST", Bytes(4, 0)}})));
    EXPECT_TRUE(refused(riffWave({{"fmt ", formatBody(1, 1, 8000, 2, 16)}, {"LIST", Bytes(4, 0), 1000}, {"data", Bytes(8, 0)}})));
    // A format chunk too short for its fields, or longer than the file.
    EXPECT_TRUE(refused(riffWave({{"fmt ", Bytes(10, 0)}, {"data", Bytes(8, 0)}})));
    EXPECT_TRUE(refused(riffWave({{"fmt ", formatBody(1, 1, 8000, 2, 16), 5000}})));
    // Counts that would divide by zero.
    EXPECT_TRUE(refused(riffWave({{"fmt ", formatBody(1, 1, 8000, 0, 16)}, {"data", Bytes(8, 0)}})));
    EXPECT_TRUE(refused(riffWave({{"fmt ", formatBody(1, 0, 8000, 2, 16)}, {"data", Bytes(8, 0)}})));
    EXPECT_TRUE(refused(riffWave({{"fmt ", formatBody(1, 1, 0, 2, 16)}, {"data", Bytes(8, 0)}})));
    EXPECT_TRUE(refused(riffWave({{"fmt ", formatBody(6, 1, 8000, 1, 0)}, {"data", Bytes(8, 0)}})));
    // Cut anywhere in the header.
    for (std::size_t cut : {0, 3, 11, 19, 30, 43})
        EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)))) << cut;
}

TEST_F(WaveReadingTest, DataSizePastTheEndKeepsWhatIsThere)
{
    std::vector<int16_t> samples = sine(300, 11025, 500);
    Bytes wave = riffWave({{"fmt ", formatBody(1, 1, 11025, 2, 16)}, {"data", pcm16Body(samples), 0x7FFFFFF0}});
    WaveFormat format;
    ASSERT_TRUE(readWaveFormat(wave.data(), wave.size(), format));
    EXPECT_EQ(format.dataSize, samples.size() * 2);
    EXPECT_EQ(format.sampleCount, 300u);
    std::vector<int16_t> decoded;
    ASSERT_TRUE(decodeWave(wave.data(), wave.size(), format, decoded));
    EXPECT_EQ(decoded, samples);
}

TEST_F(WaveReadingTest, SampleCountFollowsTheFormat)
{
    WaveFormat format;
    // PCM: data size over the block alignment, whatever the bits say.
    Bytes pcm = riffWave({{"fmt ", formatBody(1, 2, 44100, 4, 16)}, {"data", Bytes(4003, 0)}});
    ASSERT_TRUE(readWaveFormat(pcm.data(), pcm.size(), format));
    EXPECT_EQ(format.sampleCount, 1000u);
    EXPECT_EQ(format.lengthMilliseconds(), 22u);
    // Another format: data × 8 / (bits × channels).
    Bytes mulaw = riffWave({{"fmt ", formatBody(7, 2, 8000, 2, 8)}, {"data", Bytes(1600, 0)}});
    ASSERT_TRUE(readWaveFormat(mulaw.data(), mulaw.size(), format));
    EXPECT_EQ(format.sampleCount, 800u);
    EXPECT_EQ(format.lengthMilliseconds(), 100u);
    // IMA ADPCM: frames a block times whole blocks; stereo blocks count frames, not samples.
    const std::vector<int16_t> stereo = sine(505 * 8, 22050, 300, 2);
    Bytes adpcm = imaAdpcmWave(stereo, 2, 22050, 512);
    ASSERT_TRUE(readWaveFormat(adpcm.data(), adpcm.size(), format));
    EXPECT_EQ(format.samplesPerBlock, 505);
    EXPECT_EQ(format.sampleCount, 505u * (format.dataSize / 512));
    // A samples-per-block field larger than a block holds is cut to what it holds.
    Bytes extra;
    put16(extra, 2);
    put16(extra, 60000);
    Bytes lying = riffWave({{"fmt ", formatBody(17, 1, 22050, 256, 4, extra)}, {"data", Bytes(512, 0)}});
    ASSERT_TRUE(readWaveFormat(lying.data(), lying.size(), format));
    EXPECT_EQ(format.samplesPerBlock, 505);
    EXPECT_EQ(format.sampleCount, 1010u);
}

TEST_F(WaveReadingTest, PcmOfEightSixteenAndTwentyFourBitsAndFloat)
{
    std::vector<int16_t> decoded;
    WaveFormat format;
    Bytes eight = riffWave({{"fmt ", formatBody(1, 1, 8000, 1, 8)}, {"data", Bytes{0, 64, 128, 192, 255}}});
    ASSERT_TRUE(readWaveFormat(eight.data(), eight.size(), format));
    ASSERT_TRUE(decodeWave(eight.data(), eight.size(), format, decoded));
    EXPECT_EQ(decoded, (std::vector<int16_t>{-32768, -16384, 0, 16384, 32512}));

    Bytes stereo16 = pcm16Wave({100, -100, 32767, -32768}, 2, 8000);
    ASSERT_TRUE(readWaveFormat(stereo16.data(), stereo16.size(), format));
    ASSERT_TRUE(decodeWave(stereo16.data(), stereo16.size(), format, decoded));
    EXPECT_EQ(decoded, (std::vector<int16_t>{100, -100, 32767, -32768}));
    EXPECT_EQ(format.sampleCount, 2u);

    // 24 bits keep their top 16.
    Bytes twentyFour = riffWave({{"fmt ", formatBody(1, 1, 8000, 3, 24)}, {"data", Bytes{0xFF, 0x34, 0x12, 0x00, 0x00, 0x80}}});
    ASSERT_TRUE(readWaveFormat(twentyFour.data(), twentyFour.size(), format));
    ASSERT_TRUE(decodeWave(twentyFour.data(), twentyFour.size(), format, decoded));
    EXPECT_EQ(decoded, (std::vector<int16_t>{0x1234, -32768}));

    Bytes floats;
    for (float f : {0.5f, -1.5f, std::nanf("")}) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        put32(floats, bits);
    }
    Bytes floatWave = riffWave({{"fmt ", formatBody(3, 1, 8000, 4, 32)}, {"data", floats}});
    ASSERT_TRUE(readWaveFormat(floatWave.data(), floatWave.size(), format));
    ASSERT_TRUE(decodeWave(floatWave.data(), floatWave.size(), format, decoded));
    EXPECT_EQ(decoded, (std::vector<int16_t>{16383, -32767, 0}));

    // Formats not decoded here read well but give no samples.
    Bytes mulaw = riffWave({{"fmt ", formatBody(7, 1, 8000, 1, 8)}, {"data", Bytes(16, 0)}});
    ASSERT_TRUE(readWaveFormat(mulaw.data(), mulaw.size(), format));
    EXPECT_FALSE(decodeWave(mulaw.data(), mulaw.size(), format, decoded));
    Bytes sixChannels = riffWave({{"fmt ", formatBody(1, 6, 8000, 12, 16)}, {"data", Bytes(24, 0)}});
    ASSERT_TRUE(readWaveFormat(sixChannels.data(), sixChannels.size(), format));
    EXPECT_FALSE(decodeWave(sixChannels.data(), sixChannels.size(), format, decoded));
}

// The decoded ADPCM follows the signal it was made from, block by block, in both channels.
TEST_F(WaveReadingTest, ImaAdpcmDecodesCloseToTheSignalMonoAndStereo)
{
    for (uint16_t channels : {1, 2}) {
        const std::size_t frames = 3000; // not a whole number of blocks: the last block is short
        const std::vector<int16_t> original = sine(frames, 22050, 440, channels);
        const uint16_t blockAlign = channels == 1 ? 256 : 512;
        Bytes wave = imaAdpcmWave(original, channels, 22050, blockAlign);
        WaveFormat format;
        ASSERT_TRUE(readWaveFormat(wave.data(), wave.size(), format));
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
        // Better than 20 dB of signal over error.
        EXPECT_LT(error, signal / 100) << channels;
        // Each block starts exactly on the sample its header holds.
        const std::size_t perBlock = format.samplesPerBlock;
        for (std::size_t block = 0; block * perBlock < frames; ++block)
            for (uint16_t c = 0; c < channels; ++c)
                EXPECT_EQ(decoded[block * perBlock * channels + c], original[block * perBlock * channels + c]);
    }
}

TEST_F(WaveReadingTest, OddAdpcmBlocksGiveWhatTheyHoldAndNoMore)
{
    WaveFormat format;
    std::vector<int16_t> decoded;
    // A block alignment smaller than the headers: nothing to decode, and nothing read past the data.
    Bytes tiny = riffWave({{"fmt ", formatBody(17, 2, 22050, 6, 4)}, {"data", Bytes(37, 0x77)}});
    ASSERT_TRUE(readWaveFormat(tiny.data(), tiny.size(), format));
    EXPECT_FALSE(decodeWave(tiny.data(), tiny.size(), format, decoded));
    // Bits other than four are not IMA ADPCM.
    Bytes eightBits = riffWave({{"fmt ", formatBody(17, 1, 22050, 256, 8)}, {"data", Bytes(256, 0)}});
    ASSERT_TRUE(readWaveFormat(eightBits.data(), eightBits.size(), format));
    EXPECT_FALSE(decodeWave(eightBits.data(), eightBits.size(), format, decoded));
    // A last block holding only its header gives its one sample.
    Bytes wholeBlock = imaAdpcmWave(sine(257, 8000, 200), 1, 8000, 132); // exactly one block
    Bytes truncated = riffWave({{"fmt ", formatBody(17, 1, 8000, 132, 4, Bytes{2, 0, 1, 1})},
                                {"data", Bytes{0x10, 0x00, 0x00, 0x00, 0x20}}});
    ASSERT_TRUE(readWaveFormat(truncated.data(), truncated.size(), format));
    ASSERT_TRUE(decodeWave(truncated.data(), truncated.size(), format, decoded));
    EXPECT_EQ(decoded, (std::vector<int16_t>{16}));
    ASSERT_TRUE(readWaveFormat(wholeBlock.data(), wholeBlock.size(), format));
    ASSERT_TRUE(decodeWave(wholeBlock.data(), wholeBlock.size(), format, decoded));
    EXPECT_EQ(decoded.size(), 257u);
}

} // namespace
} // namespace vel
