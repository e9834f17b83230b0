// Where the media area lies in windows of several sizes, and window pixels mapped back into it.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/media_viewport.h"

namespace vel::platform {
namespace {

TEST(MediaViewport, WholeScalesCentredAndWindowPixelsMapBackOnce)
{
    const struct { int windowWidth, windowHeight, x, y, width, height; } cases[] = {
        {640, 480, 0, 0, 640, 480},     {1280, 960, 0, 0, 1280, 960}, {1920, 1080, 320, 60, 1280, 960},
        {1000, 700, 180, 110, 640, 480}, {320, 300, 0, 30, 320, 240},  {0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        MediaViewport v = MediaViewport::fit(c.windowWidth, c.windowHeight, 640, 480);
        EXPECT_EQ(std::tie(v.x, v.y, v.width, v.height), std::tie(c.x, c.y, c.width, c.height)) << c.windowWidth;
    }
    const MediaViewport screen = MediaViewport::fit(1920, 1080, 640, 480);
    const struct { int windowX, windowY, x, y; } points[] = {
        {320, 60, 0, 0}, {319, 59, -1, -1}, {961, 541, 320, 240}, {1599, 1019, 639, 479}, {1600, 1020, 640, 480}};
    for (const auto& p : points) {
        int x = 0, y = 0;
        screen.toMedia(p.windowX, p.windowY, 640, 480, x, y);
        EXPECT_EQ(std::make_pair(x, y), std::make_pair(p.x, p.y)) << p.windowX << "," << p.windowY;
    }
}

} // namespace
} // namespace vel::platform
