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

void BlockAllocator::refill(int cls)
{
    void* chunk;
    if (carvedCount_ < chunkCount_) {
        chunk = chunks_[carvedCount_++];
    } else {
        // Blocks are zeroed as they are handed out, so the chunk itself need not be.
        chunk = std::malloc(kChunkSize);
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
        carvedCount_ = chunkCount_;
        stats_.chunkCount = chunkCount_;
    }
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

void* BlockAllocator::takeElsewhere(std::size_t n, bool zeroed, int cls)
{
#ifdef VEL_SYSTEM_ALLOCATOR
    void* p = zeroed ? std::calloc(1, n ? n : 1) : std::malloc(n ? n : 1);
    if (!p)
        fatalExit();
    if (cls >= 0) ++stats_.liveBlocks[cls]; else ++stats_.largeBlocks;
    return p;
#else
    if (cls < 0) {
        // calloc knows when fresh pages are zero already.
        void* p = zeroed ? std::calloc(1, n) : std::malloc(n);
        if (!p)
            fatalExit();
        ++stats_.largeBlocks;
        return p;
    }
    refill(cls);
    return pop(cls, n, zeroed);
#endif
}

void BlockAllocator::releaseElsewhere(void* p, std::size_t, int cls)
{
#ifdef VEL_SYSTEM_ALLOCATOR
    std::free(p);
    if (cls >= 0) --stats_.liveBlocks[cls]; else --stats_.largeBlocks;
#else
    if (cls < 0) {
        std::free(p);
        --stats_.largeBlocks;
        return;
    }
    // The block is on its free list already and its class has none left in use.
    if (stats_.liveBlocks[0] == 0 && stats_.liveBlocks[1] == 0 && stats_.liveBlocks[2] == 0 && stats_.liveBlocks[3] == 0)
        keepSpareChunks();
#endif
}

void BlockAllocator::keepSpareChunks()
{
    // A few chunks stay cut as they are, every block on its free list; after a larger peak the rest
    // go back and the kept ones become spares, cut again for whichever class runs out first.
    if (chunkCount_ <= kKeptChunks)
        return;
    for (int i = kKeptChunks; i < chunkCount_; ++i)
        std::free(chunks_[i]);
    chunkCount_ = kKeptChunks;
    carvedCount_ = 0;
    stats_.chunkCount = chunkCount_;
    for (auto& list : freeLists_)
        list = nullptr;
}

void BlockAllocator::releaseAllChunks()
{
    for (int i = 0; i < chunkCount_; ++i)
        std::free(chunks_[i]);
    std::free(chunks_);
    chunks_ = nullptr;
    chunkCount_ = chunkCapacity_ = carvedCount_ = 0;
    stats_.chunkCount = 0;
    for (auto& list : freeLists_)
        list = nullptr;
}

} // namespace vel
