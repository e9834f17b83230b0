// vel image as a user runs it: bitmaps and photographs to PNG, refused files with status 2.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "runtime/image_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace vel::image_test;

class VelImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("vel_image_test_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream(dir_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return (dir_ / name).string();
    }
    // Runs the tool; the exit status, and standard error in `err`.
    int image(const std::string& in, const std::string& out, std::string& err) const
    {
        const std::string errFile = (dir_ / "stderr.txt").string();
        const std::string command = std::string(VEL_BIN_DIR) + "/vel image " + in + " " + out + " 2>" + errFile;
        const int status = std::system(command.c_str());
        std::ifstream e(errFile);
        err.assign(std::istreambuf_iterator<char>(e), std::istreambuf_iterator<char>());
        return WEXITSTATUS(status);
    }
    std::string out(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

struct Png {
    cairo_surface_t* surface;
    explicit Png(const std::string& path) : surface(cairo_image_surface_create_from_png(path.c_str())) {}
    ~Png() { cairo_surface_destroy(surface); }
    bool ok() const { return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface); }
    int height() const { return cairo_image_surface_get_height(surface); }
    uint32_t at(int x, int y) const
    {
        const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const uint32_t*>(row)[x] | 0xFF000000u;
    }
};

TEST_F(VelImageTest, BitmapsOfEveryKindBecomePngsOfTheSamePixels)
{
    Bitmap rle;
    rle.width = 3, rle.height = 2, rle.bits = 8, rle.compression = 1;
    rle.colours = {0xFF000000u, 0xFFFF0000u, 0xFF00FF00u};
    rle.indices = {2, 2, 2, 1, 1, 1};
    rle.rleData = {3, 1, 0, 0, 3, 2, 0, 1};
    const struct {
        std::string name;
        Bitmap bitmap;
        bool fileHeader;
    } cases[] = {{"four.bmp", patterned(9, 5, 4), true},
                 {"eight.dib", patterned(7, 6, 8), false},
                 {"true.BMP", patterned(5, 5, 24), true},
                 {"runs.rle", rle, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string err;
        ASSERT_EQ(image(write(c.name, encode(c.bitmap, c.fileHeader)), out(c.name + ".png"), err), 0) << err;
        Png png(out(c.name + ".png"));
        ASSERT_TRUE(png.ok());
        ASSERT_EQ(png.width(), c.bitmap.width);
        ASSERT_EQ(png.height(), c.bitmap.height);
        for (int y = 0; y < c.bitmap.height; ++y)
            for (int x = 0; x < c.bitmap.width; ++x)
                ASSERT_EQ(png.at(x, y), c.bitmap.expected(x, y)) << x << "," << y;
    }
}

TEST_F(VelImageTest, PhotographsAreDecoded)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 32 * 24; ++i)
        rgb.insert(rgb.end(), {200, 60, 20});
    std::string err;
    ASSERT_EQ(image(write("photo.jpg", compressJpeg(32, 24, rgb)), out("photo.png"), err), 0) << err;
    Png png(out("photo.png"));
    ASSERT_TRUE(png.ok());
    EXPECT_EQ(png.width(), 32);
    EXPECT_EQ(png.height(), 24);
    const uint32_t p = png.at(10, 10);
    EXPECT_NEAR(int((p >> 16) & 0xFF), 200, 6);
    EXPECT_NEAR(int((p >> 8) & 0xFF), 60, 6);
    EXPECT_NEAR(int(p & 0xFF), 20, 6);
}

TEST_F(VelImageTest, FilesTheTitleWouldRefuseGiveItsMessageAndStatusTwo)
{
    std::string err;
    EXPECT_EQ(image(write("short.bmp", Bytes{'B', 'M', 1, 2}), out("a.png"), err), 2);
    EXPECT_NE(err.find("velDIBImageObject::validate: DIB data buffer size too small."), std::string::npos) << err;

    EXPECT_EQ(image(write("text.dib", Bytes(60, 'x')), out("b.png"), err), 2);
    EXPECT_NE(err.find("velDIBImageObject::validate: DIB header not found."), std::string::npos) << err;

    std::vector<uint8_t> rgb(16 * 16 * 3, 128);
    EXPECT_EQ(image(write("progressive.jpg", compressJpeg(16, 16, rgb, 90, true)), out("c.png"), err), 2);
    EXPECT_NE(err.find("Invalid JPEG file"), std::string::npos) << err;

    // A JPEG under any other extension is read as a bitmap, as the title would.
    EXPECT_EQ(image(write("photo.jpeg", compressJpeg(16, 16, rgb)), out("d.png"), err), 2);
    EXPECT_NE(err.find("DIB header not found"), std::string::npos) << err;

    EXPECT_EQ(image(out("missing.bmp"), out("e.png"), err), 2);
    EXPECT_FALSE(fs::exists(out("a.png")));
}

} // namespace
