// Windows-1252 <-> UTF-8 on arbitrary bytes: every byte string comes back from UTF-8 unchanged, and
// any bytes read as UTF-8 give no more characters than bytes, all of them mappable back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace vel::platform;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::string utf8 = utf8FromWindows1252(bytes);
    if (utf8.size() > size * 3 || windows1252FromUtf8(utf8) != bytes)
        std::abort();

    std::string narrowed = windows1252FromUtf8(bytes);
    if (narrowed.size() > size)
        std::abort();
    if (windows1252FromUtf8(utf8FromWindows1252(narrowed)) != narrowed)
        std::abort();
    return 0;
}
