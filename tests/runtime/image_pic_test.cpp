// "pic" images: the JPEG header scan and its message, decoding, data cut short.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "platform/jpeg_decoder.h"
#include "runtime/image_pic.h"
#include "runtime/image_test_support.h"
#include "runtime/palette.h"
#include "support/error_capture.h"

namespace vel {
namespace {

using namespace image_test;

// Four flat quadrants, so the decoded colours can be checked away from the block edges.
uint32_t expectedQuadrant(int x, int y, int w, int h)
{
    const bool right = x >= w / 2, bottom = y >= h / 2;
    return platform::opaque(right ? 230 : 20, bottom ? 200 : 40, right == bottom ? 30 : 180);
}

std::vector<uint8_t> quadrants(int w, int h)
{
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int shift : {16, 8, 0})
                rgb.push_back(static_cast<uint8_t>(expectedQuadrant(x, y, w, h) >> shift));
    return rgb;
}

// Where the marker FF `code` first starts.
std::size_t markerAt(const Bytes& jpeg, uint8_t code)
{
    std::size_t at = 0;
    while (!(jpeg[at] == 0xFF && jpeg[at + 1] == code))
        ++at;
    return at;
}

bool near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

class PicImageTest : public testing_support::ErrorCheckedTest {};

TEST_F(PicImageTest, ScanFindsTheBaselineFrameAndDecodingMatchesThePicture)
{
    const Bytes jpeg = compressJpeg(64, 48, quadrants(64, 48));
    int32_t w = 0, h = 0;
    ASSERT_TRUE(scanJpegHeader(jpeg.data(), jpeg.size(), w, h));
    EXPECT_EQ(std::pair(w, h), std::pair(64, 48));

    Value image = imageFromBuffer(bufferOf(jpeg), "JPG");
    ASSERT_FALSE(image.isNil());
    EXPECT_EQ(imageSubType(image), "pic");
    EXPECT_EQ(std::pair(velWidth(image), velHeight(image)), std::pair(64, 48));
    Value context = filledContext(64, 48, 0xFF000000);
    velDrawImage(context, image, 0, 0);
    for (int y = 4; y < 48; y += 8) {
        for (int x = 4; x < 64; x += 8) {
            if (x % 32 > 2 && x % 32 < 29 && y % 24 > 2 && y % 24 < 21) {
                EXPECT_TRUE(near(pixelOf(context, x, y), expectedQuadrant(x, y, 64, 48), 12)) << x << "," << y;
            }
        }
    }
}

TEST_F(PicImageTest, ProgressiveMissingStartAndCutShortHeadersAreInvalid)
{
    const Bytes baseline = compressJpeg(16, 16, quadrants(16, 16));
    for (const Bytes& bad : {compressJpeg(16, 16, quadrants(16, 16), 90, true), Bytes(baseline.begin() + 2, baseline.end())}) {
        EXPECT_TRUE(imageFromBuffer(bufferOf(bad), "jpg").isNil());
        EXPECT_EQ(errors(), std::vector<std::string>{"Invalid JPEG file"});
    }

    // Cut inside the frame header: every length up to its last size byte fails, the next succeeds.
    const std::size_t frame = markerAt(baseline, 0xC0);
    int32_t w = 0, h = 0;
    for (std::size_t n = 0; n < frame + 9; ++n)
        EXPECT_FALSE(scanJpegHeader(baseline.data(), n, w, h)) << n;
    EXPECT_TRUE(scanJpegHeader(baseline.data(), frame + 9, w, h));
    EXPECT_EQ(w, 16);
}

TEST_F(PicImageTest, SegmentLengthsAreSkippedAndOtherBytesScanned)
{
    // A comment holding a fake frame header is skipped by its length; an unknown marker's bytes are
    // scanned, fill bytes included.
    const Bytes bytes = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x0B, 0xFF, 0xC0, 0, 0, 8, 0, 9, 0, 9,
                         0xFF, 0xE1, 0x00, 0x0B, 0xFF, 0xC0, 0, 0, 8, 0, 7, 0, 7,
                         0xFF, 0xC8, 1, 2, 0xFF, 0xFF, 0xC0, 0, 17, 8, 0x01, 0x02, 0x03, 0x04};
    int32_t w = 0, h = 0;
    ASSERT_TRUE(scanJpegHeader(bytes.data(), bytes.size(), w, h));
    EXPECT_EQ(std::pair(w, h), std::pair(0x0304, 0x0102));

    // A segment length running past the end ends the scan.
    const Bytes runaway = {0xFF, 0xD8, 0xFF, 0xDB, 0xFF, 0xFF, 0xFF, 0xC0, 0, 17, 8, 0, 1, 0, 1};
    EXPECT_FALSE(scanJpegHeader(runaway.data(), runaway.size(), w, h));
}

TEST_F(PicImageTest, DataCutShortDecodesWhatItCanOrReportsTheDecoder)
{
    const Bytes jpeg = compressJpeg(64, 64, quadrants(64, 64), 90);
    // Cut in the middle of the entropy-coded data: the picture still has its size.
    const std::size_t scan = markerAt(jpeg, 0xDA);
    Bytes half(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(scan + (jpeg.size() - scan) / 2));
    Value image = imageFromBuffer(bufferOf(half), "jpg");
    ASSERT_FALSE(image.isNil());
    Value context = filledContext(64, 64, 0xFF000000);
    velDrawImage(context, image, 0, 0);
    EXPECT_TRUE(near(pixelOf(context, 8, 8), expectedQuadrant(8, 8, 64, 64), 12));
    EXPECT_EQ(asImage(image)->defect(), "its data ends before the end-of-picture mark");

    // Cut right after the frame header: the scan is satisfied, the decoder is not.
    const std::size_t frame = markerAt(jpeg, 0xC0);
    Bytes headerOnly(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(frame + 9));
    image = imageFromBuffer(bufferOf(headerOnly), "jpg");
    ASSERT_FALSE(image.isNil());
    velDrawImage(context, image, 0, 0);
    std::vector<std::string> messages = errors();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Error ", 0), 0u);
    EXPECT_NE(messages[0].find(" in Pegasus"), std::string::npos);
    // Reported once; later draws draw nothing.
    velDrawImage(context, image, 0, 0);
}

TEST_F(PicImageTest, FrameSizesTheDataCannotJustifyAreRefusedBeforeDecoding)
{
    Bytes jpeg = compressJpeg(16, 16, quadrants(16, 16));
    const std::size_t frame = markerAt(jpeg, 0xC0);
    jpeg[frame + 5] = jpeg[frame + 6] = jpeg[frame + 7] = jpeg[frame + 8] = 0xFF;
    platform::JpegPicture picture;
    EXPECT_NE(platform::decodeJpeg(jpeg.data(), jpeg.size(), platform::JpegOutput::Pixels32, picture), 0);
    EXPECT_TRUE(picture.pixels.empty());
}

TEST_F(PicImageTest, BitsAndPaletteOfAPhotograph)
{
    const Bytes jpeg = compressJpeg(40, 30, quadrants(40, 30));
    Value image = imageFromBuffer(bufferOf(jpeg), "jpg");
    Value bits = imageBits(image);
    ASSERT_EQ(imageSubType(bits), "dib");
    Value fromPic = filledContext(40, 30, 0), fromBits = filledContext(40, 30, 0);
    velDrawImage(fromPic, image, 0, 0);
    velDrawImage(fromBits, bits, 0, 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(pixelOf(fromPic, x, y), pixelOf(fromBits, x, y));

    platform::JpegPicture eight;
    ASSERT_EQ(platform::decodeJpeg(jpeg.data(), jpeg.size(), platform::JpegOutput::Palette8, eight), 0);
    EXPECT_EQ(eight.indices.size(), 40u * 30u);
    ASSERT_FALSE(eight.palette.empty());
    EXPECT_LE(eight.palette.size(), 256u);
    EXPECT_TRUE(near(eight.palette[eight.indices[5 * 40 + 5]], expectedQuadrant(5, 5, 40, 30), 16));
    EXPECT_TRUE(imagePalette(image).is(Tag::Palette));

    // A picture kept from a larger decode, or from the other output, decodes as a fresh one does.
    const Bytes larger = compressJpeg(64, 48, quadrants(64, 48));
    platform::JpegPicture kept, fresh;
    for (auto output : {platform::JpegOutput::Pixels32, platform::JpegOutput::Palette8, platform::JpegOutput::Pixels32}) {
        ASSERT_EQ(platform::decodeJpeg(larger.data(), larger.size(), platform::JpegOutput::Pixels32, kept), 0);
        ASSERT_EQ(platform::decodeJpeg(jpeg.data(), jpeg.size(), output, kept), 0);
        ASSERT_EQ(platform::decodeJpeg(jpeg.data(), jpeg.size(), output, fresh = {}), 0);
        EXPECT_EQ(std::tie(kept.width, kept.height, kept.pixels, kept.indices, kept.palette),
                  std::tie(fresh.width, fresh.height, fresh.pixels, fresh.indices, fresh.palette));
    }
}

} // namespace
} // namespace vel
