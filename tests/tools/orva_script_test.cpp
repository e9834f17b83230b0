// Scripted runs of the title program: it starts headless on a small media root made here, draws,
// and its screenshots are held against stored ones within a small tolerance.
#include <string>

#include "support/scripted_run.h"

namespace {

using vel::testing_support::agreement;
using vel::testing_support::expectedShot;

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

class OrvaScriptTest : public vel::testing_support::ScriptedRunTest {
protected:
    void SetUp() override
    {
        ScriptedRunTest::SetUp();
        media("fundo.bmp", makeBitmap(640, 480));
    }
    void writeMedia(const std::string& name, const std::string& text) { media(name, text); }
};

TEST_F(OrvaScriptTest, StartUpOpensTheStartUpFormOnItsBackground)
{
    writeMedia("startup.frm", "(form (\"Name\" \"Inicio\") (\"Background Image\" \"fundo.bmp\"))");
    std::string said;
    ASSERT_EQ(runScript("expect-form Inicio\nwait 100\nshot " + path("start.png") + "\nquit\n", &said), 0) << said;
    EXPECT_GE(agreement(path("start.png"), expectedShot("startup_background.png"), 6), 0.995);
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
