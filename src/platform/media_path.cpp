#include "platform/media_path.h"

#include "platform/text_encoding.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <vector>

namespace vel::platform {

namespace {

// Decodes one UTF-8 sequence at i; false (and i unchanged) when the bytes there are not one.
bool decodeUtf8(std::string_view s, std::size_t& i, uint32_t& c)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = byte(i);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size())
        return false;
    uint32_t value = extra == 0 ? b : (b & (0x3F >> extra));
    for (int k = 1; k <= extra; ++k) {
        unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80)
            return false;
        value = (value << 6) | (next & 0x3F);
    }
    static const uint32_t smallest[4] = {0, 0x80, 0x800, 0x10000};
    if (value < smallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return false;
    c = value;
    i += extra + 1;
    return true;
}

bool isValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    uint32_t c;
    while (i < s.size())
        if (!decodeUtf8(s, i, c))
            return false;
    return true;
}

uint32_t foldCase(uint32_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    if (c == 0x160 || c == 0x17D || c == 0x152)
        return c + 1;
    if (c == 0x178)
        return 0xFF;
    return c;
}

// The code points of a name, folded; bytes that are not UTF-8 count as Windows-1252.
std::vector<uint32_t> foldedName(std::string_view name)
{
    std::string text = fileSystemName(name);
    std::vector<uint32_t> out;
    std::size_t i = 0;
    uint32_t c = 0;
    while (i < text.size()) {
        if (!decodeUtf8(text, i, c)) {
            c = static_cast<unsigned char>(text[i]);
            ++i;
        }
        out.push_back(foldCase(c));
    }
    return out;
}

std::string joined(const std::string& directory, const std::string& component)
{
    if (directory.empty())
        return component;
    if (directory.back() == '/')
        return directory + component;
    return directory + "/" + component;
}

bool exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// The entry of directory whose name matches component without regard to case; empty when none.
// Among several, the smallest name in byte order, so that the choice does not depend on the directory's order.
std::string matchingEntry(const std::string& directory, const std::string& component)
{
    if (exists(joined(directory, component)))
        return component;
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!dir)
        return {};
    std::vector<uint32_t> wanted = foldedName(component);
    std::string best;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (foldedName(name) == wanted && (best.empty() || name < best))
            best = name;
    }
    ::closedir(dir);
    return best;
}

struct SplitPath {
    bool absolute = false;
    bool drive = false;
    std::vector<std::string> components;
};

SplitPath split(std::string_view path)
{
    std::size_t zero = path.find('\0');
    if (zero != std::string_view::npos)
        path = path.substr(0, zero);
    SplitPath out;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        out.drive = true;
        path.remove_prefix(2);
    }
    out.absolute = !path.empty() && (path.front() == '/' || path.front() == '\\');
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/' || path[i] == '\\') {
            if (i > start)
                out.components.emplace_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

// Walks the components from base; once one is missing, the rest are appended as written.
std::string walk(std::string base, const std::vector<std::string>& components)
{
    std::string path = base;
    bool found = true;
    for (const std::string& component : components) {
        std::string name = fileSystemName(component);
        if (found) {
            std::string match = matchingEntry(path, name);
            if (match.empty())
                found = false;
            else
                name = match;
        }
        path = joined(path, name);
    }
    return path;
}

std::vector<std::string> withoutDots(const std::vector<std::string>& components, bool mayClimb)
{
    std::vector<std::string> kept;
    for (const std::string& c : components) {
        if (c == ".")
            continue;
        if (c == "..") {
            if (!kept.empty() && kept.back() != "..")
                kept.pop_back();
            else if (mayClimb)
                kept.push_back(c);
            continue;
        }
        kept.push_back(c);
    }
    return kept;
}

} // namespace

std::string fileSystemName(std::string_view name)
{
    return isValidUtf8(name) ? std::string(name) : utf8FromWindows1252(name);
}

std::string configuredPath(std::string_view path, std::string_view driveRoot)
{
    SplitPath parts = split(path);
    std::string base;
    bool mayClimb = true;
    if (parts.drive) {
        base = std::string(driveRoot);
        mayClimb = false;
    } else if (parts.absolute) {
        base = "/";
    }
    return walk(base, withoutDots(parts.components, mayClimb && !parts.absolute));
}

std::string pathUnder(std::string_view root, std::string_view name)
{
    SplitPath parts = split(name);
    return walk(std::string(root), withoutDots(parts.components, false));
}

bool isFile(const std::string& path)
{
    struct stat info;
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isDirectory(const std::string& path)
{
    struct stat info;
    return ::stat(path.empty() ? "." : path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace vel::platform
