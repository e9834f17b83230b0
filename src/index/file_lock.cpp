#include "index/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include "index/index_errors.h"

namespace vel::index {
namespace {

int rangeLock(int fd, int command, short type, int64_t position, int64_t length)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(position);
    lock.l_len = static_cast<off_t>(length);
    lock.l_pid = 0; // required for open-file-description locks
    return fcntl(fd, command, &lock);
}

} // namespace

int IndexFileHandle::open(const std::string& path, Mode mode)
{
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Create: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::ReadOnly: flags |= O_RDONLY; break;
    case Mode::Replace: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    writable_ = mode != Mode::ReadOnly;
    fd_ = ::open(path.c_str(), flags, 0644);
    if (fd_ < 0) {
        systemError_ = errno;
        return mode == Mode::Create && errno == EEXIST ? kExists : kOutOfRange;
    }
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        systemError_ = EINVAL;
        close();
        return kOutOfRange;
    }
    // Index pages are visited in tree order, not file order: read-ahead would only waste the cache.
    posix_fadvise(fd_, 0, 0, POSIX_FADV_RANDOM);
    return kOk;
}

void IndexFileHandle::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int IndexFileHandle::readAt(int64_t position, void* bytes, int32_t length)
{
    int32_t done = 0;
    while (done < length) {
        ssize_t n = pread(fd_, static_cast<char*>(bytes) + done, static_cast<size_t>(length - done),
                          static_cast<off_t>(position + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            systemError_ = errno;
            return kOutOfRange;
        }
        if (n == 0)
            return kReadShort;
        done += static_cast<int32_t>(n);
    }
    return kOk;
}

int IndexFileHandle::writeAt(int64_t position, const void* bytes, int32_t length)
{
    int32_t done = 0;
    while (done < length) {
        ssize_t n = pwrite(fd_, static_cast<const char*>(bytes) + done, static_cast<size_t>(length - done),
                           static_cast<off_t>(position + done));
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            systemError_ = n < 0 ? errno : ENOSPC;
            return kWriteFailed;
        }
        done += static_cast<int32_t>(n);
    }
    return kOk;
}

int64_t IndexFileHandle::size() const
{
    struct stat st {};
    return fstat(fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

int IndexFileHandle::truncate(int64_t length)
{
    if (ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        systemError_ = errno;
        return kWriteFailed;
    }
    return kOk;
}

int IndexFileHandle::flushFolderOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return kWriteFailed;
    int rc = fsync(fd) == 0 ? kOk : kWriteFailed;
    ::close(fd);
    return rc;
}

int IndexFileHandle::flushToDisk()
{
    if (fdatasync(fd_) != 0) {
        systemError_ = errno;
        return kWriteFailed;
    }
    return kOk;
}

int IndexFileHandle::lock(int64_t position, int64_t length, bool exclusive, bool wait)
{
    if (exclusive && !writable_) {
        systemError_ = EBADF;
        return kLockFailed;
    }
    for (;;) {
        // A blocking request is woken by the kernel the moment the holder lets go.
        if (rangeLock(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, exclusive ? F_WRLCK : F_RDLCK, position, length) == 0)
            return kOk;
        int e = errno;
        if (e == EINTR)
            continue;
        if (e == EACCES || e == EAGAIN) {
            if (!wait)
                return kOutOfRange;
            sched_yield();
            continue;
        }
        systemError_ = e;
        return kLockFailed;
    }
}

int IndexFileHandle::unlock(int64_t position, int64_t length)
{
    if (rangeLock(fd_, F_OFD_SETLK, F_UNLCK, position, length) != 0) {
        systemError_ = errno;
        return kLockFailed;
    }
    return kOk;
}

int IndexFileHandle::test(int64_t position, int64_t length)
{
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = static_cast<off_t>(position);
    probe.l_len = static_cast<off_t>(length);
    if (fcntl(fd_, F_OFD_GETLK, &probe) != 0) {
        systemError_ = errno;
        return kLockFailed;
    }
    return probe.l_type == F_UNLCK ? kOk : kOutOfRange;
}

} // namespace vel::index
