#include "runtime/help.h"

#include <cstdio>
#include <string>

#include "platform/text_encoding.h"
#include "value/string.h"

namespace vel {

namespace {
bool open = false;
}

bool helpOpen(const Value& helpFile, int32_t context)
{
    std::string where = context >= 0 ? "topic " + std::to_string(context) : std::string("the index");
    std::string name = platform::utf8FromWindows1252(textOf(helpFile));
    std::fprintf(stderr, "Help is not available: cannot show %s of \"%s\"\n", where.c_str(), name.c_str());
    std::fflush(stderr);
    open = false;
    return false;
}

void helpClose()
{
    open = false;
}

bool helpIsOpen()
{
    return open;
}

} // namespace vel
