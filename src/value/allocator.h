// The process-wide block allocator every value object and its arrays come from: four size classes
// (16, 32, 256 and 4096 bytes) cut from 64 KiB chunks, larger requests straight from the heap.
// When the last block goes, up to kKeptChunks chunks stay for the next values, so a program that
// makes and drops one value at a time does not map and fault in fresh memory each time.
// Single-threaded, like the rest of the value model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vel {

struct AllocatorStats {
    int64_t bytesInUse = 0;       // sum of the sizes currently requested
    int64_t peakBytesInUse = 0;
    int64_t liveBlocks[4] = {};   // per size class
    int64_t chunkCount = 0;       // chunks held, kept spares included
    int64_t largeBlocks = 0;
};

class BlockAllocator {
public:
    static constexpr std::size_t kChunkSize = 65536;
    static constexpr std::size_t kClassSizes[4] = {16, 32, 256, 4096};
    static constexpr int kChunkTableGrowth = 256;
    static constexpr int kKeptChunks = 8;

    static BlockAllocator& instance();
    // The process-wide allocator is instance(); separate ones exist for tests.
    BlockAllocator() = default;
    ~BlockAllocator();
    BlockAllocator(const BlockAllocator&) = delete;
    BlockAllocator& operator=(const BlockAllocator&) = delete;

    // Zero-filled block of at least n bytes. n == 0 is served as a 16-byte block.
    void* allocate(std::size_t n) { return take(n, true); }
    // The same without the zero fill, for a caller that writes all n bytes before reading any.
    void* allocateUninitialized(std::size_t n) { return take(n, false); }
    // p must come from allocate(n) with the same n.
    inline void release(void* p, std::size_t n);

    const AllocatorStats& stats() const { return stats_; }
    // Starts a new peak from what is in use now, so a caller can measure one operation.
    void resetPeak() { stats_.peakBytesInUse = stats_.bytesInUse; }
    // Ceiling on the bytes held in chunks; 0 means none. Exceeding it is fatal.
    void setCeiling(int64_t bytes) { ceiling_ = bytes; }
    // True when requests go to the system allocator (sanitizer and fuzz builds).
    static bool routesToSystem();

private:
    static int classFor(std::size_t n) { return n <= 16 ? 0 : n <= 32 ? 1 : n <= 256 ? 2 : n <= 4096 ? 3 : -1; }
    // Popping and pushing a free list is inline; the rest (new chunks, large blocks, the system
    // allocator, the empty moment) is not.
    inline void* take(std::size_t n, bool zeroed);
    inline void* pop(int cls, std::size_t n, bool zeroed);
    void* takeElsewhere(std::size_t n, bool zeroed, int cls);
    void releaseElsewhere(void* p, std::size_t n, int cls);
    void refill(int cls);
    void keepSpareChunks();
    void releaseAllChunks();

    void* freeLists_[4] = {};
    void** chunks_ = nullptr;
    int chunkCapacity_ = 0;
    int chunkCount_ = 0;
    int carvedCount_ = 0; // chunks_[carvedCount_ .. chunkCount_) are spares not yet cut into blocks
    int64_t ceiling_ = 0;
    AllocatorStats stats_;
};

void* BlockAllocator::take(std::size_t n, bool zeroed)
{
    stats_.bytesInUse += static_cast<int64_t>(n);
    if (stats_.bytesInUse > stats_.peakBytesInUse)
        stats_.peakBytesInUse = stats_.bytesInUse;
    const int cls = classFor(n);
#ifndef VEL_SYSTEM_ALLOCATOR
    if (cls >= 0 && freeLists_[cls])
        return pop(cls, n, zeroed);
#endif
    return takeElsewhere(n, zeroed, cls);
}

void* BlockAllocator::pop(int cls, std::size_t n, bool zeroed)
{
    void* block = freeLists_[cls];
    std::memcpy(&freeLists_[cls], block, sizeof(void*));
    ++stats_.liveBlocks[cls];
    if (zeroed && n > 0)
        std::memset(block, 0, n);
    return block;
}

void BlockAllocator::release(void* p, std::size_t n)
{
    if (!p)
        return;
    stats_.bytesInUse -= static_cast<int64_t>(n);
    const int cls = classFor(n);
#ifndef VEL_SYSTEM_ALLOCATOR
    if (cls >= 0) {
        std::memcpy(p, &freeLists_[cls], sizeof(void*));
        freeLists_[cls] = p;
        if (--stats_.liveBlocks[cls] != 0)
            return;
    }
#endif
    releaseElsewhere(p, n, cls);
}

// Typed helpers for arrays of trivially copyable elements.
template <typename T>
T* allocateArray(std::size_t count) { return static_cast<T*>(BlockAllocator::instance().allocate(count * sizeof(T))); }
template <typename T>
T* allocateArrayUninitialized(std::size_t count)
{
    return static_cast<T*>(BlockAllocator::instance().allocateUninitialized(count * sizeof(T)));
}
template <typename T>
void releaseArray(T* p, std::size_t count) { if (p) BlockAllocator::instance().release(p, count * sizeof(T)); }

} // namespace vel
