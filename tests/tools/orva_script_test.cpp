// Scripted runs of the title program: it starts headless on a small media root made here, draws,
// and its screenshots are held against stored ones within a small tolerance.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// An 8-bit bitmap of bands and a disc: enough to see position, palette and scaling at a glance.
std::string makeBitmap(int width, int height)
{
    std::string pixels;
    int rowBytes = (width + 3) / 4 * 4;
    for (int y = height - 1; y >= 0; --y) { // bottom-up rows
        for (int x = 0; x < rowBytes; ++x) {
            int dx = x - width / 2, dy = y - height / 2;
            unsigned char index = static_cast<unsigned char>(x < width ? (dx * dx + dy * dy < 100 * 100 ? 255 : (y * 8 / height) * 16 + x * 16 / width) : 0);
            pixels += static_cast<char>(index);
        }
    }
    std::string palette;
    for (int i = 0; i < 256; ++i) {
        unsigned char r = static_cast<unsigned char>((i & 15) * 17), g = static_cast<unsigned char>((i >> 4) * 17);
        unsigned char b = i == 255 ? 255 : 64;
        palette += static_cast<char>(b);
        palette += static_cast<char>(i == 255 ? 255 : g);
        palette += static_cast<char>(i == 255 ? 255 : r);
        palette += '\0';
    }
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    std::string info = u32(40) + u32(static_cast<uint32_t>(width)) + u32(static_cast<uint32_t>(height)) + u16(1) + u16(8) +
                       u32(0) + u32(static_cast<uint32_t>(pixels.size())) + u32(2835) + u32(2835) + u32(256) + u32(256);
    uint32_t offset = 14 + 40 + 1024;
    return "BM" + u32(offset + static_cast<uint32_t>(pixels.size())) + u32(0) + u32(offset) + info + palette + pixels;
}

class OrvaScriptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("orva_script_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_ / "media");
        fs::create_directories(dir_ / "home");
        std::ofstream(dir_ / "media" / "fundo.bmp", std::ios::binary) << makeBitmap(640, 480);
    }
    void TearDown() override
    {
        if (!HasFailure())
            fs::remove_all(dir_);
    }
    void writeMedia(const std::string& name, const std::string& text) { std::ofstream(dir_ / "media" / name) << text; }
    // Runs the program on the media root with the script; the exit status and what it said.
    int runScript(const std::string& script, std::string* said = nullptr)
    {
        std::ofstream(dir_ / "run.script") << script;
        std::string command = std::string(VEL_BIN_DIR) + "/orva --media " + (dir_ / "media").string() + " --home " +
                              (dir_ / "home").string() + " --script " + (dir_ / "run.script").string() + " 2>" +
                              (dir_ / "stderr.txt").string();
        int status = std::system(command.c_str());
        if (said) {
            std::ifstream in(dir_ / "stderr.txt");
            said->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

// The share of pixels whose channels all lie within the tolerance of the stored picture's.
double agreement(const std::string& actual, const std::string& expected, int tolerance)
{
    cairo_surface_t* a = cairo_image_surface_create_from_png(actual.c_str());
    cairo_surface_t* b = cairo_image_surface_create_from_png(expected.c_str());
    double share = 0;
    if (cairo_surface_status(a) == CAIRO_STATUS_SUCCESS && cairo_surface_status(b) == CAIRO_STATUS_SUCCESS &&
        cairo_image_surface_get_width(a) == cairo_image_surface_get_width(b) &&
        cairo_image_surface_get_height(a) == cairo_image_surface_get_height(b)) {
        int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
        long same = 0;
        for (int y = 0; y < h; ++y) {
            auto* ra = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(a) + y * cairo_image_surface_get_stride(a));
            auto* rb = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(b) + y * cairo_image_surface_get_stride(b));
            for (int x = 0; x < w; ++x) {
                bool close = true;
                for (int shift = 0; shift <= 16; shift += 8)
                    close = close && std::abs(int((ra[x] >> shift) & 255) - int((rb[x] >> shift) & 255)) <= tolerance;
                same += close;
            }
        }
        share = static_cast<double>(same) / (static_cast<double>(w) * h);
    }
    cairo_surface_destroy(a);
    cairo_surface_destroy(b);
    return share;
}

std::string expected(const std::string& name)
{
    return std::string(VEL_SOURCE_DIR) + "/tests/e2e/expected/" + name;
}

TEST_F(OrvaScriptTest, StartUpOpensTheStartUpFormOnItsBackground)
{
    writeMedia("startup.frm", "(form (\"Name\" \"Inicio\") (\"Background Image\" \"fundo.bmp\"))");
    std::string said;
    ASSERT_EQ(runScript("expect-form Inicio\nwait 100\nshot " + path("start.png") + "\nquit\n", &said), 0) << said;
    EXPECT_GE(agreement(path("start.png"), expected("startup_background.png"), 6), 0.995);
}

TEST_F(OrvaScriptTest, WithoutAStartUpFormTheRunEndsWithTheMessage)
{
    std::string said;
    EXPECT_NE(runScript("click 320 240\nkey Escape\nwait 50\n", &said), 0);
    EXPECT_NE(said.find("Cannot find form named 'startup.frm'"), std::string::npos) << said;
}

TEST_F(OrvaScriptTest, FailuresEndTheRunWithAReason)
{
    writeMedia("startup.frm", "(form (\"Name\" \"Inicio\"))");
    std::string said;
    EXPECT_EQ(runScript("expect-form MainForm\n", &said), 1);
    EXPECT_NE(said.find("expect-form MainForm"), std::string::npos) << said;
    EXPECT_EQ(runScript("jump 1 2\n", &said), 2);
    EXPECT_NE(said.find("unknown command 'jump'"), std::string::npos) << said;
    EXPECT_EQ(runScript("shot /nonexistent/dir/x.png\n", &said), 1);
}

} // namespace
