#include "value/allocator.h"

#include <cstdlib>
#include <cstring>

#include "value/error.h"

namespace vel {

BlockAllocator& BlockAllocator::instance()
{
    // Never destroyed: values in static storage may still be released after exit begins.
    static BlockAllocator* allocator = new BlockAllocator;
    return *allocator;
}

BlockAllocator::~BlockAllocator()
{
    if (this != &instance())
        releaseAllChunks();
}

bool BlockAllocator::routesToSystem()
{
#ifdef VEL_SYSTEM_ALLOCATOR
    return true;
#else
    return false;
#endif
}

int BlockAllocator::classFor(std::size_t n)
{
    for (int c = 0; c < 4; ++c)
        if (n <= kClassSizes[c])
            return c;
    return -1;
}

void BlockAllocator::refill(int cls)
{
    void* chunk = std::calloc(1, kChunkSize);
    if (!chunk)
        fatalExit();
    if (chunkCount_ == chunkCapacity_) {
        int newCapacity = chunkCapacity_ + kChunkTableGrowth;
        auto** table = static_cast<void**>(std::realloc(chunks_, sizeof(void*) * newCapacity));
        if (!table)
            fatalExit();
        chunks_ = table;
        chunkCapacity_ = newCapacity;
    }
    chunks_[chunkCount_++] = chunk;
    stats_.chunkCount = chunkCount_;
    // Link the blocks so that the chunk's first block is handed out first.
    std::size_t size = kClassSizes[cls];
    std::size_t count = kChunkSize / size;
    auto* base = static_cast<char*>(chunk);
    for (std::size_t i = 0; i < count; ++i) {
        void* next = (i + 1 < count) ? base + (i + 1) * size : freeLists_[cls];
        std::memcpy(base + i * size, &next, sizeof next);
    }
    freeLists_[cls] = base;
    if (ceiling_ > 0 && static_cast<int64_t>(chunkCount_) * static_cast<int64_t>(kChunkSize) > ceiling_)
        fatalExit();
}

void* BlockAllocator::allocate(std::size_t n)
{
    stats_.bytesInUse += static_cast<int64_t>(n);
    if (stats_.bytesInUse > stats_.peakBytesInUse)
        stats_.peakBytesInUse = stats_.bytesInUse;
#ifdef VEL_SYSTEM_ALLOCATOR
    void* p = std::calloc(1, n ? n : 1);
    if (!p)
        fatalExit();
    int c = classFor(n);
    if (c >= 0) ++stats_.liveBlocks[c]; else ++stats_.largeBlocks;
    return p;
#else
    int cls = classFor(n);
    if (cls < 0) {
        void* p = std::calloc(1, n);
        if (!p)
            fatalExit();
        ++stats_.largeBlocks;
        return p;
    }
    if (!freeLists_[cls])
        refill(cls);
    void* block = freeLists_[cls];
    void* next;
    std::memcpy(&next, block, sizeof next);
    freeLists_[cls] = next;
    ++stats_.liveBlocks[cls];
    std::memset(block, 0, n ? n : sizeof(void*));
    return block;
#endif
}

void BlockAllocator::release(void* p, std::size_t n)
{
    if (!p)
        return;
    stats_.bytesInUse -= static_cast<int64_t>(n);
    int cls = classFor(n);
#ifdef VEL_SYSTEM_ALLOCATOR
    std::free(p);
    if (cls >= 0) --stats_.liveBlocks[cls]; else --stats_.largeBlocks;
#else
    if (cls < 0) {
        std::free(p);
        --stats_.largeBlocks;
        return;
    }
    std::memcpy(p, &freeLists_[cls], sizeof(void*));
    freeLists_[cls] = p;
    --stats_.liveBlocks[cls];
    if (stats_.liveBlocks[0] == 0 && stats_.liveBlocks[1] == 0 && stats_.liveBlocks[2] == 0 && stats_.liveBlocks[3] == 0)
        releaseAllChunks();
#endif
}

void BlockAllocator::releaseAllChunks()
{
    for (int i = 0; i < chunkCount_; ++i)
        std::free(chunks_[i]);
    std::free(chunks_);
    chunks_ = nullptr;
    chunkCount_ = chunkCapacity_ = 0;
    stats_.chunkCount = 0;
    for (auto& list : freeLists_)
        list = nullptr;
}

} // namespace vel
