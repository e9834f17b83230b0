#include "platform/media_path.h"

#include "platform/text_encoding.h"

#include <dirent.h>
#include <sys/stat.h>

#include <ctime>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace vel::platform {

namespace {

char32_t foldCase(char32_t c)
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
std::u32string foldedName(std::string_view name)
{
    std::string text = fileSystemName(name);
    std::u32string out;
    char32_t c = 0;
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        length = decodeUtf8(text, i, c);
        if (length == 0) {
            c = static_cast<unsigned char>(text[i]);
            length = 1;
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

// The names of each folder looked in, folded, so that a folder is listed once rather than at every
// name that misses. A listing stays as long as its folder is unchanged: it is kept with the folder's
// identity and time of change, and only once that time lies safely before the listing (a change in
// the same clock tick as the listing would not move the time).
class FolderIndex {
public:
    // The entry of the folder whose name folds as wanted; empty when none. Among names that fold
    // alike, the smallest in byte order, whatever the folder's own order.
    std::string find(const std::string& directory, const std::u32string& wanted)
    {
        const std::string path = directory.empty() ? "." : directory;
        struct stat info;
        if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return {};
        std::lock_guard<std::mutex> guard(lock_);
        auto it = folders_.find(path);
        if (it == folders_.end() || !it->second.current(info)) {
            if (folders_.size() >= MaxFolders)
                folders_.clear();
            Folder folder;
            if (!folder.read(path, info))
                return {};
            it = folders_.insert_or_assign(path, std::move(folder)).first;
        }
        auto found = it->second.names.find(wanted);
        return found == it->second.names.end() ? std::string() : found->second;
    }

private:
    static constexpr std::size_t MaxFolders = 4096;

    struct Folder {
        dev_t device = 0;
        ino_t inode = 0;
        timespec changed{};
        bool settled = false;
        std::unordered_map<std::u32string, std::string> names;

        bool read(const std::string& path, const struct stat& info)
        {
            DIR* dir = ::opendir(path.c_str());
            if (!dir)
                return false;
            while (dirent* entry = ::readdir(dir)) {
                std::string name = entry->d_name;
                if (name == "." || name == "..")
                    continue;
                auto [slot, added] = names.try_emplace(foldedName(name), name);
                if (!added && name < slot->second)
                    slot->second = std::move(name);
            }
            ::closedir(dir);
            device = info.st_dev;
            inode = info.st_ino;
            changed = info.st_mtim;
            settled = ::time(nullptr) > changed.tv_sec + 1;
            return true;
        }
        bool current(const struct stat& info) const
        {
            return settled && info.st_dev == device && info.st_ino == inode && info.st_mtim.tv_sec == changed.tv_sec &&
                   info.st_mtim.tv_nsec == changed.tv_nsec;
        }
    };

    std::mutex lock_;
    std::unordered_map<std::string, Folder> folders_;
};

FolderIndex folderIndex;

// The entry of directory whose name matches component without regard to case; empty when none.
std::string matchingEntry(const std::string& directory, const std::string& component)
{
    if (exists(joined(directory, component)))
        return component;
    return folderIndex.find(directory, foldedName(component));
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

std::string_view extensionOf(std::string_view name)
{
    const std::size_t separator = name.find_last_of("\\/");
    if (separator != std::string_view::npos)
        name.remove_prefix(separator + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
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

std::vector<std::string_view> listedDirectories(std::string_view list)
{
    std::vector<std::string_view> directories;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = list.find(';', start);
        const std::string_view directory = list.substr(start, end == std::string_view::npos ? end : end - start);
        if (!directory.empty())
            directories.push_back(directory);
        if (end == std::string_view::npos)
            return directories;
        start = end + 1;
    }
}

} // namespace vel::platform
