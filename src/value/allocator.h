// The process-wide block allocator every value object and its arrays come from: four size classes
// (16, 32, 256 and 4096 bytes) cut from 64 KiB chunks, larger requests straight from the heap.
// Single-threaded, like the rest of the value model.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vel {

struct AllocatorStats {
    int64_t bytesInUse = 0;       // sum of the sizes currently requested
    int64_t peakBytesInUse = 0;
    int64_t liveBlocks[4] = {};   // per size class
    int64_t chunkCount = 0;
    int64_t largeBlocks = 0;
};

class BlockAllocator {
public:
    static constexpr std::size_t kChunkSize = 65536;
    static constexpr std::size_t kClassSizes[4] = {16, 32, 256, 4096};
    static constexpr int kChunkTableGrowth = 256;

    static BlockAllocator& instance();
    // The process-wide allocator is instance(); separate ones exist for tests.
    BlockAllocator() = default;
    ~BlockAllocator();
    BlockAllocator(const BlockAllocator&) = delete;
    BlockAllocator& operator=(const BlockAllocator&) = delete;

    // Zero-filled block of at least n bytes. n == 0 is served as a 16-byte block.
    void* allocate(std::size_t n);
    // p must come from allocate(n) with the same n.
    void release(void* p, std::size_t n);

    const AllocatorStats& stats() const { return stats_; }
    // Starts a new peak from what is in use now, so a caller can measure one operation.
    void resetPeak() { stats_.peakBytesInUse = stats_.bytesInUse; }
    // Ceiling on the bytes held in chunks; 0 means none. Exceeding it is fatal.
    void setCeiling(int64_t bytes) { ceiling_ = bytes; }
    // True when requests go to the system allocator (sanitizer and fuzz builds).
    static bool routesToSystem();

private:
    static int classFor(std::size_t n);
    void refill(int cls);
    void releaseAllChunks();

    void* freeLists_[4] = {};
    void** chunks_ = nullptr;
    int chunkCapacity_ = 0;
    int chunkCount_ = 0;
    int64_t ceiling_ = 0;
    AllocatorStats stats_;
};

// Typed helpers for arrays of trivially copyable elements.
template <typename T>
T* allocateArray(std::size_t count) { return static_cast<T*>(BlockAllocator::instance().allocate(count * sizeof(T))); }
template <typename T>
void releaseArray(T* p, std::size_t count) { if (p) BlockAllocator::instance().release(p, count * sizeof(T)); }

} // namespace vel
