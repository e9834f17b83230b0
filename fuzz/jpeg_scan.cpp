// Any bytes as a JPEG photograph: the header scan, then decoding and drawing when the scan passes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/drawing_context.h"
#include "runtime/image.h"
#include "runtime/image_pic.h"
#include "value/buffer.h"
#include "fuzz_support.h"
#include "value/error.h"
#include "value/string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers();
    int32_t width = 0, height = 0;
    const bool found = vel::scanJpegHeader(data, size, width, height);
    vel::Value image = vel::imageFromBuffer(vel::Buffer::over(data, static_cast<int32_t>(size), true), "jpg");
    if (found != !image.isNil())
        __builtin_trap(); // the scan alone decides whether a photograph is accepted
    if (image.isNil())
        return 0;
    vel::Value context = vel::DrawingContext::memory(16, 16);
    vel::velDrawImage(context, image, -1, -1);
    vel::velStretchImage(context, image, 0, 0, 16, 16);
    vel::imageBits(image);
    return 0;
}
