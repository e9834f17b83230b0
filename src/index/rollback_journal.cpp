#include "index/rollback_journal.h"

#include <cstring>
#include <random>
#include <unistd.h>
#include <vector>

#include "index/index_errors.h"

namespace vel::index {
namespace {

// The journal's own numbers are little-endian whatever the index's order.
constexpr char kJournalMagic[8] = {'V', 'E', 'L', 'J', 'R', 'N', 'L', '1'};
constexpr int kStartNonce = 8;
constexpr int kStartLength = 12;
constexpr int kStartHeader = 20;
constexpr int kStartSum = kStartHeader + kPageSize;
constexpr int kStartSize = kStartSum + 4;
constexpr int kRecordSum = 4 + kPageSize;
constexpr int kRecordSize = kRecordSum + 4;

void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Seeded with the write's nonce, so records left from an earlier write never pass for this one's.
uint32_t checksum(uint32_t nonce, const uint8_t* bytes, int length)
{
    uint32_t h = 2166136261u ^ nonce;
    for (int i = 0; i < length; ++i) {
        h ^= bytes[i];
        h *= 16777619u;
    }
    return h;
}

} // namespace

int RollbackJournal::open(const std::string& indexPath, bool sync)
{
    path_ = pathFor(indexPath);
    sync_ = sync;
    inWrite_ = written_ = unsynced_ = false;
    kept_.clear();
    nonce_ = std::random_device{}();
    if (int rc = file_.open(path_, IndexFileHandle::Mode::Replace))
        return rc;
    // The journal's name must survive a power loss before any write relies on it.
    if (sync_ && (file_.flushToDisk() != kOk || IndexFileHandle::flushFolderOf(path_) != kOk)) {
        close(true);
        return kWriteFailed;
    }
    return kOk;
}

void RollbackJournal::close(bool remove)
{
    if (!file_.isOpen())
        return;
    file_.close();
    if (remove) {
        ::unlink(path_.c_str());
        if (sync_)
            IndexFileHandle::flushFolderOf(path_);
    }
}

void RollbackJournal::begin(const uint8_t* header, int64_t indexLength)
{
    std::memcpy(header_, header, kPageSize);
    indexLength_ = indexLength;
    inWrite_ = true;
    written_ = unsynced_ = false;
    end_ = 0;
    kept_.clear();
    ++nonce_;
}

bool RollbackJournal::needs(int32_t page) const
{
    return inWrite_ && (int64_t(page) + 2) * kPageSize <= indexLength_ && !kept_.count(page);
}

int RollbackJournal::writeStart()
{
    if (written_)
        return kOk;
    uint8_t start[kStartSize] = {};
    std::memcpy(start, kJournalMagic, sizeof kJournalMagic);
    put32(start + kStartNonce, nonce_);
    put32(start + kStartLength, static_cast<uint32_t>(indexLength_));
    put32(start + kStartLength + 4, static_cast<uint32_t>(uint64_t(indexLength_) >> 32));
    std::memcpy(start + kStartHeader, header_, kPageSize);
    put32(start + kStartSum, checksum(nonce_, start, kStartSum));
    if (int rc = file_.writeAt(0, start, kStartSize))
        return rc;
    written_ = unsynced_ = true;
    end_ = kStartSize;
    return kOk;
}

int RollbackJournal::keep(int32_t page, const uint8_t* original)
{
    if (!needs(page))
        return kOk;
    if (int rc = writeStart())
        return rc;
    uint8_t record[kRecordSize];
    put32(record, static_cast<uint32_t>(page));
    std::memcpy(record + 4, original, kPageSize);
    put32(record + kRecordSum, checksum(nonce_, record, kRecordSum));
    if (int rc = file_.writeAt(end_, record, kRecordSize))
        return rc;
    end_ += kRecordSize;
    unsynced_ = true;
    kept_.insert(page);
    return kOk;
}

int RollbackJournal::prepareIndexWrite()
{
    if (!inWrite_)
        return kOk;
    if (int rc = writeStart())
        return rc;
    if (unsynced_ && sync_ && file_.flushToDisk() != kOk)
        return kWriteFailed;
    unsynced_ = false;
    return kOk;
}

int RollbackJournal::commit()
{
    bool had = written_;
    inWrite_ = written_ = unsynced_ = false;
    kept_.clear();
    if (!had)
        return kOk;
    // An empty journal is an idle one: cutting it is the moment the write becomes final.
    if (file_.truncate(0) != kOk || (sync_ && file_.flushToDisk() != kOk))
        return kWriteFailed;
    return kOk;
}

int RollbackJournal::rollBack(IndexFileHandle& index, const std::string& journalPath, bool sync, bool* rolledBack)
{
    *rolledBack = false;
    IndexFileHandle journal;
    if (journal.open(journalPath, IndexFileHandle::Mode::ReadOnly) != kOk)
        return kOk;
    // A start block that does not check out was never followed by a change to the index.
    uint8_t start[kStartSize];
    if (journal.readAt(0, start, kStartSize) != kOk || std::memcmp(start, kJournalMagic, sizeof kJournalMagic) != 0 ||
        get32(start + kStartSum) != checksum(get32(start + kStartNonce), start, kStartSum))
        return kOk;
    uint32_t nonce = get32(start + kStartNonce);
    auto length = static_cast<int64_t>(uint64_t(get32(start + kStartLength)) |
                                       uint64_t(get32(start + kStartLength + 4)) << 32);
    if (length < kPageSize)
        return kOk;
    // Records are read up to the first that is torn: its page was never written to the index.
    std::vector<uint8_t> record(kRecordSize);
    for (int64_t at = kStartSize;; at += kRecordSize) {
        if (journal.readAt(at, record.data(), kRecordSize) != kOk ||
            get32(record.data() + kRecordSum) != checksum(nonce, record.data(), kRecordSum))
            break;
        auto page = static_cast<int32_t>(get32(record.data()));
        if (page < 0 || (int64_t(page) + 2) * kPageSize > length)
            break;
        if (int rc = index.writeAt((int64_t(page) + 1) * kPageSize, record.data() + 4, kPageSize))
            return rc;
    }
    if (int rc = index.writeAt(0, start + kStartHeader, kPageSize))
        return rc;
    if (int rc = index.truncate(length))
        return rc;
    if (sync && index.flushToDisk() != kOk)
        return kWriteFailed;
    *rolledBack = true;
    return kOk;
}

} // namespace vel::index
