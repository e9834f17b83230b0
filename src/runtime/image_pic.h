// "pic" images: JPEG photographs. Validation scans the markers for the baseline frame header, which
// gives the size; the pixels are decoded when the image is first drawn or converted. A file cut short
// draws what its data holds, and the image's defect says it ends early.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/image.h"

namespace vel {

// Finds the first baseline frame header (marker 0xC0) of a JPEG file and reads its size (and, when
// asked, where the header starts). False for data that does not start with 0xFF 0xD8 or ends before
// such a header.
bool scanJpegHeader(const uint8_t* data, std::size_t size, int32_t& width, int32_t& height,
                    std::size_t* frameAt = nullptr);

class PicImage final : public Image {
public:
    // A "pic" image over the buffer; not validated yet.
    static Value make(const Value& buffer);

    std::string_view subType() const override { return "pic"; }
    bool validate() override;
    Raster raster() override;
    // 24 bits a pixel: the screen is true colour, so the photograph keeps its colours.
    Value bits() override;
    // The colours of the 8-bit rendering of the photograph (at most 256).
    Value palette() override;

protected:
    bool acceptsMask(std::string_view maskSubType, bool stretching) const override;

private:
    PicImage() = default;

    bool valid_ = false;
    bool decoded_ = false;
    Raster raster_;
    std::vector<uint32_t> pixels_;
    int32_t decodedWidth_ = 0;
};

} // namespace vel
