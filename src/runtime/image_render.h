// Drawing decoded image pixels into a pixel view: plain and stretched, through an optional mask.
// The mask rule is in docs/image_masks.md: the image shows where the mask pixel is dark.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/pixels.h"

namespace vel {

// Decoded pixels of an image, in top-down image coordinates. `area` is the part of the image the
// pixels cover (a bitmap cut short covers fewer rows than its header says).
struct Raster {
    enum class Format { None, Indexed8, Pixels32 };
    Format format = Format::None;
    const uint8_t* top = nullptr; // first byte of row area.top
    std::ptrdiff_t stride = 0;    // bytes from a row to the next one down, negative for rows stored bottom-up
    const uint32_t* colours = nullptr; // Indexed8: 256 opaque pixels
    platform::Rect area;

    bool empty() const { return format == Format::None || area.empty(); }
    const uint8_t* row(int y) const { return top + static_cast<std::ptrdiff_t>(y - area.top) * stride; }
    uint32_t pixelAt(int x, int y) const
    {
        if (format == Format::Indexed8)
            return colours[row(y)[x]];
        return reinterpret_cast<const uint32_t*>(row(y))[x];
    }
};

// True when a mask pixel lets the image show: its red, green and blue sum below 384.
constexpr bool maskShowsImage(uint32_t maskPixel)
{
    return ((maskPixel >> 16) & 0xFF) + ((maskPixel >> 8) & 0xFF) + (maskPixel & 0xFF) < 384;
}

// Draws `source` (image coordinates) scaled to `destination` (view coordinates), nearest pixel,
// touching only pixels inside clip and the view. Source pixels outside the raster, and pixels the
// mask hides or does not cover, leave the view as it was. Returns the area that may have changed.
platform::Rect stretchRaster(const Raster& image, const Raster* mask, const platform::PixelView& view,
                             const platform::Rect& clip, const platform::Rect& destination,
                             const platform::Rect& source);
// The same at the source's own size, with its top-left at (x, y).
platform::Rect renderRaster(const Raster& image, const Raster* mask, const platform::PixelView& view,
                            const platform::Rect& clip, int x, int y, const platform::Rect& source);

} // namespace vel
