#include "runtime/image_smooth.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/smooth_scale.h"

namespace vel {

namespace {

// Where one output column (or row) samples: the two neighbours and the weight of the second, 0-256.
struct Tap {
    int first = 0, second = 0, weight = 0;
};

// Output pixel centres mapped back into the source; the outermost half pixels hold the edge colour.
std::vector<Tap> taps(int from, int to, int destinationStart, int destinationSize, int sourceStart, int sourceSize,
                      int low, int high)
{
    std::vector<Tap> out;
    out.reserve(static_cast<std::size_t>(std::max(0, to - from)));
    const double step = static_cast<double>(sourceSize) / destinationSize;
    for (int d = from; d < to; ++d) {
        double at = sourceStart + (d - destinationStart + 0.5) * step - 0.5;
        at = std::clamp(at, static_cast<double>(low), static_cast<double>(high));
        const int first = static_cast<int>(std::floor(at));
        const int weight = static_cast<int>(std::lround((at - first) * 256));
        out.push_back({first, std::min(first + 1, high), weight});
    }
    return out;
}

uint32_t blend(uint32_t a, uint32_t b, int weight)
{
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t x = (a >> shift) & 255, y = (b >> shift) & 255;
        out |= ((x * (256 - weight) + y * weight + 128) >> 8) << shift;
    }
    return out;
}

} // namespace

platform::Rect smoothStretchRaster(const Raster& image, const platform::PixelView& view, const platform::Rect& clip,
                                   const platform::Rect& destination, const platform::Rect& source)
{
    if (image.empty() || destination.empty() || source.empty() || !view.pixels)
        return {};
    // Rows of 32-bit pixels stored top-down go through cairo's filter, the faster one.
    if (image.format == Raster::Format::Pixels32 && image.stride > 0 && image.stride % 4 == 0) {
        // Row 0 of the view is the raster's first row: rectangles move up by it.
        const int top = image.area.top;
        const platform::PixelView rows{const_cast<uint32_t*>(reinterpret_cast<const uint32_t*>(image.top)),
                                       image.area.right, image.area.height(), static_cast<int>(image.stride / 4)};
        return platform::smoothScale(rows, {image.area.left, 0, image.area.right, image.area.height()},
                                     {source.left, source.top - top, source.right, source.bottom - top}, view, clip,
                                     destination);
    }
    const platform::Rect target = destination.intersect(clip).intersect(view.bounds());
    const platform::Rect usable = source.intersect(image.area);
    if (target.empty() || usable.empty())
        return {};
    const std::vector<Tap> columns = taps(target.left, target.right, destination.left, destination.width(),
                                          source.left, source.width(), usable.left, usable.right - 1);
    const std::vector<Tap> rows = taps(target.top, target.bottom, destination.top, destination.height(),
                                       source.top, source.height(), usable.top, usable.bottom - 1);
    for (int dy = target.top; dy < target.bottom; ++dy) {
        const Tap& r = rows[static_cast<std::size_t>(dy - target.top)];
        uint32_t* out = view.row(dy) + target.left;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const Tap& c = columns[i];
            const uint32_t top = blend(image.pixelAt(c.first, r.first), image.pixelAt(c.second, r.first), c.weight);
            const uint32_t bottom = blend(image.pixelAt(c.first, r.second), image.pixelAt(c.second, r.second), c.weight);
            out[i] = blend(top, bottom, r.weight);
        }
    }
    return target;
}

} // namespace vel
