// The vel tool as a user runs it: output, exit statuses and messages.
#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <string>

#include "runtime/image_test_support.h"
#include "support/scratch_dir.h"
#include "support/subprocess.h"

namespace {

namespace fs = std::filesystem;
using namespace vel::image_test;
using vel::testing_support::ProcessResult;

class VelToolTest : public ::testing::Test {
protected:
    vel::testing_support::ScratchDirectory dir;

    std::string path(const std::string& name) const { return dir / name; }
    std::string write(const std::string& name, const std::string& bytes) const { return dir.write(name, bytes); }
    std::string write(const std::string& name, const Bytes& bytes) const
    {
        return write(name, std::string(bytes.begin(), bytes.end()));
    }
    // Standard output and error together: a success must say nothing on the error side.
    ProcessResult vel(const std::string& arguments) const
    {
        return vel::testing_support::runProcess({"sh", "-c", std::string(VEL_BIN_DIR) + "/vel " + arguments});
    }
};

TEST_F(VelToolTest, PrintCompileAndArchiveAgree)
{
    std::string form = write("form.frm", "; comment\n(table (\"Name\" \"S\\xe3o\")\n (\"Size\" (rect 1 2 3 4)))");
    ProcessResult printed = vel("print " + form);
    EXPECT_EQ(printed.status, 0) << printed.output;
    EXPECT_NE(printed.output.find("(\"Name\" \"S\\xe3o\")"), std::string::npos) << printed.output;
    // What print writes reads back to the same print; so does what compile writes.
    EXPECT_EQ(vel("print " + write("again.frm", printed.output)).output, printed.output);
    ASSERT_EQ(vel("compile " + form + " " + path("form.vel")).status, 0);
    EXPECT_EQ(vel("print " + path("form.vel")).output, printed.output);

    std::string items = write("items.lst", "(list \"first\" (list 1 2) 3)");
    std::string archive = path("items.arc");
    ASSERT_EQ(vel("archive create " + archive + " " + items).status, 0);
    EXPECT_EQ(vel("archive count " + archive).output, "3\n");
    EXPECT_EQ(vel("archive get " + archive + " 0").output, "\"first\"\n");
    const std::string whole = "(archive 3)\n; item 0\n\"first\"\n; item 1\n(list 1\n      2)\n; item 2\n3\n";
    EXPECT_EQ(vel("print " + archive).output, whole);
    ASSERT_EQ(vel("archive compact " + archive).status, 0);
    EXPECT_EQ(vel("print " + archive).output, whole);
    EXPECT_EQ(vel("archive get " + archive + " 3").status, 1);
    // Written through temporaries that are gone: only the inputs and the outputs are left.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 5);
}

TEST_F(VelToolTest, EveryFailureSaysWhatIsWrongWithWhichFile)
{
    const std::string huge = path("huge.idx");
    fs::copy_file(std::string(VEL_SOURCE_DIR) + "/fuzz/seeds/index_open/huge_page_count.idx", huge);
    const std::string two = write("two.txt", "1 2");
    const struct {
        std::string arguments;
        int status;
        std::string message;
    } cases[] = {
        {"print " + write("bad.lst", "(list Hello)"), 2, "bad.lst: Undefined constant: 'Hello'"},
        {"print " + write("open.lst", "(list 1 2"), 2, "Unterminated list: "},
        {"archive count " + write("plain.arc", "not an archive at all"), 2, "Version mismatch -- cannot open archive"},
        {"archive compact " + write("short.arc", "0VEL"), 2, "Cannot read VELINT from stream"},
        {"print " + path("missing.tbl"), 2, "cannot open " + path("missing.tbl") + ": No such file or directory"},
        {"print " + dir.path(), 2, dir.path() + " is a directory"},
        {"print " + write("empty.txt", ""), 2, "empty.txt is empty"},
        {"print " + write("comment.txt", "; nothing\n"), 2, "comment.txt: no value in it"},
        // A movie's first byte reads as nil; what follows must not pass for part of it.
        {"print " + write("movie.mpg", std::string("\0\0\1\xba", 4)), 2, "3 bytes follow the value at offset 1"},
        {"compile " + two + " " + path("two.vel"), 2, "two.txt holds 2 values; one is expected"},
        {"index put " + path("c.idx") + " k '1 2'", 2, "holds 2 values"},
        {"index create " + two, 2, "cannot create " + two + ": File exists"},
        {"archive create " + path("x.arc") + " " + write("notlist.tbl", "(table (1 2))"), 2, "a list of items is expected"},
        {"frobnicate", 2, "unknown command: frobnicate"},
        {"help 2>/dev/null", 0, "usage: vel print"},
        {"--help 2>/dev/null", 0, "usage: vel print"},
        {"--version", 0, "vel "},
        {"index get " + write("plain.idx", std::string(2048, 'x')) + " a", 2, "not an index"},
        // A header that claims two thousand million pages in a file of one page.
        {"index verify " + huge, 2, "damaged: page outside the file or unreadable at page 2147483646"},
        {"index recover " + huge, 2, "damaged: page outside the file or unreadable at page 2147483646"},
    };
    for (const auto& [arguments, status, message] : cases) {
        ProcessResult r = vel(arguments);
        EXPECT_EQ(r.status, status) << arguments << ": " << r.output;
        EXPECT_NE(r.output.find(message), std::string::npos) << arguments << ": " << r.output;
    }
    EXPECT_FALSE(fs::exists(path("x.arc")));
    EXPECT_FALSE(fs::exists(path("two.vel")));
    // Input quoted in a message is cut short.
    ProcessResult quotedLong = vel("print " + write("long.lst", "(list " + std::string(5000, 'x') + ")"));
    EXPECT_LT(quotedLong.output.size(), 300u) << quotedLong.output;
    EXPECT_NE(quotedLong.output.find("xxx..."), std::string::npos);
}

TEST_F(VelToolTest, IndexesAreMadeReadWalkedAndDumped)
{
    const std::string file = path("c.idx");
    const std::string table = "(table (\"Abc\" 1) (\"Abd\" (list 1 \"x\")) (\"B\" \"bee\"))";
    ASSERT_EQ(vel("index create " + file + " " + write("t.tbl", table)).status, 0);
    EXPECT_EQ(vel("index get " + file + " Abc").output, "1\n");
    ProcessResult absent = vel("index get " + file + " Zzz");
    EXPECT_EQ(absent.status, 1);
    EXPECT_EQ(absent.output, "");
    EXPECT_EQ(vel("index put " + file + " 'C d' '(table (\"k\" 2))'").status, 0);
    EXPECT_EQ(vel("index get " + file + " 'C d'").output, "(table (\"k\" 2))\n");
    EXPECT_EQ(vel("index keys " + file + " A").output, "\"Abc\"\n\"Abd\"\n");
    EXPECT_EQ(vel("index values " + file + " B").output, "\"bee\"\n");
    EXPECT_EQ(vel("index count " + file).output, "5\n");
    EXPECT_EQ(vel("index verify " + file).status, 0);
    // A dump is a table that builds the same index again.
    ProcessResult dump = vel("index dump " + file);
    ASSERT_EQ(dump.status, 0);
    EXPECT_NE(dump.output.find("(\"__VEL_INDEX_COUNT__\" 5)"), std::string::npos) << dump.output;
    ASSERT_EQ(vel("index create " + path("copy.idx") + " " + write("d.tbl", dump.output)).status, 0);
    EXPECT_EQ(vel("index dump " + path("copy.idx")).output, dump.output);
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
    const Bytes whole = encode(bitmap, true), jpeg = compressJpeg(32, 24, rgb);
    Bytes lyingOffset = whole;
    lyingOffset[10] = lyingOffset[11] = 0xFF;
    const std::pair<std::string, std::string> refused[] = {
        {write("short.bmp", Bytes{'B', 'M', 1, 2}), "velDIBImageObject::validate: DIB data buffer size too small."},
        {write("photo.jpeg", compressJpeg(16, 16, std::vector<uint8_t>(16 * 16 * 3, 128))), "DIB header not found"},
        {path("missing.bmp"), "No such file or directory"},
        // Drawn as far as the data goes by the program; a checking tool says what is missing.
        {write("cut.bmp", Bytes(whole.begin(), whole.end() - 20)), "cut.bmp: its data ends after 3 of 5 rows"},
        {write("offset.bmp", lyingOffset), "its pixels start at offset 65535, past the end of its"},
        {write("cut.jpg", Bytes(jpeg.begin(), jpeg.end() - 8)), "ends before the end-of-picture mark"},
    };
    for (const auto& [file, message] : refused) {
        ProcessResult r = vel("image " + file + " " + path("refused.png"));
        EXPECT_EQ(r.status, 2) << file;
        EXPECT_NE(r.output.find(message), std::string::npos) << r.output;
    }
    EXPECT_FALSE(fs::exists(path("refused.png")));
}

TEST_F(VelToolTest, RtfPrintsTheRunsThenTheFonts)
{
    EXPECT_EQ(vel("rtf " + write("bold.rtf", "\\b\r\nx") + " --font Arial 12 0").output,
              "(list (list 1\n            1\n            1\n            -1\n            0)\n      (list 2\n            \"x\"))\n"
              "(list (font \"Arial\" 12 0)\n      (font \"Arial\" 12 2))\n");
    ProcessResult empty = vel("rtf " + write("empty.rtf", ""));
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.output, "(list)\n(list (font \"Times New Roman\" 9 0))\n");
    ProcessResult missing = vel("rtf " + path("missing.rtf"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("cannot open " + path("missing.rtf")), std::string::npos) << missing.output;
}

} // namespace
