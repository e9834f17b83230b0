// The vel tool as a user runs it: output, exit statuses and messages.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "runtime/image_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace vel::image_test;

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
    std::string write(const std::string& name, const Bytes& bytes) const
    {
        return write(name, std::string(bytes.begin(), bytes.end()));
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

TEST_F(VelToolTest, PrintCompileAndArchiveAgree)
{
    std::string form = write("form.frm", "; comment\n(table (\"Name\" \"S\\xe3o\")\n (\"Size\" (rect 1 2 3 4)))");
    ToolRun printed = vel("print " + form);
    EXPECT_EQ(printed.status, 0) << printed.err;
    EXPECT_NE(printed.out.find("(\"Name\" \"S\\xe3o\")"), std::string::npos) << printed.out;
    // What print writes reads back to the same print; so does what compile writes.
    EXPECT_EQ(vel("print " + write("again.frm", printed.out)).out, printed.out);
    ASSERT_EQ(vel("compile " + form + " " + path("form.vel")).status, 0);
    EXPECT_EQ(vel("print " + path("form.vel")).out, printed.out);

    std::string items = write("items.lst", "(list \"first\" (list 1 2) 3)");
    std::string archive = path("items.arc");
    ASSERT_EQ(vel("archive create " + archive + " " + items).status, 0);
    EXPECT_EQ(vel("archive count " + archive).out, "3\n");
    EXPECT_EQ(vel("archive get " + archive + " 0").out, "\"first\"\n");
    const std::string whole = "(archive 3)\n; item 0\n\"first\"\n; item 1\n(list 1\n      2)\n; item 2\n3\n";
    EXPECT_EQ(vel("print " + archive).out, whole);
    ASSERT_EQ(vel("archive compact " + archive).status, 0);
    EXPECT_EQ(vel("print " + archive).out, whole);
    EXPECT_EQ(vel("archive get " + archive + " 3").status, 1);
    // Written through temporaries that are gone: the inputs, the outputs and the captured messages.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 6);
}

TEST_F(VelToolTest, BadInputGivesStatusTwoAndTheSystemMessage)
{
    const std::pair<std::string, std::string> cases[] = {
        {"print " + write("bad.lst", "(list Hello)"), "Undefined constant: 'Hello'"},
        {"print " + write("open.lst", "(list 1 2"), "Unterminated list: "},
        {"archive count " + write("plain.arc", "not an archive at all"), "Version mismatch -- cannot open archive"},
        {"archive compact " + write("short.arc", "0VEL"), "Cannot read VELINT from stream"},
        {"print " + path("missing.tbl"), "cannot open"},
        {"archive create " + path("x.arc") + " " + write("notlist.tbl", "(table (1 2))"), "a list of items is expected"},
        {"frobnicate", "usage"},
    };
    for (const auto& [arguments, message] : cases) {
        ToolRun r = vel(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.err.find(message), std::string::npos) << arguments << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(path("x.arc")));
}

struct Png {
    cairo_surface_t* surface;
    explicit Png(const std::string& path) : surface(cairo_image_surface_create_from_png(path.c_str())) {}
    ~Png() { cairo_surface_destroy(surface); }
    bool ok() const { return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
    uint32_t at(int x, int y) const
    {
        const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const uint32_t*>(row)[x] | 0xFF000000u;
    }
};

// The decoders have their own tests; here, that the tool reaches them and writes what they give.
TEST_F(VelToolTest, BitmapsAndPhotographsBecomePngs)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 32 * 24; ++i)
        rgb.insert(rgb.end(), {200, 60, 20});
    Bitmap bitmap = patterned(9, 5, 8);
    ASSERT_EQ(vel("image " + write("eight.BMP", encode(bitmap, true)) + " " + path("eight.png")).status, 0);
    ASSERT_EQ(vel("image " + write("photo.jpg", compressJpeg(32, 24, rgb)) + " " + path("photo.png")).status, 0);
    Png png(path("eight.png"));
    ASSERT_TRUE(png.ok());
    ASSERT_EQ(cairo_image_surface_get_width(png.surface), 9);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(png.at(x, y), bitmap.expected(x, y)) << x << "," << y;
    Png photo(path("photo.png"));
    ASSERT_TRUE(photo.ok());
    EXPECT_EQ(cairo_image_surface_get_height(photo.surface), 24);
    EXPECT_NEAR(int((photo.at(10, 10) >> 16) & 0xFF), 200, 6);

    // Files the title would refuse give its message and status 2, and no picture. A JPEG under any
    // other extension is read as a bitmap, as the title would.
    const std::pair<std::string, std::string> refused[] = {
        {write("short.bmp", Bytes{'B', 'M', 1, 2}), "velDIBImageObject::validate: DIB data buffer size too small."},
        {write("photo.jpeg", compressJpeg(16, 16, std::vector<uint8_t>(16 * 16 * 3, 128))), "DIB header not found"},
        {path("missing.bmp"), ""},
    };
    for (const auto& [file, message] : refused) {
        ToolRun r = vel("image " + file + " " + path("refused.png"));
        EXPECT_EQ(r.status, 2) << file;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(path("refused.png")));
}

} // namespace
