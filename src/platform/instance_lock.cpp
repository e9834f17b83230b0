#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace vel::platform {

namespace {

std::string hexHash(const std::string& text)
{
    // FNV-1a: a stable name for the same directory from run to run.
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    static const char digits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4)
        out[static_cast<std::size_t>(i)] = digits[h & 15];
    return out;
}

} // namespace

std::string InstanceLock::lockFilePath(const std::string& moduleDirectory)
{
    std::string name = "orva-" + hexHash(moduleDirectory) + ".lock";
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return std::string(runtime) + "/" + name;
    return "/tmp/orva-" + std::to_string(::getuid()) + "-" + name.substr(5);
}

InstanceLock::~InstanceLock()
{
    release();
}

InstanceLock::State InstanceLock::acquire(const std::string& moduleDirectory)
{
    release();
    std::string path = lockFilePath(moduleDirectory);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return State::Unavailable;
    struct flock region;
    std::memset(&region, 0, sizeof region);
    region.l_type = F_WRLCK;
    region.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &region) != 0) {
        int error = errno;
        ::close(fd);
        return error == EAGAIN || error == EACCES ? State::HeldElsewhere : State::Unavailable;
    }
    // The holder's process id, for a person looking at the file; the lock itself is what counts.
    std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0)
        (void)!::write(fd, pid.data(), pid.size());
    descriptor_ = fd;
    return State::Held;
}

void InstanceLock::release()
{
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

} // namespace vel::platform
