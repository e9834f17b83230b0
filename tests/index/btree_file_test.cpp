#include "index/btree_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "index/page_cache.h"
#include "index_test_support.h"

namespace vel::index {
namespace {

using index_testing::ScratchDir;
using index_testing::textKey;
using index_testing::countedKey;
using index_testing::intKey;

std::vector<uint8_t> readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string text(const BtreeFile& f) { return std::string(f.keyText()); }

class BtreeFileTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.file("t.idx");

    void build(const std::vector<std::pair<std::string, std::string>>& items, int byteOrder = 1)
    {
        BtreeFile f;
        ASSERT_EQ(f.create(path, byteOrder, {}, index_testing::noSync()), 0);
        for (auto& [k, v] : items)
            ASSERT_EQ(f.writeRecord(1, textKey(k), v.data(), static_cast<int32_t>(v.size())), 0) << k;
        ASSERT_EQ(f.close(), 0);
    }
};

TEST_F(BtreeFileTest, CreateRefusesAnExistingFileAndLeavesItAlone)
{
    writeFileBytes(path, {'k', 'e', 'e', 'p'});
    BtreeFile f;
    EXPECT_EQ(f.create(path, 1), kExists);
    EXPECT_EQ(f.lastError(), kExists);
    EXPECT_EQ(readFileBytes(path), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST_F(BtreeFileTest, CreationArgumentsAreChecked)
{
    BtreeFile f;
    EXPECT_EQ(f.create(path, 0), kByteOrderChoice);
    EXPECT_EQ(f.create(path, 4), kByteOrderChoice);
    KeyDescriptor tooHigh[] = {{16, 0}, {0, 0}};
    EXPECT_EQ(f.create(path, 1, tooHigh), kDescriptorKey);
    KeyDescriptor badType[] = {{1, 21}, {0, 0}};
    EXPECT_EQ(f.create(path, 1, badType), kKeyType);
    uint8_t empty[16] = {31};
    KeyDescriptor emptySegments[] = {{2, kCompound, empty}, {0, 0}};
    EXPECT_EQ(f.create(path, 1, emptySegments), kSegmentList);
    uint8_t badSegment[32] = {22};
    badSegment[16] = 31;
    KeyDescriptor badSegments[] = {{2, kCompound, badSegment}, {0, 0}};
    EXPECT_EQ(f.create(path, 1, badSegments), kSegmentList);
    // Segment lists beyond what the header holds: fifteen compound keys of 32 segments each.
    uint8_t longList[33 * 16] = {};
    longList[32 * 16] = kSegmentListEnd;
    std::vector<KeyDescriptor> many;
    for (int k = 1; k <= 15; ++k)
        many.push_back({k, kCompound, longList});
    many.push_back({0, 0});
    EXPECT_EQ(f.create(path, 1, many), kSegmentList);
    // None of the refusals left a file behind.
    EXPECT_FALSE(std::filesystem::exists(path));
    // As many as fit are kept and read back.
    many[7] = {0, 0};
    ASSERT_EQ(f.create(path, 1, many), 0);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(f.open(path, 1, many), 0);
}

TEST_F(BtreeFileTest, ByteOrderWordAndInUseMarkFollowTheChoice)
{
    for (int choice : {1, 2, 3}) {
        std::filesystem::remove(path);
        BtreeFile f;
        ASSERT_EQ(f.create(path, choice), 0);
        auto open = readFileBytes(path);
        ASSERT_GE(open.size(), 1024u);
        bool big = choice == 2;
        EXPECT_EQ(open[0], big ? 0 : 1);
        EXPECT_EQ(open[3], big ? 1 : 0);
        // While held for writing the mark reads 13245 in the file's order.
        uint16_t mark = big ? uint16_t(open[1010] << 8 | open[1011]) : uint16_t(open[1011] << 8 | open[1010]);
        EXPECT_EQ(mark, kInUseMark);
        EXPECT_EQ(f.close(), 0);
        auto closed = readFileBytes(path);
        EXPECT_EQ(closed[1010], 0);
        EXPECT_EQ(closed[1011], 0);
    }
}

TEST_F(BtreeFileTest, OpenRefusesAFileMarkedInUse)
{
    BtreeFile writer;
    ASSERT_EQ(writer.create(path, 1), 0);
    BtreeFile reader;
    EXPECT_EQ(reader.open(path, 1), kInUse);
    EXPECT_FALSE(reader.isOpen());
    ASSERT_EQ(writer.close(), 0);
    EXPECT_EQ(reader.open(path, 1), 0);
}

TEST_F(BtreeFileTest, OperationsOnAClosedBlockAnswerNotOpen)
{
    BtreeFile f;
    uint8_t buffer[8];
    EXPECT_EQ(f.setKeyMode(0), kNotOpen);
    EXPECT_EQ(f.find(1, textKey("a"), 0, buffer, 8), kNotOpen);
    EXPECT_EQ(f.next(1, buffer, 8), kNotOpen);
    EXPECT_EQ(f.addKey(1, textKey("a")), kNotOpen);
    EXPECT_EQ(f.writeRecord(1, textKey("a"), "x", 1), kNotOpen);
    EXPECT_EQ(f.verify(), kNotOpen);
    EXPECT_EQ(f.close(), kNotOpen);
    EXPECT_EQ(f.open(dir.file("missing.idx"), 1), kOutOfRange);
    EXPECT_EQ(f.open(path, 3), kOutOfRange);
}

TEST_F(BtreeFileTest, KeyNumbersOutsideTheRangeFailBeforeTouchingTheFile)
{
    build({{"a", "1"}});
    PageCache cache;
    BtreeFile f(cache);
    ASSERT_EQ(f.open(path, 2), 0);
    uint8_t buffer[8];
    EXPECT_EQ(f.find(0, textKey("a"), 0, buffer, 8), kBadKey);
    EXPECT_EQ(f.find(21, textKey("a"), 0, buffer, 8), kBadKey);
    EXPECT_EQ(cache.reads(), 0);
    EXPECT_EQ(f.writeRecord(21, textKey("a"), "x", 1), kBadKey);
    EXPECT_EQ(f.writeRecord(1, textKey("a"), "x", -1), kBadKey);
    EXPECT_EQ(f.writeRecord(1, textKey(std::string(242, 'k')), "x", 1), kBadKey);
    EXPECT_EQ(f.setKeyMode(5), kOutOfRange);
    EXPECT_EQ(f.setKeyMode(4), 0);
    EXPECT_EQ(f.close(), 0);
}

TEST_F(BtreeFileTest, FindResultsAndTheKeyLeftBehind)
{
    build({{"b", "B"}, {"d", "DD"}, {"f", ""}});
    BtreeFile f;
    ASSERT_EQ(f.open(path, 1), 0);
    char data[16] = {};
    EXPECT_EQ(f.find(1, textKey("d"), 0, data, 16), kFoundLater);
    EXPECT_EQ(text(f), "d");
    EXPECT_EQ(f.dataLength(), 2);
    EXPECT_EQ(std::string(data, 2), "DD");
    int32_t record = f.recordNumber();
    EXPECT_EQ(f.find(1, textKey("d"), record, data, 16), kFoundExact);
    // Absent but smaller than a stored key: the next greater key is left in the key pointer.
    EXPECT_EQ(f.find(1, textKey("c"), 0, data, 16), kFoundGreater);
    EXPECT_EQ(text(f), "d");
    EXPECT_EQ(f.find(1, textKey("a"), 0, data, 16), kFoundGreater);
    EXPECT_EQ(text(f), "b");
    EXPECT_EQ(f.find(1, textKey("g"), 0, data, 16), kNoGreater);
    // An empty record is found with length 0.
    EXPECT_EQ(f.find(1, textKey("f"), 0, data, 16), kFoundLater);
    EXPECT_EQ(f.dataLength(), 0);
    // Another key number has nothing in this file.
    EXPECT_EQ(f.find(2, textKey("b"), 0, data, 16), kNoGreater);
    // A buffer too small gets the record's first part and an error, never more.
    char small[1] = {'!'};
    EXPECT_EQ(f.find(1, textKey("d"), 0, small, 1), kReadShort);
    EXPECT_EQ(f.secondaryError(), kBufferTooSmall);
    EXPECT_EQ(small[0], 'D');
}

TEST_F(BtreeFileTest, NextWalksInKeyOrderAndStopsAtTheEnd)
{
    build({{"m", "3"}, {"a", "1"}, {"z", "4"}, {"c", "2"}});
    BtreeFile f;
    ASSERT_EQ(f.open(path, 1), 0);
    char data[4];
    ASSERT_EQ(f.find(1, textKey(""), 0, data, 4), kFoundGreater);
    std::string keys = text(f);
    while (f.next(1, data, 4) == 0)
        keys += text(f) + std::string(data, 1);
    EXPECT_EQ(keys, "ac2m3z4");
    EXPECT_EQ(f.next(1, data, 4), kNoGreater);
}

TEST_F(BtreeFileTest, SeveralRecordsUnderOneKeyAreOrderedByRecordNumber)
{
    BtreeFile f;
    ASSERT_EQ(f.create(path, 1, {}, index_testing::noSync()), 0);
    ASSERT_EQ(f.addKey(1, textKey("dup")), 0);
    int32_t first = f.recordNumber();
    ASSERT_EQ(f.addKey(1, textKey("dup")), 0);
    int32_t second = f.recordNumber();
    EXPECT_EQ(second, first + 1);
    ASSERT_EQ(f.rewriteRecord(1, textKey("dup"), second, "two", 3), 0);
    char data[8];
    EXPECT_EQ(f.find(1, textKey("dup"), first, data, 8), kFoundExact);
    EXPECT_EQ(f.dataLength(), 0);
    EXPECT_EQ(f.find(1, textKey("dup"), first + 1, data, 8), kFoundExact);
    EXPECT_EQ(std::string(data, 3), "two");
    // Asking past the first record lands on the next one with result 1.
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
    for (size_t i = 0; i < most.size(); ++i)
        most[i] = static_cast<char>('a' + i % 23);
    ASSERT_EQ(f.writeRecord(1, textKey("k"), most.data(), static_cast<int32_t>(most.size())), 0);
    std::string tooLong(most.size() + 1, 'y');
    EXPECT_EQ(f.writeRecord(1, textKey("j"), tooLong.data(), static_cast<int32_t>(tooLong.size())), kBadKey);
    std::vector<char> back(most.size());
    ASSERT_EQ(f.find(1, textKey("k"), 0, back.data(), static_cast<int32_t>(back.size())), kFoundLater);
    EXPECT_EQ(std::string(back.begin(), back.end()), most);
    EXPECT_EQ(f.find(1, textKey("l"), 0, nullptr, 0), kNoGreater);
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
    std::vector<std::pair<std::string, std::string>> items;
    for (int i = 0; i < 300; ++i)
        items.push_back({"k" + std::to_string(i), "old" + std::to_string(i)});
    build(items);
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

TEST_F(BtreeFileTest, ReadOnlyFilesRefuseWrites)
{
    build({{"a", "1"}});
    BtreeFile f;
    ASSERT_EQ(f.open(path, 1), 0);
    EXPECT_EQ(f.writeRecord(1, textKey("b"), "2", 1), kReadOnly);
    EXPECT_EQ(f.addKey(1, textKey("b")), kReadOnly);
    EXPECT_EQ(f.find(1, textKey("b"), 0, nullptr, 0), kNoGreater);
}

TEST_F(BtreeFileTest, DescriptorsMustMatchTheFile)
{
    KeyDescriptor ints[] = {{1, kInt32}, {0, 0}};
    BtreeFile f;
    ASSERT_EQ(f.create(path, 1, ints), 0);
    ASSERT_EQ(f.close(), 0);
    KeyDescriptor texts[] = {{1, kText}, {0, 0}};
    EXPECT_EQ(f.open(path, 1, texts), kKeyType);
    EXPECT_EQ(f.open(path, 1, ints), 0);
    EXPECT_EQ(f.keyFormat(1).kind(), kInt32);
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
        std::vector<uint8_t> k{0};
        k.insert(k.end(), name.begin(), name.end());
        k.push_back(0);
        k.push_back(static_cast<uint8_t>(n & 0xff));
        k.push_back(static_cast<uint8_t>(n >> 8 & 0xff));
        k[0] = static_cast<uint8_t>(k.size() - 1);
        return k;
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

TEST_F(BtreeFileTest, BigEndianFilesHoldNumbersTurnedButAnswerInHostOrder)
{
    KeyDescriptor d[] = {{1, kInt32}, {0, 0}};
    BtreeFile f;
    ASSERT_EQ(f.create(path, 2, d), 0);
    for (int32_t n : {5, -7, 1 << 30, -(1 << 30), 0})
        ASSERT_EQ(f.writeRecord(1, intKey(n), &n, 4), 0);
    ASSERT_EQ(f.close(), 0);
    auto bytes = readFileBytes(path);
    // The first leaf entry holds the smallest key, -(1 << 30), big-endian after the record number.
    ASSERT_GE(bytes.size(), 2048u);
    EXPECT_EQ(bytes[1024 + 18 + 7], 0xC0);
    ASSERT_EQ(f.open(path, 1), 0);
    int32_t value = 0;
    ASSERT_EQ(f.find(1, intKey(-8), 0, &value, 4), kFoundGreater);
    int32_t found;
    std::memcpy(&found, f.key().data(), 4);
    EXPECT_EQ(found, -7);
    // Far-apart keys order correctly: no overflowing subtraction.
    std::vector<int32_t> walk;
    ASSERT_EQ(f.find(1, intKey(INT32_MIN), 0, &value, 4), kFoundGreater);
    do {
        std::memcpy(&found, f.key().data(), 4);
        walk.push_back(found);
    } while (f.next(1, &value, 4) == 0);
    EXPECT_EQ(walk, (std::vector<int32_t>{-(1 << 30), -7, 0, 5, 1 << 30}));
}

TEST_F(BtreeFileTest, DamagedFilesAreReportedNotFollowed)
{
    std::vector<std::pair<std::string, std::string>> items;
    for (int i = 0; i < 400; ++i)
        items.push_back({"key" + std::to_string(i * 7919 % 1000), std::string(40, char('a' + i % 26))});
    build(items);
    auto good = readFileBytes(path);

    // Not an index at all.
    writeFileBytes(path, std::vector<uint8_t>(3000, 'x'));
    BtreeFile f;
    EXPECT_EQ(f.open(path, 1), kReadShort);
    EXPECT_EQ(f.secondaryError(), kNotAnIndex);

    // A truncated file: the header counts pages that are gone, a few or as many as a count can say.
    writeFileBytes(path, std::vector<uint8_t>(good.begin(), good.begin() + 4096));
    EXPECT_EQ(f.open(path, 1), kReadShort);
    auto header = std::vector<uint8_t>(good.begin(), good.begin() + 1024);
    header[24] = header[25] = header[26] = 0xff;
    header[27] = 0x7f;
    writeFileBytes(path, header);
    EXPECT_EQ(f.open(path, 1), kReadShort);
    EXPECT_EQ(f.secondaryError(), kPageUnreadable);

    // A leaf whose level lies: verify names the page.
    auto bad = good;
    bad[1024 + 12] = 1;
    writeFileBytes(path, bad);
    ASSERT_EQ(f.open(path, 1), 0);
    EXPECT_EQ(f.verify(), kReadShort);
    EXPECT_EQ(f.failedPage(), 0);
    f.close();

    // An entry length that runs past the page end.
    bad = good;
    bad[1024 + 18] = 0xff;
    writeFileBytes(path, bad);
    ASSERT_EQ(f.open(path, 1), 0);
    EXPECT_EQ(f.verify(), kReadShort);
    EXPECT_EQ(f.secondaryError(), kPageDamaged);
    f.close();

    // A leaf chain that loops back on itself ends the walk with an error.
    bad = good;
    bad[1024 + 4] = 0;
    bad[1024 + 5] = bad[1024 + 6] = bad[1024 + 7] = 0;
    writeFileBytes(path, bad);
    ASSERT_EQ(f.open(path, 1), 0);
    EXPECT_EQ(f.verify(), kReadShort);
    char data[64];
    int rc = f.find(1, textKey(""), 0, data, 64);
    int steps = 0;
    while (rc >= 0 && steps < 2000) {
        rc = f.next(1, data, 64);
        ++steps;
    }
    EXPECT_LT(steps, 2000);
    EXPECT_EQ(rc, kReadShort);
}

TEST_F(BtreeFileTest, VerifyReportsProgressForEveryPage)
{
    std::vector<std::pair<std::string, std::string>> items;
    for (int i = 0; i < 2000; ++i)
        items.push_back({"k" + std::to_string(i), std::string(60, 'v')});
    build(items);
    BtreeFile f;
    ASSERT_EQ(f.open(path, 1), 0);
    std::vector<int32_t> seen;
    EXPECT_EQ(f.verify([&](int32_t n) { seen.push_back(n); }), 0);
    ASSERT_EQ(static_cast<int32_t>(seen.size()), f.pageCount());
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], static_cast<int32_t>(i + 1));
}

TEST_F(BtreeFileTest, KeysInOrderFillTheirPages)
{
    std::vector<std::pair<std::string, std::string>> items;
    char name[16];
    for (int i = 0; i < 5000; ++i) {
        std::snprintf(name, sizeof name, "%08d", i);
        items.push_back({name, std::string(20, 'v')});
    }
    build(items);
    // Entries of 37 bytes: 27 fit a page; sorted input must not leave pages half empty.
    int64_t pages = static_cast<int64_t>(std::filesystem::file_size(path) / 1024) - 1;
    EXPECT_LT(pages, 5000 / 27 * 11 / 10 + 5);
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

TEST_F(BtreeFileTest, PagesWrittenBackUnderASmallCacheStayConsistent)
{
    PageCache cache(8);
    std::mt19937 rng(7);
    std::map<std::string, std::string> model;
    {
        BtreeFile f(cache);
        ASSERT_EQ(f.create(path, 1, {}, index_testing::noSync()), 0);
        for (int i = 0; i < 3000; ++i) {
            std::string k = index_testing::randomText(rng, 1, 30, "abcdef");
            std::string v(rng() % 200, char('a' + rng() % 26));
            ASSERT_EQ(f.writeRecord(1, textKey(k), v.data(), static_cast<int32_t>(v.size())), 0);
            model[k] = v;
        }
        ASSERT_EQ(f.close(), 0);
    }
    BtreeFile f;
    ASSERT_EQ(f.open(path, 1), 0);
    EXPECT_EQ(f.verify(), 0);
    std::vector<char> data(300);
    for (auto& [k, v] : model) {
        ASSERT_EQ(f.find(1, textKey(k), 0, data.data(), 300), kFoundLater) << k;
        EXPECT_EQ(std::string(data.data(), static_cast<size_t>(f.dataLength())), v);
    }
}

} // namespace
} // namespace vel::index
