// Index files: creating, opening and closing, the header page, and the user-area locks.
#include "index/btree_file.h"

#include <cstring>
#include <unistd.h>

#include "index/page_cache.h"

#include "index/btree_layout.h"

namespace vel::index {

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

int BtreeFile::create(const std::string& path, int byteOrder, std::span<const KeyDescriptor> descriptors,
                      OpenOptions options)
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
    // A journal beside a file that did not exist belongs to no file of ours: it must never be
    // rolled into this one.
    ::unlink(RollbackJournal::pathFor(path).c_str());

    order_.big = byteOrder == 2;
    for (int k = 0; k <= kMaxKeyNumber; ++k)
        formats_[k] = formats[k];
    root_ = -1;
    pageCount_ = 0;
    counter_ = 1;
    freeHead_ = -1;
    changeCount_ = 0;
    rc = writeHeader(false);
    if (rc == kOk && options.sync)
        rc = handle_.flushToDisk();
    handle_.close();
    if (rc != kOk) {
        ::unlink(path.c_str());
        return fail(rc, handle_.systemError());
    }
    options.ignoreInUseMark = false;
    rc = open(path, static_cast<int>(AccessMode::ReadWrite), {}, options);
    if (rc != kOk) {
        if (isOpen())
            close();
        ::unlink(path.c_str());
        return fail(rc);
    }
    return succeed();
}

void BtreeFile::composeHeader(uint8_t* page, bool inUse) const
{
    std::memset(page, 0, kPageSize);
    order_.put32(page + kHeaderOrder, 1);
    std::memcpy(page + kHeaderMagic, kMagic, sizeof kMagic);
    order_.putInt(page + kHeaderVersion, kFormatVersion);
    order_.putInt(page + kHeaderPageSize, kPageSize);
    order_.putInt(page + kHeaderRoot, root_);
    order_.putInt(page + kHeaderPageCount, pageCount_);
    order_.putInt(page + kHeaderFreeList, freeHead_);
    order_.putInt(page + kHeaderCounter, counter_);
    order_.put32(page + kHeaderChangeCount, changeCount_);
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
}

int BtreeFile::writeHeader(bool inUse)
{
    uint8_t page[kPageSize];
    composeHeader(page, inUse);
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

    if (int rc = loadHeaderFields(page, handle_.size()))
        return rc;

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

int BtreeFile::loadHeaderFields(const uint8_t* page, int64_t fileSize)
{
    int32_t root = order_.getInt(page + kHeaderRoot);
    int32_t pageCount = order_.getInt(page + kHeaderPageCount);
    int32_t counter = order_.getInt(page + kHeaderCounter);
    int32_t freeHead = order_.getInt(page + kHeaderFreeList);
    if (pageCount < 0 || root < -1 || root >= pageCount || (root < 0 && pageCount != 0) || counter < 1 ||
        freeHead < -1 || freeHead >= pageCount)
        return fail(kReadShort, kNotAnIndex);
    // The pages the header counts must all be in the file.
    if (fileSize < (int64_t(pageCount) + 1) * kPageSize)
        return fail(kReadShort, kPageUnreadable, pageCount - 1);
    root_ = root;
    pageCount_ = pageCount;
    counter_ = counter;
    freeHead_ = freeHead;
    changeCount_ = order_.get32(page + kHeaderChangeCount);
    return kOk;
}

void BtreeFile::recoverJournal()
{
    std::string journalPath = RollbackJournal::pathFor(path_);
    if (::access(journalPath.c_str(), F_OK) != 0)
        return;
    // Repair needs write access; without it the in-use mark speaks for the file as before.
    IndexFileHandle repair;
    if (repair.open(path_, IndexFileHandle::Mode::ReadWrite) != kOk)
        return;
    // A writer inside a transaction holds the write lock: its journal is live, not left behind.
    if (repair.lock(kWriteLockOffset, 1, true, false) != kOk)
        return;
    bool rolledBack = false;
    if (RollbackJournal::rollBack(repair, journalPath, sync_, &rolledBack) != kOk)
        return;
    if (repair.lock(kLockAreaOffset, kUserSlots, true, false) == kOk) {
        // No opener holds a slot: the writer that kept this journal is gone, and every transaction
        // it left is whole or undone, so its mark no longer means anything.
        const uint8_t cleared[2] = {0, 0};
        if (repair.writeAt(kInUseOffset, cleared, 2) == kOk && (!sync_ || repair.flushToDisk() == kOk)) {
            ::unlink(journalPath.c_str());
            if (sync_)
                IndexFileHandle::flushFolderOf(journalPath);
        }
    } else if (rolledBack) {
        // Readers still hold the file: leave the journal, emptied, for the writer's successor.
        IndexFileHandle journal;
        if (journal.open(journalPath, IndexFileHandle::Mode::ReadWrite) == kOk)
            journal.truncate(0);
    }
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
    sync_ = options.sync;
    broken_ = false;
    readDepth_ = 0;
    failedPage_ = -1;
    recoverJournal();
    if ((rc = readHeader(descriptors, options)) != kOk) {
        int secondary = secondaryError_;
        handle_.close();
        return fail(rc, secondary);
    }
    if ((rc = takeSlot()) != kOk) {
        handle_.close();
        return fail(rc, handle_.systemError());
    }
    if (accessMode_ == AccessMode::ReadWrite) {
        // The journal exists before the mark: a mark with no journal beside it was left by a writer
        // that kept none, and only a check of the whole tree may clear it (recover).
        // A repair tool's opener keeps no journal: a writer may still live, and its journal is its own.
        rc = options.ignoreInUseMark ? kOk : journal_.open(path_, sync_);
        if (rc == kOk && !options.ignoreInUseMark) {
            // Mark the file before changing anything.
            rc = handle_.lock(kWriteLockOffset, 1, true, true);
            if (rc == kOk) {
                rc = writeHeader(true);
                if (rc == kOk && sync_)
                    rc = handle_.flushToDisk();
                handle_.unlock(kWriteLockOffset, 1);
            }
            markSet_ = rc == kOk;
        }
        if (rc != kOk) {
            int secondary = handle_.systemError();
            journal_.close(true);
            handle_.close();
            return fail(rc, secondary);
        }
    }
    owner_ = cache_->addOwner(this);
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
    int rc = kOk;
    if (batch_)
        rc = commitBatch();
    if (accessMode_ == AccessMode::ReadWrite) {
        // Every transaction is already in the file; the pages reach the disk before the header
        // that says the writer is gone, so a power loss cannot leave the mark cleared over pages
        // that never arrived.
        if (rc != kOk || broken_ || cache_->flushOwner(owner_) != kOk || cache_->writeBackError(owner_) != kOk ||
            (sync_ && handle_.flushToDisk() != kOk))
            rc = kCloseFailed;
        if (rc == kOk && (markSet_ || headerChanged_)) {
            handle_.lock(kWriteLockOffset, 1, true, true);
            if (writeHeader(false) != kOk || (sync_ && handle_.flushToDisk() != kOk))
                rc = kCloseFailed;
            handle_.unlock(kWriteLockOffset, 1);
        }
        // A writer that could not close cleanly leaves its journal: the next opener repairs from it.
        journal_.close(rc == kOk);
    }
    cache_->removeOwner(owner_);
    owner_ = 0;
    if (lockState_ != LockState::Unlocked)
        unlock();
    int secondary = handle_.systemError();
    handle_.close();
    markSet_ = false;
    lockState_ = LockState::Unlocked;
    userSlot_ = -1;
    lastPage_.page = -1;
    readDepth_ = 0;
    unmap();
    return rc == kOk ? succeed() : fail(rc, secondary);
}

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

} // namespace vel::index
