#include "runtime/image_pic.h"

#include <algorithm>
#include <string>

#include "platform/jpeg_decoder.h"
#include "runtime/image_dib.h"
#include "runtime/palette.h"
#include "value/buffer.h"
#include "value/error.h"

namespace vel {

namespace {

bool segmentSkipped(uint8_t marker)
{
    // Application segments (0xE1-0xEF) are skipped too: an Exif block carries a whole thumbnail
    // JPEG, whose frame header would otherwise be taken for the photograph's size.
    return marker == 0xC4 || marker == 0xDB || marker == 0xDD || marker == 0xFE || (marker >= 0xE0 && marker <= 0xEF);
}

// Past the frame header a byte 0xFF is a marker only when no 0x00 follows it, and the coded data
// uses no 0xD9: the pair 0xFF 0xD9 there is the end of the picture. Looked for from the back, where
// a whole file has it.
bool endMarkFollows(const uint8_t* data, std::size_t size)
{
    for (std::size_t p = size; p >= 2; --p)
        if (data[p - 2] == 0xFF && data[p - 1] == 0xD9)
            return true;
    return false;
}

} // namespace

bool scanJpegHeader(const uint8_t* data, std::size_t size, int32_t& width, int32_t& height, std::size_t* frameAt)
{
    if (!data || size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    std::size_t p = 2;
    while (p < size) {
        if (data[p] != 0xFF) {
            ++p;
            continue;
        }
        if (p + 1 >= size)
            return false;
        const uint8_t marker = data[p + 1];
        if (marker == 0xC0) {
            // length (2), precision (1), height (2), width (2)
            if (size - p < 9)
                return false;
            height = data[p + 5] << 8 | data[p + 6];
            width = data[p + 7] << 8 | data[p + 8];
            if (frameAt)
                *frameAt = p;
            return true;
        }
        if (segmentSkipped(marker)) {
            if (size - p < 4)
                return false;
            const std::size_t length = std::size_t(data[p + 2]) << 8 | data[p + 3];
            p += 2 + length; // the length counts its own two bytes; a length under 2 still moves on
            continue;
        }
        ++p; // resume at the marker byte, so fill bytes (0xFF 0xFF ...) do not hide a marker
    }
    return false;
}

Value PicImage::make(const Value& buffer)
{
    auto* image = new PicImage;
    image->data_ = buffer;
    return Value::adopt(Tag::Image, image);
}

bool PicImage::validate()
{
    valid_ = false;
    decoded_ = false;
    defect_.clear();
    Buffer* buffer = asBuffer(data_);
    int32_t w = 0, h = 0;
    std::size_t frame = 0;
    const std::size_t size = buffer ? static_cast<std::size_t>(buffer->length()) : 0;
    if (!buffer || !scanJpegHeader(buffer->bytes(), size, w, h, &frame)) {
        velError("Invalid JPEG file");
        return false;
    }
    if (!endMarkFollows(buffer->bytes() + frame, size - frame))
        noteDefect("its data ends before the end-of-picture mark");
    width_ = w;
    height_ = h;
    colourCount_ = 256;
    valid_ = true;
    return true;
}

bool PicImage::acceptsMask(std::string_view maskSubType, bool stretching) const
{
    // A photograph draws as its bitmap would, under the bitmap's rule and message.
    if (maskSubType == "context" || maskSubType == "dib")
        return true;
    velError(stretching ? "velDIBImageObject::stretchIntoContext: Mask image must be of type 'context' or 'dib'."
                        : "velDIBImageObject::renderIntoContext: Mask image must be of type 'context' or 'dib'.");
    return false;
}

Raster PicImage::raster()
{
    if (decoded_)
        return raster_;
    decoded_ = true;
    Buffer* buffer = asBuffer(data_);
    if (!valid_ || !buffer)
        return raster_;
    platform::JpegPicture picture;
    const int status = platform::decodeJpeg(buffer->bytes(), static_cast<std::size_t>(buffer->length()),
                                            platform::JpegOutput::Pixels32, picture);
    if (status != 0) {
        velError("Error " + std::to_string(status) + " in Pegasus");
        return raster_;
    }
    pixels_ = std::move(picture.pixels);
    decodedWidth_ = picture.width;
    // The frame header found by the scan gives the size; the decoder's picture is cut to it.
    platform::Rect area{0, 0, std::min(picture.width, width_), std::min(picture.height, height_)};
    if (!area.empty())
        raster_ = Raster{Raster::Format::Pixels32, reinterpret_cast<const uint8_t*>(pixels_.data()),
                         static_cast<std::ptrdiff_t>(picture.width) * 4, nullptr, area};
    return raster_;
}

Value PicImage::bits()
{
    Raster r = raster();
    if (r.empty())
        return Value();
    // The decoded picture is already cut to the frame header's size.
    return dibFromPixels(reinterpret_cast<const uint32_t*>(r.top), r.area.width(), r.area.height(), decodedWidth_);
}

Value PicImage::palette()
{
    Buffer* buffer = asBuffer(data_);
    if (!valid_ || !buffer)
        return Value();
    platform::JpegPicture picture;
    if (platform::decodeJpeg(buffer->bytes(), static_cast<std::size_t>(buffer->length()),
                             platform::JpegOutput::Palette8, picture) != 0)
        return Value();
    Value v = Palette::make();
    Palette* p = v.as<Palette>();
    for (std::size_t i = 0; i < picture.palette.size() && i < Palette::kSize; ++i) {
        const uint32_t c = picture.palette[i];
        p->entries[i] = PaletteEntry{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                     static_cast<uint8_t>(c), 0};
    }
    return v;
}

} // namespace vel
