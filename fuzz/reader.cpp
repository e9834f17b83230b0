// The text-notation reader on arbitrary bytes: every element read must move the cursor forward and
// stay inside the text, whatever the error handler answers; printing what was read must not fail.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz_support.h"
#include "value/error.h"
#include "value/printer.h"
#include "value/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    vel::Reader reader(text);
    while (reader.moreElements()) {
        std::size_t before = reader.position();
        vel::Value v = reader.read();
        if (reader.position() <= before || reader.position() > size)
            std::abort();
        std::string printed = vel::quotedForm(v);
        vel::Value again = vel::parseText(printed);
        (void)again;
    }
    return 0;
}
