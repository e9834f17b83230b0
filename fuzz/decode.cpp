// Decodes arbitrary bytes. The error handler answers 0 so every fallback path runs; whatever decodes
// must encode and decode again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "value/encoding.h"
#include "fuzz_support.h"
#include "value/error.h"
#include "value/string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers();
    vel::Value v = vel::decodeFromBytes(data, size);
    if (!v.isNil()) {
        bool ok = false;
        std::vector<uint8_t> again = vel::encodeToBytes(v, &ok);
        if (ok && vel::decodeFromBytes(again.data(), again.size()).tag() != v.tag())
            std::abort(); // a decoded value must survive its own encoding
    }
    return 0;
}
