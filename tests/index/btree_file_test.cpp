#include "index/btree_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "index/btree_layout.h"
#include "index/page_cache.h"
#include "index_test_support.h"

namespace vel::index {
namespace {

using index_testing::ScratchDir;
using index_testing::textKey;
using index_testing::intKey;
using index_testing::readBytes;
using index_testing::writeBytes;

class BtreeFileTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir / "t.idx";

    // A file of `count` records, the i-th being item(i) as key and data.
    void build(int count, const std::function<std::pair<std::string, std::string>(int)>& item)
    {
        BtreeFile f;
        ASSERT_EQ(f.create(path, 1, {}, index_testing::noSync()), 0);
        for (int i = 0; i < count; ++i) {
            auto [k, v] = item(i);
            ASSERT_EQ(f.writeRecord(1, textKey(k), v.data(), static_cast<int32_t>(v.size())), 0) << k;
        }
        ASSERT_EQ(f.close(), 0);
    }
};

TEST_F(BtreeFileTest, CreationArgumentsAreChecked)
{
    BtreeFile f;
    writeBytes(path, {'k', 'e', 'e', 'p'});
    EXPECT_EQ(f.create(path, 1), kExists);
    EXPECT_EQ(readBytes(path), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    std::filesystem::remove(path);
    EXPECT_EQ(f.create(path, 0), kByteOrderChoice);
    EXPECT_EQ(f.create(path, 4), kByteOrderChoice);
    uint8_t empty[16] = {31}, badSegment[32] = {22, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 31};
    // The last: segment lists beyond what the header holds, fifteen compound keys of 32 segments.
    uint8_t longList[33 * 16] = {};
    longList[32 * 16] = kSegmentListEnd;
    std::vector<KeyDescriptor> many;
    for (int k = 1; k <= 15; ++k)
        many.push_back({k, kCompound, longList});
    many.push_back({0, 0});
    std::pair<std::vector<KeyDescriptor>, int> refused[] = {
        {{{16, 0}, {0, 0}}, kDescriptorKey},        {{{1, 21}, {0, 0}}, kKeyType},
        {{{2, kCompound, empty}, {0, 0}}, kSegmentList}, {{{2, kCompound, badSegment}, {0, 0}}, kSegmentList},
        {many, kSegmentList}};
    for (auto& [descriptors, code] : refused)
        EXPECT_EQ(f.create(path, 1, descriptors), code);
    EXPECT_FALSE(std::filesystem::exists(path));
    many[7] = {0, 0};
    ASSERT_EQ(f.create(path, 1, many), 0);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(f.open(path, 1, many), 0);
    EXPECT_EQ(f.keyFormat(1).kind(), kCompound);
    KeyDescriptor texts[] = {{1, kText}, {0, 0}};
    EXPECT_EQ(f.open(path, 1, texts), kKeyType);
}

TEST_F(BtreeFileTest, ByteOrderWordAndInUseMarkFollowTheChoice)
{
    for (int choice : {1, 2, 3}) {
        std::filesystem::remove(path);
        BtreeFile f;
        ASSERT_EQ(f.create(path, choice), 0);
        auto open = readBytes(path);
        bool big = choice == 2;
        EXPECT_EQ(open[0], big ? 0 : 1);
        EXPECT_EQ(open[3], big ? 1 : 0);
        // While held for writing the mark reads 13245 in the file's order.
        uint16_t mark = big ? uint16_t(open[1010] << 8 | open[1011]) : uint16_t(open[1011] << 8 | open[1010]);
        EXPECT_EQ(mark, kInUseMark);
        EXPECT_EQ(f.close(), 0);
        auto closed = readBytes(path);
        EXPECT_EQ(closed[1010] | closed[1011], 0);
    }
}

// Calls on a closed block, with key numbers outside 1-20 or lengths out of range, and writes to a
// read-only file are refused without reading a page.
TEST_F(BtreeFileTest, CallsOutOfStateOrRangeAreRefusedBeforeTheFileIsRead)
{
    BtreeFile closed;
    uint8_t buffer[8];
    for (int rc : {closed.setKeyMode(0), closed.find(1, textKey("a"), 0, buffer, 8), closed.next(1, buffer, 8),
                   closed.addKey(1, textKey("a")), closed.writeRecord(1, textKey("a"), "x", 1), closed.verify(),
                   closed.close()})
        EXPECT_EQ(rc, kNotOpen);
    EXPECT_EQ(closed.open(dir / "missing.idx", 1), kOutOfRange);
    build(1, [](int) { return std::pair<std::string, std::string>("a", "1"); });
    EXPECT_EQ(closed.open(path, 3), kOutOfRange);
    PageCache cache;
    BtreeFile f(cache);
    ASSERT_EQ(f.open(path, 2), 0);
    for (int rc : {f.find(0, textKey("a"), 0, buffer, 8), f.find(21, textKey("a"), 0, buffer, 8),
                   f.writeRecord(21, textKey("a"), "x", 1), f.writeRecord(1, textKey("a"), "x", -1),
                   f.writeRecord(1, textKey(std::string(242, 'k')), "x", 1)})
        EXPECT_EQ(rc, kBadKey);
    EXPECT_EQ(cache.reads(), 0);
    EXPECT_EQ(f.setKeyMode(5), kOutOfRange);
    EXPECT_EQ(f.setKeyMode(4), 0);
    EXPECT_EQ(f.close(), 0);
    ASSERT_EQ(f.open(path, 1), 0);
    EXPECT_EQ(f.writeRecord(1, textKey("b"), "2", 1), kReadOnly);
    EXPECT_EQ(f.addKey(1, textKey("b")), kReadOnly);
    EXPECT_EQ(f.find(1, textKey("b"), 0, nullptr, 0), kNoGreater);
}

TEST_F(BtreeFileTest, SeveralRecordsUnderOneKeyAreOrderedByRecordNumber)
{
    BtreeFile f;
    ASSERT_EQ(f.create(path, 1, {}, index_testing::noSync()), 0);
    ASSERT_EQ(f.addKey(1, textKey("dup")), 0);
    int32_t first = f.recordNumber();
    ASSERT_EQ(f.addKey(1, textKey("dup")), 0);
    int32_t second = f.recordNumber();
    ASSERT_EQ(f.rewriteRecord(1, textKey("dup"), second, "two", 3), 0);
    char data[8];
    EXPECT_EQ(f.find(1, textKey("dup"), first, data, 8), kFoundExact);
    EXPECT_EQ(f.dataLength(), 0);
    EXPECT_EQ(f.find(1, textKey("dup"), first + 1, data, 8), kFoundExact);
    EXPECT_EQ(std::string(data, 3), "two");
    // A buffer too small gets the record's first part and an error, never more.
    char small[1] = {'!'};
    EXPECT_EQ(f.find(1, textKey("dup"), first + 1, small, 1), kReadShort);
    EXPECT_EQ(f.secondaryError(), kBufferTooSmall);
    EXPECT_EQ(small[0], 't');
    EXPECT_EQ(f.find(2, textKey("dup"), 0, data, 8), kNoGreater);
    ASSERT_EQ(f.find(1, textKey("dup"), 0, data, 8), kFoundLater);
    EXPECT_EQ(f.recordNumber(), first);
    ASSERT_EQ(f.next(1, data, 8), 0);
    EXPECT_EQ(f.recordNumber(), second);
    EXPECT_EQ(f.rewriteRecord(1, textKey("dup"), second + 5, "x", 1), kNoGreater);
    EXPECT_EQ(f.close(), 0);
}

TEST_F(BtreeFileTest, RecordsAreCutIntoAtMost128Chunks)
{
    BtreeFile f;
    ASSERT_EQ(f.create(path, 1, {}, index_testing::noSync()), 0);
    // A one-letter key stores two bytes: chunks of 242 bytes.
    const int chunk = kChunkBase - 2;
    std::string most(static_cast<size_t>(chunk * kMaxChunks), 'x');
    ASSERT_EQ(f.writeRecord(1, textKey("k"), most.data(), static_cast<int32_t>(most.size())), 0);
    EXPECT_EQ(f.writeRecord(1, textKey("j"), most.data(), static_cast<int32_t>(most.size() + 1)), kBadKey);
    EXPECT_EQ(f.find(1, textKey("j"), 0, nullptr, 0), kFoundGreater);
    // The longest key leaves two bytes a chunk.
    std::string longKey(kMaxStoredKey - 1, 'q');
    std::string data(2 * kMaxChunks, 'd');
    EXPECT_EQ(f.writeRecord(1, textKey(longKey), data.data(), static_cast<int32_t>(data.size())), 0);
    EXPECT_EQ(f.writeRecord(1, textKey(longKey), data.data(), static_cast<int32_t>(data.size() + 1)), kBadKey);
    EXPECT_EQ(f.verify(), 0);
    EXPECT_EQ(f.close(), 0);
}

// A rewrite whose new record cannot reach the disk (the file may not grow) fails as a whole: the
// old record stays, in this opener and in the file.
TEST_F(BtreeFileTest, AFailedRewriteLeavesTheOldRecord)
{
    build(300, [](int i) { return std::pair("k" + std::to_string(i), "old" + std::to_string(i)); });
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = std::filesystem::file_size(path);
        setrlimit(RLIMIT_FSIZE, &limit);
        BtreeFile f;
        char data[16];
        std::string big(20000, 'n');
        bool ok = f.open(path, 2, {}, index_testing::noSync()) == 0 &&
                  f.find(1, textKey("k7"), 0, nullptr, 0) == kFoundLater &&
                  f.rewriteRecord(1, textKey("k7"), f.recordNumber(), big.data(), 20000) == kWriteFailed &&
                  f.find(1, textKey("k7"), 0, data, 16) == kFoundLater && std::string(data, 4) == "old7" &&
                  f.verify() == 0 && f.close() == 0;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    BtreeFile f;
    ASSERT_EQ(f.open(path, 1), 0);
    EXPECT_EQ(f.verify(), 0);
    char data[16];
    ASSERT_EQ(f.find(1, textKey("k7"), 0, data, 16), kFoundLater);
    EXPECT_EQ(std::string(data, static_cast<size_t>(f.dataLength())), "old7");
}

TEST_F(BtreeFileTest, CompoundKeysCompareSegmentBySegmentWithDescendingSegments)
{
    // Segment 1: caseless text ascending; segment 2: 16-bit integer descending.
    uint8_t segments[48] = {};
    segments[0] = kTextNoCase;
    segments[16] = kInt16;
    segments[16 + 9] = 1;
    segments[32] = kSegmentListEnd;
    KeyDescriptor d[] = {{3, kCompound, segments}, {0, 0}};
    BtreeFile f;
    ASSERT_EQ(f.create(path, 2, d), 0);
    auto key = [](const std::string& name, int16_t n) {
        return index_testing::countedKey(name + '\0' + std::string(reinterpret_cast<const char*>(&n), 2));
    };
    ASSERT_EQ(f.writeRecord(3, key("Beta", 1), "b1", 2), 0);
    ASSERT_EQ(f.writeRecord(3, key("alpha", 5), "a5", 2), 0);
    ASSERT_EQ(f.writeRecord(3, key("ALPHA", 9), "a9", 2), 0);
    ASSERT_EQ(f.writeRecord(3, key("beta", -4), "b-4", 3), 0);
    // Same text without regard to case, same number: the same key.
    ASSERT_EQ(f.writeRecord(3, key("BETA", 1), "B1", 2), 0);
    ASSERT_EQ(f.close(), 0);
    ASSERT_EQ(f.open(path, 1, d), 0);
    char data[8];
    std::vector<std::string> order;
    int rc = f.find(3, key("", 0), 0, data, 8);
    ASSERT_EQ(rc, kFoundGreater);
    do
        order.emplace_back(data, static_cast<size_t>(f.dataLength()));
    while (f.next(3, data, 8) == 0);
    EXPECT_EQ(order, (std::vector<std::string>{"a9", "a5", "B1", "b-4"}));
    EXPECT_EQ(f.verify(), 0);
}

// The random tests check the answers in host order; here, what the file holds.
TEST_F(BtreeFileTest, BigEndianFilesHoldNumbersTurned)
{
    KeyDescriptor d[] = {{1, kInt32}, {0, 0}};
    BtreeFile f;
    ASSERT_EQ(f.create(path, 2, d), 0);
    for (int32_t n : {5, -7, 1 << 30, -(1 << 30), 0})
        ASSERT_EQ(f.writeRecord(1, intKey(n), &n, 4), 0);
    ASSERT_EQ(f.close(), 0);
    auto bytes = readBytes(path);
    // The first leaf entry holds the smallest key, -(1 << 30), big-endian after the record number.
    ASSERT_GE(bytes.size(), 2048u);
    EXPECT_EQ(bytes[1024 + 18 + 7], 0xC0);
}

TEST_F(BtreeFileTest, DamagedFilesAreReportedNotFollowed)
{
    build(400, [](int i) { return std::pair("key" + std::to_string(i * 7919 % 1000), std::string(40, char('a' + i % 26))); });
    const auto good = readBytes(path);
    int32_t root = 0, pages = 0;
    std::memcpy(&root, &good[20], 4);
    std::memcpy(&pages, &good[24], 4);
    using Bytes = std::vector<uint8_t>;
    auto setInt = [](Bytes& b, size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); };
    struct Damage {
        const char* what;
        std::function<void(Bytes&)> patch;
        int openResult;
        int secondary;
        int32_t page;
    } cases[] = {
        {"not an index", [](Bytes& b) { b.assign(3000, 'x'); }, kReadShort, kNotAnIndex, -1},
        {"pages gone", [](Bytes& b) { b.resize(4096); }, kReadShort, kPageUnreadable, pages - 1},
        {"a page count no file can hold", [&](Bytes& b) { b.resize(1024), setInt(b, 24, INT32_MAX); },
         kReadShort, kPageUnreadable, INT32_MAX - 1},
        {"a leaf whose level lies", [](Bytes& b) { b[1024 + 12] = 1; }, kOk, kPageDamaged, 0},
        {"an entry past the page end", [](Bytes& b) { b[1024 + 18] = 0xff; }, kOk, kPageDamaged, 0},
        {"a leaf chain that loops", [&](Bytes& b) { setInt(b, 1024 + 4, 0); }, kOk, kTreeDamaged, 0},
        {"a free chain into the tree", [&](Bytes& b) { setInt(b, 28, root); }, kOk, kTreeDamaged, root},
    };
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bad = good;
        c.patch(bad);
        writeBytes(path, bad);
        BtreeFile f;
        ASSERT_EQ(f.open(path, 1), c.openResult);
        if (c.openResult == kOk) {
            EXPECT_EQ(f.verify(), kReadShort);
        }
        EXPECT_EQ(f.secondaryError(), c.secondary);
        EXPECT_EQ(f.failedPage(), c.page);
        // A walk ends, at the end or at the damage, never in a loop.
        char data[64];
        int rc = f.isOpen() ? f.find(1, textKey(""), 0, data, 64) : kNotOpen;
        for (int steps = 0; rc >= 0 && steps < 2000; ++steps)
            rc = f.next(1, data, 64);
        EXPECT_LT(rc, 0);
    }
}

TEST_F(BtreeFileTest, KeysInOrderOrAtRandomFillTheirPages)
{
    // Entries of 37 bytes: 27 fit a page. Sorted input must leave pages full; random input, where
    // a full leaf first hands entries to a neighbour with room, must leave them mostly full.
    for (int stride : {1, 7919}) {
        SCOPED_TRACE(stride);
        std::filesystem::remove(path);
        build(5000, [stride](int i) {
            char name[16];
            std::snprintf(name, sizeof name, "%08d", i * stride % 5000);
            return std::pair(std::string(name), std::string(20, 'v'));
        });
        int64_t pages = static_cast<int64_t>(std::filesystem::file_size(path) / 1024) - 1;
        EXPECT_LT(pages, stride == 1 ? 5000 / 27 * 11 / 10 + 5 : 5000 / 27 * 5 / 4 + 5);
        BtreeFile f;
        ASSERT_EQ(f.open(path, 1), 0);
        int32_t seen = 0;
        EXPECT_EQ(f.verify([&](int32_t n) { EXPECT_EQ(n, ++seen); }), 0);
        EXPECT_EQ(seen, f.pageCount());
    }
}

// A reader's batch holds the write lock from its first begin to its last end, and no longer.
TEST_F(BtreeFileTest, AReadBatchHoldsTheFileUntilItsOutermostEnd)
{
    build(50, [](int i) { return std::pair("k" + std::to_string(i), std::string("v")); });
    BtreeFile reader;
    ASSERT_EQ(reader.open(path, 1), 0);
    IndexFileHandle other;
    ASSERT_EQ(other.open(path, IndexFileHandle::Mode::ReadOnly), 0);
    EXPECT_EQ(reader.endReadBatch(), kOutOfRange);
    ASSERT_EQ(reader.beginReadBatch(), 0);
    ASSERT_EQ(reader.beginReadBatch(), 0);
    EXPECT_EQ(reader.find(1, textKey("k7"), 0, nullptr, 0), kFoundLater);
    EXPECT_EQ(reader.endReadBatch(), 0);
    EXPECT_EQ(other.test(kWriteLockOffset, 1), kOutOfRange);
    EXPECT_EQ(reader.endReadBatch(), 0);
    EXPECT_EQ(other.test(kWriteLockOffset, 1), 0);
    EXPECT_EQ(reader.endReadBatch(), kOutOfRange);
    BtreeFile writer;
    ASSERT_EQ(writer.open(path, 2, {}, index_testing::noSync()), 0);
    ASSERT_EQ(writer.writeRecord(1, textKey("new"), "n", 1), 0);
    EXPECT_EQ(reader.find(1, textKey("new"), 0, nullptr, 0), kFoundLater);
}

// Deleted keys give their pages back: a file emptied and filled again does not grow.
TEST_F(BtreeFileTest, FreedPagesAreReused)
{
    std::vector<std::string> keys;
    for (int i = 0; i < 50000; ++i)
        keys.push_back("key" + std::to_string(i * 7919 % 50000));
    BtreeFile f;
    ASSERT_EQ(f.create(path, 1, {}, index_testing::noSync()), 0);
    auto fill = [&] {
        ASSERT_EQ(f.beginBatch(), 0);
        for (const std::string& k : keys)
            ASSERT_EQ(f.writeRecord(1, textKey(k), k.data(), static_cast<int32_t>(k.size())), 0);
        ASSERT_EQ(f.commitBatch(), 0);
    };
    fill();
    auto first = std::filesystem::file_size(path);
    ASSERT_EQ(f.beginBatch(), 0);
    for (const std::string& k : keys) {
        ASSERT_EQ(f.find(1, textKey(k), 0, nullptr, 0), kFoundLater);
        ASSERT_EQ(f.deleteRecord(1, textKey(k), f.recordNumber()), 0);
    }
    ASSERT_EQ(f.commitBatch(), 0);
    // Everything but the root went to the free chain.
    EXPECT_EQ(f.verify(), 0);
    EXPECT_NE(f.freePage(), -1);
    fill();
    EXPECT_EQ(f.verify(), 0);
    EXPECT_EQ(f.close(), 0);
    EXPECT_LE(std::filesystem::file_size(path), first * 11 / 10);
}

} // namespace
} // namespace vel::index
