#include "platform/browser.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace vel::platform {

bool isWebAddress(const std::string& address)
{
    for (const char* scheme : {"http://", "https://", "mailto:"})
        if (address.size() > std::strlen(scheme) && strncasecmp(address.c_str(), scheme, std::strlen(scheme)) == 0)
            return address.find_first_of(" \t\r\n") == std::string::npos;
    return false;
}

bool openInBrowser(const std::string& address, const std::string& command)
{
    return isWebAddress(address) && startProgram(command, address);
}

bool startProgram(const std::string& command, const std::string& argument, bool wait)
{
    if (command.empty())
        return false;
    std::vector<std::string> words = {command, argument};
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, command.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    if (wait) {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return true;
    }
    // xdg-open hands the page to the browser and ends; it is reaped then, not waited for.
    waitpid(child, nullptr, WNOHANG);
    return true;
}

} // namespace vel::platform
