// Drawing a 640 x 480 8-bit bitmap through a mask onto a 640 x 480 view, and decoding a 640 x 480
// baseline JPEG made here with libjpeg's compressor.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "platform/jpeg_decoder.h"
#include "runtime/drawing_context.h"
#include "runtime/image.h"
#include "value/buffer.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

void put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A bare-header 8-bit bitmap whose index at (x, y) is pattern(x, y).
template <typename Pattern>
vel::Value bitmap(Pattern pattern, bool greyTable)
{
    std::vector<uint8_t> b;
    put32(b, 40);
    put32(b, kWidth);
    put32(b, kHeight);
    put32(b, 1 | 8 << 16);
    for (int i = 0; i < 4; ++i)
        put32(b, 0);
    put32(b, 256);
    put32(b, 0);
    for (uint32_t i = 0; i < 256; ++i)
        put32(b, greyTable ? (i | i << 8 | i << 16) : (i * 0x010305u) & 0xFFFFFF);
    for (int y = kHeight - 1; y >= 0; --y)
        for (int x = 0; x < kWidth; ++x)
            b.push_back(static_cast<uint8_t>(pattern(x, y)));
    return vel::imageFromBuffer(vel::Buffer::over(b.data(), static_cast<int32_t>(b.size()), true), "dib");
}

void BM_RenderMasked8BitDib(benchmark::State& state)
{
    vel::Value image = bitmap([](int x, int y) { return (x * 3 + y) & 255; }, false);
    // Half the pixels masked out, in blobs, so both branches run.
    vel::Value mask = bitmap([](int x, int y) { return ((x / 16 + y / 16) & 1) ? 255 : 0; }, true);
    vel::setImageMask(image, mask);
    vel::Value context = vel::DrawingContext::memory(kWidth, kHeight);
    for (auto _ : state) {
        vel::velDrawImage(context, image, 0, 0);
        benchmark::DoNotOptimize(context.as<vel::DrawingContext>()->view().pixels[1234]);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_RenderMasked8BitDib)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> photograph()
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(kWidth * 3);
    while (info.next_scanline < info.image_height) {
        const unsigned y = info.next_scanline;
        // Smooth gradients with some texture, like a photograph rather than flat colour.
        for (int x = 0; x < kWidth; ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 255 / kWidth + ((x * y) & 15));
            row[3 * x + 1] = static_cast<uint8_t>(y * 255 / kHeight + ((x ^ y) & 7));
            row[3 * x + 2] = static_cast<uint8_t>(((x + y) / 4) & 255);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

void BM_DecodeBaselineJpeg(benchmark::State& state)
{
    const std::vector<uint8_t> jpeg = photograph();
    for (auto _ : state) {
        vel::platform::JpegPicture picture;
        int status = vel::platform::decodeJpeg(jpeg.data(), jpeg.size(), vel::platform::JpegOutput::Pixels32, picture);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
}
BENCHMARK(BM_DecodeBaselineJpeg)->Unit(benchmark::kMillisecond);

// The same picture as a "pic" image drawn for the first time (scan, decode, draw).
void BM_FirstDrawOfPhotograph(benchmark::State& state)
{
    const std::vector<uint8_t> jpeg = photograph();
    vel::Value context = vel::DrawingContext::memory(kWidth, kHeight);
    for (auto _ : state) {
        vel::Value image =
            vel::imageFromBuffer(vel::Buffer::over(jpeg.data(), static_cast<int32_t>(jpeg.size()), false), "jpg");
        vel::velDrawImage(context, image, 0, 0);
    }
}
BENCHMARK(BM_FirstDrawOfPhotograph)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
