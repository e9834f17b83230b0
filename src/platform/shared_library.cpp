#include "platform/shared_library.h"

#include <dlfcn.h>

namespace vel::platform {

namespace {

// The loader's words, without the file name it tends to repeat at their start.
std::string loaderReason(const std::string& name)
{
    const char* said = dlerror();
    std::string reason = said ? said : "unknown reason";
    if (reason.rfind(name + ": ", 0) == 0)
        reason.erase(0, name.size() + 2);
    return reason;
}

} // namespace

SharedLibrary::~SharedLibrary()
{
    if (handle_)
        dlclose(handle_);
}

bool SharedLibrary::open(const std::string& name, std::string& error)
{
    if (handle_)
        dlclose(handle_);
    name_ = name;
    // RTLD_NOW: a library missing an entry fails here, not in the middle of a movie.
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_)
        error = "cannot load " + name + ": " + loaderReason(name);
    return handle_ != nullptr;
}

void* SharedLibrary::address(const char* symbol, std::string& error) const
{
    if (!handle_) {
        error = "cannot load " + name_ + ": it is not open";
        return nullptr;
    }
    dlerror();
    void* found = dlsym(handle_, symbol);
    if (!found)
        error = "cannot load " + name_ + ": it has no " + symbol;
    return found;
}

} // namespace vel::platform
