#include "media_writers/media_writers.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace vel::media_writers {

void put16(Bytes& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(Bytes& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putBig32(Bytes& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void putVariableLength(Bytes& out, uint32_t value)
{
    int shift = 28;
    while (shift > 0 && (value >> shift) == 0)
        shift -= 7;
    for (; shift > 0; shift -= 7)
        out.push_back(static_cast<uint8_t>(((value >> shift) & 0x7F) | 0x80));
    out.push_back(static_cast<uint8_t>(value & 0x7F));
}

Bytes pixelRows(const BitmapSpec& spec, const std::function<uint32_t(int x, int y)>& pixel)
{
    const int width = spec.width, height = spec.height < 0 ? -spec.height : spec.height;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * spec.bits + 31) / 32 * 4;
    Bytes out(rowBytes * static_cast<std::size_t>(height), 0);
    for (int row = 0; row < height; ++row) {
        const int y = spec.topDown ? row : height - 1 - row;
        uint8_t* o = out.data() + row * rowBytes;
        for (int x = 0; x < width; ++x) {
            const uint32_t v = pixel(x, y);
            const uint8_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
            if (spec.bits <= 8) {
                const int bitPos = x * spec.bits;
                o[bitPos / 8] |= static_cast<uint8_t>(v << (8 - spec.bits - bitPos % 8));
            } else if (spec.bits == 16) {
                const uint32_t packed = uint32_t(r >> 3) << 10 | uint32_t(g >> 3) << 5 | (b >> 3);
                o[2 * x] = static_cast<uint8_t>(packed), o[2 * x + 1] = static_cast<uint8_t>(packed >> 8);
            } else {
                const int step = spec.bits / 8;
                o[step * x] = b, o[step * x + 1] = g, o[step * x + 2] = r;
            }
        }
    }
    return out;
}

Bytes bareBitmap(const BitmapSpec& spec, const Bytes& pixels)
{
    Bytes out;
    put32(out, 40);
    put32(out, static_cast<uint32_t>(spec.width));
    put32(out, static_cast<uint32_t>(spec.topDown ? -spec.height : spec.height));
    put16(out, 1);
    put16(out, static_cast<uint32_t>(spec.bits));
    put32(out, spec.compression);
    put32(out, static_cast<uint32_t>(pixels.size()));
    put32(out, 2835); // 72 dots an inch
    put32(out, 2835);
    put32(out, static_cast<uint32_t>(spec.colours.size()));
    put32(out, 0);
    for (uint32_t c : spec.colours)
        put32(out, c & 0x00FFFFFF); // blue, green, red, 0 in the file
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

Bytes withFileHeader(const Bytes& bare)
{
    auto field = [&](std::size_t at, int size) {
        uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = v << 8 | (at + i < bare.size() ? bare[at + i] : 0);
        return v;
    };
    const uint32_t bits = field(14, 2);
    uint32_t colours = field(32, 4);
    if (colours == 0 && bits <= 8)
        colours = 1u << bits;
    const uint32_t offset = 14 + field(0, 4) + 4 * colours;
    Bytes out = {'B', 'M'};
    put32(out, static_cast<uint32_t>(14 + bare.size()));
    put32(out, 0);
    put32(out, offset);
    out.insert(out.end(), bare.begin(), bare.end());
    return out;
}

Bytes bitmapFile(const BitmapSpec& spec, const Bytes& pixels)
{
    return withFileHeader(bareBitmap(spec, pixels));
}

Bytes jpegFile(int width, int height, const std::vector<uint8_t>& rgb, int quality, bool progressive)
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

Bytes waveFormatBody(const WaveFormat& format)
{
    Bytes out;
    put16(out, format.code);
    put16(out, format.channels);
    put32(out, format.rate);
    put32(out, format.rate * format.blockAlign);
    put16(out, format.blockAlign);
    put16(out, format.bits);
    out.insert(out.end(), format.extra.begin(), format.extra.end());
    return out;
}

Bytes waveFile(const WaveFormat& format, const Bytes& data)
{
    const Bytes body = waveFormatBody(format);
    Bytes out = {'R', 'I', 'F', 'F'};
    put32(out, static_cast<uint32_t>(4 + 8 + body.size() + 8 + data.size()));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes midiFile(uint16_t ticksPerBeat, const Bytes& events)
{
    Bytes track = events;
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
                 static_cast<uint8_t>(ticksPerBeat >> 8), static_cast<uint8_t>(ticksPerBeat)};
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    putBig32(out, static_cast<uint32_t>(track.size()));
    out.insert(out.end(), track.begin(), track.end());
    return out;
}

} // namespace vel::media_writers
