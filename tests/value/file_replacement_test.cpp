#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "value/file_replacement.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

class FileReplacementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::path(::testing::TempDir()) / ("replacement_" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        target_ = (folder_ / "target.dat").string();
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string contents() const
    {
        std::ifstream in(target_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    int filesInFolder() const
    {
        return static_cast<int>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }

    fs::path folder_;
    std::string target_;
};

TEST_F(FileReplacementTest, ReplacesWholeAndKeepsPermissions)
{
    ASSERT_TRUE(replaceFile(target_, std::string_view("first")));
    ::chmod(target_.c_str(), 0640);
    ASSERT_TRUE(replaceFile(target_, std::string_view("second, longer")));
    EXPECT_EQ(contents(), "second, longer");
    struct stat info {};
    ASSERT_EQ(::stat(target_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(filesInFolder(), 1);
}

TEST_F(FileReplacementTest, EveryFailureLeavesTheTargetAndNoTemporary)
{
    ASSERT_TRUE(replaceFile(target_, std::string_view("old")));
    struct Case {
        const char* what;
        std::function<std::string()> target; // prepares the case and names the target
        bool writerFails;
        const char* reason;
    };
    const Case cases[] = {
        {"folder missing", [&] { return (folder_ / "absent" / "x.dat").string(); }, false, "No such file"},
        {"writer fails midway", [&] { return target_; }, true, "cannot write"},
        {"target is a folder", [&] { fs::create_directory(folder_ / "sub"); return (folder_ / "sub").string(); },
         false, "Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string reason;
        bool done = replaceFile(
            c.target(),
            [&](int fd) { return writeAll(fd, "partial", 7) && !c.writerFails; }, &reason);
        EXPECT_FALSE(done);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_EQ(contents(), "old");
    }
    // The target and the folder made by the last case: no temporary anywhere.
    EXPECT_EQ(filesInFolder(), 2);
    EXPECT_TRUE(fs::is_empty(folder_ / "sub"));

    std::string temporary = createTemporaryBeside(target_);
    ASSERT_FALSE(temporary.empty());
    std::string other = createTemporaryBeside(target_);
    EXPECT_NE(temporary, other) << "names must be unique";
    fs::remove(other);
    EXPECT_FALSE(commitTemporary(temporary, (folder_ / "sub").string()));
    EXPECT_FALSE(fs::exists(temporary));
}

} // namespace
} // namespace vel
