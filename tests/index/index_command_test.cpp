// vel index as a user runs it: exit statuses and output of each subcommand.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>

#include "index_test_support.h"

namespace {

using vel::index_testing::ScratchDir;

struct Outcome {
    int status;
    std::string out;
};

Outcome vel(const std::string& arguments)
{
    std::string command = std::string(VEL_BIN_DIR) + "/vel index " + arguments + " 2>&1";
    Outcome r{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> chunk;
    size_t n;
    while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        r.out.append(chunk.data(), n);
    int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class IndexCommand : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string file = dir.file("c.idx");
    std::string q(const std::string& s) { return "'" + s + "'"; }
};

TEST_F(IndexCommand, CreatePutGetAndWalks)
{
    writeText(dir.file("t.tbl"), "(table (\"Abc\" 1) (\"Abd\" (list 1 \"x\")) (\"B\" \"bee\"))");
    ASSERT_EQ(vel("create " + q(file) + " " + q(dir.file("t.tbl"))).status, 0);
    EXPECT_EQ(vel("get " + q(file) + " Abc").out, "1\n");
    Outcome absent = vel("get " + q(file) + " Zzz");
    EXPECT_EQ(absent.status, 1);
    EXPECT_EQ(absent.out, "");
    EXPECT_EQ(vel("put " + q(file) + " 'C d' '(table (\"k\" 2))'").status, 0);
    EXPECT_EQ(vel("get " + q(file) + " 'C d'").out, "(table (\"k\" 2))\n");
    EXPECT_EQ(vel("keys " + q(file) + " A").out, "\"Abc\"\n\"Abd\"\n");
    EXPECT_EQ(vel("values " + q(file) + " B").out, "\"bee\"\n");
    EXPECT_EQ(vel("keys " + q(file) + " Q").status, 1);
    EXPECT_EQ(vel("count " + q(file)).out, "5\n");
    EXPECT_EQ(vel("verify " + q(file)).status, 0);
}

TEST_F(IndexCommand, DumpGivesATableThatBuildsTheSameIndex)
{
    std::string table = "(table";
    for (int i = 0; i < 40; ++i)
        table += " (\"key" + std::to_string(i * 37 % 40) + "\" " + std::to_string(i) + ")";
    writeText(dir.file("t.tbl"), table + ")");
    ASSERT_EQ(vel("create " + q(file) + " " + q(dir.file("t.tbl"))).status, 0);
    Outcome dump = vel("dump " + q(file));
    ASSERT_EQ(dump.status, 0);
    EXPECT_EQ(dump.out.rfind("(table (\"__VEL_INDEX_COUNT__\" 41)", 0), 0u) << dump.out.substr(0, 200);
    writeText(dir.file("d.tbl"), dump.out);
    std::string copy = dir.file("copy.idx");
    ASSERT_EQ(vel("create " + q(copy) + " " + q(dir.file("d.tbl"))).status, 0);
    EXPECT_EQ(vel("dump " + q(copy)).out, dump.out);
}

TEST_F(IndexCommand, BadFilesExitWithStatus2AndSayWhy)
{
    writeText(dir.file("plain.txt"), std::string(2048, 'x'));
    Outcome notIndex = vel("get " + q(dir.file("plain.txt")) + " a");
    EXPECT_EQ(notIndex.status, 2);
    EXPECT_NE(notIndex.out.find("not an index"), std::string::npos);
    EXPECT_EQ(vel("count " + q(dir.file("missing.idx"))).status, 2);
    EXPECT_EQ(vel("frobnicate " + q(file)).status, 2);
    EXPECT_EQ(vel("get " + q(file)).status, 2);
    // A header that claims two thousand million pages in a file of one page.
    std::string huge = dir.file("huge.idx");
    std::filesystem::copy_file(std::string(VEL_SOURCE_DIR) + "/fuzz/seeds/index_open/huge_page_count.idx", huge);
    for (const char* command : {"verify ", "recover "}) {
        Outcome o = vel(command + q(huge));
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.out.find("damaged: page outside the file or unreadable at page 2147483646"), std::string::npos) << o.out;
    }
    EXPECT_EQ(vel("dump " + q(huge)).status, 2);
}

} // namespace
