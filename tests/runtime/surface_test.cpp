// The drawing surface and the transitions: what reaches the presented frame, and how long it takes on
// the clock.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/clock.h"
#include "runtime/image_context.h"
#include "runtime/image_test_support.h"
#include "runtime/surface.h"
#include "runtime/transitions.h"
#include "support/error_capture.h"
#include "value/data_objects.h"

namespace vel {
namespace {

using platform::Rect;
using testing_support::ErrorCheckedTest;

class SurfaceTest : public ErrorCheckedTest {
protected:
    uint32_t framePixel(int x, int y) { return surface_.frame().pixels().row(y)[x] & 0xFFFFFF; }
    uint32_t offscreenPixel(int x, int y) { return surface_.offscreen().pixels().row(y)[x] & 0xFFFFFF; }
    void paintRed() { surface_.offscreen().fill({0, 0, 640, 480}, 0xFF0000); }

    platform::VirtualClock clock_;
    DrawingSurface surface_{640, 480, nullptr};
    bool disabled_ = false;
    Transitions transitions_{surface_, clock_, [this] { return disabled_; }};
};

TEST_F(SurfaceTest, DrawingHonoursOriginAndClipAndReachesTheFrameOnUpdate)
{
    surface_.setOrigin(100, 50);
    surface_.fill(Rect::sized(0, 0, 10, 10), 0x0000FF); // red as a colour reference
    EXPECT_EQ(offscreenPixel(100, 50), 0xFF0000u);
    EXPECT_EQ(offscreenPixel(99, 50), 0u);
    EXPECT_EQ(framePixel(100, 50), 0u); // not shown before update
    surface_.rectangle(Rect::sized(0, 0, 20, 20), 0x00FF00, 2);
    surface_.update();
    EXPECT_EQ(framePixel(101, 51), 0x00FF00u);
    EXPECT_EQ(framePixel(103, 53), 0xFF0000u); // inside the pen: the fill shows through
    EXPECT_EQ(framePixel(110, 60), 0u);
    surface_.setOrigin(0, 0);
    surface_.setClip(Rect::sized(300, 300, 5, 5));
    surface_.fill(Rect::sized(290, 290, 100, 100), 0xFFFFFF);
    EXPECT_EQ(offscreenPixel(302, 302), 0xFFFFFFu);
    EXPECT_EQ(offscreenPixel(310, 310), 0u);
    surface_.resetClip();
    surface_.fill(Rect::sized(310, 310, 1, 1), 0xFFFFFF);
    EXPECT_EQ(offscreenPixel(310, 310), 0xFFFFFFu);
}

TEST_F(SurfaceTest, FontsFollowTheHeightRule)
{
    EXPECT_EQ(DrawingSurface::pixelHeightForPoints(10), 13);
    ASSERT_TRUE(surface_.selectFont(Font::make(Value::string("Arial"), 12, 2)));
    platform::TextMetrics wide = surface_.measureText("WWWW");
    platform::TextMetrics narrow = surface_.measureText("iiii");
    EXPECT_GT(wide.width, narrow.width);
    EXPECT_GE(wide.height, 14);
    surface_.setTextColor(0xFFFFFF);
    surface_.textOut(10, 10, "S\xe3o Paulo");
    int inked = 0;
    for (int y = 10; y < 10 + wide.height; ++y)
        for (int x = 10; x < 80; ++x)
            inked += offscreenPixel(x, y) != 0;
    EXPECT_GT(inked, 0);
    EXPECT_FALSE(surface_.selectFont(Font::make(Value::string("Arial"), 0, 0)));
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot find font: Arial of size 0 with style 0"});
}

TEST_F(SurfaceTest, EachSteppedEffectRevealsTheWholeAreaInItsDuration)
{
    for (int effect = 1; effect <= 11; ++effect) {
        surface_.frame().fill({0, 0, 640, 480}, 0);
        paintRed();
        uint32_t start = clock_.now();
        transitions_.run(effect, 500, 0, 0, 0, 640, 480);
        uint32_t took = clock_.now() - start;
        EXPECT_NEAR(double(took), 507.5, 12.5) << "effect " << effect;
        for (auto [x, y] : {std::pair{0, 0}, {639, 479}, {320, 240}, {17, 401}, {639, 0}})
            EXPECT_EQ(framePixel(x, y), 0xFF0000u) << "effect " << effect << " at " << x << "," << y;
    }
}

TEST_F(SurfaceTest, TransitionsStayInsideTheirAreaAndDisabledOnesReturnAtOnce)
{
    paintRed();
    transitions_.run(3, 400, 40, 0, 0, 320, 480); // wipe right over the left half only
    EXPECT_EQ(framePixel(319, 200), 0xFF0000u);
    EXPECT_EQ(framePixel(320, 200), 0u);
    surface_.frame().fill({0, 0, 640, 480}, 0);
    transitions_.run(5, 0, 0, 100, 0, -1, 10); // a negative width reaches the right edge
    EXPECT_EQ(framePixel(99, 5), 0u);
    EXPECT_EQ(framePixel(639, 5), 0xFF0000u);
    EXPECT_EQ(framePixel(100, 10), 0u);
    disabled_ = true;
    surface_.frame().fill({0, 0, 640, 480}, 0);
    const uint32_t start = clock_.now();
    transitions_.run(7, 1000, 0, 0, 0, 640, 480);
    transitions_.run(13, 1000, 0xFFFFFF, 0, 0, 640, 480);
    EXPECT_EQ(clock_.now(), start);
    EXPECT_EQ(framePixel(320, 240), 0u);
}

TEST_F(SurfaceTest, FadesBlendTheFrameOverTheirDuration)
{
    surface_.frame().fill({0, 0, 640, 480}, 0x000000);
    uint32_t start = clock_.now();
    transitions_.run(13, 800, 0xFFFFFF, 0, 0, 640, 480); // to white
    EXPECT_GE(clock_.now() - start, 800u);
    EXPECT_EQ(framePixel(5, 5), 0xFFFFFFu);
    EXPECT_EQ(offscreenPixel(5, 5), 0xFFFFFFu);

    paintRed();
    transitions_.run(12, 600, 0x000000, 0, 0, 640, 480); // from black to the picture
    EXPECT_EQ(framePixel(5, 5), 0xFF0000u);

    surface_.offscreen().fill({0, 0, 640, 480}, 0x0000FF);
    transitions_.crossFade(0);
    EXPECT_EQ(framePixel(7, 7), 0x0000FFu);
}

TEST_F(SurfaceTest, TextInARectangleWrapsAndCentres)
{
    surface_.selectFont(Font::make(Value::string("Arial"), 10, 0));
    surface_.setTextColor(0xFFFFFF);
    int oneLine = surface_.drawTextInRect(Rect::sized(0, 0, 600, 100), "short", text_format::Center);
    int wrapped = surface_.drawTextInRect(Rect::sized(0, 100, 80, 200),
                                          "several words that cannot fit on one line", text_format::WordBreak);
    EXPECT_GT(wrapped, 2 * oneLine);
    for (int y = 0; y < oneLine; ++y)
        for (int x = 0; x < 250; ++x)
            ASSERT_EQ(offscreenPixel(x, y), 0u);
}

// Sharp surfaces: text is drawn at the real resolution, bitmaps blown up with exact masks.
TEST_F(SurfaceTest, AtScaleThreeTextEdgesAreSharpAndMaskedBitmapsStepByThree)
{
    DrawingSurface sharp(640, 480, nullptr, 3);
    sharp.fill({0, 0, 640, 480}, 0xFFFFFF);
    sharp.selectFont(Font::make(Value::string("Arial"), 40, 0));
    sharp.textOut(20, 20, "l");
    const platform::PixelView v = sharp.offscreen().pixels();
    int grey = 0, inked = 0;
    for (int x = 0; x < 200; ++x) {
        const uint32_t p = v.row(3 * 45)[x] & 0xFF;
        grey += p > 0x10 && p < 0xF0;
        inked += p <= 0x10;
    }
    EXPECT_GE(inked, 6);   // a stroke several real pixels wide ...
    EXPECT_LE(grey, 2);    // ... with at most one grey pixel at each edge

    image_test::Bitmap picture = image_test::patterned(4, 4, 24), mask;
    mask.width = mask.height = 4, mask.bits = 1, mask.colours = {0xFF000000, 0xFFFFFFFF};
    for (int i = 0; i < 16; ++i)
        mask.indices.push_back(i % 4 >= i / 4 ? 0 : 1); // shown on and above the diagonal
    Value image = imageFromBuffer(image_test::bufferOf(image_test::encode(picture, true)), "bmp");
    ASSERT_TRUE(setImageMask(image, imageFromBuffer(image_test::bufferOf(image_test::encode(mask, false)), "dib")));
    velDrawImage(sharp.context(), image, 10, 10);
    velDrawImage(sharp.context(), imageFromBuffer(image_test::bufferOf(image_test::encode(picture, true)), "bmp"), 14, 10);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            ASSERT_EQ(v.row(30 + y)[30 + x], x / 3 >= y / 3 ? picture.expected(x / 3, y / 3) : 0xFFFFFFFFu) << x << "," << y;
            ASSERT_EQ(v.row(30 + y)[42 + x], picture.expected(x / 3, y / 3)) << x << "," << y; // unmasked
        }

    // A photograph (a horizontal ramp) is filtered: neighbouring real pixels differ, no 3x3 squares.
    std::vector<uint8_t> ramp;
    for (int i = 0; i < 64; ++i)
        ramp.insert(ramp.end(), {static_cast<uint8_t>(i % 8 * 32), 0, 0});
    velDrawImage(sharp.context(), imageFromBuffer(image_test::bufferOf(image_test::compressJpeg(8, 8, ramp)), "jpg"), 100, 100);
    int repeats = 0;
    for (int x = 301; x < 321; ++x)
        repeats += v.row(310)[x] == v.row(310)[x - 1];
    EXPECT_LE(repeats, 4);

    // A dialog's saved background comes back at the real resolution.
    const std::vector<uint32_t> before(v.row(135), v.row(135) + 300);
    Value saved = captureImage(sharp.context(), 0, 0, 100, 100, Value(), true);
    sharp.fill({0, 0, 100, 100}, 0);
    velDrawImage(sharp.context(), saved, 0, 0);
    EXPECT_EQ(std::vector<uint32_t>(v.row(135), v.row(135) + 300), before);

    // Clips and copies are in media pixels and carry every real one.
    sharp.setClip(Rect::sized(0, 0, 100, 50));
    sharp.fill({0, 0, 640, 480}, 0x0000FF);
    sharp.resetClip();
    sharp.copyArea(Rect::sized(90, 40, 20, 20), 300, 200);
    EXPECT_EQ(std::pair(v.row(149)[299] & 0xFFFFFF, v.row(150)[299] & 0xFFFFFF), std::pair(0xFF0000u, 0xFFFFFFu));
    for (int y = 0; y < 60; ++y)
        ASSERT_EQ(std::memcmp(v.row(600 + y) + 900, v.row(120 + y) + 270, 60 * 4), 0) << y;
}

TEST_F(SurfaceTest, AScrolledAreaPlusItsUncoveredStripShowsWhatDrawingItMovedShows)
{
    // Text has detail finer than a media pixel at scale 3; an area runs off the corner, a shift past its
    // area moves nothing. The frame shows the area (0), is not updated (1) or a movie drew into it (2).
    const struct { int scale; Rect area; int dx, dy, before, moves; } cases[] = {
        {1, {40, 30, 300, 200}, 0, -17, 0, 1}, {3, {40, 30, 300, 200}, 0, 23, 1, 1}, {3, {40, 30, 300, 200}, 9, -4, 0, 1},
        {3, {40, 30, 300, 200}, -5, 0, 2, 1},  {3, {500, 400, 700, 520}, 6, 7, 0, 1}, {1, {40, 30, 300, 200}, 0, 170, 0, 0}};
    for (const auto& c : cases) {
        DrawingSurface moved(640, 480, nullptr, c.scale), drawn(640, 480, nullptr, c.scale);
        auto paint = [&c](DrawingSurface& s, int dx, int dy, const Rect& within) {
            s.setClip(within);
            s.fill(c.area, 0xE0F0FF);
            s.selectFont(Font::make(Value::string("Arial"), 13, 0));
            for (int line = -2; line < 14; ++line)
                s.textOut(c.area.left + dx + line, c.area.top + dy + line * 15, "Vagem, jil\xf3 e quiabo " + std::to_string(line));
        };
        paint(moved, 0, 0, c.area);
        if (c.before != 1)
            moved.update();
        if (c.before == 2)
            moved.frame().fill({100, 100, 200, 150}, 0x123456);
        moved.scroll(c.area, c.dx, c.dy);
        const Rect box = c.area.intersect({0, 0, 640, 480});
        for (const Rect& strip : {c.dx > 0 ? Rect{box.left, box.top, box.left + c.dx, box.bottom}
                                           : Rect{box.right + c.dx, box.top, box.right, box.bottom},
                                  c.dy > 0 ? Rect{box.left, box.top, box.right, box.top + c.dy}
                                           : Rect{box.left, box.bottom + c.dy, box.right, box.bottom}})
            paint(moved, c.dx * c.moves, c.dy * c.moves, strip);
        moved.update();
        paint(drawn, c.dx * c.moves, c.dy * c.moves, c.area);
        drawn.update();
        const platform::PixelView a = moved.frame().pixels(), b = drawn.frame().pixels();
        EXPECT_EQ(std::memcmp(a.pixels, b.pixels, 4u * a.stride * a.height), 0) << c.scale << " " << c.dx << "," << c.dy;
    }
}

TEST_F(SurfaceTest, AtScaleTwoEveryEffectEndsOnTheDirectlyDrawnFrame)
{
    DrawingSurface sharp(640, 480, nullptr, 2);
    Transitions effects(sharp, clock_, [] { return false; });
    sharp.selectFont(Font::make(Value::string("Arial"), 14, 0));
    for (int effect = 1; effect <= 13; ++effect) {
        sharp.frame().fill({0, 0, 640, 480}, 0x102030);
        sharp.fill({0, 0, 640, 480}, 0x00FF00);
        sharp.line(5, 7, 300, 211, 0xFF, 1);
        sharp.textOut(33, 41, "Orvale Vanta");
        effects.run(effect, 300, effect >= 12 ? 0x808080 : 0, 0, 0, 640, 480);
        const platform::PixelView frame = sharp.frame().pixels(), target = sharp.offscreen().pixels();
        for (int y = 0; y < frame.height; ++y)
            ASSERT_EQ(std::memcmp(frame.row(y), target.row(y), 4u * frame.width), 0) << "effect " << effect << " row " << y;
    }
}

} // namespace
} // namespace vel
