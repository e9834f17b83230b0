#include "runtime/image_dib.h"

#include <algorithm>
#include <string>

#include "runtime/palette.h"
#include "value/buffer.h"
#include "value/error.h"

namespace vel {

namespace {

// No picture of the title comes near this; larger claims are cut to it.
constexpr int64_t kMaxPixels = int64_t(1) << 26;

uint32_t read32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t read16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
void write32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8), p[2] = static_cast<uint8_t>(v >> 16),
    p[3] = static_cast<uint8_t>(v >> 24);
}

// One channel of a bit-field pixel, scaled to 0-255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t maximum = 0;

    explicit Channel(uint32_t m) : mask(m)
    {
        if (!m)
            return;
        while (!((m >> shift) & 1))
            ++shift;
        maximum = m >> shift;
    }
    uint32_t operator()(uint32_t pixel) const
    {
        return maximum ? ((pixel & mask) >> shift) * 255 / maximum : 0;
    }
};

// Decodes run-length encoded rows into `rows` (rowsKept x width indices, top-down). Runs and deltas
// that reach past the last column are cut there; the data ends the picture wherever it ends. True when
// the data ends the picture properly: with its end mark, or after its last row.
bool decodeRunLength(const uint8_t* data, std::size_t length, bool fourBits, int64_t width, int64_t rowsKept,
                     bool topDown, uint8_t* rows)
{
    std::size_t p = 0;
    int64_t x = 0, line = 0;
    auto rowOf = [&](int64_t l) { return rows + (topDown ? l : rowsKept - 1 - l) * width; };
    while (p + 1 < length && line < rowsKept) {
        const uint8_t count = data[p], value = data[p + 1];
        p += 2;
        if (count > 0) {
            if (x < width) {
                uint8_t* out = rowOf(line);
                const int64_t n = std::min<int64_t>(count, width - x);
                for (int64_t i = 0; i < n; ++i)
                    out[x + i] = fourBits ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value;
            }
            x += count;
        } else if (value == 0) {
            x = 0;
            ++line;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (p + 1 >= length)
                break;
            x += data[p];
            line += data[p + 1];
            p += 2;
        } else {
            const std::size_t bytes = fourBits ? (value + 1u) / 2u : value;
            const std::size_t present = std::min(bytes, length - p);
            uint8_t* out = rowOf(line);
            for (int i = 0; i < value; ++i, ++x) {
                const std::size_t at = fourBits ? static_cast<std::size_t>(i) / 2 : static_cast<std::size_t>(i);
                if (at >= present)
                    break;
                if (x < width)
                    out[x] = fourBits ? ((i & 1) ? (data[p + at] & 0x0F) : (data[p + at] >> 4)) : data[p + at];
            }
            p += bytes + (bytes & 1); // absolute runs keep to 16-bit boundaries
        }
    }
    return line >= rowsKept;
}

} // namespace

Value DibImage::make(const Value& buffer)
{
    auto* image = new DibImage;
    image->data_ = buffer;
    return Value::adopt(Tag::Image, image);
}

bool DibImage::validate()
{
    valid_ = false;
    decoded_ = false;
    defect_.clear();
    Buffer* buffer = asBuffer(data_);
    const std::size_t length = buffer ? static_cast<std::size_t>(buffer->length()) : 0;
    if (length < 14) {
        velError("velDIBImageObject::validate: DIB data buffer size too small.");
        return false;
    }
    const uint8_t* bytes = buffer->bytes();
    DibLayout l;
    const bool fileHeader = bytes[0] == 'B' && bytes[1] == 'M';
    l.header = fileHeader ? 14 : 0;
    if (!fileHeader && read32(bytes) != 40) {
        velError("velDIBImageObject::validate: DIB header not found.");
        return false;
    }
    if (length < l.header + 40) {
        velError("velDIBImageObject::validate: DIB data buffer size too small.");
        return false;
    }
    const uint8_t* h = bytes + l.header;
    l.headerSize = read32(h);
    if (l.headerSize < 40) {
        velError("velDIBImageObject::validate: DIB header not found.");
        return false;
    }
    l.width = static_cast<int32_t>(read32(h + 4));
    const auto height = static_cast<int32_t>(read32(h + 8));
    l.topDown = height < 0;
    l.height = height == INT32_MIN ? INT32_MAX : (height < 0 ? -height : height);
    l.bitCount = read16(h + 14);
    l.compression = read32(h + 16);
    const uint32_t used = read32(h + 32);
    l.colourCount = used ? used : (l.bitCount <= 8 ? int64_t(1) << l.bitCount : 0);
    const uint64_t masks = l.compression == 3 && l.headerSize == 40 ? 12 : 0;
    const uint64_t colours = l.header + uint64_t(l.headerSize) + masks;
    const uint64_t packed = colours + 4 * uint64_t(l.colourCount);
    l.colours = static_cast<std::size_t>(std::min<uint64_t>(colours, length));
    l.pixels = static_cast<std::size_t>(std::min<uint64_t>(packed, length));
    if (fileHeader) {
        // The file's own offset, when it points past the information header and into the data.
        const uint32_t offset = read32(bytes + 10);
        if (offset >= l.header + 40 && offset < length)
            l.pixels = offset;
        else if (offset >= length)
            noteDefect("its pixels start at offset " + std::to_string(offset) + ", past the end of its " +
                       std::to_string(length) + " bytes");
    }
    layout_ = l;
    width_ = l.width > 0 ? l.width : 0;
    height_ = l.width > 0 ? l.height : 0;
    colourCount_ = static_cast<int32_t>(std::min<int64_t>(l.colourCount, 256));
    valid_ = true;
    return true;
}

bool DibImage::acceptsMask(std::string_view maskSubType, bool stretching) const
{
    if (maskSubType == "context" || maskSubType == "dib")
        return true;
    velError(stretching ? "velDIBImageObject::stretchIntoContext: Mask image must be of type 'context' or 'dib'."
                        : "velDIBImageObject::renderIntoContext: Mask image must be of type 'context' or 'dib'.");
    return false;
}

void DibImage::decode()
{
    decoded_ = true;
    raster_ = Raster{};
    indices_.clear();
    pixels_.clear();
    Buffer* buffer = asBuffer(data_);
    if (!valid_ || !buffer || width_ <= 0 || height_ <= 0)
        return;
    const DibLayout& l = layout_;
    const uint8_t* bytes = buffer->bytes();
    const std::size_t length = static_cast<std::size_t>(buffer->length());
    if (length < l.pixels)
        return; // the buffer shrank since it was validated

    colourPixels_.fill(platform::opaque(0, 0, 0));
    const int64_t tableEntries = std::min<int64_t>({l.colourCount, 256, int64_t((length - l.colours) / 4)});
    for (int64_t i = 0; i < tableEntries; ++i) {
        const uint8_t* q = bytes + l.colours + 4 * i;
        colourPixels_[static_cast<std::size_t>(i)] = platform::opaque(q[2], q[1], q[0]);
    }
    if (l.bitCount <= 8 && tableEntries < std::min<int64_t>(l.colourCount, 256))
        noteDefect("its colour table ends after " + std::to_string(tableEntries) + " of " +
                   std::to_string(std::min<int64_t>(l.colourCount, 256)) + " colours");

    const int64_t width = width_, height = height_;
    const uint8_t* data = bytes + l.pixels;
    const std::size_t available = length - l.pixels;
    auto areaOf = [&](int64_t rows) {
        return l.topDown ? platform::Rect{0, 0, width_, static_cast<int>(rows)}
                         : platform::Rect{0, static_cast<int>(height - rows), width_, height_};
    };

    const bool runLength = (l.compression == 1 && l.bitCount == 8) || (l.compression == 2 && l.bitCount == 4);
    if (runLength) {
        // Runs describe at most 128 pixels a byte (and ends of lines skip more): the budget keeps a
        // short file that claims a huge picture from taking memory it cannot fill.
        const int64_t budget = std::min<int64_t>(kMaxPixels, int64_t(available) * 256 + 65536);
        const int64_t rows = std::min(height, budget / width);
        if (rows <= 0)
            return;
        indices_.assign(static_cast<std::size_t>(rows * width), 0);
        if (!decodeRunLength(data, available, l.bitCount == 4, width, rows, l.topDown, indices_.data()))
            noteDefect("its run-length data ends before the picture does");
        raster_ = Raster{Raster::Format::Indexed8, indices_.data(), static_cast<std::ptrdiff_t>(width),
                         colourPixels_.data(), areaOf(rows)};
        return;
    }

    const bool plain = l.compression == 0 || (l.compression == 3 && (l.bitCount == 16 || l.bitCount == 32));
    if (!plain) {
        velError("Unsupported bitmap compression: " + std::to_string(l.compression));
        return;
    }
    const int b = l.bitCount;
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32) {
        velError("Unsupported bits per pixel: " + std::to_string(b));
        return;
    }
    const int64_t rowBytes = (width * b + 31) / 32 * 4;
    const int64_t rowsInData = int64_t(available) / rowBytes;
    if (rowsInData < height)
        noteDefect("its data ends after " + std::to_string(rowsInData) + " of " + std::to_string(height) + " rows");
    const int64_t rows = std::min({height, rowsInData, kMaxPixels / width});
    if (rows <= 0)
        return;
    const platform::Rect area = areaOf(rows);
    auto fileRow = [&](int64_t y) { return data + (l.topDown ? y : height - 1 - y) * rowBytes; };

    if (b == 8) {
        // Drawn straight from the buffer: rows bottom-up are walked with a negative stride.
        raster_ = Raster{Raster::Format::Indexed8, fileRow(area.top),
                         static_cast<std::ptrdiff_t>(l.topDown ? rowBytes : -rowBytes), colourPixels_.data(), area};
        return;
    }
    if (b == 1 || b == 4) {
        indices_.assign(static_cast<std::size_t>(rows * width), 0);
        for (int64_t y = area.top; y < area.bottom; ++y) {
            const uint8_t* in = fileRow(y);
            uint8_t* out = indices_.data() + (y - area.top) * width;
            for (int64_t x = 0; x < width; ++x)
                out[x] = b == 1 ? (in[x >> 3] >> (7 - (x & 7))) & 1 : (x & 1) ? in[x >> 1] & 0x0F : in[x >> 1] >> 4;
        }
        raster_ = Raster{Raster::Format::Indexed8, indices_.data(), static_cast<std::ptrdiff_t>(width),
                         colourPixels_.data(), area};
        return;
    }
    pixels_.assign(static_cast<std::size_t>(rows * width), 0);
    uint32_t redMask = b == 16 ? 0x7C00 : 0xFF0000, greenMask = b == 16 ? 0x03E0 : 0xFF00,
             blueMask = b == 16 ? 0x001F : 0xFF;
    if (l.compression == 3 && length >= l.header + 52) {
        redMask = read32(bytes + l.header + 40);
        greenMask = read32(bytes + l.header + 44);
        blueMask = read32(bytes + l.header + 48);
    }
    const Channel red(redMask), green(greenMask), blue(blueMask);
    for (int64_t y = area.top; y < area.bottom; ++y) {
        const uint8_t* in = fileRow(y);
        uint32_t* out = pixels_.data() + (y - area.top) * width;
        for (int64_t x = 0; x < width; ++x) {
            if (b == 24) {
                const uint8_t* q = in + 3 * x;
                out[x] = platform::opaque(q[2], q[1], q[0]);
            } else {
                const uint32_t pixel = b == 16 ? read16(in + 2 * x) : read32(in + 4 * x);
                out[x] = platform::opaque(static_cast<uint8_t>(red(pixel)), static_cast<uint8_t>(green(pixel)),
                                          static_cast<uint8_t>(blue(pixel)));
            }
        }
    }
    raster_ = Raster{Raster::Format::Pixels32, reinterpret_cast<const uint8_t*>(pixels_.data()),
                     static_cast<std::ptrdiff_t>(width * 4), nullptr, area};
}

Raster DibImage::raster()
{
    if (!decoded_)
        decode();
    return raster_;
}

Value DibImage::bits()
{
    Buffer* buffer = asBuffer(data_);
    Value copy = DibImage::make(Buffer::over(buffer ? buffer->bytes() : nullptr, buffer ? buffer->length() : 0, true));
    if (!copy.as<DibImage>()->validate())
        return Value();
    return copy;
}

Value DibImage::palette()
{
    if (!valid_ || layout_.bitCount > 8)
        return Value();
    raster(); // fills the colour table
    Value v = Palette::make();
    Palette* p = v.as<Palette>();
    for (int i = 0; i < Palette::kSize; ++i) {
        const uint32_t c = colourPixels_[static_cast<std::size_t>(i)];
        p->entries[static_cast<std::size_t>(i)] =
            PaletteEntry{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c), 0};
    }
    return v;
}

Value blankBitmap(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t colours)
{
    if (bitsPerPixel != 8 && bitsPerPixel != 24) {
        velError("Unsupported bits per pixel: " + std::to_string(bitsPerPixel));
        return Value();
    }
    const int64_t w = std::max(width, 0), h = std::max(height, 0);
    const int64_t count = bitsPerPixel == 8 ? (colours >= 2 && colours <= 256 ? colours : 256) : 0;
    const int64_t size = ((w + 3) & ~int64_t(3)) * h * (bitsPerPixel / 8) + 40 + 4 * count;
    if (w * h > kMaxPixels || size > INT32_MAX)
        return Value();
    Value v = Buffer::make(static_cast<int32_t>(size));
    Buffer* b = v.as<Buffer>();
    b->setLength(static_cast<int32_t>(size));
    uint8_t* p = b->bytes();
    write32(p, 40);
    write32(p + 4, static_cast<uint32_t>(w));
    write32(p + 8, static_cast<uint32_t>(h));
    p[12] = 1;
    p[14] = static_cast<uint8_t>(bitsPerPixel);
    write32(p + 32, static_cast<uint32_t>(count));
    write32(p + 36, static_cast<uint32_t>(count));
    if (count > 0) {
        uint8_t* last = p + 40 + 4 * (count - 1);
        last[0] = last[1] = last[2] = 255;
    }
    return v;
}

Value dibFromPixels(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride)
{
    Value buffer = blankBitmap(width, height, 24, 0);
    Buffer* b = asBuffer(buffer);
    if (!b)
        return Value();
    const int64_t rowBytes = (int64_t(width) * 3 + 3) / 4 * 4;
    uint8_t* base = b->bytes() + 40;
    for (int64_t y = 0; y < height; ++y) {
        const uint32_t* in = pixels + y * stride;
        uint8_t* out = base + (height - 1 - y) * rowBytes;
        for (int64_t x = 0; x < width; ++x) {
            out[3 * x] = static_cast<uint8_t>(in[x]);
            out[3 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
            out[3 * x + 2] = static_cast<uint8_t>(in[x] >> 16);
        }
    }
    Value image = DibImage::make(buffer);
    image.as<DibImage>()->validate();
    return image;
}

} // namespace vel
