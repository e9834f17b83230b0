// Drawing images and contexts: targets and their messages, masks, clipping, origins, stretching,
// captures, conversions and the wire form.
#include <gtest/gtest.h>

#include <tuple>

#include "runtime/image_context.h"
#include "runtime/image_dib.h"
#include "runtime/image_render.h"
#include "runtime/image_test_support.h"
#include "runtime/palette.h"
#include "support/error_capture.h"
#include "value/encoding.h"

namespace vel {
namespace {

using namespace image_test;

constexpr uint32_t kBack = 0xFF0A0B0C;
const uint32_t kBlack = platform::opaque(0, 0, 0), kWhite = platform::opaque(255, 255, 255);

class ImageDrawTest : public testing_support::ErrorCheckedTest {
protected:
    // A 24-bit "dib" whose pixel (x, y) is (x, y, 99).
    static Value gradient(int w, int h)
    {
        Bitmap b;
        b.width = w, b.height = h, b.bits = 24;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.pixels.push_back(colourAt(x, y));
        return imageFromBuffer(bufferOf(encode(b, true)), "bmp");
    }
    static uint32_t colourAt(int x, int y)
    {
        return platform::opaque(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 99);
    }
    // A 1-bit "dib" mask: black (image shows) where show(x, y), white elsewhere.
    template <typename Show>
    static Value maskOf(int w, int h, Show show)
    {
        Bitmap b;
        b.width = w, b.height = h, b.bits = 1;
        b.colours = {kBlack, kWhite};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.indices.push_back(show(x, y) ? 0 : 1);
        return imageFromBuffer(bufferOf(encode(b, false)), "dib");
    }
};

TEST_F(ImageDrawTest, TargetsMustBeContextsOrContextImagesAndSourcesImagesOrContexts)
{
    Value source = gradient(4, 4), dib = gradient(4, 4), context = filledContext(4, 4, kBack);
    for (auto [target, image] : {std::pair{dib, source}, {Value::integer(3), source}, {context, Value::string("img")}}) {
        velDrawImage(target, image, 0, 0);
        velStretchImage(target, image, 0, 0, 8, 8);
        EXPECT_EQ(errors().size(), 2u);
    }
    velDrawImage(Value::integer(3), Value(), 0, 0);
    velStretchImage(dib, Value(), 0, 0, 1, 1);
    EXPECT_EQ(pixelOf(context, 0, 0), kBack);

    Value canvas = ContextImage::make(4, 4);
    velDrawImage(canvas, source, 1, 1, 2, 2, 0, 0);
    velDrawImage(context, canvas, 0, 0);
    EXPECT_EQ(pixelOf(context, 0, 0), kBlack);
    EXPECT_EQ(pixelOf(context, 2, 2), colourAt(1, 1));
    EXPECT_EQ(pixelOf(context, 3, 3), kBlack);
}
TEST_F(ImageDrawTest, ClippingAtTheViewsEdgesTheClipAndTheOrigin)
{
    Value image = gradient(10, 10);
    for (int x : {-7, -3, 0, 5, 9}) {
        for (int y : {-9, -1, 4, 8}) {
            Value context = filledContext(12, 12, kBack);
            velDrawImage(context, image, x, y);
            for (int vy = 0; vy < 12; ++vy)
                for (int vx = 0; vx < 12; ++vx) {
                    const bool inside = vx >= x && vx < x + 10 && vy >= y && vy < y + 10;
                    ASSERT_EQ(pixelOf(context, vx, vy), inside ? colourAt(vx - x, vy - y) : kBack)
                        << "image at " << x << "," << y << ", pixel " << vx << "," << vy;
                }
        }
    }
    Value context = filledContext(12, 12, kBack);
    velDrawImage(context, image, 0, 0, 12, 12, 6, 6);
    EXPECT_EQ(pixelOf(context, 3, 3), colourAt(9, 9));
    EXPECT_EQ(pixelOf(context, 4, 4), kBack);

    // Clip and origin: the origin moves the drawing, the clip (given in drawing coordinates) limits it.
    context = filledContext(12, 12, kBack);
    DrawingContext* c = context.as<DrawingContext>();
    c->setOrigin(2, 3);
    c->intersectClip(platform::Rect{0, 0, 4, 4});
    velDrawImage(context, image, 0, 0);
    EXPECT_EQ(pixelOf(context, 2, 3), colourAt(0, 0));
    EXPECT_EQ(pixelOf(context, 5, 6), colourAt(3, 3));
    EXPECT_EQ(pixelOf(context, 6, 6), kBack);
    EXPECT_EQ(pixelOf(context, 1, 3), kBack);

    // Far-away coordinates neither overflow nor draw.
    context = filledContext(4, 4, kBack);
    velDrawImage(context, image, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, 0);
    velStretchImage(context, image, INT32_MIN, 0, INT32_MAX, 5, 0, 0, INT32_MAX, 1);
    velStretchImage(context, image, 0, 0, -5, -5);
}

class ChangedRecorder final : public DrawingContext {
public:
    explicit ChangedRecorder(const platform::PixelView& v) { setView(v); }
    void changed(const platform::Rect& area) override { areas.push_back(area); }
    std::vector<platform::Rect> areas;
};

TEST_F(ImageDrawTest, DrawingTellsTheContextWhatChanged)
{
    std::vector<uint32_t> pixels(8 * 8, kBack);
    auto* recorder = new ChangedRecorder(platform::PixelView{pixels.data(), 8, 8, 8});
    Value context = Value::adopt(Tag::Context, recorder);
    velDrawImage(context, gradient(5, 5), 6, -2);
    ASSERT_EQ(recorder->areas.size(), 1u);
    const platform::Rect& a = recorder->areas[0];
    EXPECT_EQ(std::tuple(a.left, a.top, a.right, a.bottom), std::tuple(6, 0, 8, 3));
    velDrawImage(context, gradient(5, 5), 20, 20); // nothing visible, nothing told
    EXPECT_EQ(recorder->areas.size(), 1u);
}

TEST_F(ImageDrawTest, StretchingPicksTheNearestSourcePixel)
{
    Value image = gradient(4, 4);
    Value context = filledContext(10, 10, kBack);
    velStretchImage(context, image, 1, 1, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(pixelOf(context, x + 1, y + 1), colourAt(x / 2, y / 2));
    EXPECT_EQ(pixelOf(context, 9, 9), kBack);
    context = filledContext(3, 3, kBack);
    velStretchImage(context, image, 0, 0, 1, 2, 2, 0, 2, 4);
    EXPECT_EQ(pixelOf(context, 0, 0), colourAt(2, 0));
    EXPECT_EQ(pixelOf(context, 0, 1), colourAt(2, 2));
    EXPECT_EQ(pixelOf(context, 1, 0), kBack);
}

TEST_F(ImageDrawTest, MasksShowTheImageWhereTheyAreDark)
{
    Value image = gradient(6, 6);
    auto diagonal = [](int x, int y) { return x >= y; };
    ASSERT_TRUE(setImageMask(image, maskOf(6, 6, diagonal)));
    Value context = filledContext(6, 6, kBack);
    velDrawImage(context, image, 0, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(pixelOf(context, x, y), diagonal(x, y) ? colourAt(x, y) : kBack) << x << "," << y;

    // Stretched, the mask follows the source pixel; where a smaller mask does not reach, nothing shows.
    ASSERT_TRUE(setImageMask(image, maskOf(3, 3, [](int, int) { return true; })));
    context = filledContext(12, 12, kBack);
    velStretchImage(context, image, 0, 0, 12, 12);
    EXPECT_EQ(pixelOf(context, 5, 5), colourAt(2, 2));
    EXPECT_EQ(pixelOf(context, 6, 5), kBack);
    EXPECT_EQ(pixelOf(context, 5, 6), kBack);

    // Grey levels: below half brightness shows the image.
    Value greyMask = ContextImage::make(2, 1);
    const platform::PixelView& v = asContextImage(greyMask)->context().view();
    v.row(0)[0] = platform::opaque(127, 127, 127);
    v.row(0)[1] = platform::opaque(128, 128, 128);
    ASSERT_TRUE(setImageMask(image, greyMask));
    context = filledContext(2, 1, kBack);
    velDrawImage(context, image, 0, 0);
    EXPECT_EQ(pixelOf(context, 0, 0), colourAt(0, 0));
    EXPECT_EQ(pixelOf(context, 1, 0), kBack);

    ASSERT_TRUE(setImageMask(image, Value()));
    velDrawImage(context, image, 0, 0);
    EXPECT_EQ(pixelOf(context, 1, 0), colourAt(1, 0));
}

// At its own size an image is drawn by its own path; it must give what the pixel rule gives for every
// format pair, wherever the image lands and whatever part of it is drawn. 29 columns: groups of
// sixteen and of eight the mask shows whole, hides whole or splits, and a tail.
TEST_F(ImageDrawTest, UnscaledDrawsFollowThePixelRule)
{
    constexpr int W = 29, H = 5, V = 40; // V: the view's width
    std::vector<uint32_t> colours(256), maskColours(256), pixels, maskPixels;
    std::vector<uint8_t> indices, maskIndices;
    for (int i = 0; i < 256; ++i) {
        colours[i] = platform::opaque(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7);
        maskColours[i] = i % 4 == 0 ? kBlack : kWhite;
    }
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            indices.push_back(static_cast<uint8_t>(x * 7 + y * 31));
            maskIndices.push_back(static_cast<uint8_t>(x < 8 + y ? 0 : x < 16 ? x * y % 5 : x < 24 ? 1 : 4));
            pixels.push_back(colours[indices.back()]);
            maskPixels.push_back(maskColours[maskIndices.back()]);
        }
    using F = Raster::Format;
    const Raster images[] = {{F::Indexed8, indices.data(), W, colours.data(), {0, 0, W, H}},
                             {F::Pixels32, reinterpret_cast<const uint8_t*>(pixels.data()), W * 4, nullptr, {0, 0, W, H}}};
    const Raster masks[] = {{F::Indexed8, maskIndices.data(), W, maskColours.data(), {0, 0, W - 2, H - 1}},
                            {F::Pixels32, reinterpret_cast<const uint8_t*>(maskPixels.data()), W * 4, nullptr, {0, 0, W, H}}};
    for (const Raster& image : images)
        for (const Raster* mask : {static_cast<const Raster*>(nullptr), &masks[0], &masks[1]})
            for (auto [x, y] : {std::pair{-3, -1}, {0, 0}, {4, 2}, {30, 0}})
                for (platform::Rect clip : {platform::Rect{0, 0, V, 8}, {1, 1, 20, 7}})
                    for (platform::Rect source : {platform::Rect{0, 0, W, H}, {3, 1, W, H}, {-2, -1, W + 2, H + 1}}) {
                        std::vector<uint32_t> view(V * 8, kBack);
                        renderRaster(image, mask, platform::PixelView{view.data(), V, 8, V}, clip, x, y, source);
                        for (int vy = 0; vy < 8; ++vy)
                            for (int vx = 0; vx < V; ++vx) {
                                const int sx = vx - x + source.left, sy = vy - y + source.top;
                                const bool shown = clip.contains(vx, vy) && source.contains(sx, sy) &&
                                                   image.area.contains(sx, sy) &&
                                                   (!mask || (mask->area.contains(sx, sy) && maskShowsImage(mask->pixelAt(sx, sy))));
                                ASSERT_EQ(view[vy * V + vx], shown ? image.pixelAt(sx, sy) : kBack)
                                    << vx << "," << vy << " at " << x << "," << y << " from " << source.left;
                            }
                    }
}

TEST_F(ImageDrawTest, MaskSubTypesAndTheirMessages)
{
    const Value jpeg = imageFromBuffer(bufferOf(compressJpeg(4, 4, std::vector<uint8_t>(48, 0))), "jpg");
    Value dib = gradient(4, 4);
    EXPECT_FALSE(setImageMask(dib, jpeg));
    EXPECT_FALSE(setImageMask(dib, Value::integer(5)));
    EXPECT_EQ(errors().size(), 2u);

    // A "pic" mask arriving through the wire form: a "dib" refuses to draw with it ...
    Value context = filledContext(4, 4, kBack);
    Value maskedDib = imageFromParts(asImage(dib)->data(), jpeg);
    ASSERT_EQ(asImage(maskedDib)->mask(), jpeg);
    velDrawImage(context, maskedDib, 0, 0);
    velStretchImage(context, maskedDib, 0, 0, 4, 4);
    EXPECT_EQ(errors().size(), 2u);
    EXPECT_EQ(pixelOf(context, 0, 0), kBack);
    // ... a "context" image draws with it (a black JPEG: everything shows) and refuses anything else.
    Value canvas = velImageFromImage(dib, Value::string("context"));
    asImage(canvas)->adoptMask(jpeg);
    velDrawImage(context, canvas, 0, 0);
    EXPECT_EQ(pixelOf(context, 1, 1), colourAt(1, 1));
    asImage(canvas)->adoptMask(Value::integer(1));
    velDrawImage(context, canvas, 0, 0);
    velStretchImage(context, canvas, 0, 0, 2, 2);
    EXPECT_EQ(errors().size(), 2u);
}
TEST_F(ImageDrawTest, CapturesCopyAnAreaAndContextsCopyPlainly)
{
    Value screen = filledContext(8, 8, kBack);
    velDrawImage(screen, gradient(8, 8), 0, 0);
    Value captured = captureImage(screen, 6, -1, 4, 3);
    ASSERT_EQ(imageSubType(captured), "context");
    EXPECT_EQ(std::pair(velWidth(captured), velHeight(captured)), std::pair(4, 3));
    Value out = filledContext(4, 3, kBack);
    velDrawImage(out, captured, 0, 0);
    EXPECT_EQ(pixelOf(out, 0, 0), kBlack); // above the screen
    EXPECT_EQ(pixelOf(out, 0, 1), colourAt(6, 0));
    EXPECT_EQ(pixelOf(out, 1, 2), colourAt(7, 1));
    EXPECT_EQ(pixelOf(out, 2, 1), kBlack); // right of the screen
    EXPECT_TRUE(captureImage(gradient(2, 2), 0, 0, 1, 1).isNil());

    // A context drawn into itself, overlapping: every pixel comes from before the copy.
    velDrawImage(screen, screen, 1, 1, 6, 6, 0, 0);
    EXPECT_EQ(pixelOf(screen, 1, 1), colourAt(0, 0));
    EXPECT_EQ(pixelOf(screen, 6, 6), colourAt(5, 5));
    EXPECT_EQ(pixelOf(screen, 0, 0), colourAt(0, 0));
}

TEST_F(ImageDrawTest, ConversionsBetweenSubTypes)
{
    Value dib = gradient(5, 4);
    Value mask = maskOf(5, 4, [](int x, int) { return x < 2; });
    setImageMask(dib, mask);
    Value canvas = velImageFromImage(dib, Value::string("context"));
    ASSERT_EQ(imageSubType(canvas), "context");
    EXPECT_EQ(asImage(canvas)->mask(), mask);
    Value back = velImageFromImage(canvas, Value::string("dib"));
    ASSERT_EQ(imageSubType(back), "dib");
    setImageMask(back, Value());
    Value out = filledContext(5, 4, kBack);
    velDrawImage(out, back, 0, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(pixelOf(out, x, y), colourAt(x, y)); // converted without the mask applied

    EXPECT_TRUE(velImageFromImage(dib, Value::string("pic")).isNil());
    EXPECT_TRUE(velImageFromImage(dib, Value()).isNil());
    EXPECT_TRUE(velImageFromImage(Value::integer(2), Value::string("dib")).isNil());
    EXPECT_EQ(errors().size(), 3u);
    bool encoded = true;
    encodeToBytes(ContextImage::make(2, 2), &encoded);
    EXPECT_FALSE(encoded);
    errors();
}

TEST_F(ImageDrawTest, BitsOfAContextImage)
{
    Value canvas = ContextImage::make(3, 2);
    const platform::PixelView& v = asContextImage(canvas)->context().view();
    v.row(0)[0] = platform::opaque(255, 0, 0);
    v.row(1)[2] = platform::opaque(250, 250, 250);
    Value bits24 = asContextImage(canvas)->bits(24);
    Value out = filledContext(3, 2, kBack);
    velDrawImage(out, bits24, 0, 0);
    EXPECT_EQ(pixelOf(out, 0, 0), platform::opaque(255, 0, 0));
    EXPECT_EQ(pixelOf(out, 2, 1), platform::opaque(250, 250, 250));

    // Eight bits: the nearest colours of the system palette.
    Value bits8 = asContextImage(canvas)->bits(8);
    ASSERT_EQ(imageSubType(bits8), "dib");
    velDrawImage(out, bits8, 0, 0);
    EXPECT_EQ(pixelOf(out, 0, 0), platform::opaque(255, 0, 0));
    EXPECT_EQ(pixelOf(out, 2, 1), platform::opaque(255, 255, 255));
    EXPECT_EQ(pixelOf(out, 1, 0), kBlack);

    EXPECT_TRUE(asContextImage(canvas)->bits(16).isNil());
    EXPECT_TRUE(asContextImage(ContextImage::make(0, 5))->bits(24).isNil());
    EXPECT_EQ(errors().size(), 2u);
}

} // namespace
} // namespace vel
