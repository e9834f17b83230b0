#include "runtime/image_smooth.h"

#include "platform/smooth_scale.h"

namespace vel {

platform::Rect smoothStretchRaster(const Raster& image, const platform::PixelView& view, const platform::Rect& clip,
                                   const platform::Rect& destination, const platform::Rect& source)
{
    if (image.empty() || destination.empty() || source.empty() || !view.pixels)
        return {};
    // Only decoded photographs come here: 32-bit rows stored top-down. Anything else keeps its pixels.
    if (image.format != Raster::Format::Pixels32 || image.stride <= 0 || image.stride % 4 != 0)
        return stretchRaster(image, nullptr, view, clip, destination, source);
    // Row 0 of the view is the raster's first row: rectangles move up by it.
    const int top = image.area.top;
    const platform::PixelView rows{const_cast<uint32_t*>(reinterpret_cast<const uint32_t*>(image.top)), image.area.right,
                                   image.area.height(), static_cast<int>(image.stride / 4)};
    return platform::smoothScale(rows, {image.area.left, 0, image.area.right, image.area.height()},
                                 {source.left, source.top - top, source.right, source.bottom - top}, view, clip,
                                 destination);
}

} // namespace vel
