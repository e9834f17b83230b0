// Drawing a 640 x 480 8-bit bitmap through a mask onto a 640 x 480 view, against a memcpy of the
// frame; decoding a 640 x 480 baseline JPEG made here, against libjpeg-turbo used directly.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <cairo.h>
#include <jpeglib.h>

#include "media_writers/media_writers.h"
#include "platform/jpeg_decoder.h"
#include "runtime/drawing_context.h"
#include "runtime/image.h"
#include "value/buffer.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

// A bare-header 8-bit bitmap whose index at (x, y) is pattern(x, y).
template <typename Pattern>
vel::Value bitmap(Pattern pattern, bool greyTable)
{
    vel::media_writers::BitmapSpec spec{kWidth, kHeight, 8, 0, {}};
    for (uint32_t i = 0; i < 256; ++i)
        spec.colours.push_back(greyTable ? (i | i << 8 | i << 16) : (i * 0x010305u) & 0xFFFFFF);
    std::vector<uint8_t> b = vel::media_writers::bareBitmap(
        spec, vel::media_writers::pixelRows(spec, [&](int x, int y) { return static_cast<uint32_t>(pattern(x, y)); }));
    return vel::imageFromBuffer(vel::Buffer::over(b.data(), static_cast<int32_t>(b.size()), true), "dib");
}

// The peer of the drawing rows: a copy of the whole 640 x 480 x 4 frame.
void BM_MemcpyFrame(benchmark::State& state)
{
    std::vector<uint32_t> from(kWidth * kHeight, 0xFF123456u), to(kWidth * kHeight);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMillisecond);

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

std::vector<uint8_t> photographPixels()
{
    // Smooth gradients with some texture, like a photograph rather than flat colour.
    std::vector<uint8_t> rgb;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            rgb.insert(rgb.end(), {static_cast<uint8_t>(x * 255 / kWidth + ((x * y) & 15)),
                                   static_cast<uint8_t>(y * 255 / kHeight + ((x ^ y) & 7)),
                                   static_cast<uint8_t>(((x + y) / 4) & 255)});
    return rgb;
}

std::vector<uint8_t> photograph()
{
    return vel::media_writers::jpegFile(kWidth, kHeight, photographPixels(), 85);
}

// Decoded into a picture kept across calls, as a player or a slide show would keep one.
void BM_DecodeBaselineJpeg(benchmark::State& state)
{
    const std::vector<uint8_t> jpeg = photograph();
    vel::platform::JpegPicture picture;
    for (auto _ : state) {
        int status = vel::platform::decodeJpeg(jpeg.data(), jpeg.size(), vel::platform::JpegOutput::Pixels32, picture);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
}
BENCHMARK(BM_DecodeBaselineJpeg)->Unit(benchmark::kMillisecond);

// The peer: libjpeg-turbo used directly, as its own examples do, into one reused 32-bit buffer.
void BM_LibjpegTurboIntoReusedBuffer(benchmark::State& state)
{
    const std::vector<uint8_t> jpeg = photograph();
    std::vector<uint32_t> pixels(kWidth * kHeight);
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels.data() + std::size_t(info.output_scanline) * kWidth);
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_LibjpegTurboIntoReusedBuffer)->Unit(benchmark::kMillisecond);

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

// A 640 x 480 photograph drawn at scale 3 (1920 x 1440): the project's bilinear pass, against cairo's
// "good" filter painting the same pixels onto an image surface scaled 3x.
void BM_PhotographAtScale3Bilinear(benchmark::State& state)
{
    const std::vector<uint8_t> jpeg = photograph();
    vel::Value image = vel::imageFromBuffer(vel::Buffer::over(jpeg.data(), static_cast<int32_t>(jpeg.size()), false), "jpg");
    vel::Value context = vel::DrawingContext::memory(kWidth, kHeight, 3);
    vel::velDrawImage(context, image, 0, 0); // decoded once, before the timing
    for (auto _ : state) {
        vel::velDrawImage(context, image, 0, 0);
        benchmark::DoNotOptimize(context.as<vel::DrawingContext>()->view().pixels[1234]);
    }
}
BENCHMARK(BM_PhotographAtScale3Bilinear)->Unit(benchmark::kMillisecond);

void BM_PhotographAtScale3CairoGood(benchmark::State& state)
{
    std::vector<uint32_t> pixels(kWidth * kHeight);
    const std::vector<uint8_t> rgb = photographPixels();
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    cairo_surface_t* from = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                CAIRO_FORMAT_RGB24, kWidth, kHeight, kWidth * 4);
    cairo_surface_t* to = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth * 3, kHeight * 3);
    cairo_t* c = cairo_create(to);
    cairo_scale(c, 3, 3);
    for (auto _ : state) {
        cairo_set_source_surface(c, from, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(c), CAIRO_FILTER_GOOD);
        cairo_paint(c);
        cairo_surface_flush(to);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(to)[1234]);
    }
    cairo_destroy(c);
    cairo_surface_destroy(to);
    cairo_surface_destroy(from);
}
BENCHMARK(BM_PhotographAtScale3CairoGood)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
