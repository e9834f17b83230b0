#include "platform/jpeg_decoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace vel::platform {

namespace {

struct ErrorManager {
    jpeg_error_mgr standard;
    std::jmp_buf jump;
};

[[noreturn]] void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings (data cut short, corrupt entropy data) are not worth a line on standard error.
void stayQuiet(j_common_ptr) {}

bool sizeJustified(std::size_t width, std::size_t height, std::size_t bytes)
{
    constexpr std::size_t kMaxPixels = std::size_t(1) << 26;
    std::size_t pixels = width * height;
    return pixels <= kMaxPixels && pixels <= bytes * 256 + 65536;
}

void clear(JpegPicture& picture)
{
    picture.width = picture.height = 0;
    picture.pixels.clear();
    picture.indices.clear();
    picture.palette.clear();
}

void convertPalette(jpeg_decompress_struct& info, JpegPicture& picture)
{
    picture.palette.assign(static_cast<std::size_t>(info.actual_number_of_colors), 0);
    for (int i = 0; i < info.actual_number_of_colors; ++i) {
        uint32_t r, g, b;
        if (info.out_color_components >= 3) {
            r = info.colormap[0][i], g = info.colormap[1][i], b = info.colormap[2][i];
        } else {
            r = g = b = info.colormap[0][i];
        }
        picture.palette[static_cast<std::size_t>(i)] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
}

// Everything with a destructor lives in the caller, so the jump back skips none.
int decode(jpeg_decompress_struct& info, ErrorManager& errors, const uint8_t* data, std::size_t size,
           JpegOutput output, JpegPicture& picture)
{
    if (setjmp(errors.jump)) {
        int code = errors.standard.msg_code;
        return code != 0 ? code : -1;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (!sizeJustified(info.image_width, info.image_height, size))
        return JERR_IMAGE_TOO_BIG;
    if (output == JpegOutput::Palette8) {
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = 256;
        info.two_pass_quantize = TRUE;
        if (info.jpeg_color_space != JCS_GRAYSCALE)
            info.out_color_space = JCS_RGB;
    } else {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        info.out_color_space = JCS_EXT_ARGB;
#else
        info.out_color_space = JCS_EXT_BGRA; // in memory B, G, R, A: 0xAARRGGBB read as a word
#endif
    }
    jpeg_start_decompress(&info);
    const std::size_t width = info.output_width, height = info.output_height;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    // Every row is written below, so storage kept from an earlier picture is not filled first.
    if (output == JpegOutput::Palette8) {
        picture.indices.resize(width * height);
        picture.pixels.clear();
    } else {
        picture.pixels.resize(width * height);
        picture.indices.clear();
        picture.palette.clear();
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[16];
        JDIMENSION first = info.output_scanline;
        JDIMENSION count = info.output_height - first < 16 ? info.output_height - first : 16;
        for (JDIMENSION i = 0; i < count; ++i) {
            std::size_t y = first + i;
            rows[i] = output == JpegOutput::Palette8
                          ? picture.indices.data() + y * width
                          : reinterpret_cast<JSAMPROW>(picture.pixels.data() + y * width);
        }
        if (jpeg_read_scanlines(&info, rows, count) == 0)
            break;
    }
    // Rows the decoder gave up before are opaque black, not what the storage held before.
    const std::size_t done = info.output_scanline;
    if (output == JpegOutput::Palette8)
        std::fill(picture.indices.begin() + static_cast<std::ptrdiff_t>(done * width), picture.indices.end(), 0);
    else
        std::fill(picture.pixels.begin() + static_cast<std::ptrdiff_t>(done * width), picture.pixels.end(), 0xFF000000u);
    if (output == JpegOutput::Palette8)
        convertPalette(info, picture); // the two-pass quantizer fills its map during the first pass
    jpeg_finish_decompress(&info);
    return 0;
}

} // namespace

int decodeJpeg(const uint8_t* data, std::size_t size, JpegOutput output, JpegPicture& picture)
{
    // The storage stays until the decoder has said what it needs.
    picture.width = picture.height = 0;
    if (!data || size == 0) {
        clear(picture);
        return JERR_INPUT_EMPTY;
    }
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = jumpBack;
    errors.standard.output_message = stayQuiet;
    int status = decode(info, errors, data, size, output, picture);
    jpeg_destroy_decompress(&info);
    if (status != 0)
        clear(picture);
    return status;
}

} // namespace vel::platform
