// Any bytes as a bitmap, plain and run-length: validate, draw plainly and stretched through a mask
// made from the same bytes, take the bits. Nothing may read or write outside a buffer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/drawing_context.h"
#include "runtime/image.h"
#include "value/buffer.h"
#include "fuzz_support.h"
#include "value/error.h"
#include "value/string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers();
    vel::Value buffer = vel::Buffer::over(data, static_cast<int32_t>(size), true);
    vel::Value image = vel::imageFromBuffer(buffer, "bmp");
    if (image.isNil())
        return 0;
    vel::Value context = vel::DrawingContext::memory(24, 16);
    vel::velDrawImage(context, image, -3, -2);
    vel::velStretchImage(context, image, 1, 1, 21, 13);
    // The same bytes as their own mask.
    vel::Value mask = vel::imageFromBuffer(buffer, "rle");
    vel::setImageMask(image, mask);
    vel::velDrawImage(context, image, 5, 4, 0, 0, 1, 1);
    vel::velStretchImage(context, image, 0, 0, 7, 30, 2, 0, 3, 0);
    vel::imageBits(image);
    vel::imagePalette(image);
    return 0;
}
