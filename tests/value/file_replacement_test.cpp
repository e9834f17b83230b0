#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/stat.h>

#include "support/scratch_dir.h"
#include "value/file_replacement.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

TEST(FileReplacementTest, ReplacesWholeOrLeavesTheTargetAndNoTemporary)
{
    testing_support::ScratchDirectory dir;
    const fs::path folder = dir.path();
    fs::create_directories(folder / "sub");
    const std::string target = dir / "target.dat";
    auto contents = [&] { return dir.read("target.dat"); };
    ASSERT_TRUE(replaceFile(target, std::string_view("first")));
    ::chmod(target.c_str(), 0640);
    ASSERT_TRUE(replaceFile(target, std::string_view("old")));
    EXPECT_EQ(contents(), "old");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "a replacement keeps the permissions";

    struct Case { std::string target; bool writerFails; const char* reason; };
    const Case cases[] = {
        {(folder / "absent" / "x.dat").string(), false, "No such file"},
        {target, true, "cannot write"}, // the writer fails midway
        {(folder / "sub").string(), false, "Is a directory"}, // the rename fails
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        std::string reason;
        EXPECT_FALSE(replaceFile(c.target, [&](int fd) { return writeAll(fd, "partial", 7) && !c.writerFails; }, &reason));
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_EQ(contents(), "old");
    }
    std::string temporary = createTemporaryBeside(target), other = createTemporaryBeside(target);
    EXPECT_NE(temporary, other) << "names must be unique";
    fs::remove(other);
    EXPECT_FALSE(commitTemporary(temporary, (folder / "sub").string()));
    // The target and the folder: no temporary anywhere.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
    EXPECT_TRUE(fs::is_empty(folder / "sub"));
}

} // namespace
} // namespace vel
