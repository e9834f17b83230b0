// The vel data tool as a user runs it: output, exit statuses and messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

class VelToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("vel_tool_test_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    static std::string readFile(const std::string& p)
    {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    ToolRun vel(const std::string& arguments) const
    {
        std::string errFile = path("stderr.txt");
        std::string command = std::string(VEL_BIN_DIR) + "/vel " + arguments + " 2>" + errFile;
        FILE* pipe = ::popen(command.c_str(), "r");
        std::string out;
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
            out.append(chunk, n);
        int status = ::pclose(pipe);
        return {WEXITSTATUS(status), out, readFile(errFile)};
    }

    fs::path dir_;
};

TEST_F(VelToolTest, PrintsTextNotationInQuotedForm)
{
    std::string file = write("form.frm", "; comment\n(table (\"Name\" \"S\\xe3o\")\n (\"Size\" (rect 1 2 3 4)))");
    ToolRun r = vel("print " + file);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(\"Name\" \"S\\xe3o\")"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(\"Size\" (rect 1 2 3 4))"), std::string::npos) << r.out;
    // What print writes reads back to the same print.
    std::string again = write("again.frm", r.out);
    EXPECT_EQ(vel("print " + again).out, r.out);
}

TEST_F(VelToolTest, CompileThenPrintGivesTheSameValue)
{
    std::string source = write("data.tbl", "(list 1 -200 40000 \"text\" true (intlist 5 6) (table (\"k\" 2.5)))");
    ToolRun compiled = vel("compile " + source + " " + path("data.vel"));
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    std::string bytes = readFile(path("data.vel"));
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 35); // a short value list
    EXPECT_EQ(vel("print " + path("data.vel")).out, vel("print " + source).out);
}

TEST_F(VelToolTest, ArchivesFromAList)
{
    std::string items = write("items.lst", "(list \"first\" (list 1 2) 3)");
    std::string archive = path("items.arc");
    ASSERT_EQ(vel("archive create " + archive + " " + items).status, 0);
    EXPECT_EQ(readFile(archive).substr(0, 4), "0VEL");
    EXPECT_EQ(vel("archive count " + archive).out, "3\n");
    EXPECT_EQ(vel("archive get " + archive + " 0").out, "\"first\"\n");
    ToolRun printed = vel("print " + archive);
    EXPECT_EQ(printed.out, "(archive 3)\n; item 0\n\"first\"\n; item 1\n(list 1\n      2)\n; item 2\n3\n");
    ToolRun absent = vel("archive get " + archive + " 3");
    EXPECT_EQ(absent.status, 1);
    EXPECT_FALSE(absent.err.empty());
    ASSERT_EQ(vel("archive compact " + archive).status, 0);
    EXPECT_EQ(vel("print " + archive).out, printed.out);
    // Written through temporaries that are gone: the list, the archive and the captured messages.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 3);
}

TEST_F(VelToolTest, BadInputGivesStatusTwoAndTheSystemMessage)
{
    ToolRun undefined = vel("print " + write("bad.lst", "(list Hello)"));
    EXPECT_EQ(undefined.status, 2);
    EXPECT_NE(undefined.err.find("Undefined constant: 'Hello'"), std::string::npos) << undefined.err;
    ToolRun unterminated = vel("print " + write("open.lst", "(list 1 2"));
    EXPECT_EQ(unterminated.status, 2);
    EXPECT_NE(unterminated.err.find("Unterminated list: "), std::string::npos);
    ToolRun notArchive = vel("archive count " + write("plain.arc", "not an archive at all"));
    EXPECT_EQ(notArchive.status, 2);
    EXPECT_NE(notArchive.err.find("Version mismatch -- cannot open archive"), std::string::npos) << notArchive.err;
    EXPECT_EQ(vel("print " + path("missing.tbl")).status, 2);
    EXPECT_EQ(vel("frobnicate").status, 2);
    EXPECT_EQ(vel("archive create " + path("x.arc") + " " + write("notlist.tbl", "(table (1 2))")).status, 2);
    EXPECT_FALSE(fs::exists(path("x.arc")));
}

TEST_F(VelToolTest, TruncatedEncodedValueIsRefused)
{
    std::string source = write("long.tbl", "(list \"" + std::string(300, 'x') + "\")");
    ASSERT_EQ(vel("compile " + source + " " + path("long.vel")).status, 0);
    std::string bytes = readFile(path("long.vel"));
    std::string cut = write("cut.vel", bytes.substr(0, bytes.size() / 2));
    ToolRun r = vel("print " + cut);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(r.err.empty());
}

} // namespace
