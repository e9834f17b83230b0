// An index file: keys in sorted order in one B-tree of 1024-byte pages, each key with a data record
// of variable length kept in chunks inside the leaf entries. One BtreeFile is one opener's control
// block; every operation answers 0 or a negative code (index_errors.h), searches also 1 and 2.
//
// Every add, write, rewrite and delete is one transaction, whole in the file when the call returns
// or not there at all: the pages it changes are first kept in a rollback journal beside the file
// (rollback_journal.h), and an opener that finds a journal left by a writer that died puts the file
// back. Freed pages are reused. A reader sees what another process wrote at its next call: each
// transaction counts itself in the header, and a reader that sees the count move forgets its pages.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "index/byte_order.h"
#include "index/file_lock.h"
#include "index/index_errors.h"
#include "index/key_types.h"
#include "index/page_cache.h"
#include "index/rollback_journal.h"

namespace vel::index {

constexpr int kMaxKeyNumber = 20;
constexpr int kMaxDescriptorKeyNumber = 15;
constexpr int kMaxStoredKey = 242;     // a stored key must be shorter than 243 bytes
constexpr int kMaxChunks = 128;
constexpr int kChunkBase = 244;        // chunk size = kChunkBase - stored key length
constexpr uint16_t kInUseMark = 13245;
constexpr int kInUseOffset = 1010;
constexpr int kLockAreaOffset = 562;
constexpr int kUserSlots = 209;
constexpr int kMaxLevel = 24;

// A creation descriptor: key number (1-15) and key type; a compound key (type 8) also takes its
// segment list, entries of 16 bytes (type in the first byte, descending flag in the tenth) ended by
// an entry whose type is 31.
struct KeyDescriptor {
    int keyNumber = 0;
    int keyType = 0;
    const uint8_t* segmentList = nullptr;
};

enum class AccessMode { ReadOnly = 1, ReadWrite = 2 };
enum class LockState { Unlocked, Shared, Exclusive };

struct OpenOptions {
    // For repair tools only: open a file whose in-use mark is set, without setting it anew. Such an
    // opener keeps no journal, so its writes fail; recover writes the header alone.
    bool ignoreInUseMark = false;
    // False skips every flush to disk: each transaction still survives the death of the process,
    // but not a power loss. For tests and scratch files only.
    bool sync = true;
};

class BtreeFile : private PageStore {
public:
    using Progress = std::function<void(int32_t pagesRead)>;

    // Pages are kept in the cache given, or in processPageCache() when none is.
    BtreeFile();
    explicit BtreeFile(PageCache& cache);
    ~BtreeFile();
    BtreeFile(const BtreeFile&) = delete;
    BtreeFile& operator=(const BtreeFile&) = delete;

    // byteOrder: 1 or 3 little-endian, 2 big-endian. The new file is left open for reading and writing.
    int create(const std::string& path, int byteOrder, std::span<const KeyDescriptor> descriptors = {},
               OpenOptions options = {});
    // mode 1 read-only, 2 read/write.
    int open(const std::string& path, int mode, std::span<const KeyDescriptor> descriptors = {},
             OpenOptions options = {});
    int setKeyMode(int mode);
    int close();

    // Looks for (key, record number) under keyNumber; see FindResult. On 0, 1 and 2 the record found
    // is read into data (when given); a record longer than size is cut to size and the find answers
    // kReadShort with the secondary code kBufferTooSmall. The key found is then key(), its record recordNumber().
    int find(int keyNumber, std::span<const uint8_t> key, int32_t recordNumber, void* data, int32_t size);
    // Steps to the next record of keyNumber after the current position and reads it.
    int next(int keyNumber, void* data, int32_t size);
    // Adds the key under a new record number with the record given (empty when none), beside any
    // records the key already has.
    int addKey(int keyNumber, std::span<const uint8_t> key, const void* data = nullptr, int32_t length = 0);
    // Writes the record of the key's first record, or adds the key when it is new.
    int writeRecord(int keyNumber, std::span<const uint8_t> key, const void* data, int32_t length);
    // Replaces the data of an existing record.
    int rewriteRecord(int keyNumber, std::span<const uint8_t> key, int32_t recordNumber, const void* data,
                      int32_t length);
    // Removes a record and its chunks.
    int deleteRecord(int keyNumber, std::span<const uint8_t> key, int32_t recordNumber);
    // Makes the writes up to commitBatch one transaction, for filling a file quickly: whole in the
    // file after commitBatch, or not there at all. A write that fails inside undoes the whole
    // batch and ends it; readers wait until it ends (a reader in the same thread would wait for ever).
    int beginBatch();
    int commitBatch();
    // A reader's many calls as one read: the file is caught up with once and no writer commits
    // until endReadBatch, so the calls between see one state of the file and take no lock of their
    // own. Nests; nothing to do for an opener that writes. A writer in the same thread would wait
    // for ever.
    int beginReadBatch();
    int endReadBatch();
    // Walks the whole tree; 0 or the code of the first failing page (failedPage(), secondaryError()).
    int verify(const Progress& progress = {});
    // For a file left marked in use by a writer that died: verifies the tree and clears the mark only
    // when it is sound (kLockFailed while another opener still holds the file). wasMarked tells
    // whether there was anything to clear. Leaves the block closed.
    int recover(const std::string& path, bool* wasMarked, const Progress& progress = {});

    // Shared access holds this opener's slot byte; exclusive holds the whole user area.
    int lockShared();
    int lockExclusive();
    int unlock();
    // Record locks: one byte per record number beyond any page. wait: until granted; else one try.
    int lockRecord(int32_t recordNumber, bool wait);
    int unlockRecord(int32_t recordNumber);
    // 0 when no other opener holds the record's byte, kOutOfRange when one does.
    int testRecord(int32_t recordNumber);

    bool isOpen() const { return handle_.isOpen(); }
    std::span<const uint8_t> key() const { return {foundKey_, static_cast<size_t>(foundKeyLength_)}; }
    std::string_view keyText() const;
    int32_t recordNumber() const { return recordNumber_; }
    int32_t dataLength() const { return dataLength_; }
    int lastError() const { return lastError_; }
    int secondaryError() const { return secondaryError_; }
    int32_t failedPage() const { return failedPage_; }
    AccessMode accessMode() const { return accessMode_; }
    LockState lockState() const { return lockState_; }
    int userSlot() const { return userSlot_; }
    int keyMode() const { return keyMode_; }
    bool bigEndian() const { return order_.big; }
    int32_t pageCount() const { return pageCount_; }
    int32_t rootPage() const { return root_; }
    int32_t nextRecordNumber() const { return counter_; }
    // The head of the chain of freed pages, -1 when there is none.
    int32_t freePage() const { return freeHead_; }
    const KeyFormat& keyFormat(int keyNumber) const { return formats_[keyNumber]; }
    const std::string& path() const { return path_; }

private:
    struct Probe {
        int keyNumber;
        const uint8_t* key;
        int keyLength;
        int32_t record;
        int chunk;
    };
    struct Entry {
        int keyNumber;
        int chunkByte;
        int32_t record;
        const uint8_t* key;
        int keyLength;
        const uint8_t* data;
        int dataLength;
        int32_t child;
    };
    struct Position {
        int32_t page = -1;
        int index = 0;
        uint32_t stamp = 0;
        bool valid = false;
    };
    struct PageImage;

    int fail(int code, int secondary = 0, int32_t page = -1);
    int succeed(int code = kOk);
    int checkOpen() const;
    int ensureLock();
    int readHeader(std::span<const KeyDescriptor> descriptors, OpenOptions options);
    // The fields a transaction changes: root, page count, counters and the free chain.
    int loadHeaderFields(const uint8_t* page, int64_t fileSize);
    void composeHeader(uint8_t* page, bool inUse) const;
    int writeHeader(bool inUse);
    int takeSlot();
    // A journal left by a writer that died is rolled back, and its in-use mark cleared once no
    // opener is left; done before the header is read.
    void recoverJournal();

    // Transactions (btree_transaction.cpp).
    int beginWrite();
    int commitWrite();
    // Puts the file and this block back as they were at beginWrite; answers code.
    int abandonWrite(int code);
    // Forgets every page this file holds in the cache and in its last-page buffer.
    void forgetPages();
    // Each write operation runs inside one transaction; body answers 0 or the failure.
    template <class Body>
    int transaction(Body body);
    int keepOriginal(int32_t page);
    int writePages(int32_t first, int32_t count, const uint8_t* bytes) override;
    // A reader's call: holds the write lock shared for its length, catching up with the
    // transactions other processes committed since the last call. Inside a read batch only the
    // outermost call does either.
    int beginRead();
    void endRead();
    int catchUp();
    int startRead(int keyNumber);
    struct ReadScope;
    int32_t allocatePage(int* rc);
    int releasePage(int32_t page);
    static int parseDescriptors(std::span<const KeyDescriptor> descriptors, KeyFormat* formats);

    // Page access.
    CachedPage* fetch(int32_t page, int* rc);
    // A reader's page through its read-only mapping of the file, or null when the mapping cannot
    // cover it (the page is then read as a writer reads it). Called only while the write lock is
    // held shared, so the file is at least as long as the header says.
    const uint8_t* mappedPage(int32_t page);
    void unmap();
    int parsePage(CachedPage* page);
    int storePage(int32_t pageNumber, const uint8_t* bytes);
    int storePage(int32_t pageNumber, const PageImage& image);
    // The page's bytes and entry table into image, for a change.
    int loadImage(int32_t pageNumber, PageImage& image);
    // The page's new bytes in the cache, its original kept for the journal first.
    CachedPage* placePage(int32_t pageNumber, const uint8_t* bytes, int* rc);
    Entry entryAt(const uint8_t* page, int offset, bool internal) const;
    int compareProbe(const Probe& probe, const Entry& entry) const;
    // The same against the entry at offset, for searches: the entry's key length is found only
    // for key types whose comparison needs it.
    int compareProbeAt(const Probe& probe, const uint8_t* page, int offset, bool internal) const;
    // The child link of the internal entry at offset.
    int32_t childOf(const uint8_t* page, int offset) const;
    int checkKey(int keyNumber, std::span<const uint8_t> key, int* storedLength) const;
    const uint8_t* prepareKey(int keyNumber, std::span<const uint8_t> key, int length);

    // Searching.
    // The first entry of the leaf that does not order before the probe (count when none).
    int leafSlot(const Probe& probe, const CachedPage* cp) const;
    int descend(const Probe& probe, std::vector<int32_t>* path, int32_t* leaf, int* index);
    int settle(int32_t* page, int* index, CachedPage** entryPage);
    int locate(const Probe& probe, int32_t* page, int* index);
    int readRecordAt(int32_t page, int index, const Entry& first, void* data, int32_t size);
    void remember(const Entry& entry, int32_t page, int index);
    void keepLastPage(CachedPage* page);

    // Writing.
    int insertEntry(const Probe& probe, const uint8_t* data, int32_t dataLength, int chunkByte);
    int insertIntoPage(std::vector<int32_t>& path, int depth, const uint8_t* entry, int entryLength);
    int splitPage(std::vector<int32_t>& path, int depth, PageImage& image, int insertedIndex);
    // An overflowing leaf moves entries to a neighbour under the same parent that has room, so
    // pages filled in random order end fuller than splits alone leave them; 1 when neither can.
    int shareWithNeighbour(std::vector<int32_t>& path, int depth, PageImage& image, int insertedIndex);
    // Puts entry in place of the internal entry at index, splitting the page when it overflows.
    int replaceSeparator(std::vector<int32_t>& path, int depth, int index, const uint8_t* entry, int entryLength);
    // The separator bounding a right page whose first entry is at offset: that entry without data.
    int leafSeparator(const uint8_t* page, int offset, int32_t child, uint8_t* out) const;
    int putRecord(int keyNumber, const uint8_t* key, int keyLength, int32_t record, const uint8_t* data,
                  int32_t length);
    int removeRecord(int keyNumber, const uint8_t* key, int keyLength, int32_t record);
    // A leaf emptied by a removal leaves the tree and the leaf chain; path leads to it.
    int dropEmptyLeaf(const std::vector<int32_t>& path);
    int32_t childAt(const uint8_t* page, int slot) const;
    int slotOf(const CachedPage* parent, int32_t child) const;
    int removeSlot(int32_t pageNumber, int slot);
    // Finds the record exactly and removes its entries; the stored form of the key comes back for
    // a rewrite to put the new entries under.
    int removeExisting(int keyNumber, std::span<const uint8_t> key, int keyLength, int32_t recordNumber,
                       const uint8_t** stored);
    int checkWritable() const;
    // The checks a record's writing makes before anything is touched; the stored key's length out.
    int checkRecord(int keyNumber, std::span<const uint8_t> key, const void* data, int32_t length,
                    int* keyLength);
    int recordChunks(int keyLength, int32_t length) const;

    // Verifying.
    struct VerifyState;
    int verifyPage(VerifyState& state, int32_t page, int level, const std::vector<uint8_t>* low,
                   const std::vector<uint8_t>* high);
    int verifyFreeChain(VerifyState& state);

    PageCache* cache_;
    IndexFileHandle handle_;
    RollbackJournal journal_;
    std::string path_;
    bool sync_ = true;
    // A failed transaction that could not be rolled back in place: no more writes from here.
    bool broken_ = false;
    bool inWrite_ = false;
    bool batch_ = false;
    struct Saved {
        int32_t root, pageCount, counter, freeHead;
    } saved_{};
    uint32_t owner_ = 0;
    ByteOrder order_;
    AccessMode accessMode_ = AccessMode::ReadOnly;
    LockState lockState_ = LockState::Unlocked;
    int userSlot_ = -1;
    int keyMode_ = 0;
    bool markSet_ = false;
    bool markFound_ = false;
    int32_t highestRecord_ = 0;

    int32_t root_ = -1;
    int32_t pageCount_ = 0;
    int32_t counter_ = 1;
    int32_t freeHead_ = -1;
    uint32_t changeCount_ = 0;
    bool headerChanged_ = false;
    KeyFormat formats_[kMaxKeyNumber + 1];

    uint8_t foundKey_[256] = {};
    int foundKeyLength_ = 0;
    int32_t recordNumber_ = 0;
    int32_t dataLength_ = 0;
    int lastError_ = 0;
    int secondaryError_ = 0;
    int32_t failedPage_ = -1;
    uint8_t probeKey_[256] = {};
    // The pages a write descends through, kept so each insert need not allocate them anew.
    std::vector<int32_t> writePath_;
    // The entry fetch last found in the cache; compared only, never read through.
    const CachedPage* lastFetched_ = nullptr;
    // A reader maps the file: a page missing from the cache is copied from the mapping, and a cold
    // file is read ahead around each fault rather than one page per system call.
    const uint8_t* map_ = nullptr;
    int64_t mapLength_ = 0;

    uint32_t stamp_ = 1;
    // Read calls (and read batches) under way; the write lock is held shared while above 0.
    int readDepth_ = 0;
    Position positions_[kMaxKeyNumber + 1];
    // The leaf the last search ended on, so a search that falls inside it needs no descent.
    struct LastPage {
        int32_t page = -1;
        uint32_t stamp = 0;
    } lastPage_;
};

} // namespace vel::index
