#include "runtime/image_render.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
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

template <Format F>
using FormatConstant = std::integral_constant<Format, F>;

// Calls draw(image format, mask format), both as compile-time constants.
template <typename Draw>
void withFormats(const Raster& image, const Raster* mask, Draw draw)
{
    auto forMask = [&](auto imageFormat) {
        if (!mask)
            draw(imageFormat, FormatConstant<Format::None>{});
        else if (mask->format == Format::Indexed8)
            draw(imageFormat, FormatConstant<Format::Indexed8>{});
        else
            draw(imageFormat, FormatConstant<Format::Pixels32>{});
    };
    if (image.format == Format::Indexed8)
        forMask(FormatConstant<Format::Indexed8>{});
    else
        forMask(FormatConstant<Format::Pixels32>{});
}

// ---- at the image's own size ----

// A row of the image lands on a row of the view unchanged, so there are no column tables: rows are
// copied (8-bit ones through the palette) in groups of eight pixels, and an 8-bit mask is read a group
// at a time too. Masks are mostly long runs of one index, so most groups are shown or hidden whole;
// only groups on an edge go pixel by pixel.
template <Format IF>
inline void copyPixels(uint32_t* out, const uint8_t* imageRow, int sx, int n, const uint32_t* colours)
{
    if constexpr (IF == Format::Indexed8) {
        const uint8_t* in = imageRow + sx;
        int i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t indices;
            std::memcpy(&indices, in + i, 8);
#pragma GCC unroll 8
            for (int k = 0; k < 8; ++k)
                out[i + k] = colours[(indices >> (8 * k)) & 0xFF];
        }
        for (; i < n; ++i)
            out[i] = colours[in[i]];
    } else {
        std::memcpy(out, reinterpret_cast<const uint32_t*>(imageRow) + sx, sizeof(uint32_t) * static_cast<std::size_t>(n));
    }
}

template <Format IF, Format MF>
void drawUnscaledRow(uint32_t* out, const uint8_t* imageRow, const uint8_t* maskRow, int sx, int n,
                     const uint32_t* colours, const bool* showIndex)
{
    if constexpr (MF == Format::None) {
        copyPixels<IF>(out, imageRow, sx, n, colours);
    } else {
        int i = 0;
        if constexpr (MF == Format::Indexed8) {
            constexpr uint64_t kEveryByte = 0x0101010101010101ull;
            auto group = [&](int at, uint64_t indices) {
                if (indices == (indices & 0xFF) * kEveryByte) {
                    if (showIndex[indices & 0xFF])
                        copyPixels<IF>(out + at, imageRow, sx + at, 8, colours);
                    return;
                }
                for (int k = at; k < at + 8; ++k)
                    if (showIndex[maskRow[sx + k]])
                        out[k] = fetch<IF>(imageRow, sx + k, colours);
            };
            // Sixteen at a time while the mask runs on, eight where it changes.
            for (; i + 16 <= n; i += 16) {
                uint64_t first, second;
                std::memcpy(&first, maskRow + sx + i, 8);
                std::memcpy(&second, maskRow + sx + i + 8, 8);
                if (first == second && first == (first & 0xFF) * kEveryByte) {
                    if (showIndex[first & 0xFF])
                        copyPixels<IF>(out + i, imageRow, sx + i, 16, colours);
                    continue;
                }
                group(i, first);
                group(i + 8, second);
            }
            for (; i + 8 <= n; i += 8) {
                uint64_t indices;
                std::memcpy(&indices, maskRow + sx + i, 8);
                group(i, indices);
            }
        }
        for (; i < n; ++i) {
            bool show;
            if constexpr (MF == Format::Indexed8)
                show = showIndex[maskRow[sx + i]];
            else
                show = maskShowsImage(reinterpret_cast<const uint32_t*>(maskRow)[sx + i]);
            if (show)
                out[i] = fetch<IF>(imageRow, sx + i, colours);
        }
    }
}

template <Format IF, Format MF>
void drawUnscaledRows(const Raster& image, const Raster* mask, const platform::PixelView& view,
                      const platform::Rect& target, int64_t shiftX, int64_t shiftY)
{
    // Image pixel (x, y) lands on view pixel (x - shiftX, y - shiftY). Columns and rows the image
    // (and the mask) do not reach are cut off once. Sums are 64-bit: no coordinate pair overflows.
    int64_t left = std::max<int64_t>(target.left, image.area.left - shiftX);
    int64_t right = std::min<int64_t>(target.right, image.area.right - shiftX);
    int64_t top = std::max<int64_t>(target.top, image.area.top - shiftY);
    int64_t bottom = std::min<int64_t>(target.bottom, image.area.bottom - shiftY);
    bool showIndex[256];
    if constexpr (MF != Format::None) {
        left = std::max<int64_t>(left, mask->area.left - shiftX);
        right = std::min<int64_t>(right, mask->area.right - shiftX);
        top = std::max<int64_t>(top, mask->area.top - shiftY);
        bottom = std::min<int64_t>(bottom, mask->area.bottom - shiftY);
        if constexpr (MF == Format::Indexed8)
            for (int i = 0; i < 256; ++i)
                showIndex[i] = maskShowsImage(mask->colours[i]);
    }
    if (right <= left)
        return;
    const int n = static_cast<int>(right - left), sx = static_cast<int>(left + shiftX);
    for (int64_t dy = top; dy < bottom; ++dy) {
        const int sy = static_cast<int>(dy + shiftY);
        drawUnscaledRow<IF, MF>(view.row(static_cast<int>(dy)) + left, image.row(sy),
                                MF == Format::None ? nullptr : mask->row(sy), sx, n, image.colours, showIndex);
    }
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
    if (destination.width() == source.width() && destination.height() == source.height()) {
        const int64_t shiftX = int64_t(source.left) - destination.left, shiftY = int64_t(source.top) - destination.top;
        withFormats(image, mask, [&](auto imageFormat, auto maskFormat) {
            drawUnscaledRows<decltype(imageFormat)::value, decltype(maskFormat)::value>(image, mask, view, plan.target,
                                                                                      shiftX, shiftY);
        });
        return plan.target;
    }
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
    withFormats(image, mask, [&](auto imageFormat, auto maskFormat) {
        drawRows<decltype(imageFormat)::value, decltype(maskFormat)::value>(image, mask, view, plan, destination, source);
    });
    return plan.target;
}

platform::Rect renderRaster(const Raster& image, const Raster* mask, const platform::PixelView& view,
                            const platform::Rect& clip, int x, int y, const platform::Rect& source)
{
    return stretchRaster(image, mask, view, clip, platform::Rect::sized(x, y, source.width(), source.height()),
                         source);
}

} // namespace vel
