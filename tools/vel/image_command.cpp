// vel image FILE OUT.png: a picture as the title would show it (bitmap, RLE bitmap or JPEG photograph),
// written as an 8-bit RGB PNG of the same size.
#include <cairo.h>

#include <string>

#include "commands.h"
#include "data_file.h"
#include "runtime/drawing_context.h"
#include "platform/media_path.h"
#include "runtime/image.h"
#include "value/buffer.h"

namespace vel::tool {

namespace {

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

int runImage(Args args)
{
    if (args.size() != 2) {
        complain("usage: vel image FILE OUT.png");
        return 2;
    }
    const std::string in = args[0], out = args[1];
    ReadingFile naming(in);
    auto bytes = readWholeFile(in);
    if (!bytes)
        return 2;
    // The title's own rule: the extension decides between photograph and bitmap; a refused picture
    // ends here with the title's message and status 2 through the error handler.
    Value image = imageFromBuffer(Buffer::over(bytes->data(), static_cast<int32_t>(bytes->size()), true),
                                  std::string(platform::extensionOf(in)));
    if (image.isNil())
        return 2;
    const int32_t width = asImage(image)->width(), height = asImage(image)->height();
    if (width <= 0 || height <= 0 || int64_t(width) * height > (int64_t(1) << 26)) {
        complain(in + ": cannot write a picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
        return 2;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        complain("cannot make a picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
        return 2;
    }
    // What the bitmap does not hold stays black, as on an empty screen.
    cairo_surface_flush(surface);
    platform::PixelView view{reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface)), width, height,
                             cairo_image_surface_get_stride(surface) / 4};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            view.row(y)[x] = platform::opaque(0, 0, 0);
    velDrawImage(DrawingContext::over(view), image, 0, 0);
    cairo_surface_mark_dirty(surface);
    // The program draws what a damaged picture holds; a checking tool says what it lacks.
    if (const std::string& defect = asImage(image)->defect(); !defect.empty()) {
        cairo_surface_destroy(surface);
        complain(in + ": " + defect);
        return 2;
    }
    std::string png;
    const cairo_status_t status = cairo_surface_write_to_png_stream(surface, appendBytes, &png);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        complain(std::string("cannot encode PNG: ") + cairo_status_to_string(status));
        return 2;
    }
    return writeWholeFile(out, png) ? 0 : 2;
}

} // namespace vel::tool
