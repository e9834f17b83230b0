// Bitmaps and JPEGs made inside the tests, so every expected pixel is known.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media_writers/media_writers.h"
#include "platform/pixels.h"
#include "runtime/drawing_context.h"
#include "runtime/image.h"
#include "value/buffer.h"
#include "value/builtins.h"

namespace vel::image_test {

using media_writers::Bytes;

struct Bitmap {
    int width = 0, height = 0, bits = 8;
    std::vector<uint32_t> colours; // opaque pixels of the colour table
    std::vector<int> indices;      // width x height, top-down, for 1, 4 and 8 bits
    std::vector<uint32_t> pixels;  // width x height, top-down, for 16, 24 and 32 bits
    uint32_t compression = 0;
    Bytes rleData;                 // the pixel bytes of an RLE bitmap, made by the test

    uint32_t expected(int x, int y) const
    {
        return bits <= 8 ? colours[static_cast<std::size_t>(indices[static_cast<std::size_t>(y * width + x)])]
                         : pixels[static_cast<std::size_t>(y * width + x)];
    }
};

// A bitmap with indices (x * 7 + y * 3) modulo the colour count and a colour table of distinct colours.
inline Bitmap patterned(int width, int height, int bits)
{
    Bitmap b;
    b.width = width, b.height = height, b.bits = bits;
    if (bits <= 8) {
        const int count = 1 << bits;
        for (int i = 0; i < count; ++i)
            b.colours.push_back(platform::opaque(static_cast<uint8_t>(i * 37 + 5), static_cast<uint8_t>(255 - i),
                                                 static_cast<uint8_t>(i * 11 + 100)));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                b.indices.push_back((x * 7 + y * 3) % count);
    } else {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t r = static_cast<uint8_t>(x * 16 + 3), g = static_cast<uint8_t>(y * 16 + 5),
                        bl = static_cast<uint8_t>((x + y) * 8 + 7);
                if (bits == 16) // five bits a channel, expanded the way the decoder scales them
                    r = static_cast<uint8_t>((r >> 3) * 255 / 31), g = static_cast<uint8_t>((g >> 3) * 255 / 31),
                    bl = static_cast<uint8_t>((bl >> 3) * 255 / 31);
                b.pixels.push_back(platform::opaque(r, g, bl));
            }
    }
    return b;
}

// The bitmap as a file ("BM" header) or as a bare information header followed by colours and pixels.
inline Bytes encode(const Bitmap& b, bool fileHeader, bool topDown = false)
{
    media_writers::BitmapSpec spec{b.width, b.height, b.bits, b.compression, b.colours, topDown};
    Bytes pixels = !b.rleData.empty() ? b.rleData : media_writers::pixelRows(spec, [&](int x, int y) {
        const auto at = static_cast<std::size_t>(y * b.width + x);
        return b.bits <= 8 ? static_cast<uint32_t>(b.indices[at]) : b.pixels[at];
    });
    return fileHeader ? media_writers::bitmapFile(spec, pixels) : media_writers::bareBitmap(spec, pixels);
}

inline Value bufferOf(const Bytes& bytes)
{
    return Buffer::over(bytes.data(), static_cast<int32_t>(bytes.size()), true);
}

inline Bytes compressJpeg(int width, int height, const std::vector<uint8_t>& rgb, int quality = 95,
                          bool progressive = false)
{
    return media_writers::jpegFile(width, height, rgb, quality, progressive);
}

// A memory context filled with one colour.
inline Value filledContext(int width, int height, uint32_t colour)
{
    Value c = DrawingContext::memory(width, height);
    const platform::PixelView& v = c.as<DrawingContext>()->view();
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x)
            v.row(y)[x] = colour;
    return c;
}

inline uint32_t pixelOf(const Value& context, int x, int y)
{
    return context.as<DrawingContext>()->view().row(y)[x];
}

} // namespace vel::image_test
