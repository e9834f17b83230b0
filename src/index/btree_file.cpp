#include "index/btree_file.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

#include "index/page_cache.h"

namespace vel::index {
namespace {

// Header page fields of our own (see docs/index_file_format.md).
constexpr int kHeaderOrder = 0;
constexpr int kHeaderMagic = 4;
constexpr char kMagic[8] = {'V', 'E', 'L', 'I', 'N', 'D', 'E', 'X'};
constexpr int kHeaderVersion = 12;
constexpr int kHeaderPageSize = 16;
constexpr int kHeaderRoot = 20;
constexpr int kHeaderPageCount = 24;
constexpr int kHeaderFreeList = 28;
constexpr int kHeaderCounter = 32;
constexpr int kHeaderDescriptors = 40;
constexpr int kHeaderSegments = 80;
constexpr int kHeaderSegmentsEnd = 560;
constexpr int kFormatVersion = 1;

// Tree page header.
constexpr int kFirstChild = 0;
constexpr int kSibling = 4;
constexpr int kLink = 8;
constexpr int kLevel = 12;
constexpr int kCount = 14;
constexpr int kUsed = 16;
constexpr int kEntries = 18;
constexpr int kMaxEntries = 143;
// A page image may overflow by one entry before it is split.
constexpr int kImageSize = kPageSize + 275;
constexpr int kLastChunkBit = 0x80;
constexpr int kChunkMask = 0x7f;
// Minimum entry lengths (the length byte excluded): key number, chunk byte, record number, a key
// byte at least, and the child link on internal pages.
constexpr int kLeafMinimum = 7;
constexpr int kInternalMinimum = 11;
// Record locks sit far beyond any page so they never collide with the user area.
constexpr int64_t kRecordLockBase = int64_t(1) << 40;

} // namespace

struct BtreeFile::PageImage {
    uint8_t bytes[kImageSize];
    int count = 0;
    int used = kEntries;
    uint16_t offsets[kMaxEntries + 2];

    void index()
    {
        int at = kEntries;
        for (int i = 0; i < count; ++i) {
            offsets[i] = static_cast<uint16_t>(at);
            at += bytes[at] + 1;
        }
        used = at;
    }
};

BtreeFile::BtreeFile() = default;

BtreeFile::~BtreeFile()
{
    if (isOpen())
        close();
}

int BtreeFile::fail(int code, int secondary, int32_t page)
{
    lastError_ = code;
    secondaryError_ = secondary;
    if (page >= 0)
        failedPage_ = page;
    return code;
}

int BtreeFile::succeed(int code)
{
    lastError_ = code;
    secondaryError_ = 0;
    return code;
}

int BtreeFile::checkOpen() const { return isOpen() ? kOk : kNotOpen; }

// ---------------------------------------------------------------------------------------------
// Creating, opening and closing

int BtreeFile::parseDescriptors(std::span<const KeyDescriptor> descriptors, KeyFormat* formats)
{
    for (int k = 0; k <= kMaxKeyNumber; ++k)
        formats[k] = KeyFormat{};
    for (const KeyDescriptor& d : descriptors) {
        if (d.keyNumber == 0)
            break;
        if (d.keyNumber < 0 || d.keyNumber > kMaxDescriptorKeyNumber)
            return kDescriptorKey;
        if (d.keyType < 0 || d.keyType > 255 || (d.keyType & 31) > 20)
            return kKeyType;
        KeyFormat f;
        f.type = static_cast<uint8_t>(d.keyType);
        if (f.kind() == kCompound) {
            if (!d.segmentList)
                return kSegmentList;
            for (const uint8_t* s = d.segmentList;; s += 16) {
                if (s[0] == kSegmentListEnd)
                    break;
                // A compound segment would have no stored form of its own.
                if (s[0] > 20 || (s[0] & 31) == kCompound || f.segments.size() >= 32)
                    return kSegmentList;
                f.segments.push_back(Segment{s[0], s[9] != 0});
            }
            if (f.segments.empty())
                return kSegmentList;
        }
        formats[d.keyNumber] = f;
    }
    // Every segment list must fit the header's area for them, or the file could not be read back.
    int segmentBytes = 0;
    for (int k = 1; k <= kMaxKeyNumber; ++k)
        if (formats[k].kind() == kCompound)
            segmentBytes += 2 + 2 * static_cast<int>(formats[k].segments.size());
    if (segmentBytes > kHeaderSegmentsEnd - kHeaderSegments)
        return kSegmentList;
    return kOk;
}

int BtreeFile::create(const std::string& path, int byteOrder, std::span<const KeyDescriptor> descriptors)
{
    if (isOpen())
        close();
    if (byteOrder < 1 || byteOrder > 3)
        return fail(kByteOrderChoice);
    KeyFormat formats[kMaxKeyNumber + 1];
    if (int rc = parseDescriptors(descriptors, formats))
        return fail(rc);
    int rc = handle_.open(path, IndexFileHandle::Mode::Create);
    if (rc != kOk)
        return fail(rc, handle_.systemError());

    order_.big = byteOrder == 2;
    for (int k = 0; k <= kMaxKeyNumber; ++k)
        formats_[k] = formats[k];
    root_ = -1;
    pageCount_ = 0;
    counter_ = 1;
    rc = writeHeader(false);
    if (rc == kOk)
        rc = handle_.flushToDisk();
    handle_.close();
    if (rc != kOk) {
        ::unlink(path.c_str());
        return fail(rc, handle_.systemError());
    }
    rc = open(path, static_cast<int>(AccessMode::ReadWrite));
    if (rc != kOk) {
        if (isOpen())
            close();
        ::unlink(path.c_str());
        return fail(rc);
    }
    return succeed();
}

int BtreeFile::writeHeader(bool inUse)
{
    uint8_t page[kPageSize] = {};
    order_.put32(page + kHeaderOrder, 1);
    std::memcpy(page + kHeaderMagic, kMagic, sizeof kMagic);
    order_.putInt(page + kHeaderVersion, kFormatVersion);
    order_.putInt(page + kHeaderPageSize, kPageSize);
    order_.putInt(page + kHeaderRoot, root_);
    order_.putInt(page + kHeaderPageCount, pageCount_);
    order_.putInt(page + kHeaderFreeList, -1);
    order_.putInt(page + kHeaderCounter, counter_);
    int segmentsAt = kHeaderSegments;
    for (int k = 1; k <= kMaxKeyNumber; ++k) {
        const KeyFormat& f = formats_[k];
        page[kHeaderDescriptors + 2 * (k - 1)] = static_cast<uint8_t>(k);
        page[kHeaderDescriptors + 2 * (k - 1) + 1] = f.type;
        if (f.kind() == kCompound) {
            page[segmentsAt++] = static_cast<uint8_t>(k);
            page[segmentsAt++] = static_cast<uint8_t>(f.segments.size());
            for (const Segment& s : f.segments) {
                page[segmentsAt++] = s.type;
                page[segmentsAt++] = s.descending ? 1 : 0;
            }
        }
    }
    order_.put16(page + kInUseOffset, inUse ? kInUseMark : 0);
    int rc = handle_.writeAt(0, page, kPageSize);
    if (rc == kOk)
        headerChanged_ = false;
    return rc;
}

int BtreeFile::readHeader(std::span<const KeyDescriptor> descriptors, OpenOptions options)
{
    uint8_t page[kPageSize];
    if (int rc = handle_.readAt(0, page, kPageSize))
        return fail(rc, rc == kReadShort ? kNotAnIndex : handle_.systemError());
    static const uint8_t little[4] = {1, 0, 0, 0};
    static const uint8_t big[4] = {0, 0, 0, 1};
    if (std::memcmp(page, little, 4) == 0)
        order_.big = false;
    else if (std::memcmp(page, big, 4) == 0)
        order_.big = true;
    else
        return fail(kReadShort, kNotAnIndex, -1);
    if (std::memcmp(page + kHeaderMagic, kMagic, sizeof kMagic) != 0 ||
        order_.getInt(page + kHeaderVersion) != kFormatVersion ||
        order_.getInt(page + kHeaderPageSize) != kPageSize)
        return fail(kReadShort, kNotAnIndex);

    root_ = order_.getInt(page + kHeaderRoot);
    pageCount_ = order_.getInt(page + kHeaderPageCount);
    counter_ = order_.getInt(page + kHeaderCounter);
    int64_t size = handle_.size();
    if (pageCount_ < 0 || root_ < -1 || root_ >= pageCount_ || (root_ < 0 && pageCount_ != 0) || counter_ < 1)
        return fail(kReadShort, kNotAnIndex);
    // The pages the header counts must all be in the file.
    if (size < (int64_t(pageCount_) + 1) * kPageSize)
        return fail(kReadShort, kPageUnreadable, pageCount_ - 1);

    for (int k = 0; k <= kMaxKeyNumber; ++k)
        formats_[k] = KeyFormat{};
    int segmentsAt = kHeaderSegments;
    for (int k = 1; k <= kMaxKeyNumber; ++k) {
        const uint8_t* d = page + kHeaderDescriptors + 2 * (k - 1);
        if (d[0] != k || (d[1] & 31) > 20)
            return fail(kReadShort, kNotAnIndex);
        formats_[k].type = d[1];
        if (formats_[k].kind() == kCompound) {
            if (segmentsAt + 2 > kHeaderSegmentsEnd || page[segmentsAt] != k)
                return fail(kReadShort, kNotAnIndex);
            int n = page[segmentsAt + 1];
            segmentsAt += 2;
            if (n == 0 || segmentsAt + 2 * n > kHeaderSegmentsEnd)
                return fail(kReadShort, kNotAnIndex);
            for (int i = 0; i < n; ++i, segmentsAt += 2) {
                uint8_t t = page[segmentsAt];
                if (t > 20 || (t & 31) == kCompound)
                    return fail(kReadShort, kNotAnIndex);
                formats_[k].segments.push_back(Segment{t, page[segmentsAt + 1] != 0});
            }
        }
    }
    if (!descriptors.empty()) {
        KeyFormat wanted[kMaxKeyNumber + 1];
        if (int rc = parseDescriptors(descriptors, wanted))
            return fail(rc);
        for (int k = 1; k <= kMaxKeyNumber; ++k)
            if (!(wanted[k] == formats_[k]))
                return fail(kKeyType);
    }
    markFound_ = order_.get16(page + kInUseOffset) == kInUseMark;
    if (markFound_ && !options.ignoreInUseMark)
        return fail(kInUse);
    return kOk;
}

int BtreeFile::takeSlot()
{
    // Slots are handed out first come: the first byte of the area no other opener holds.
    for (int round = 0; round < 64; ++round) {
        for (int slot = 0; slot < kUserSlots; ++slot) {
            if (handle_.test(kLockAreaOffset + slot, 1) != kOk)
                continue;
            if (handle_.lock(kLockAreaOffset + slot, 1, false, false) == kOk) {
                userSlot_ = slot;
                lockState_ = LockState::Shared;
                return kOk;
            }
        }
        // Every slot looks taken, most likely by an exclusive holder: wait for it to let go.
        if (handle_.lock(kLockAreaOffset, kUserSlots, false, true) != kOk)
            break;
        handle_.unlock(kLockAreaOffset, kUserSlots);
    }
    return kLockFailed;
}

int BtreeFile::open(const std::string& path, int mode, std::span<const KeyDescriptor> descriptors,
                    OpenOptions options)
{
    if (isOpen())
        close();
    if (mode != 1 && mode != 2)
        return fail(kOutOfRange);
    accessMode_ = mode == 1 ? AccessMode::ReadOnly : AccessMode::ReadWrite;
    int rc = handle_.open(path, mode == 1 ? IndexFileHandle::Mode::ReadOnly : IndexFileHandle::Mode::ReadWrite);
    if (rc != kOk)
        return fail(rc, handle_.systemError());
    path_ = path;
    failedPage_ = -1;
    if ((rc = readHeader(descriptors, options)) != kOk) {
        int secondary = secondaryError_;
        handle_.close();
        return fail(rc, secondary);
    }
    if ((rc = takeSlot()) != kOk) {
        handle_.close();
        return fail(rc, handle_.systemError());
    }
    if (accessMode_ == AccessMode::ReadWrite && !options.ignoreInUseMark) {
        // Mark the file before changing anything, so a crash leaves it refused until recovered.
        rc = writeHeader(true);
        if (rc == kOk)
            rc = handle_.flushToDisk();
        if (rc != kOk) {
            handle_.close();
            return fail(rc, handle_.systemError());
        }
        markSet_ = true;
    }
    owner_ = PageCache::instance().addOwner(&handle_);
    keyMode_ = 0;
    for (Position& p : positions_)
        p = Position{};
    lastPage_.page = -1;
    ++stamp_;
    return succeed();
}

int BtreeFile::setKeyMode(int mode)
{
    if (!isOpen())
        return fail(kNotOpen);
    if (mode < 0 || mode > 4)
        return fail(kOutOfRange);
    keyMode_ = mode;
    return succeed();
}

int BtreeFile::close()
{
    if (!isOpen())
        return fail(kNotOpen);
    PageCache& cache = PageCache::instance();
    int rc = kOk;
    if (accessMode_ == AccessMode::ReadWrite) {
        if (cache.flushOwner(owner_) != kOk || cache.writeBackError(owner_) != kOk)
            rc = kCloseFailed;
        // A failed page write leaves the mark set: the file must be checked before it is trusted.
        if (markSet_ || headerChanged_) {
            if (writeHeader(rc == kOk ? false : markSet_) != kOk || handle_.flushToDisk() != kOk)
                rc = kCloseFailed;
        }
    }
    cache.removeOwner(owner_);
    owner_ = 0;
    if (lockState_ != LockState::Unlocked)
        unlock();
    int secondary = handle_.systemError();
    handle_.close();
    markSet_ = false;
    lockState_ = LockState::Unlocked;
    userSlot_ = -1;
    lastPage_.page = -1;
    return rc == kOk ? succeed() : fail(rc, secondary);
}

// ---------------------------------------------------------------------------------------------
// Locks

int BtreeFile::lockShared()
{
    if (!isOpen())
        return fail(kNotOpen);
    if (lockState_ == LockState::Shared)
        return succeed();
    if (lockState_ == LockState::Exclusive && unlock() != kOk)
        return lastError_;
    if (userSlot_ < 0)
        userSlot_ = 0;
    if (int rc = handle_.lock(kLockAreaOffset + userSlot_, 1, false, true))
        return fail(kLockFailed, rc);
    lockState_ = LockState::Shared;
    return succeed();
}

int BtreeFile::lockExclusive()
{
    if (!isOpen())
        return fail(kNotOpen);
    if (lockState_ == LockState::Exclusive)
        return succeed();
    // Refused before the shared lock is given up: a read-only handle can never hold the area.
    if (!handle_.writable())
        return fail(kLockFailed);
    if (lockState_ == LockState::Shared && unlock() != kOk)
        return lastError_;
    if (int rc = handle_.lock(kLockAreaOffset, kUserSlots, true, true))
        return fail(kLockFailed, rc == kLockFailed ? handle_.systemError() : rc);
    lockState_ = LockState::Exclusive;
    return succeed();
}

int BtreeFile::unlock()
{
    if (!isOpen())
        return fail(kNotOpen);
    int rc = kOk;
    if (lockState_ == LockState::Shared)
        rc = handle_.unlock(kLockAreaOffset + userSlot_, 1);
    else if (lockState_ == LockState::Exclusive)
        rc = handle_.unlock(kLockAreaOffset, kUserSlots);
    if (rc != kOk)
        return fail(kLockFailed, handle_.systemError());
    lockState_ = LockState::Unlocked;
    return succeed();
}

int BtreeFile::ensureLock()
{
    if (lockState_ != LockState::Unlocked)
        return kOk;
    if (userSlot_ < 0)
        userSlot_ = 0;
    if (handle_.lock(kLockAreaOffset + userSlot_, 1, false, false) != kOk)
        return kLockFailed;
    lockState_ = LockState::Shared;
    return kOk;
}

int BtreeFile::lockRecord(int32_t recordNumber, bool wait)
{
    if (!isOpen())
        return fail(kNotOpen);
    int rc = handle_.lock(kRecordLockBase + uint32_t(recordNumber), 1, handle_.writable(), wait);
    return rc == kOk ? succeed() : fail(rc, handle_.systemError());
}

int BtreeFile::unlockRecord(int32_t recordNumber)
{
    if (!isOpen())
        return fail(kNotOpen);
    int rc = handle_.unlock(kRecordLockBase + uint32_t(recordNumber), 1);
    return rc == kOk ? succeed() : fail(rc, handle_.systemError());
}

int BtreeFile::testRecord(int32_t recordNumber)
{
    if (!isOpen())
        return fail(kNotOpen);
    int rc = handle_.test(kRecordLockBase + uint32_t(recordNumber), 1);
    return rc == kOk ? succeed() : fail(rc, handle_.systemError());
}

// ---------------------------------------------------------------------------------------------
// Pages

BtreeFile::Entry BtreeFile::entryAt(const uint8_t* page, int offset, bool internal) const
{
    Entry e;
    const uint8_t* p = page + offset;
    int total = p[0] + 1;
    e.keyNumber = p[1];
    e.chunkByte = p[2];
    e.record = order_.getInt(p + 3);
    e.key = p + 7;
    int avail = total - 7 - (internal ? 4 : 0);
    e.keyLength = storedKeyLength(formats_[e.keyNumber], e.key, avail);
    e.data = e.key + e.keyLength;
    e.dataLength = internal ? 0 : avail - e.keyLength;
    e.child = internal ? order_.getInt(p + total - 4) : -1;
    return e;
}

// Checks a page as it comes from the file and notes where its entries start. Everything a search
// later relies on is proven here: lengths inside the page, keys that end inside their entries.
int BtreeFile::parsePage(CachedPage* cp)
{
    const uint8_t* b = cp->bytes;
    int level = order_.get16(b + kLevel);
    int count = order_.get16(b + kCount);
    int used = order_.get16(b + kUsed);
    if (level > kMaxLevel || count > kMaxEntries)
        return kPageDamaged;
    bool internal = level > 0;
    int32_t firstChild = order_.getInt(b + kFirstChild);
    int32_t sibling = order_.getInt(b + kSibling);
    if ((internal && (firstChild < 0 || firstChild >= pageCount_)) || sibling < -1 || sibling >= pageCount_)
        return kPageDamaged;
    int at = kEntries;
    int minimum = internal ? kInternalMinimum : kLeafMinimum;
    for (int i = 0; i < count; ++i) {
        if (at >= kPageSize)
            return kPageDamaged;
        int length = b[at];
        if (length < minimum || at + length + 1 > kPageSize)
            return kPageDamaged;
        int keyNumber = b[at + 1];
        if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
            return kPageDamaged;
        Entry e = entryAt(b, at, internal);
        if (e.keyLength < 0 || e.keyLength > kMaxStoredKey)
            return kPageDamaged;
        if (internal && (e.child < 0 || e.child >= pageCount_))
            return kPageDamaged;
        cp->offsets[i] = static_cast<uint16_t>(at);
        at += length + 1;
    }
    if (used != at)
        return kPageDamaged;
    cp->count = static_cast<int16_t>(count);
    return kOk;
}

CachedPage* BtreeFile::fetch(int32_t page, int* rc)
{
    if (page < 0 || page >= pageCount_) {
        *rc = fail(kReadShort, kPageUnreadable, page);
        return nullptr;
    }
    PageCache& cache = PageCache::instance();
    if (CachedPage* cp = cache.find(owner_, page))
        return cp;
    CachedPage* cp = cache.claim(owner_, page);
    if (!cp) {
        *rc = fail(kWriteFailed, handle_.systemError());
        return nullptr;
    }
    int r = handle_.readAt(int64_t(page + 1) * kPageSize, cp->bytes, kPageSize);
    if (r != kOk) {
        cache.discard(cp);
        *rc = fail(r, r == kReadShort ? kPageUnreadable : handle_.systemError(), page);
        return nullptr;
    }
    if (parsePage(cp) != kOk) {
        cache.discard(cp);
        *rc = fail(kReadShort, kPageDamaged, page);
        return nullptr;
    }
    *rc = kOk;
    return cp;
}

int BtreeFile::storePage(int32_t pageNumber, const uint8_t* bytes)
{
    PageCache& cache = PageCache::instance();
    CachedPage* cp = cache.find(owner_, pageNumber);
    if (!cp && !(cp = cache.claim(owner_, pageNumber)))
        return fail(kWriteFailed, handle_.systemError());
    std::memcpy(cp->bytes, bytes, kPageSize);
    cp->changed = true;
    if (parsePage(cp) != kOk) {
        cache.discard(cp);
        return fail(kReadShort, kPageDamaged, pageNumber);
    }
    return kOk;
}

int BtreeFile::compareProbe(const Probe& probe, const Entry& e) const
{
    if (probe.keyNumber != e.keyNumber)
        return probe.keyNumber < e.keyNumber ? -1 : 1;
    bool unknown = false;
    int c = compareKeys(formats_[probe.keyNumber], probe.key, probe.keyLength, e.key, e.keyLength, order_, &unknown);
    if (c != 0)
        return c;
    if (probe.record != e.record)
        return probe.record < e.record ? -1 : 1;
    return probe.chunk - (e.chunkByte & kChunkMask);
}

int BtreeFile::checkKey(int keyNumber, std::span<const uint8_t> key, int* storedLength) const
{
    if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
        return kBadKey;
    int avail = static_cast<int>(std::min<size_t>(key.size(), kMaxStoredKey + 1));
    int length = storedKeyLength(formats_[keyNumber], key.data(), avail);
    if (length < 0 || length > kMaxStoredKey)
        return kBadKey;
    *storedLength = length;
    return kOk;
}

// Numbers in keys travel in the host's order; the tree holds them in the file's.
const uint8_t* BtreeFile::prepareKey(int keyNumber, std::span<const uint8_t> key, int length)
{
    if (!order_.differsFromHost())
        return key.data();
    std::memcpy(probeKey_, key.data(), static_cast<size_t>(length));
    reverseKeyNumbers(formats_[keyNumber], probeKey_, length);
    return probeKey_;
}

std::string_view BtreeFile::keyText() const
{
    const char* text = reinterpret_cast<const char*>(foundKey_);
    int n = foundKeyLength_;
    while (n > 0 && text[n - 1] == 0)
        --n;
    return {text, static_cast<size_t>(n)};
}

// ---------------------------------------------------------------------------------------------
// Searching

int BtreeFile::descend(const Probe& probe, std::vector<int32_t>* path, int32_t* leaf, int* index)
{
    int32_t page = root_;
    int expected = -1;
    int32_t moves = 0;
    int rc = kOk;
    if (path)
        path->clear();
    for (;;) {
        CachedPage* cp = fetch(page, &rc);
        if (!cp)
            return rc;
        const uint8_t* b = cp->bytes;
        int level = order_.get16(b + kLevel);
        if (expected >= 0 && level != expected)
            return fail(kReadShort, kTreeDamaged, page);
        int count = cp->count;
        if (level == 0) {
            int lo = 0, hi = count;
            while (lo < hi) {
                int mid = (lo + hi) / 2;
                if (compareProbe(probe, entryAt(b, cp->offsets[mid], false)) > 0)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            if (path)
                path->push_back(page);
            *leaf = page;
            *index = lo;
            return kOk;
        }
        // The first entry that orders after the probe.
        int lo = 0, hi = count;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (compareProbe(probe, entryAt(b, cp->offsets[mid], true)) >= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        int32_t sibling = order_.getInt(b + kSibling);
        if (lo == count && sibling >= 0) {
            if (++moves > pageCount_)
                return fail(kReadShort, kTreeDamaged, page);
            page = sibling;
            expected = level;
            continue;
        }
        int32_t child = lo == 0 ? order_.getInt(b + kFirstChild) : entryAt(b, cp->offsets[lo - 1], true).child;
        if (path)
            path->push_back(page);
        page = child;
        expected = level - 1;
    }
}

// Moves a leaf position that lies past its page's last entry on to the first entry of a later
// leaf. Answers kNoGreater at the end of the tree.
int BtreeFile::settle(int32_t* page, int* index, CachedPage** entryPage)
{
    int rc = kOk;
    CachedPage* cp = fetch(*page, &rc);
    if (!cp)
        return rc;
    int32_t steps = 0;
    while (*index >= cp->count) {
        int32_t sibling = order_.getInt(cp->bytes + kSibling);
        if (sibling < 0)
            return kNoGreater;
        if (++steps > pageCount_)
            return fail(kReadShort, kTreeDamaged, *page);
        int32_t from = *page;
        cp = fetch(sibling, &rc);
        if (!cp)
            return rc;
        if (order_.get16(cp->bytes + kLevel) != 0)
            return fail(kReadShort, kTreeDamaged, from);
        *page = sibling;
        *index = 0;
    }
    *entryPage = cp;
    return kOk;
}

int BtreeFile::locate(const Probe& probe, int32_t* page, int* index)
{
    // A probe that falls between the first and last entries of the leaf the last search ended on
    // belongs to that leaf: no descent is needed.
    if (lastPage_.page >= 0 && lastPage_.stamp == stamp_ && lastPage_.count > 0) {
        const uint8_t* b = lastPage_.bytes;
        int n = lastPage_.count;
        if (compareProbe(probe, entryAt(b, lastPage_.offsets[0], false)) >= 0 &&
            compareProbe(probe, entryAt(b, lastPage_.offsets[n - 1], false)) <= 0) {
            int lo = 0, hi = n;
            while (lo < hi) {
                int mid = (lo + hi) / 2;
                if (compareProbe(probe, entryAt(b, lastPage_.offsets[mid], false)) > 0)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            *page = lastPage_.page;
            *index = lo;
            return kOk;
        }
    }
    if (root_ < 0)
        return kNoGreater;
    return descend(probe, nullptr, page, index);
}

void BtreeFile::keepLastPage(CachedPage* cp)
{
    if (lastPage_.page == cp->pageNumber && lastPage_.stamp == stamp_)
        return;
    lastPage_.page = cp->pageNumber;
    lastPage_.stamp = stamp_;
    lastPage_.count = cp->count;
    std::memcpy(lastPage_.bytes, cp->bytes, kPageSize);
    std::memcpy(lastPage_.offsets, cp->offsets, sizeof(uint16_t) * static_cast<size_t>(cp->count));
}

void BtreeFile::remember(const Entry& e, int32_t page, int index)
{
    std::memcpy(foundKey_, e.key, static_cast<size_t>(e.keyLength));
    foundKeyLength_ = e.keyLength;
    if (order_.differsFromHost())
        reverseKeyNumbers(formats_[e.keyNumber], foundKey_, e.keyLength);
    recordNumber_ = e.record;
    Position& pos = positions_[e.keyNumber];
    pos.page = page;
    pos.index = index;
    pos.stamp = stamp_;
    pos.valid = true;
}

// Gathers the chunks of the record whose first entry is at (page, index).
int BtreeFile::readRecordAt(int32_t page, int index, const Entry& first, void* data, int32_t size)
{
    // Most records are one chunk, already in hand.
    if (first.chunkByte == kLastChunkBit) {
        dataLength_ = first.dataLength;
        if (!data || first.dataLength <= size) {
            if (data && first.dataLength > 0)
                std::memcpy(data, first.data, static_cast<size_t>(first.dataLength));
            return kOk;
        }
    }
    // The identity of the record, copied: the pages holding it may leave the cache as we go.
    uint8_t key[256];
    std::memcpy(key, first.key, static_cast<size_t>(first.keyLength));
    Probe id{first.keyNumber, key, first.keyLength, first.record, 0};
    int32_t total = 0;
    bool truncated = false;
    for (int chunk = 0;; ++chunk) {
        if (chunk > kMaxChunks - 1)
            return fail(kReadShort, kTreeDamaged, page);
        CachedPage* cp = nullptr;
        int rc = settle(&page, &index, &cp);
        if (rc != kOk)
            return rc == kNoGreater ? fail(kReadShort, kTreeDamaged, page) : rc;
        Entry e = entryAt(cp->bytes, cp->offsets[index], false);
        id.chunk = chunk;
        if (compareProbe(id, e) != 0)
            return fail(kReadShort, kTreeDamaged, page);
        if (data) {
            int32_t room = size - total;
            int32_t n = std::min<int32_t>(room, e.dataLength);
            if (n > 0)
                std::memcpy(static_cast<uint8_t*>(data) + total, e.data, static_cast<size_t>(n));
            if (n < e.dataLength)
                truncated = true;
        }
        total += e.dataLength;
        if (e.chunkByte & kLastChunkBit)
            break;
        ++index;
    }
    dataLength_ = data && truncated ? size : total;
    return truncated ? fail(kReadShort, kBufferTooSmall, page) : kOk;
}

int BtreeFile::find(int keyNumber, std::span<const uint8_t> key, int32_t recordNumber, void* data, int32_t size)
{
    if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
        return fail(kBadKey);
    if (!isOpen())
        return fail(kNotOpen);
    if (ensureLock() != kOk)
        return fail(kLockFailed, handle_.systemError());
    int length = 0;
    if (checkKey(keyNumber, key, &length) != kOk)
        return fail(kBadKey);
    if (data && size < 0)
        return fail(kOutOfRange);
    Probe probe{keyNumber, prepareKey(keyNumber, key, length), length, recordNumber, 0};
    dataLength_ = 0;
    positions_[keyNumber].valid = false;

    int32_t page = -1;
    int index = 0;
    int rc = locate(probe, &page, &index);
    if (rc != kOk)
        return rc == kNoGreater ? succeed(kNoGreater) : rc;
    CachedPage* cp = nullptr;
    rc = settle(&page, &index, &cp);
    if (rc != kOk)
        return rc == kNoGreater ? succeed(kNoGreater) : rc;
    Entry e = entryAt(cp->bytes, cp->offsets[index], false);
    if (e.keyNumber != keyNumber)
        return succeed(kNoGreater);
    keepLastPage(cp);
    remember(e, page, index);
    bool unknown = false;
    int result = kFoundGreater;
    if (compareKeys(formats_[keyNumber], probe.key, probe.keyLength, e.key, e.keyLength, order_, &unknown) == 0)
        result = e.record == recordNumber && (e.chunkByte & kChunkMask) == 0 ? kFoundExact : kFoundLater;
    // The record is read for the next greater key too: walks that start there want it.
    if ((rc = readRecordAt(page, index, e, data, size)) != kOk)
        return rc;
    return succeed(result);
}

int BtreeFile::next(int keyNumber, void* data, int32_t size)
{
    if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
        return fail(kBadKey);
    if (!isOpen())
        return fail(kNotOpen);
    if (ensureLock() != kOk)
        return fail(kLockFailed, handle_.systemError());
    Position& pos = positions_[keyNumber];
    if (!pos.valid)
        return succeed(kNoGreater);
    uint8_t key[256];
    std::memcpy(key, foundKey_, static_cast<size_t>(foundKeyLength_));
    int keyLength = foundKeyLength_;
    if (order_.differsFromHost())
        reverseKeyNumbers(formats_[keyNumber], key, keyLength);
    // Past every chunk of the current record: chunk numbers stop at 127.
    Probe past{keyNumber, key, keyLength, recordNumber_, kMaxChunks};
    int32_t page = pos.page;
    int index = pos.index;
    int rc = kOk;
    if (pos.stamp != stamp_) {
        rc = locate(past, &page, &index);
        if (rc != kOk)
            return rc == kNoGreater ? succeed(kNoGreater) : rc;
    }
    pos.valid = false;
    CachedPage* cp = nullptr;
    for (int steps = 0;; ++steps) {
        if (steps > kMaxChunks + kMaxEntries)
            return fail(kReadShort, kTreeDamaged, page);
        if (lastPage_.page == page && lastPage_.stamp == stamp_ && index < lastPage_.count) {
            Entry e = entryAt(lastPage_.bytes, lastPage_.offsets[index], false);
            int c = compareProbe(past, e);
            if (c > 0) {
                ++index;
                continue;
            }
            if (e.keyNumber != keyNumber)
                return succeed(kNoGreater);
            if ((e.chunkByte & kChunkMask) != 0)
                return fail(kReadShort, kTreeDamaged, page);
            remember(e, page, index);
            rc = readRecordAt(page, index, e, data, size);
            return rc == kOk ? succeed() : rc;
        }
        rc = settle(&page, &index, &cp);
        if (rc != kOk)
            return rc == kNoGreater ? succeed(kNoGreater) : rc;
        Entry e = entryAt(cp->bytes, cp->offsets[index], false);
        if (compareProbe(past, e) > 0) {
            ++index;
            continue;
        }
        keepLastPage(cp);
    }
}

// ---------------------------------------------------------------------------------------------
// Writing

int BtreeFile::checkWritable() const
{
    if (!isOpen())
        return kNotOpen;
    if (accessMode_ != AccessMode::ReadWrite)
        return kReadOnly;
    return PageCache::instance().writeBackError(owner_) != kOk ? kWriteFailed : kOk;
}

int BtreeFile::recordChunks(int keyLength, int32_t length) const
{
    int32_t chunkSize = kChunkBase - keyLength;
    if (length == 0)
        return 1;
    // Chunk numbers have seven bits: a record may not need more than 128 chunks.
    int32_t chunks = (length + chunkSize - 1) / chunkSize;
    return chunks > kMaxChunks ? -1 : static_cast<int>(chunks);
}

int BtreeFile::insertIntoPage(std::vector<int32_t>& path, int depth, const uint8_t* entry, int entryLength)
{
    int32_t pageNumber = path[static_cast<size_t>(depth)];
    int rc = kOk;
    CachedPage* cp = fetch(pageNumber, &rc);
    if (!cp)
        return rc;
    PageImage image;
    std::memcpy(image.bytes, cp->bytes, kPageSize);
    image.count = cp->count;
    std::memcpy(image.offsets, cp->offsets, sizeof(uint16_t) * static_cast<size_t>(cp->count));
    image.used = order_.get16(cp->bytes + kUsed);
    bool internal = order_.get16(cp->bytes + kLevel) > 0;

    // Where the entry goes: after every entry that orders before it.
    Entry incoming = entryAt(entry, 0, internal);
    Probe probe{incoming.keyNumber, incoming.key, incoming.keyLength, incoming.record, incoming.chunkByte & kChunkMask};
    int lo = 0, hi = image.count;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (compareProbe(probe, entryAt(image.bytes, image.offsets[mid], internal)) > 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    int at = lo < image.count ? image.offsets[lo] : image.used;
    std::memmove(image.bytes + at + entryLength, image.bytes + at, static_cast<size_t>(image.used - at));
    std::memcpy(image.bytes + at, entry, static_cast<size_t>(entryLength));
    image.count += 1;
    image.index();
    if (image.used <= kPageSize && image.count <= kMaxEntries) {
        order_.put16(image.bytes + kCount, static_cast<uint16_t>(image.count));
        order_.put16(image.bytes + kUsed, static_cast<uint16_t>(image.used));
        return storePage(pageNumber, image.bytes);
    }
    return splitPage(path, depth, image, lo);
}

int BtreeFile::splitPage(std::vector<int32_t>& path, int depth, PageImage& image, int insertedIndex)
{
    int32_t leftNumber = path[static_cast<size_t>(depth)];
    int level = order_.get16(image.bytes + kLevel);
    bool internal = level > 0;
    int32_t sibling = order_.getInt(image.bytes + kSibling);
    int n = image.count;

    // Split by bytes; an entry added past the end of the last leaf opens a page of its own, so
    // files built in key order come out full.
    int m;
    if (!internal && sibling < 0 && insertedIndex == n - 1) {
        m = n - 1;
    } else {
        int half = (image.used - kEntries) / 2;
        m = 1;
        while (m < n - 1 && image.offsets[m] - kEntries < half)
            ++m;
    }
    if (internal && m >= n - 1)
        m = n - 2;
    if (m < 1)
        m = 1;

    int32_t rightNumber = pageCount_++;
    headerChanged_ = true;
    uint8_t left[kPageSize] = {};
    uint8_t right[kPageSize] = {};
    std::memcpy(left, image.bytes, kEntries);
    std::memcpy(right, image.bytes, kEntries);
    int leftUsed = image.offsets[m];
    std::memcpy(left + kEntries, image.bytes + kEntries, static_cast<size_t>(leftUsed - kEntries));
    order_.put16(left + kCount, static_cast<uint16_t>(m));
    order_.put16(left + kUsed, static_cast<uint16_t>(leftUsed));

    uint8_t separator[260];
    int separatorLength;
    int rightFrom;
    int rightCount;
    if (internal) {
        // The middle entry moves up; its child becomes the right page's first child.
        const uint8_t* middle = image.bytes + image.offsets[m];
        separatorLength = middle[0] + 1;
        std::memcpy(separator, middle, static_cast<size_t>(separatorLength));
        order_.putInt(right + kFirstChild, order_.getInt(middle + separatorLength - 4));
        rightFrom = image.offsets[m + 1];
        rightCount = n - m - 1;
        order_.putInt(right + kSibling, -1);
        order_.putInt(left + kSibling, -1);
    } else {
        // The right page's first entry, without its data, bounds the two pages.
        Entry first = entryAt(image.bytes, image.offsets[m], false);
        separatorLength = 7 + first.keyLength + 4;
        separator[0] = static_cast<uint8_t>(separatorLength - 1);
        std::memcpy(separator + 1, image.bytes + image.offsets[m] + 1, 6);
        std::memcpy(separator + 7, first.key, static_cast<size_t>(first.keyLength));
        order_.putInt(right + kFirstChild, -1);
        rightFrom = image.offsets[m];
        rightCount = n - m;
        order_.putInt(right + kSibling, sibling);
        order_.putInt(left + kSibling, rightNumber);
    }
    order_.putInt(separator + separatorLength - 4, rightNumber);
    int rightBytes = image.used - rightFrom;
    std::memcpy(right + kEntries, image.bytes + rightFrom, static_cast<size_t>(rightBytes));
    order_.put16(right + kCount, static_cast<uint16_t>(rightCount));
    order_.put16(right + kUsed, static_cast<uint16_t>(kEntries + rightBytes));
    order_.putInt(right + kLink, -1);

    if (int rc = storePage(rightNumber, right))
        return rc;
    if (int rc = storePage(leftNumber, left))
        return rc;
    if (depth > 0)
        return insertIntoPage(path, depth - 1, separator, separatorLength);

    // The root split: a new root above the two halves.
    if (level + 1 > kMaxLevel)
        return fail(kWriteFailed, kTreeDamaged);
    int32_t rootNumber = pageCount_++;
    uint8_t root[kPageSize] = {};
    order_.putInt(root + kFirstChild, leftNumber);
    order_.putInt(root + kSibling, -1);
    order_.putInt(root + kLink, -1);
    order_.put16(root + kLevel, static_cast<uint16_t>(level + 1));
    order_.put16(root + kCount, 1);
    std::memcpy(root + kEntries, separator, static_cast<size_t>(separatorLength));
    order_.put16(root + kUsed, static_cast<uint16_t>(kEntries + separatorLength));
    if (int rc = storePage(rootNumber, root))
        return rc;
    root_ = rootNumber;
    return kOk;
}

int BtreeFile::insertEntry(const Probe& probe, const uint8_t* data, int32_t dataLength, int chunkByte)
{
    uint8_t entry[260];
    int length = 7 + probe.keyLength + dataLength;
    entry[0] = static_cast<uint8_t>(length - 1);
    entry[1] = static_cast<uint8_t>(probe.keyNumber);
    entry[2] = static_cast<uint8_t>(chunkByte);
    order_.putInt(entry + 3, probe.record);
    std::memcpy(entry + 7, probe.key, static_cast<size_t>(probe.keyLength));
    if (dataLength > 0)
        std::memcpy(entry + 7 + probe.keyLength, data, static_cast<size_t>(dataLength));
    ++stamp_;
    if (root_ < 0) {
        uint8_t page[kPageSize] = {};
        order_.putInt(page + kFirstChild, -1);
        order_.putInt(page + kSibling, -1);
        order_.putInt(page + kLink, -1);
        order_.put16(page + kUsed, kEntries);
        int32_t number = pageCount_++;
        headerChanged_ = true;
        if (int rc = storePage(number, page))
            return rc;
        root_ = number;
    }
    std::vector<int32_t> path;
    int32_t leaf = -1;
    int index = 0;
    if (int rc = descend(probe, &path, &leaf, &index))
        return rc;
    return insertIntoPage(path, static_cast<int>(path.size()) - 1, entry, length);
}

int BtreeFile::putRecord(int keyNumber, const uint8_t* key, int keyLength, int32_t record, const uint8_t* data,
                         int32_t length)
{
    int chunks = recordChunks(keyLength, length);
    int32_t chunkSize = kChunkBase - keyLength;
    // Chunks are added last to first so the record is never visible without its end.
    for (int k = chunks - 1; k >= 0; --k) {
        int32_t from = k * chunkSize;
        int32_t n = std::min<int32_t>(chunkSize, length - from);
        Probe probe{keyNumber, key, keyLength, record, k};
        int chunkByte = k | (k == chunks - 1 ? kLastChunkBit : 0);
        if (int rc = insertEntry(probe, data ? data + from : nullptr, n < 0 ? 0 : n, chunkByte))
            return rc;
    }
    return kOk;
}

int BtreeFile::removeRecord(int keyNumber, const uint8_t* key, int keyLength, int32_t record)
{
    ++stamp_;
    for (int chunk = 0; chunk < kMaxChunks;) {
        Probe probe{keyNumber, key, keyLength, record, chunk};
        int32_t page = -1;
        int index = 0;
        if (root_ < 0)
            return kOk;
        if (int rc = descend(probe, nullptr, &page, &index))
            return rc;
        CachedPage* cp = nullptr;
        int rc = settle(&page, &index, &cp);
        if (rc == kNoGreater)
            return kOk;
        if (rc != kOk)
            return rc;
        // Remove the run of this record's chunks that lies in this leaf.
        PageImage image;
        std::memcpy(image.bytes, cp->bytes, kPageSize);
        image.count = cp->count;
        std::memcpy(image.offsets, cp->offsets, sizeof(uint16_t) * static_cast<size_t>(cp->count));
        image.used = order_.get16(cp->bytes + kUsed);
        int end = index;
        bool last = false;
        while (end < image.count && !last) {
            Entry e = entryAt(image.bytes, image.offsets[end], false);
            probe.chunk = chunk;
            if (compareProbe(probe, e) != 0)
                break;
            last = (e.chunkByte & kLastChunkBit) != 0;
            ++end;
            ++chunk;
        }
        if (end == index)
            return kOk;
        int from = image.offsets[index];
        int to = end < image.count ? image.offsets[end] : image.used;
        std::memmove(image.bytes + from, image.bytes + to, static_cast<size_t>(image.used - to));
        std::memset(image.bytes + image.used - (to - from), 0, static_cast<size_t>(to - from));
        image.count -= end - index;
        image.index();
        order_.put16(image.bytes + kCount, static_cast<uint16_t>(image.count));
        order_.put16(image.bytes + kUsed, static_cast<uint16_t>(image.used));
        if ((rc = storePage(page, image.bytes)) != kOk)
            return rc;
        if (last)
            return kOk;
    }
    return kOk;
}

int BtreeFile::addKey(int keyNumber, std::span<const uint8_t> key)
{
    if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
        return fail(kBadKey);
    if (int rc = checkWritable())
        return fail(rc);
    int length = 0;
    if (checkKey(keyNumber, key, &length) != kOk)
        return fail(kBadKey);
    const uint8_t* stored = prepareKey(keyNumber, key, length);
    int32_t record = counter_++;
    headerChanged_ = true;
    if (int rc = putRecord(keyNumber, stored, length, record, nullptr, 0))
        return rc;
    recordNumber_ = record;
    return succeed();
}

int BtreeFile::writeRecord(int keyNumber, std::span<const uint8_t> key, const void* data, int32_t length)
{
    if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
        return fail(kBadKey);
    if (int rc = checkWritable())
        return fail(rc);
    int keyLength = 0;
    if (length < 0 || (length > 0 && !data) || checkKey(keyNumber, key, &keyLength) != kOk ||
        recordChunks(keyLength, length) < 0)
        return fail(kBadKey);
    int rc = find(keyNumber, key, 0, nullptr, 0);
    if (rc < 0 && rc != kNoGreater)
        return rc;
    const uint8_t* stored = prepareKey(keyNumber, key, keyLength);
    int32_t record;
    if (rc == kFoundExact || rc == kFoundLater) {
        record = recordNumber_;
        if ((rc = removeRecord(keyNumber, stored, keyLength, record)) != kOk)
            return rc;
    } else {
        record = counter_++;
        headerChanged_ = true;
    }
    if ((rc = putRecord(keyNumber, stored, keyLength, record, static_cast<const uint8_t*>(data), length)) != kOk)
        return rc;
    recordNumber_ = record;
    dataLength_ = length;
    return succeed();
}

int BtreeFile::rewriteRecord(int keyNumber, std::span<const uint8_t> key, int32_t recordNumber, const void* data,
                             int32_t length)
{
    if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
        return fail(kBadKey);
    if (int rc = checkWritable())
        return fail(rc);
    int keyLength = 0;
    if (length < 0 || (length > 0 && !data) || checkKey(keyNumber, key, &keyLength) != kOk ||
        recordChunks(keyLength, length) < 0)
        return fail(kBadKey);
    const uint8_t* stored = nullptr;
    int rc = removeExisting(keyNumber, key, keyLength, recordNumber, &stored);
    if (rc != kOk)
        return rc;
    if ((rc = putRecord(keyNumber, stored, keyLength, recordNumber, static_cast<const uint8_t*>(data), length)) != kOk)
        return rc;
    if (PageCache::instance().flushOwner(owner_) != kOk)
        return fail(kWriteFailed, handle_.systemError());
    recordNumber_ = recordNumber;
    dataLength_ = length;
    return succeed();
}

int BtreeFile::deleteRecord(int keyNumber, std::span<const uint8_t> key, int32_t recordNumber)
{
    if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
        return fail(kBadKey);
    if (int rc = checkWritable())
        return fail(rc);
    int keyLength = 0;
    if (checkKey(keyNumber, key, &keyLength) != kOk)
        return fail(kBadKey);
    const uint8_t* stored = nullptr;
    int rc = removeExisting(keyNumber, key, keyLength, recordNumber, &stored);
    return rc != kOk ? rc : succeed();
}

int BtreeFile::removeExisting(int keyNumber, std::span<const uint8_t> key, int keyLength, int32_t recordNumber,
                              const uint8_t** stored)
{
    int rc = find(keyNumber, key, recordNumber, nullptr, 0);
    if (rc < 0)
        return rc;
    if (rc != kFoundExact)
        return fail(kNoGreater);
    *stored = prepareKey(keyNumber, key, keyLength);
    return removeRecord(keyNumber, *stored, keyLength, recordNumber);
}

// ---------------------------------------------------------------------------------------------
// Verifying

struct BtreeFile::VerifyState {
    const Progress* progress;
    int32_t pagesRead = 0;
    std::vector<uint8_t> visited;
    std::vector<int32_t> leaves;
    // The last leaf entry seen, for order across leaves and chunk runs.
    std::vector<uint8_t> previous;
    bool havePrevious = false;
    bool recordOpen = false;
    int expectedChunk = 0;
    int32_t highestRecord = 0;
};

int BtreeFile::verifyPage(VerifyState& st, int32_t page, int level, const std::vector<uint8_t>* low,
                          const std::vector<uint8_t>* high)
{
    if (page < 0 || page >= pageCount_)
        return fail(kReadShort, kPageUnreadable, page);
    if (st.visited[static_cast<size_t>(page)])
        return fail(kReadShort, kTreeDamaged, page);
    st.visited[static_cast<size_t>(page)] = 1;
    int rc = kOk;
    CachedPage* cp = fetch(page, &rc);
    if (!cp)
        return rc;
    ++st.pagesRead;
    if (*st.progress)
        (*st.progress)(st.pagesRead);
    // Copy: the children's reads may take this page's cache entry.
    std::vector<uint8_t> bytes(cp->bytes, cp->bytes + kPageSize);
    std::vector<uint16_t> offsets(cp->offsets, cp->offsets + cp->count);
    const uint8_t* b = bytes.data();
    int count = cp->count;
    if (order_.get16(b + kLevel) != level)
        return fail(kReadShort, kTreeDamaged, page);
    bool internal = level > 0;

    auto probeOf = [&](const uint8_t* raw, const Entry& e) {
        return Probe{raw[1], e.key, e.keyLength, e.record, e.chunkByte & kChunkMask};
    };
    // Bounds arrive as stored separator entries (internal form).
    for (int i = 0; i < count; ++i) {
        const uint8_t* raw = b + offsets[static_cast<size_t>(i)];
        Entry e = entryAt(b, offsets[static_cast<size_t>(i)], internal);
        Probe p = probeOf(raw, e);
        if (i > 0) {
            Entry before = entryAt(b, offsets[static_cast<size_t>(i - 1)], internal);
            if (compareProbe(p, before) <= 0)
                return fail(kReadShort, kTreeDamaged, page);
        }
        if (low && compareProbe(p, entryAt(low->data(), 0, true)) < 0)
            return fail(kReadShort, kTreeDamaged, page);
        if (high && compareProbe(p, entryAt(high->data(), 0, true)) >= 0)
            return fail(kReadShort, kTreeDamaged, page);
    }

    if (!internal) {
        st.leaves.push_back(page);
        for (int i = 0; i < count; ++i) {
            const uint8_t* raw = b + offsets[static_cast<size_t>(i)];
            Entry e = entryAt(b, offsets[static_cast<size_t>(i)], false);
            int chunk = e.chunkByte & kChunkMask;
            if (st.havePrevious) {
                Entry before = entryAt(st.previous.data(), 0, false);
                if (compareProbe(probeOf(raw, e), before) <= 0)
                    return fail(kReadShort, kTreeDamaged, page);
                bool sameRecord = before.keyNumber == e.keyNumber && before.record == e.record &&
                                  before.keyLength == e.keyLength &&
                                  std::memcmp(before.key, e.key, static_cast<size_t>(e.keyLength)) == 0;
                if (st.recordOpen && (!sameRecord || chunk != st.expectedChunk))
                    return fail(kReadShort, kTreeDamaged, page);
            }
            if (!st.recordOpen && chunk != 0)
                return fail(kReadShort, kTreeDamaged, page);
            st.recordOpen = (e.chunkByte & kLastChunkBit) == 0;
            st.highestRecord = std::max(st.highestRecord, e.record);
            st.expectedChunk = chunk + 1;
            st.previous.assign(raw, raw + raw[0] + 1);
            st.havePrevious = true;
        }
        return kOk;
    }

    // Children: the first child is bounded by (low, entry 0), child i by (entry i, entry i+1).
    std::vector<uint8_t> lowCopy, highCopy;
    for (int i = -1; i < count; ++i) {
        int32_t child;
        const std::vector<uint8_t>* childLow = low;
        const std::vector<uint8_t>* childHigh = high;
        if (i >= 0) {
            const uint8_t* raw = b + offsets[static_cast<size_t>(i)];
            lowCopy.assign(raw, raw + raw[0] + 1);
            childLow = &lowCopy;
            child = entryAt(b, offsets[static_cast<size_t>(i)], true).child;
        } else {
            child = order_.getInt(b + kFirstChild);
        }
        if (i + 1 < count) {
            const uint8_t* raw = b + offsets[static_cast<size_t>(i + 1)];
            highCopy.assign(raw, raw + raw[0] + 1);
            childHigh = &highCopy;
        }
        std::vector<uint8_t> l = childLow ? *childLow : std::vector<uint8_t>{};
        std::vector<uint8_t> h = childHigh ? *childHigh : std::vector<uint8_t>{};
        if ((rc = verifyPage(st, child, level - 1, childLow ? &l : nullptr, childHigh ? &h : nullptr)) != kOk)
            return rc;
    }
    return kOk;
}

int BtreeFile::verify(const Progress& progress)
{
    if (!isOpen())
        return fail(kNotOpen);
    failedPage_ = -1;
    if (PageCache::instance().writeBackError(owner_) != kOk)
        return fail(kWriteFailed, handle_.systemError());
    if (root_ < 0)
        return succeed();
    VerifyState st;
    st.progress = &progress;
    st.visited.assign(static_cast<size_t>(pageCount_), 0);
    int rc = kOk;
    CachedPage* rootPage = fetch(root_, &rc);
    if (!rootPage)
        return rc;
    int level = order_.get16(rootPage->bytes + kLevel);
    if (order_.getInt(rootPage->bytes + kSibling) != -1)
        return fail(kReadShort, kTreeDamaged, root_);
    if ((rc = verifyPage(st, root_, level, nullptr, nullptr)) != kOk)
        return rc;
    if (st.recordOpen)
        return fail(kReadShort, kTreeDamaged, st.leaves.back());
    // The leaf chain must visit the leaves in tree order and end after the last.
    for (size_t i = 0; i < st.leaves.size(); ++i) {
        CachedPage* cp = fetch(st.leaves[i], &rc);
        if (!cp)
            return rc;
        int32_t sibling = order_.getInt(cp->bytes + kSibling);
        int32_t expected = i + 1 < st.leaves.size() ? st.leaves[i + 1] : -1;
        if (sibling != expected)
            return fail(kReadShort, kTreeDamaged, st.leaves[i]);
    }
    highestRecord_ = st.highestRecord;
    return succeed();
}

int BtreeFile::recover(const std::string& path, bool* wasMarked, const Progress& progress)
{
    OpenOptions options;
    options.ignoreInUseMark = true;
    int rc = open(path, 2, {}, options);
    if (rc != kOk)
        return rc;
    *wasMarked = markFound_;
    // A writer that still lives holds its slot: its mark is not ours to clear.
    if (handle_.lock(kLockAreaOffset, kUserSlots, true, false) != kOk) {
        close();
        return fail(kLockFailed);
    }
    lockState_ = LockState::Exclusive;
    rc = verify(progress);
    if (rc != kOk) {
        int secondary = secondaryError_;
        int32_t page = failedPage_;
        close();
        return fail(rc, secondary, page);
    }
    if (markFound_) {
        // Records the dead writer added in pages it did write may lie beyond the header's counter.
        if (highestRecord_ >= counter_)
            counter_ = highestRecord_ + 1;
        rc = writeHeader(false);
        if (rc == kOk)
            rc = handle_.flushToDisk();
    }
    close();
    return rc == kOk ? succeed() : fail(rc, handle_.systemError());
}

} // namespace vel::index
