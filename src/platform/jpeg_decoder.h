// JPEG decoding through libjpeg-turbo: to opaque 32-bit pixels for drawing, or to an 8-bit image
// with a palette of at most 256 colours. Corrupt data ends in a status, never in a jump out of here;
// data cut short decodes as far as it goes (libjpeg fills the rest with grey).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vel::platform {

enum class JpegOutput { Pixels32, Palette8 };

struct JpegPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // Pixels32: width x height, 0xAARRGGBB, rows top-down
    std::vector<uint8_t> indices;  // Palette8: width x height palette indices
    std::vector<uint32_t> palette; // Palette8: the colours, as opaque pixels
};

// 0 on success, otherwise the decoder's nonzero message code for what went wrong (the picture is then
// empty). Pictures larger than the data could describe (about 256 pixels a byte) are refused before
// any pixel memory is taken. The picture's storage is reused: a caller that keeps one picture for
// many decodes takes no fresh memory and fills nothing twice.
int decodeJpeg(const uint8_t* data, std::size_t size, JpegOutput output, JpegPicture& picture);

} // namespace vel::platform
