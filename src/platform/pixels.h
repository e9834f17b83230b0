// Pixel memory shared by the drawing surface, images and screenshots: 32-bit pixels 0xAARRGGBB in
// native byte order (cairo's ARGB32), opaque, rows `stride` pixels apart.
#pragma once

#include <cstdint>

namespace vel::platform {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    Rect intersect(const Rect& o) const
    {
        Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top, right < o.right ? right : o.right,
               bottom < o.bottom ? bottom : o.bottom};
        if (r.empty())
            r = Rect{};
        return r;
    }
    static Rect sized(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
};

struct PixelView {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0; // in pixels

    uint32_t* row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
    Rect bounds() const { return {0, 0, width, height}; }
};

constexpr uint32_t opaque(uint8_t r, uint8_t g, uint8_t b)
{
    return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}
// A Windows colour reference (red in the low byte) as a pixel.
constexpr uint32_t fromColorRef(int32_t colorRef)
{
    auto c = static_cast<uint32_t>(colorRef);
    return opaque(static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16));
}

} // namespace vel::platform
