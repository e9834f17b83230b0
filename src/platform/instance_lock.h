// One running copy per module directory: a lock file in the user's runtime directory, held with an
// open-file-description lock for as long as the program runs. The system drops the lock when the
// holder ends, however it ends; release (and so every normal exit) also removes the file.
#pragma once

#include <string>

namespace vel::platform {

class InstanceLock {
public:
    enum class State { Held, HeldElsewhere, Unavailable };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock for the module directory. HeldElsewhere: another copy (or another handle in this
    // process) holds it. Unavailable: the lock file could not be made; the caller may run unguarded.
    State acquire(const std::string& moduleDirectory);
    void release();
    bool held() const { return descriptor_ >= 0; }

    // $XDG_RUNTIME_DIR/orva-<hash of the module directory>.lock, or the same in the cache folder
    // (~/.cache/orva) when there is no runtime directory.
    static std::string lockFilePath(const std::string& moduleDirectory);

private:
    int descriptor_ = -1;
    std::string path_;
};

} // namespace vel::platform
