// The index engine's file layer: opening in the engine's modes, positioned reads and writes with
// its error codes, and byte-range locks. Locks are open-file-description locks, so two handles in
// one process conflict just as two handles in two processes do.
#pragma once

#include <cstdint>
#include <string>

namespace vel::index {

class IndexFileHandle {
public:
    // Replace: create the file or empty the one there, for reading and writing.
    enum class Mode { Create, ReadWrite, ReadOnly, Replace };

    IndexFileHandle() = default;
    IndexFileHandle(const IndexFileHandle&) = delete;
    IndexFileHandle& operator=(const IndexFileHandle&) = delete;
    ~IndexFileHandle() { close(); }

    // 0, kExists for Create on an existing file, or kOutOfRange with the system's errno kept.
    int open(const std::string& path, Mode mode);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    bool writable() const { return writable_; }
    int descriptor() const { return fd_; }
    int systemError() const { return systemError_; }

    // 0, kOutOfRange when the call fails, kReadShort when fewer bytes arrive.
    int readAt(int64_t position, void* bytes, int32_t length);
    // 0 or kWriteFailed.
    int writeAt(int64_t position, const void* bytes, int32_t length);
    int64_t size() const;
    // 0 or kWriteFailed.
    int truncate(int64_t length);
    int flushToDisk();
    // Makes a file's creation or removal in the folder of path durable; 0 or kWriteFailed.
    static int flushFolderOf(const std::string& path);

    // Lock on [position, position + length): exclusive (only on a handle open for writing) or shared.
    // wait: retry until granted; otherwise one try. 0, or kOutOfRange when refused on one try,
    // kLockFailed when the system fails or an exclusive lock is asked of a read-only handle.
    int lock(int64_t position, int64_t length, bool exclusive, bool wait);
    // 0 or kLockFailed.
    int unlock(int64_t position, int64_t length);
    // 0 when no other handle holds any byte of the range, kOutOfRange when one does.
    int test(int64_t position, int64_t length);

private:
    int fd_ = -1;
    bool writable_ = false;
    int systemError_ = 0;
};

} // namespace vel::index
