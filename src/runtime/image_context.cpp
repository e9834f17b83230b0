#include "runtime/image_context.h"

#include <array>
#include <string>
#include <vector>

#include "runtime/image_dib.h"
#include "runtime/palette.h"
#include "value/buffer.h"
#include "value/error.h"

namespace vel {

Value ContextImage::make(int32_t width, int32_t height, const Value& palette, int scale)
{
    auto* image = new ContextImage;
    Value v = Value::adopt(Tag::Image, image);
    image->context_ = DrawingContext::memory(width, height, scale);
    image->width_ = image->context().bounds().width();
    image->height_ = image->context().bounds().height();
    image->palette_ = palette;
    image->colourCount_ = palette.is(Tag::Palette) ? Palette::kSize : 0;
    return v;
}

Raster ContextImage::raster()
{
    const platform::PixelView& view = context().view();
    if (!view.pixels || view.width <= 0 || view.height <= 0)
        return Raster{};
    return Raster{Raster::Format::Pixels32, reinterpret_cast<const uint8_t*>(view.pixels),
                  static_cast<std::ptrdiff_t>(view.stride) * 4, nullptr, view.bounds()};
}

WireParts ContextImage::wireParts() const
{
    WireParts parts = Image::wireParts();
    parts.encodable = false;
    return parts;
}

bool ContextImage::acceptsMask(std::string_view maskSubType, bool stretching) const
{
    if (maskSubType == "context" || maskSubType == "dib" || maskSubType == "pic")
        return true;
    velError(stretching
                 ? "velContextImageObject::stretchIntoContext: Mask image must be of type 'context', 'dib' or 'pic'."
                 : "velContextImageObject::renderIntoContext: Mask image must be of type 'context', 'dib' or 'pic'.");
    return false;
}

Value ContextImage::bits(int32_t bitsPerPixel)
{
    if (bitsPerPixel != 8 && bitsPerPixel != 24) {
        velError("Unsupported bits per pixel: " + std::to_string(bitsPerPixel));
        return Value();
    }
    const platform::PixelView& view = context().view();
    if (!view.pixels || view.width <= 0 || view.height <= 0) {
        velError("Cannot get bits from image");
        return Value();
    }
    if (bitsPerPixel == 24)
        return dibFromPixels(view.pixels, view.width, view.height, view.stride);

    std::array<PaletteEntry, Palette::kSize> colours = systemPalette();
    if (const Palette* p = asPalette(palette_))
        colours = p->entries;
    Value buffer = blankBitmap(view.width, view.height, 8, 256);
    Buffer* b = asBuffer(buffer);
    if (!b) {
        velError("Cannot get bits from image");
        return Value();
    }
    uint8_t* table = b->bytes() + 40;
    for (int i = 0; i < Palette::kSize; ++i) {
        table[4 * i] = colours[i].blue;
        table[4 * i + 1] = colours[i].green;
        table[4 * i + 2] = colours[i].red;
        table[4 * i + 3] = 0;
    }
    // Nearest colour by squared distance, remembered per 15-bit colour: photographs repeat colours.
    std::vector<int16_t> nearest(32768, -1);
    auto match = [&](uint32_t pixel) {
        const uint32_t key = ((pixel >> 9) & 0x7C00) | ((pixel >> 6) & 0x03E0) | ((pixel >> 3) & 0x001F);
        if (nearest[key] < 0) {
            const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, bl = pixel & 0xFF;
            int best = 0, bestDistance = 1 << 30;
            for (int i = 0; i < Palette::kSize; ++i) {
                const int dr = r - colours[i].red, dg = g - colours[i].green, db = bl - colours[i].blue;
                const int distance = dr * dr + dg * dg + db * db;
                if (distance < bestDistance)
                    best = i, bestDistance = distance;
            }
            nearest[key] = static_cast<int16_t>(best);
        }
        return static_cast<uint8_t>(nearest[key]);
    };
    const int64_t rowBytes = (int64_t(view.width) + 3) / 4 * 4;
    uint8_t* base = table + 4 * Palette::kSize;
    for (int64_t y = 0; y < view.height; ++y) {
        const uint32_t* in = view.row(static_cast<int>(y));
        uint8_t* out = base + (view.height - 1 - y) * rowBytes;
        for (int x = 0; x < view.width; ++x)
            out[x] = match(in[x]);
    }
    Value image = DibImage::make(buffer);
    image.as<DibImage>()->validate();
    return image;
}

Value captureImage(const Value& contextOrImage, int32_t x, int32_t y, int32_t width, int32_t height,
                   const Value& palette, bool keepResolution)
{
    const DrawingContext* source = asDrawingContext(contextOrImage);
    if (!source) {
        if (ContextImage* image = asContextImage(contextOrImage))
            source = &image->context();
    }
    if (!source)
        return Value();
    // Otherwise a sharp surface gives each pixel's top-left real pixel: the capture keeps the data's size.
    const int k = source->scale(), kept = keepResolution ? k : 1;
    Value captured = ContextImage::make(width, height, palette, kept);
    ContextImage* image = captured.as<ContextImage>();
    const platform::PixelView& from = source->view();
    const platform::PixelView& to = image->context().view();
    // A page drawn as vectors has no pixels to give: the capture stays black.
    if (!from.pixels || !to.pixels)
        return captured;
    const int64_t left = std::max<int64_t>(x, 0) * k, top = std::max<int64_t>(y, 0) * k;
    const int64_t right = std::min<int64_t>(int64_t(x) + image->width(), source->bounds().right) * k;
    const int64_t bottom = std::min<int64_t>(int64_t(y) + image->height(), source->bounds().bottom) * k;
    const int step = k / kept;
    for (int64_t row = top; row < bottom; row += step) {
        const uint32_t* in = from.row(static_cast<int>(row));
        uint32_t* out = to.row(static_cast<int>((row - int64_t(y) * k) / step));
        for (int64_t column = left; column < right; column += step)
            out[(column - int64_t(x) * k) / step] = in[column];
    }
    return captured;
}

} // namespace vel
