// Buttons, hot spots and bitmaps: the press followed in and out of the hot spot, the pressed,
// disabled and hidden looks and the screen kept under them, the sound of a press.
#include <gtest/gtest.h>

#include "controls/button.h"
#include "controls_test_support.h"

namespace vel {
namespace {

constexpr uint32_t kUp = 0x00FF00, kDown = 0xFF0000, kGrey = 0x808080;

class ButtonTest : public testing_support::ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        image("up", 20, 20, kUp);
        image("down", 20, 20, kDown);
        image("grey", 20, 20, kGrey);
    }
    // A button at (10, 10) with the properties given.
    Button& button(const std::string& properties)
    {
        openForm("(control (\"Class\" \"Button\") (\"Name\" \"B\") (\"Hot Spot\" (rect 10 10 20 20)) " + properties + ")");
        return control<Button>("B");
    }
};

TEST_F(ButtonTest, APressCountsOnlyWhenTheLastDragLeftThePointerInside)
{
    Button& b = button("(\"UpImage\" \"up\") (\"DownImage\" \"down\") (\"Sound\" \"bip\") (\"RolloverImage\" \"grey\") "
                       "(\"RolloverX\" 200)");
    const std::pair<std::vector<Point>, bool> cases[] = {
        {{}, true}, {{{100, 100}}, false}, {{{100, 100}, {15, 15}}, true}, {{{15, 15}, {100, 100}, {0, 0}}, false}};
    for (const auto& [moves, clicked] : cases) {
        engine.playback().wave().stopAny();
        b.mouseEnter(12, 12);
        EXPECT_EQ(pixel(200, 10), kGrey);
        EXPECT_EQ(press(12, 12, moves), clicked) << moves.size();
        EXPECT_EQ(pixel(12, 12), kUp) << "the up image once released";
        EXPECT_EQ(pixel(200, 10), kScreen) << "the rollover drawn back as the press began";
        EXPECT_TRUE(soundPlaying());
    }
}

TEST_F(ButtonTest, ThePressedImageGoesToDownXOnlyAndTheKeptScreenBackWhereItWasTaken)
{
    // Without "DownX" the pressed image is at the hot spot's corner, whatever "DownY" says; without an
    // up image nothing is drawn over it at the release.
    button("(\"DownImage\" \"down\") (\"DownY\" 100)");
    press(12, 12);
    EXPECT_EQ(pixel(10, 10), kDown);
    // Pressed 4 pixels down and right: the screen kept under the whole image rectangle goes back at
    // its own corner, so what lies beyond the rectangle stays as it was.
    host.drawing().fill({34, 0, 44, 60}, 0x0000FF);
    EXPECT_EQ(button("(\"DownImage\" \"down\") (\"DownX\" 14) (\"DownY\" 14)").imageRect().right, 34);
    press(12, 12);
    EXPECT_EQ(pixel(15, 15), kDown);
    EXPECT_EQ(pixel(36, 20), 0xFF0000u) << "beyond the rectangle";
}

TEST_F(ButtonTest, AFlashShowsThePressedImageForATenthOfASecondThenTheUpImageAgain)
{
    Button& b = button("(\"UpImage\" \"up\") (\"DownImage\" \"down\")");
    std::vector<std::pair<uint32_t, uint32_t>> shown; // (time, pixel) at each showing
    host.drawing().setAfterUpdate([&] { shown.emplace_back(clock().now(), shownPixel(12, 12)); });
    const uint32_t start = clock().now();
    b.flash();
    EXPECT_EQ(shown, (std::vector<std::pair<uint32_t, uint32_t>>{{start, kDown}, {start + 100, kUp}}));
}

TEST_F(ButtonTest, DisabledAndHiddenLooks)
{
    Button& b = button("(\"Sound\" \"bip\") (\"UpImage\" \"up\") (\"DisabledImage\" \"grey\") (\"DisabledX\" 30) "
                       "(\"Disabled\" true)");
    EXPECT_EQ(pixel(35, 15), kGrey);
    EXPECT_EQ(pixel(12, 12), kScreen);
    host.feed(testing_support::pointerEvent(event_kind::MouseUp, 12, 12));
    EXPECT_FALSE(b.track(12, 12, 0, 1));
    EXPECT_FALSE(soundPlaying());
    b.setBoolean(Value::string("Hidden"), 1);
    b.draw();
    EXPECT_EQ(pixel(35, 15), kScreen);
}

TEST_F(ButtonTest, HotSpotThatReleasesOnMouseDownAndBitmapThatKeepsItsBackground)
{
    openForm("(control (\"Class\" \"HotSpot\") (\"Name\" \"H\") (\"Hot Spot\" (rect 0 0 50 50)) "
             "(\"ReleaseOnMouseDown\" true) (\"Sound\" \"bip\")) (control (\"Class\" \"Bitmap\") (\"Name\" \"P\") "
             "(\"Image\" \"up\") (\"X\" 100) (\"Y\" 100) (\"Save Background\" true))");
    EXPECT_TRUE(control("H").track(5, 5, 0, 1)) << "no release waited for";
    EXPECT_TRUE(soundPlaying());
    EXPECT_EQ(pixel(105, 105), kUp);
    control("P").setBoolean(Value::string("Hidden"), 1);
    control("P").draw();
    EXPECT_EQ(pixel(105, 105), kScreen) << "the screen kept under it";
}

} // namespace
} // namespace vel
