// Several openers of one file: shared and exclusive access across processes and within one, record
// locks, and a writer killed in the middle of its work.
#include "index/btree_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include "index/page_cache.h"
#include "index_test_support.h"

namespace vel::index {
namespace {

using index_testing::ScratchDir;
using index_testing::textKey;
using Clock = std::chrono::steady_clock;

void makeFile(const std::string& path, int keys)
{
    BtreeFile f;
    ASSERT_EQ(f.create(path, 1), 0);
    for (int i = 0; i < keys; ++i) {
        std::string k = "old" + std::to_string(i);
        ASSERT_EQ(f.writeRecord(1, textKey(k), k.data(), static_cast<int32_t>(k.size())), 0);
    }
    ASSERT_EQ(f.close(), 0);
}

std::vector<char> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(IndexLocking, AnExclusiveRequestWaitsForAnotherProcessToLetGo)
{
    ScratchDir dir;
    std::string path = dir.file("shared.idx");
    makeFile(path, 10);
    int toChild[2], toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        BtreeFile f;
        char c = f.open(path, 1) == 0 && f.lockState() == LockState::Shared ? 'y' : 'n';
        (void)!write(toParent[1], &c, 1);
        (void)!read(toChild[0], &c, 1);
        // Hold the slot a while after the parent starts asking for the whole area.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        f.close();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    // Both openers hold shared access at once.
    BtreeFile f;
    ASSERT_EQ(f.open(path, 2), 0);
    EXPECT_EQ(f.lockState(), LockState::Shared);
    EXPECT_NE(f.userSlot(), -1);
    auto start = Clock::now();
    (void)!write(toChild[1], &c, 1);
    ASSERT_EQ(f.lockExclusive(), 0);
    auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_EQ(f.lockState(), LockState::Exclusive);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(f.lockShared(), 0);
    EXPECT_EQ(f.unlock(), 0);
    EXPECT_EQ(f.lockState(), LockState::Unlocked);
    EXPECT_EQ(f.close(), 0);
}

TEST(IndexLocking, TwoOpenersInOneProcessConflictLikeTwoProcesses)
{
    ScratchDir dir;
    std::string path = dir.file("one.idx");
    makeFile(path, 3);
    BtreeFile reader;
    ASSERT_EQ(reader.open(path, 1), 0);
    BtreeFile writer;
    ASSERT_EQ(writer.open(path, 2), 0);
    EXPECT_NE(reader.userSlot(), writer.userSlot());
    // A read-only opener cannot take the whole area.
    EXPECT_EQ(reader.lockExclusive(), kLockFailed);

    // Record locks: one byte each, refused on a single try while another handle holds it.
    ASSERT_EQ(writer.lockRecord(5, false), 0);
    EXPECT_EQ(reader.testRecord(5), kOutOfRange);
    EXPECT_EQ(reader.lockRecord(5, false), kOutOfRange);
    EXPECT_EQ(reader.testRecord(6), 0);
    ASSERT_EQ(writer.unlockRecord(5), 0);
    EXPECT_EQ(reader.testRecord(5), 0);

    std::atomic<bool> granted{false};
    std::thread waiter([&] {
        if (writer.lockExclusive() == 0)
            granted = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(granted.load());
    reader.close();
    waiter.join();
    EXPECT_TRUE(granted.load());
    EXPECT_EQ(writer.close(), 0);
}

// The child fills the file until killed; it reports after a few puts so the kill lands mid-work.
pid_t startDoomedWriter(const std::string& path, int cachePages, int pipeOut)
{
    pid_t child = fork();
    if (child != 0)
        return child;
    PageCache::instance().setCapacity(cachePages);
    BtreeFile f;
    if (f.open(path, 2) != 0)
        _exit(3);
    for (int i = 0;; ++i) {
        std::string k = "new" + std::to_string(i * 7919 % 100003);
        std::string v(100 + i % 50, 'v');
        if (f.writeRecord(1, textKey(k), v.data(), static_cast<int32_t>(v.size())) != 0)
            _exit(4);
        if (i == 2000) {
            char c = 'r';
            (void)!write(pipeOut, &c, 1);
        }
    }
}

int runRecover(const std::string& path)
{
    std::string command = std::string(VEL_BIN_DIR) + "/vel index recover '" + path + "' 2>/dev/null >/dev/null";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(IndexCrash, AWriterKilledMidPutLeavesAFileRefusedUntilRecovered)
{
    for (int cachePages : {16384, 8}) {
        SCOPED_TRACE(cachePages);
        ScratchDir dir;
        std::string path = dir.file("crash.idx");
        makeFile(path, 500);
        int p[2];
        ASSERT_EQ(pipe(p), 0);
        pid_t child = startDoomedWriter(path, cachePages, p[1]);
        ASSERT_GT(child, 0);
        char c = 0;
        ASSERT_EQ(read(p[0], &c, 1), 1);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        close(p[0]);
        close(p[1]);

        BtreeFile f;
        EXPECT_EQ(f.open(path, 1), kInUse);
        auto before = fileBytes(path);
        int rc = runRecover(path);
        RecordProperty(cachePages > 1000 ? "recover_large_cache" : "recover_small_cache", rc);
        if (cachePages > 1000) {
            // Nothing but the mark reached the file: the old tree is whole and recovery clears it.
            EXPECT_EQ(rc, 0);
        }
        if (rc == 0) {
            ASSERT_EQ(f.open(path, 1), 0);
            EXPECT_EQ(f.verify(), 0);
            if (cachePages > 1000) {
                char data[16];
                for (int i = 0; i < 500; ++i) {
                    std::string k = "old" + std::to_string(i);
                    ASSERT_EQ(f.find(1, textKey(k), 0, data, 16), kFoundLater);
                    EXPECT_EQ(std::string(data, static_cast<size_t>(f.dataLength())), k);
                }
            }
            f.close();
            // A recovered file takes writes again and stays sound.
            ASSERT_EQ(f.open(path, 2), 0);
            ASSERT_EQ(f.writeRecord(1, textKey("after"), "x", 1), 0);
            EXPECT_EQ(f.verify(), 0);
            EXPECT_EQ(f.close(), 0);
        } else {
            // Refused: nothing changed, and the file is still refused.
            EXPECT_EQ(rc, 2);
            EXPECT_EQ(fileBytes(path), before);
            EXPECT_EQ(f.open(path, 1), kInUse);
        }
    }
}

TEST(IndexCrash, RecoverLeavesAFileHeldByALiveWriterAlone)
{
    ScratchDir dir;
    std::string path = dir.file("live.idx");
    makeFile(path, 5);
    BtreeFile writer;
    ASSERT_EQ(writer.open(path, 2), 0);
    EXPECT_EQ(runRecover(path), 2);
    BtreeFile other;
    EXPECT_EQ(other.open(path, 1), kInUse);
    EXPECT_EQ(writer.close(), 0);
    EXPECT_EQ(other.open(path, 1), 0);
}

} // namespace
} // namespace vel::index
