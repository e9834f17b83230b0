// Scripted runs of orva through forms written in the notation on a media root made here: clicks that
// lead from screen to screen, presses that leave and come back or end outside, overlapping
// controls, and a dialog form drawn over the screen it came from.
#include <string>

#include "support/scripted_run.h"

namespace {

using vel::testing_support::agreement;
using vel::testing_support::expectedShot;

// A 24-bit bitmap in two colours, split by a diagonal, so place and size show in a screenshot.
std::string twoColourBitmap(int width, int height, uint32_t first, uint32_t second)
{
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    std::string pixels;
    for (int y = height - 1; y >= 0; --y) { // bottom-up rows
        std::string row;
        for (int x = 0; x < width; ++x) {
            uint32_t rgb = x * height > y * width ? first : second;
            row += std::string{char(rgb & 255), char((rgb >> 8) & 255), char(rgb >> 16)};
        }
        row.resize(static_cast<std::size_t>(rowBytes), '\0');
        pixels += row;
    }
    std::string info = u32(40) + u32(static_cast<uint32_t>(width)) + u32(static_cast<uint32_t>(height)) + u16(1) +
                       u16(24) + u32(0) + u32(static_cast<uint32_t>(pixels.size())) + u32(2835) + u32(2835) + u32(0) +
                       u32(0);
    uint32_t offset = 14 + 40;
    return "BM" + u32(offset + static_cast<uint32_t>(pixels.size())) + u32(0) + u32(offset) + info + pixels;
}

// A plain control in the notation: its name, hot spot and the form it leads to.
std::string control(const std::string& name, const std::string& rect, const std::string& target)
{
    return "(control (\"Class\" \"velControlObject\") (\"Name\" \"" + name + "\") (\"Hot Spot\" (rect " + rect +
           ")) (\"Target Form\" \"" + target + "\"))";
}

class OrvaFormsTest : public vel::testing_support::ScriptedRunTest {
protected:
    void SetUp() override
    {
        ScriptedRunTest::SetUp();
        media("fundo.bmp", twoColourBitmap(640, 480, 0x3060A0, 0xE0C040));
        media("segunda.bmp", twoColourBitmap(640, 480, 0x208040, 0xF0F0F0));
        media("caixa.bmp", twoColourBitmap(200, 120, 0xC02020, 0x802080));
        // Two overlapping controls at the top left (the earlier leads to Segunda), one at the bottom
        // right that opens the dialog form.
        media("startup.frm", "(form (\"Name\" \"Inicio\") (\"Background Image\" \"fundo.bmp\") (\"Control List\" (list " +
                                 control("Ir", "20 20 100 50", "segunda.frm") + " " +
                                 control("Sobreposto", "60 40 100 50", "terceira.frm") + " " +
                                 control("Caixa", "400 300 100 60", "caixa.frm") + ")))");
        media("segunda.frm", "(form (\"Name\" \"Segunda\") (\"Background Image\" \"segunda.bmp\") (\"Control List\" "
                             "(list " + control("Voltar", "500 400 100 50", "startup.frm") + ")))");
        media("terceira.frm", "(form (\"Name\" \"Terceira\") (\"Control List\" (list " +
                                  control("Voltar", "500 400 100 50", "startup.frm") + ")))");
        media("caixa.frm", "(form (\"Class\" \"velDialogObject\") (\"Name\" \"Caixa\") (\"Background Image\" "
                           "\"caixa.bmp\") (\"Origin X\" 220) (\"Origin Y\" 180))");
    }
};

TEST_F(OrvaFormsTest, ClicksLeadFromScreenToScreenAndBack)
{
    std::string said;
    ASSERT_EQ(runScript("expect-form Inicio\n"
                        "shot " + path("inicio.png") + "\n"
                        "click 50 40\n"
                        "expect-form Segunda\n"
                        "shot " + path("segunda.png") + "\n"
                        "click 520 420\n"
                        "expect-form Inicio\n"
                        "quit\n",
                        &said),
              0)
        << said;
    EXPECT_GE(agreement(path("inicio.png"), expectedShot("forms_inicio.png"), 2), 0.999);
    EXPECT_GE(agreement(path("segunda.png"), expectedShot("forms_segunda.png"), 2), 0.999);
}

TEST_F(OrvaFormsTest, APressThatLeavesAndComesBackClicksAndOneReleasedOutsideDoesNot)
{
    std::string said;
    EXPECT_EQ(runScript("down 50 40\nmove 300 300\nmove 60 45\nup 60 45\nexpect-form Segunda\nquit\n", &said), 0)
        << said;
    EXPECT_EQ(runScript("down 50 40\nmove 300 300\nup 300 300\nexpect-form Inicio\nquit\n", &said), 0) << said;
}

TEST_F(OrvaFormsTest, TheEarlierOfTwoOverlappingControlsTakesThePress)
{
    std::string said;
    // (100, 60) lies in both; (150, 80) in the second alone.
    EXPECT_EQ(runScript("click 100 60\nexpect-form Segunda\nclick 520 420\nclick 150 80\nexpect-form Terceira\nquit\n",
                        &said),
              0)
        << said;
}

TEST_F(OrvaFormsTest, ADialogFormIsDrawnOverTheScreenItCameFrom)
{
    std::string said;
    ASSERT_EQ(runScript("click 420 320\nexpect-form Caixa\nkey Escape\nshot " + path("caixa.png") + "\nquit\n", &said), 0)
        << said;
    EXPECT_GE(agreement(path("caixa.png"), expectedShot("forms_caixa.png"), 2), 0.999);
}

} // namespace
