#include "platform/user_dirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>

#include "platform/media_path.h"

namespace vel::platform {

namespace {

std::string environmentVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// An XDG base directory variable; relative values are invalid by the XDG rules and ignored.
std::string xdgDirectory(const char* variable, const char* fallbackUnderHome)
{
    std::string value = environmentVariable(variable);
    if (!value.empty() && value.front() == '/')
        return value;
    return homeDirectory() + "/" + fallbackUnderHome;
}

} // namespace

std::string homeDirectory()
{
    std::string home = environmentVariable("HOME");
    if (!home.empty())
        return home;
    if (passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

bool makeDirectories(const std::string& path)
{
    if (path.empty())
        return false;
    if (isDirectory(path))
        return true;
    std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeDirectories(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && isDirectory(path));
}

std::string programDirectory()
{
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    std::string path(buffer, static_cast<std::size_t>(n));
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string moduleDirectory(const std::string& home)
{
    if (!home.empty())
        return makeDirectories(home) ? home : std::string();
    std::string program = programDirectory();
    if (!program.empty() && ::access(program.c_str(), W_OK) == 0)
        return program;
    std::string data = xdgDirectory("XDG_DATA_HOME", ".local/share") + "/orva";
    return makeDirectories(data) ? data : std::string();
}

std::string cacheDirectory()
{
    return xdgDirectory("XDG_CACHE_HOME", ".cache") + "/orva";
}

std::string documentsDirectory()
{
    std::string home = homeDirectory();
    std::ifstream dirs(xdgDirectory("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    std::string line;
    while (std::getline(dirs, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=";
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = home + value.substr(5);
        if (!value.empty() && value.front() == '/' && isDirectory(value))
            return value;
    }
    std::string documents = home + "/Documents";
    if (isDirectory(documents))
        return documents;
    if (isDirectory(home))
        return home;
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

} // namespace vel::platform
