#include "runtime/image_render.h"

#include <vector>

namespace vel {

namespace {

using Format = Raster::Format;

template <Format F>
inline uint32_t fetch(const uint8_t* row, int x, const uint32_t* colours)
{
    if constexpr (F == Format::Indexed8)
        return colours[row[x]];
    else
        return reinterpret_cast<const uint32_t*>(row)[x];
}

struct Plan {
    platform::Rect target;      // view pixels to visit
    std::vector<int> imageCols; // per target column: source column, or -1 outside the raster
    std::vector<int> maskCols;  // per target column: mask column, or -1 where the mask does not reach
};

template <Format IF, Format MF>
void drawRows(const Raster& image, const Raster* mask, const platform::PixelView& view, const Plan& plan,
              const platform::Rect& destination, const platform::Rect& source)
{
    bool showIndex[256];
    if constexpr (MF == Format::Indexed8) {
        for (int i = 0; i < 256; ++i)
            showIndex[i] = maskShowsImage(mask->colours[i]);
    }
    const int64_t dh = destination.height(), sh = source.height();
    const int columns = plan.target.width();
    for (int dy = plan.target.top; dy < plan.target.bottom; ++dy) {
        const int sy = source.top + static_cast<int>((dy - destination.top) * sh / dh);
        if (sy < image.area.top || sy >= image.area.bottom)
            continue;
        const uint8_t* imageRow = image.row(sy);
        uint32_t* out = view.row(dy) + plan.target.left;
        if constexpr (MF == Format::None) {
            for (int i = 0; i < columns; ++i) {
                int sx = plan.imageCols[i];
                if (sx >= 0)
                    out[i] = fetch<IF>(imageRow, sx, image.colours);
            }
        } else {
            if (sy < mask->area.top || sy >= mask->area.bottom)
                continue; // the mask does not reach this row: the target shows through
            const uint8_t* maskRow = mask->row(sy);
            for (int i = 0; i < columns; ++i) {
                int sx = plan.imageCols[i];
                int mx = plan.maskCols[i];
                if (sx < 0 || mx < 0)
                    continue;
                bool show;
                if constexpr (MF == Format::Indexed8)
                    show = showIndex[maskRow[mx]];
                else
                    show = maskShowsImage(reinterpret_cast<const uint32_t*>(maskRow)[mx]);
                if (show)
                    out[i] = fetch<IF>(imageRow, sx, image.colours);
            }
        }
    }
}

template <Format IF>
void drawWithMask(const Raster& image, const Raster* mask, const platform::PixelView& view, const Plan& plan,
                  const platform::Rect& destination, const platform::Rect& source)
{
    if (!mask)
        drawRows<IF, Format::None>(image, mask, view, plan, destination, source);
    else if (mask->format == Format::Indexed8)
        drawRows<IF, Format::Indexed8>(image, mask, view, plan, destination, source);
    else
        drawRows<IF, Format::Pixels32>(image, mask, view, plan, destination, source);
}

} // namespace

platform::Rect stretchRaster(const Raster& image, const Raster* mask, const platform::PixelView& view,
                             const platform::Rect& clip, const platform::Rect& destination,
                             const platform::Rect& source)
{
    if (image.empty() || destination.empty() || source.empty() || !view.pixels)
        return {};
    if (mask && mask->empty())
        return {}; // a mask with no pixels hides everything
    Plan plan;
    plan.target = destination.intersect(clip).intersect(view.bounds());
    if (plan.target.empty())
        return {};
    const int64_t dw = destination.width(), sw = source.width();
    const int columns = plan.target.width();
    plan.imageCols.resize(static_cast<std::size_t>(columns));
    if (mask)
        plan.maskCols.resize(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) {
        const int sx = source.left + static_cast<int>((plan.target.left + i - destination.left) * sw / dw);
        plan.imageCols[i] = sx >= image.area.left && sx < image.area.right ? sx : -1;
        if (mask)
            plan.maskCols[i] = sx >= mask->area.left && sx < mask->area.right ? sx : -1;
    }
    if (image.format == Format::Indexed8)
        drawWithMask<Format::Indexed8>(image, mask, view, plan, destination, source);
    else
        drawWithMask<Format::Pixels32>(image, mask, view, plan, destination, source);
    return plan.target;
}

platform::Rect renderRaster(const Raster& image, const Raster* mask, const platform::PixelView& view,
                            const platform::Rect& clip, int x, int y, const platform::Rect& source)
{
    return stretchRaster(image, mask, view, clip, platform::Rect::sized(x, y, source.width(), source.height()),
                         source);
}

} // namespace vel
