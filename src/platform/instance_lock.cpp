#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/media_path.h"
#include "platform/user_dirs.h"

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
    return cacheDirectory() + "/" + name;
}

InstanceLock::~InstanceLock()
{
    release();
}

InstanceLock::State InstanceLock::acquire(const std::string& moduleDirectory)
{
    release();
    std::string path = lockFilePath(moduleDirectory);
    // The cache folder is made when missing, but never a missing home folder with it.
    const std::string folder = path.substr(0, path.find_last_of('/'));
    if (!isDirectory(folder) && (folder != cacheDirectory() || !isDirectory(homeDirectory()) ||
                                 !makeDirectories(folder)))
        return State::Unavailable;
    int fd = -1;
    // A holder that ends removes the file; one opened just before that is stale and is opened again.
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
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
        struct stat opened, named;
        if (::fstat(fd, &opened) != 0 || ::stat(path.c_str(), &named) != 0 || opened.st_ino != named.st_ino ||
            opened.st_dev != named.st_dev) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return State::Unavailable;
    // The holder's process id, for a person looking at the file; the lock itself is what counts.
    std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0)
        (void)!::write(fd, pid.data(), pid.size());
    descriptor_ = fd;
    path_ = path;
    return State::Held;
}

void InstanceLock::release()
{
    if (descriptor_ >= 0) {
        // Removed while still locked, so that no other copy can take the old file for a free one.
        ::unlink(path_.c_str());
        ::close(descriptor_);
        descriptor_ = -1;
        path_.clear();
    }
}

} // namespace vel::platform
