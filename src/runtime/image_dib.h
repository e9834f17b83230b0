// "dib" images: device-independent bitmaps of 1, 4, 8, 16, 24 or 32 bits, uncompressed or RLE8/RLE4,
// rows stored bottom-up (positive height) or top-down (negative height). A header that lies about
// sizes or offsets gives a clipped picture: only what the buffer holds is drawn, and the image's
// defect says what was missing.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/image.h"

namespace vel {

// Where the parts of a bitmap lie in its buffer, read from its headers.
struct DibLayout {
    std::size_t header = 0;      // offset of the information header
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;          // rows, whatever the direction
    bool topDown = false;
    int32_t bitCount = 0;
    uint32_t compression = 0;    // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    int64_t colourCount = 0;     // as the header gives it or implies
    std::size_t colours = 0;     // offset of the colour table
    std::size_t pixels = 0;      // offset of the pixels
};

class DibImage final : public Image {
public:
    // A "dib" image over the buffer; not validated yet.
    static Value make(const Value& buffer);

    std::string_view subType() const override { return "dib"; }
    bool validate() override;
    Raster raster() override;
    Value bits() override;
    Value palette() override;

    const DibLayout& layout() const { return layout_; }

protected:
    bool acceptsMask(std::string_view maskSubType, bool stretching) const override;

private:
    DibImage() = default;
    void decode();

    DibLayout layout_;
    bool valid_ = false;
    bool decoded_ = false;
    Raster raster_;
    std::array<uint32_t, 256> colourPixels_{};
    std::vector<uint8_t> indices_;
    std::vector<uint32_t> pixels_;
};

// The bytes of a blank bare-header bitmap: 8 or 24 bits, the colour count rules of the system, all
// zero but the last colour of an 8-bit one, which is white. Nil, after "Unsupported bits per pixel: ",
// for any other bit count.
Value blankBitmap(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t colours);
// The "dib" image of opaque 32-bit pixels (rows `stride` apart), 24 bits a pixel.
Value dibFromPixels(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride);

} // namespace vel
