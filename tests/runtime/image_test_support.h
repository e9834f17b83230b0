// Bitmaps and JPEGs made inside the tests, so every expected pixel is known.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "platform/pixels.h"
#include "support/bytes.h"
#include "runtime/drawing_context.h"
#include "runtime/image.h"
#include "value/buffer.h"
#include "value/builtins.h"

namespace vel::image_test {

using testing_support::Bytes;
using testing_support::put16;
using testing_support::put32;

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

inline Bytes pixelBytes(const Bitmap& b, bool topDown)
{
    if (!b.rleData.empty())
        return b.rleData;
    const std::size_t rowBytes = (static_cast<std::size_t>(b.width) * b.bits + 31) / 32 * 4;
    Bytes out(rowBytes * b.height, 0);
    for (int row = 0; row < b.height; ++row) {
        const int y = topDown ? row : b.height - 1 - row;
        uint8_t* o = out.data() + row * rowBytes;
        for (int x = 0; x < b.width; ++x) {
            if (b.bits <= 8) {
                const int v = b.indices[static_cast<std::size_t>(y * b.width + x)];
                const int bitPos = x * b.bits;
                o[bitPos / 8] |= static_cast<uint8_t>(v << (8 - b.bits - bitPos % 8));
            } else {
                const uint32_t p = b.pixels[static_cast<std::size_t>(y * b.width + x)];
                const uint8_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, bl = p & 0xFF;
                if (b.bits == 24) {
                    o[3 * x] = bl, o[3 * x + 1] = g, o[3 * x + 2] = r;
                } else if (b.bits == 32) {
                    o[4 * x] = bl, o[4 * x + 1] = g, o[4 * x + 2] = r, o[4 * x + 3] = 0;
                } else {
                    const uint32_t v = uint32_t(r >> 3) << 10 | uint32_t(g >> 3) << 5 | (bl >> 3);
                    o[2 * x] = static_cast<uint8_t>(v), o[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                }
            }
        }
    }
    return out;
}

// The bitmap as a file ("BM" header) or as a bare information header followed by colours and pixels.
inline Bytes encode(const Bitmap& b, bool fileHeader, bool topDown = false)
{
    Bytes pixels = pixelBytes(b, topDown);
    Bytes info;
    put32(info, 40);
    put32(info, static_cast<uint32_t>(b.width));
    put32(info, static_cast<uint32_t>(topDown ? -b.height : b.height));
    put16(info, 1);
    put16(info, static_cast<uint32_t>(b.bits));
    put32(info, b.compression);
    put32(info, static_cast<uint32_t>(pixels.size()));
    put32(info, 2835);
    put32(info, 2835);
    put32(info, static_cast<uint32_t>(b.colours.size()));
    put32(info, 0);
    for (uint32_t c : b.colours)
        put32(info, c & 0x00FFFFFF); // blue, green, red, 0 in memory
    Bytes out;
    if (fileHeader) {
        out = {'B', 'M'};
        put32(out, static_cast<uint32_t>(14 + info.size() + pixels.size()));
        put32(out, 0);
        put32(out, static_cast<uint32_t>(14 + info.size()));
    }
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

inline Value bufferOf(const Bytes& bytes)
{
    return Buffer::over(bytes.data(), static_cast<int32_t>(bytes.size()), true);
}

// Baseline JPEG of the given RGB pixels (top-down, 3 bytes a pixel) through libjpeg's compressor.
inline Bytes compressJpeg(int width, int height, const std::vector<uint8_t>& rgb, int quality = 95,
                          bool progressive = false)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(rgb.data()) + static_cast<std::size_t>(info.next_scanline) * width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(out, out + size);
    std::free(out);
    return bytes;
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
