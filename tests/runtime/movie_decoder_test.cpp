// The decoder under the movies: what it accepts as a destination, the pictures at any size, the
// positions after a seek, and the failures.
#include "movie_test_support.h"

#include "platform/video_decoder.h"

namespace vel {
namespace {

using movie_test::Clips;
using platform::PixelView;
using platform::VideoDecoder;
using platform::VideoError;

class MovieDecoderTest : public ::testing::Test {
protected:
    Clips& clips() { return Clips::get(); }
};

TEST_F(MovieDecoderTest, RefusesDestinationsOutsideTheirMemoryOrLimits)
{
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.open(clips().aviVideo1()));
    ASSERT_EQ(decoder.decodeNext(), VideoDecoder::Step::Frame);
    std::vector<uint32_t> memory(64 * 64, 0x12345678u);
    PixelView bad[] = {
        {nullptr, 8, 8, 8},
        {memory.data(), 0, 8, 8},
        {memory.data(), 8, -1, 8},
        {memory.data(), 16, 8, 15}, // rows would overlap
        {memory.data(), VideoDecoder::MaxDestinationDimension + 1, 1, VideoDecoder::MaxDestinationDimension + 1},
    };
    EXPECT_FALSE(decoder.convertCurrent(PixelView{memory.data(), 8, 8, 8})) << "nothing taken yet";
    decoder.takeUpcoming();
    for (const PixelView& view : bad) {
        EXPECT_FALSE(decoder.convertCurrent(view));
        EXPECT_EQ(decoder.error(), VideoError::BadDestination);
    }
    for (uint32_t p : memory)
        ASSERT_EQ(p, 0x12345678u);

    // Any size from one pixel up, inside a larger stride, writes that rectangle and no more.
    for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {63, 47}, {64, 64}}) {
        std::fill(memory.begin(), memory.end(), 0x12345678u);
        ASSERT_TRUE(decoder.convertCurrent(PixelView{memory.data(), w, h, 64}));
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const uint32_t p = memory[y * 64 + x];
                if (x < w && y < h)
                    ASSERT_EQ(p >> 24, 0xFFu) << x << "," << y;
                else
                    ASSERT_EQ(p, 0x12345678u) << x << "," << y;
            }
    }
    std::vector<uint32_t> wide(640 * 6); // the media area's width at scale 6, enlarged through Lanczos
    EXPECT_TRUE(decoder.convertCurrent(PixelView{wide.data(), 640 * 6, 1, 640 * 6}, VideoDecoder::Filter::Lanczos));
}

TEST_F(MovieDecoderTest, PositionsCountFromTheFirstPictureAndSeekLandsOnTheOneAsked)
{
    for (const std::string& path : {clips().mpeg(), clips().aviJpeg()}) {
        SCOPED_TRACE(path);
        VideoDecoder decoder;
        ASSERT_TRUE(decoder.open(path));
        const double frameMs = 1000.0 / decoder.info().frameRate;
        ASSERT_EQ(decoder.decodeNext(), VideoDecoder::Step::Frame);
        EXPECT_EQ(decoder.upcomingMs(), 0);
        int64_t previous = -1;
        int pictures = 0;
        while (decoder.decodeNext() == VideoDecoder::Step::Frame) {
            EXPECT_GT(decoder.upcomingMs(), previous);
            previous = decoder.upcomingMs();
            decoder.takeUpcoming();
            ++pictures;
        }
        EXPECT_EQ(decoder.decodeNext(), VideoDecoder::Step::End) << "the end stays the end";
        EXPECT_NEAR(pictures, decoder.info().frameCount, 1);

        for (int64_t target : {int64_t(0), int64_t(400), int64_t(120), int64_t(0)}) {
            ASSERT_TRUE(decoder.seek(target));
            ASSERT_EQ(decoder.decodeNext(), VideoDecoder::Step::Frame);
            EXPECT_NEAR(double(decoder.upcomingMs()), double(target), frameMs / 2 + 1) << target;
        }
        ASSERT_TRUE(decoder.seek(60000)); // past the end: no picture
        EXPECT_EQ(decoder.decodeNext(), VideoDecoder::Step::End);
    }
}

TEST_F(MovieDecoderTest, FailuresLeaveTheirCodeAndNothingOpen)
{
    VideoDecoder decoder;
    EXPECT_FALSE(decoder.open(clips().directory() + "/none.mpg"));
    EXPECT_EQ(decoder.error(), VideoError::FileNotFound);
    EXPECT_FALSE(decoder.open(clips().wav()));
    EXPECT_EQ(decoder.error(), VideoError::NoVideoStream);
    EXPECT_FALSE(decoder.open(clips().mpeg(), "avi"));
    EXPECT_EQ(decoder.error(), VideoError::UnrecognizedFormat);
    EXPECT_FALSE(decoder.errorText().empty());
    EXPECT_FALSE(decoder.isOpen());
    EXPECT_EQ(decoder.decodeNext(), VideoDecoder::Step::End);
    EXPECT_FALSE(decoder.seek(0));
    EXPECT_TRUE(decoder.open(clips().mpeg(), "mpeg,avi"));
    EXPECT_EQ(decoder.info().container, "mpeg");
    // Channel counts or rates no output has: no sound decoded.
    VideoDecoder quiet;
    for (auto [rate, channels] : {std::pair{22050, 6}, {-5, 2}}) {
        quiet.setSoundOutput(rate, channels);
        EXPECT_EQ(quiet.soundChannels(), 0) << rate << " " << channels;
    }
    ASSERT_TRUE(quiet.open(clips().aviJpeg()));
    std::vector<int16_t> sound;
    while (quiet.decodeNext() == VideoDecoder::Step::Frame)
        quiet.takeUpcoming();
    EXPECT_EQ(quiet.takeSound(sound), 0u);
    EXPECT_TRUE(VideoDecoder::containerAvailable("avi"));
    EXPECT_FALSE(VideoDecoder::containerAvailable("no-such-container"));
}

} // namespace
} // namespace vel
