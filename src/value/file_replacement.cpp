#include "value/file_replacement.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vel {

namespace {

bool failWith(std::string* error, const std::string& what, int code)
{
    if (error)
        *error = what + ": " + std::strerror(code);
    return false;
}

std::string folderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool syncFolder(const std::string& path, std::string* error)
{
    std::string folder = folderOf(path);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return failWith(error, "cannot open folder " + folder, errno);
    bool ok = ::fsync(fd) == 0 || errno == EINVAL; // some file systems cannot sync a folder
    int code = errno;
    ::close(fd);
    return ok || failWith(error, "cannot sync folder " + folder, code);
}

// The temporary, open; removed when dropped before being committed.
class Temporary {
public:
    explicit Temporary(const std::string& target, std::string* error)
    {
        std::string pattern = target + ".XXXXXX";
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0) {
            failWith(error, "cannot create a file beside " + target, errno);
            return;
        }
        path_ = pattern;
        // mkstemp makes the file private; a replacement keeps the target's permissions.
        struct stat info {};
        mode_t mode = ::stat(target.c_str(), &info) == 0 ? info.st_mode & 07777 : 0644;
        ::fchmod(fd_, mode);
    }
    ~Temporary()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    int descriptor() const { return fd_; }
    // The path, which the caller now answers for.
    std::string release()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        std::string path;
        path.swap(path_);
        return path;
    }

private:
    int fd_ = -1;
    std::string path_;
};

} // namespace

bool writeAll(int descriptor, const void* bytes, std::size_t length)
{
    const auto* from = static_cast<const char*>(bytes);
    while (length > 0) {
        ssize_t n = ::write(descriptor, from, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        from += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string createTemporaryBeside(const std::string& target, std::string* error)
{
    Temporary temporary(target, error);
    return temporary.descriptor() >= 0 ? temporary.release() : std::string();
}

bool commitTemporary(const std::string& temporary, const std::string& target, std::string* error)
{
    int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    bool synced = fd >= 0 && ::fsync(fd) == 0;
    int code = errno;
    if (fd >= 0)
        ::close(fd);
    if (!synced) {
        ::unlink(temporary.c_str());
        return failWith(error, "cannot sync " + temporary, code);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        code = errno;
        ::unlink(temporary.c_str());
        return failWith(error, "cannot rename over " + target, code);
    }
    return syncFolder(target, error);
}

bool replaceFile(const std::string& target, const std::function<bool(int descriptor)>& write, std::string* error)
{
    Temporary temporary(target, error);
    if (temporary.descriptor() < 0)
        return false;
    errno = 0;
    if (!write(temporary.descriptor()))
        return failWith(error, "cannot write " + target, errno ? errno : EIO);
    return commitTemporary(temporary.release(), target, error);
}

bool replaceFile(const std::string& target, std::string_view bytes, std::string* error)
{
    return replaceFile(target, [&](int fd) { return writeAll(fd, bytes.data(), bytes.size()); }, error);
}

} // namespace vel
