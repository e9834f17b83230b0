#include "runtime/current_directory.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/text_encoding.h"
#include "value/string.h"

namespace vel {

namespace {
// The whole path however long, where a fixed buffer could cut it.
bool currentDirectory(std::string& out)
{
    std::string buffer(256, '\0');
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) {
            out.assign(buffer.c_str());
            return true;
        }
        if (errno != ERANGE || buffer.size() >= (1u << 20))
            return false;
        buffer.resize(buffer.size() * 2);
    }
}
} // namespace

Value setCurrentDirectory(const Value& path)
{
    if (!path.is(Tag::String))
        return Value::nil();
    std::string_view text = textOf(path);
    // A NUL would silently shorten the path the system sees.
    if (text.empty() || text.find('\0') != std::string_view::npos)
        return Value::nil();
    std::string previous;
    if (!currentDirectory(previous))
        return Value::nil();
    if (chdir(platform::utf8FromWindows1252(text).c_str()) != 0)
        return Value::nil();
    return Value::string(platform::windows1252FromUtf8(previous));
}

} // namespace vel
