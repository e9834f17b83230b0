// One running copy per module directory: a child process holding the lock keeps the parent out until
// it ends, two handles in one process conflict, and different module directories do not.
#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/media_path.h"
#include "support/scratch_dir.h"
#include "support/subprocess.h"

namespace vel::platform {
namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    testing_support::ScratchDirectory runtimeDir;
    testing_support::ScopedVariable variable{"XDG_RUNTIME_DIR", runtimeDir.path().c_str()};
};

TEST_F(InstanceLockTest, AChildHoldingTheLockKeepsASecondCopyOutUntilItEnds)
{
    int ready[2], finish[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(finish), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock;
        char status = lock.acquire("/opt/orva") == InstanceLock::State::Held ? 'H' : 'x';
        (void)!::write(ready[1], &status, 1);
        char go;
        (void)!::read(finish[0], &go, 1);
        ::_exit(0);
    }
    char status = 0;
    ASSERT_EQ(::read(ready[0], &status, 1), 1);
    ASSERT_EQ(status, 'H');

    InstanceLock second;
    EXPECT_EQ(second.acquire("/opt/orva"), InstanceLock::State::HeldElsewhere);
    EXPECT_FALSE(second.held());
    InstanceLock otherHome;
    EXPECT_EQ(otherHome.acquire("/home/someone/orva"), InstanceLock::State::Held);

    (void)!::write(finish[1], "g", 1);
    int exitStatus = 0;
    ASSERT_EQ(::waitpid(child, &exitStatus, 0), child);
    EXPECT_EQ(second.acquire("/opt/orva"), InstanceLock::State::Held);
    EXPECT_TRUE(second.held());
    for (int fd : {ready[0], ready[1], finish[0], finish[1]})
        ::close(fd);
}

TEST_F(InstanceLockTest, TwoHandlesInOneProcessConflictAndAnUnusableFolderIsSaid)
{
    InstanceLock first, second;
    ASSERT_EQ(first.acquire("/srv/disc"), InstanceLock::State::Held);
    EXPECT_EQ(second.acquire("/srv/disc"), InstanceLock::State::HeldElsewhere);
    first.release();
    EXPECT_FALSE(first.held());
    EXPECT_EQ(second.acquire("/srv/disc"), InstanceLock::State::Held);

    EXPECT_EQ(InstanceLock::lockFilePath("/opt/orva").rfind(runtimeDir.path() + "/orva-", 0), 0u);
    second.release();
    EXPECT_FALSE(isFile(InstanceLock::lockFilePath("/srv/disc"))) << "a released lock leaves no file";
    ::setenv("XDG_RUNTIME_DIR", (runtimeDir / "missing/deeper").c_str(), 1);
    InstanceLock lock;
    EXPECT_EQ(lock.acquire("/opt/orva"), InstanceLock::State::Unavailable);

    // Without a runtime folder: the cache folder, made inside a home that exists, never with one.
    ::unsetenv("XDG_RUNTIME_DIR");
    testing_support::ScopedVariable noCache("XDG_CACHE_HOME", nullptr);
    testing_support::ScopedVariable missingHome("HOME", (runtimeDir / "gone").c_str());
    EXPECT_EQ(lock.acquire("/opt/orva"), InstanceLock::State::Unavailable);
    EXPECT_FALSE(isDirectory(runtimeDir / "gone"));
    runtimeDir.write("home/.keep", "");
    testing_support::ScopedVariable home("HOME", (runtimeDir / "home").c_str());
    EXPECT_EQ(lock.acquire("/opt/orva"), InstanceLock::State::Held);
    EXPECT_EQ(InstanceLock::lockFilePath("/opt/orva").rfind(runtimeDir / "home/.cache/orva/orva-", 0), 0u);
    lock.release();
    EXPECT_TRUE(std::filesystem::is_empty(runtimeDir / "home/.cache/orva"));
}

} // namespace
} // namespace vel::platform
