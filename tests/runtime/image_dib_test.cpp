// "dib" images against pixels made in the test: every bit depth, RLE, both row orders, with and
// without the file header, and bitmaps that lie about themselves.
#include <gtest/gtest.h>

#include "runtime/image_dib.h"
#include "runtime/image_test_support.h"
#include "runtime/palette.h"
#include "support/error_capture.h"
#include "value/buffer.h"

namespace vel {
namespace {

using namespace image_test;

class DibImageTest : public testing_support::ErrorCheckedTest {
protected:
    // Draws the whole image at (0, 0) of a context of its size filled with a colour no test uses.
    static Value drawn(const Value& image, int width, int height)
    {
        Value context = filledContext(width, height, kUntouched);
        velDrawImage(context, image, 0, 0);
        return context;
    }
    static void expectPixels(const Bitmap& b, const Value& context)
    {
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                ASSERT_EQ(pixelOf(context, x, y), b.expected(x, y)) << "at " << x << "," << y;
    }
    static constexpr uint32_t kUntouched = 0xFF123456;
};

TEST_F(DibImageTest, EveryDepthBothRowOrdersAndBothHeadersGiveTheSamePixels)
{
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        // Odd widths exercise the row padding of every depth.
        const Bitmap b = patterned(13, 7, bits);
        for (bool fileHeader : {true, false}) {
            for (bool topDown : {false, true}) {
                SCOPED_TRACE(testing::Message() << bits << " bits, file header " << fileHeader << ", top-down "
                                                << topDown);
                Value image = imageFromBuffer(bufferOf(encode(b, fileHeader, topDown)), "bmp");
                ASSERT_FALSE(image.isNil());
                EXPECT_EQ(imageSubType(image), "dib");
                EXPECT_EQ(std::pair(velWidth(image), velHeight(image)), std::pair(13, 7));
                EXPECT_EQ(asImage(image)->colourCount(), bits <= 8 ? 1 << bits : 0);
                expectPixels(b, drawn(image, 13, 7));
                EXPECT_EQ(asImage(image)->defect(), "");
            }
        }
    }
}

TEST_F(DibImageTest, ValidateReportsShortBuffersAndMissingHeaders)
{
    EXPECT_TRUE(imageFromBuffer(bufferOf(Bytes(13, 0)), "dib").isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"velDIBImageObject::validate: DIB data buffer size too small."});

    Bytes noHeader(64, 0);
    noHeader[0] = 41;
    EXPECT_TRUE(imageFromBuffer(bufferOf(noHeader), "dib").isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"velDIBImageObject::validate: DIB header not found."});

    // A file header followed by less than an information header.
    Bytes cut = encode(patterned(2, 2, 8), true);
    cut.resize(30);
    EXPECT_TRUE(imageFromBuffer(bufferOf(cut), "bmp").isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"velDIBImageObject::validate: DIB data buffer size too small."});

    EXPECT_TRUE(imageFromBuffer(Value::string("BM"), "bmp").isNil());
}

TEST_F(DibImageTest, RowsMissingFromTheBufferAreLeftUndrawn)
{
    const Bitmap b = patterned(8, 10, 8);
    for (bool topDown : {false, true}) {
        Bytes bytes = encode(b, true, topDown);
        bytes.resize(bytes.size() - 8 * 3 - 4); // three full rows and part of a fourth are gone
        Value image = imageFromBuffer(bufferOf(bytes), "bmp");
        ASSERT_FALSE(image.isNil());
        EXPECT_EQ(velHeight(image), 10); // the header's word stands
        Value context = drawn(image, 8, 10);
        EXPECT_EQ(asImage(image)->defect(), "its data ends after 6 of 10 rows");
        // Bottom-up files lose their top rows, top-down files their bottom rows.
        const int firstDrawn = topDown ? 0 : 4, lastDrawn = topDown ? 5 : 9;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool present = y >= firstDrawn && y <= lastDrawn;
                ASSERT_EQ(pixelOf(context, x, y), present ? b.expected(x, y) : kUntouched) << x << "," << y;
            }
    }
}

TEST_F(DibImageTest, LyingOffsetsAndSizesStayInsideTheBuffer)
{
    const Bitmap b = patterned(4, 4, 8);
    // A pixel offset past the end falls back to the place right after the colours.
    Bytes bytes = encode(b, true);
    bytes[10] = 0xFF, bytes[11] = 0xFF, bytes[12] = 0xFF, bytes[13] = 0x7F;
    expectPixels(b, drawn(imageFromBuffer(bufferOf(bytes), "bmp"), 4, 4));

    // A picture claiming 2^30 x 2^30 pixels in a few bytes draws only what is there: nothing.
    Bytes huge = encode(b, false);
    for (int i = 4; i < 12; ++i)
        huge[static_cast<std::size_t>(i)] = i == 7 || i == 11 ? 0x40 : 0;
    Value image = imageFromBuffer(bufferOf(huge), "dib");
    ASSERT_FALSE(image.isNil());
    EXPECT_EQ(velWidth(image), 1 << 30);
    Value context = drawn(image, 4, 4);
    EXPECT_EQ(pixelOf(context, 0, 0), kUntouched);

    // A colour count of four billion: the table is cut to what the buffer holds.
    Bytes colours = encode(b, false);
    colours[32] = colours[33] = colours[34] = colours[35] = 0xFF;
    image = imageFromBuffer(bufferOf(colours), "dib");
    ASSERT_FALSE(image.isNil());
    EXPECT_EQ(asImage(image)->colourCount(), 256);
    drawn(image, 4, 4); // the pixels now lie past the end: nothing to draw, nothing read outside
    EXPECT_EQ(asImage(image)->defect(), "its data ends after 0 of 4 rows");

    // 200 colours claimed where 80 bytes follow the header.
    Bytes few = encode(patterned(4, 4, 4), false);
    few[32] = 200;
    image = imageFromBuffer(bufferOf(few), "dib");
    drawn(image, 4, 4);
    EXPECT_EQ(asImage(image)->defect(), "its colour table ends after 20 of 200 colours");
}

TEST_F(DibImageTest, RunLengthEightAndFourBits)
{
    // Rows bottom-up: row 2 (the bottom) first.
    Bitmap b8;
    b8.width = 6, b8.height = 3, b8.bits = 8, b8.compression = 1;
    for (int i = 0; i < 8; ++i)
        b8.colours.push_back(platform::opaque(static_cast<uint8_t>(i * 30), 10, 20));
    b8.indices = {1, 1, 1, 2, 3, 4,  // top row: run, then absolute mode
                  0, 0, 0, 0, 0, 0,  // skipped by the delta
                  5, 5, 5, 5, 5, 5}; // bottom row: one run
    b8.rleData = {6, 5, 0, 0,                // bottom row, end of line
                  0, 2, 0, 1,                // delta: down one row, to x 0 of the top row
                  3, 1, 0, 3, 2, 3, 4, 0,    // a run of 3, then 3 absolute pixels padded to a word
                  0, 1};                     // end of bitmap
    Value image = imageFromBuffer(bufferOf(encode(b8, true)), "rle");
    ASSERT_FALSE(image.isNil());
    expectPixels(b8, drawn(image, 6, 3));

    Bitmap b4;
    b4.width = 5, b4.height = 2, b4.bits = 4, b4.compression = 2;
    for (int i = 0; i < 16; ++i)
        b4.colours.push_back(platform::opaque(static_cast<uint8_t>(i * 15), static_cast<uint8_t>(i), 1));
    b4.indices = {7, 8, 9, 10, 11, // top: absolute, five nibbles
                  1, 2, 1, 2, 1};  // bottom: an alternating run
    b4.rleData = {5, 0x12, 0, 0, 0, 5, 0x78, 0x9A, 0xB0, 0, 0, 1};
    image = imageFromBuffer(bufferOf(encode(b4, false)), "rle");
    ASSERT_FALSE(image.isNil());
    expectPixels(b4, drawn(image, 5, 2));
}

TEST_F(DibImageTest, RunsPastTheLastColumnOrRowAreCut)
{
    Bitmap b;
    b.width = 4, b.height = 2, b.bits = 8, b.compression = 1;
    b.colours = {platform::opaque(0, 0, 0), platform::opaque(255, 0, 0), platform::opaque(0, 255, 0)};
    // 200 pixels of 1 on a 4-pixel row, a delta and a run far past its end, then an absolute run of 6
    // of which the data holds only 4; then rows that do not exist.
    b.rleData = {200, 1, 0, 2, 200, 0, 5, 1, 0, 0, 0, 6, 2, 2, 2, 2};
    Value image = imageFromBuffer(bufferOf(encode(b, true)), "rle");
    ASSERT_FALSE(image.isNil());
    Value context = drawn(image, 4, 2);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(pixelOf(context, x, 1), platform::opaque(255, 0, 0));
        EXPECT_EQ(pixelOf(context, x, 0), platform::opaque(0, 255, 0));
    }
    EXPECT_EQ(asImage(image)->defect(), "its run-length data ends before the picture does");
}

TEST_F(DibImageTest, ShortRunLengthDataClaimingAHugePictureTakesLittleMemory)
{
    Bitmap b;
    b.width = 30000, b.height = 30000, b.bits = 8, b.compression = 1;
    b.colours = {platform::opaque(0, 0, 0), platform::opaque(9, 9, 9)};
    b.rleData = {255, 1, 0, 1};
    Value image = imageFromBuffer(bufferOf(encode(b, true)), "rle");
    ASSERT_FALSE(image.isNil());
    // Only rows that so short a stream could fill are kept: the bottom ones; the top stays undrawn.
    Raster r = asImage(image)->raster();
    EXPECT_LE(int64_t(r.area.width()) * r.area.height(), int64_t(1) << 20);
    EXPECT_EQ(r.area.bottom, 30000);
    Value context = filledContext(4, 4, kUntouched);
    velDrawImage(context, image, 0, 0);
    EXPECT_EQ(pixelOf(context, 0, 0), kUntouched);
    velDrawImage(context, image, 0, 0, 4, 1, 0, 29999);
    EXPECT_EQ(pixelOf(context, 0, 0), platform::opaque(9, 9, 9));
}

TEST_F(DibImageTest, UnsupportedDepthsAndCompressionsAreReportedWhenDrawn)
{
    Bitmap b = patterned(2, 2, 8);
    Bytes bytes = encode(b, false);
    bytes[14] = 2; // two bits a pixel
    Value image = imageFromBuffer(bufferOf(bytes), "dib");
    ASSERT_FALSE(image.isNil()); // the header itself is fine
    drawn(image, 2, 2);
    EXPECT_EQ(errors(), std::vector<std::string>{"Unsupported bits per pixel: 2"});

    bytes = encode(b, false);
    bytes[16] = 4; // JPEG inside a bitmap
    drawn(imageFromBuffer(bufferOf(bytes), "dib"), 2, 2);
    EXPECT_EQ(errors(), std::vector<std::string>{"Unsupported bitmap compression: 4"});
}

TEST_F(DibImageTest, BlankBitmapsFollowTheColourRules)
{
    struct Case { int bits, asked, colours; } cases[] = {
        {8, 300, 256}, {8, 1, 256}, {8, 2, 2}, {8, 256, 256}, {8, 0, 256}, {8, -5, 256}, {24, 77, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.asked << " colours");
        Value buffer = blankBitmap(5, 3, c.bits, c.asked);
        ASSERT_NE(asBuffer(buffer), nullptr);
        const uint8_t* p = asBuffer(buffer)->bytes();
        EXPECT_EQ(asBuffer(buffer)->length(), 8 * 3 * (c.bits / 8) + 40 + 4 * c.colours);
        EXPECT_EQ(p[32] | p[33] << 8, c.colours);
        Value image = imageFromBuffer(buffer, "dib");
        ASSERT_FALSE(image.isNil());
        EXPECT_EQ(asImage(image)->colourCount(), c.colours);
        Value context = drawn(image, 5, 3);
        EXPECT_EQ(pixelOf(context, 4, 2), platform::opaque(0, 0, 0));
    }
    EXPECT_TRUE(blankBitmap(4, 4, 16, 0).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Unsupported bits per pixel: 16"});
}
TEST_F(DibImageTest, BitsAndPaletteAreIndependentCopies)
{
    const Bitmap b = patterned(3, 3, 4);
    Value image = imageFromBuffer(bufferOf(encode(b, true)), "bmp");
    Value copy = imageBits(image);
    ASSERT_FALSE(copy.isNil());
    EXPECT_NE(asBuffer(asImage(copy)->data())->bytes(), asBuffer(asImage(image)->data())->bytes());
    expectPixels(b, drawn(copy, 3, 3));

    Value palette = imagePalette(image);
    ASSERT_TRUE(palette.is(Tag::Palette));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(palette.as<Palette>()->pixel(i), b.colours[static_cast<std::size_t>(i)]);
    EXPECT_EQ(palette.as<Palette>()->pixel(16), platform::opaque(0, 0, 0));
    EXPECT_TRUE(imagePalette(imageFromBuffer(bufferOf(encode(patterned(2, 2, 24), true)), "bmp")).isNil());
}

} // namespace
} // namespace vel
