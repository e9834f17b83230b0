// Check boxes, radio buttons and the groups that relay to them: toggling, choosing within a radio
// group, and showing or hiding members together.
#include <gtest/gtest.h>

#include "controls_test_support.h"
#include "value/builtins.h"

namespace vel {
namespace {

constexpr uint32_t kOn = 0x00FF00, kOff = 0xFF0000;

class SelectionTest : public testing_support::ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        image("on", 10, 10, kOn);
        image("off", 10, 10, kOff);
    }
    bool isSelected(const char* name) { return isTrue(control(name).perform(Value::string("IsSelected"), Value())); }
};

TEST_F(SelectionTest, CheckBoxTogglesOnAReleaseInsideOnly)
{
    openForm("(control (\"Class\" \"CheckBox\") (\"Name\" \"C\") (\"Hot Spot\" (rect 10 10 100 10)) "
             "(\"SelectedImage\" \"on\") (\"DeselectedImage\" \"off\") (\"Text\" \"Som\"))");
    const std::pair<std::vector<Point>, bool> cases[] = {{{}, true}, {{{300, 300}}, true}, {{{300, 300}, {50, 15}}, false}};
    for (const auto& [moves, selected] : cases) {
        press(12, 12, moves);
        EXPECT_EQ(isSelected("C"), selected);
        EXPECT_EQ(pixel(12, 12), selected ? kOn : kOff);
    }
    control("C").perform(Value::string("SelectDontDraw"), Value::boolean(true));
    EXPECT_TRUE(isSelected("C"));
    EXPECT_EQ(pixel(12, 12), kOff);
    control("C").perform(Value::string("Select"), Value::boolean(true));
    EXPECT_EQ(pixel(12, 12), kOn);
}

TEST_F(SelectionTest, ARadioGroupKeepsOneChoiceAndTheChosenButtonTakesNoClicks)
{
    openForm("(control (\"Class\" \"RadioButton\") (\"Name\" \"A\") (\"Hot Spot\" (rect 10 10 10 10)) (\"Selected\" 1) "
             "(\"SelectedImage\" \"on\") (\"DeselectedImage\" \"off\") (\"RadioGroup\" \"G\")) "
             "(control (\"Class\" \"RadioButton\") (\"Name\" \"B\") (\"Hot Spot\" (rect 30 10 10 10)) "
             "(\"SelectedImage\" \"on\") (\"DeselectedImage\" \"off\") (\"RadioGroup\" \"G\")) "
             "(control (\"Class\" \"RadioGroup\") (\"Name\" \"G\") (\"List\" (list \"A\" \"B\")))");
    EXPECT_FALSE(form()->controlAt(12, 12).is(Tag::Control)) << "the chosen one";
    EXPECT_FALSE(press(32, 12, {{100, 100}})) << "left before the release";
    EXPECT_TRUE(press(32, 12));
    EXPECT_TRUE(isSelected("B") && !isSelected("A"));
    EXPECT_EQ(pixel(12, 12), kOff);
    EXPECT_EQ(pixel(32, 12), kOn);
    EXPECT_TRUE(!control("B").isEnabled() && control("A").isEnabled());
    // "Select" false enables a button again; disabling the chosen one gives up the choice.
    control("B").perform(Value::string("Select"), Value::boolean(false));
    EXPECT_TRUE(control("B").isEnabled());
    control("G").perform(Value::string("SetSelected"), Value::string("A"));
    EXPECT_TRUE(isSelected("A"));
    control("A").perform(Value::string("Disable"), Value::boolean(true));
    EXPECT_TRUE(!isSelected("A") && !control("A").isEnabled());
}

TEST_F(SelectionTest, HidingAGroupDrawsBackTheScreenUnderEachMember)
{
    openForm("(control (\"Class\" \"CheckBox\") (\"Name\" \"C\") (\"Hot Spot\" (rect 10 10 40 10)) "
             "(\"DeselectedImage\" \"off\") (\"Text\" \"Som\")) "
             "(control (\"Class\" \"RadioButton\") (\"Name\" \"R\") (\"Hot Spot\" (rect 60 10 10 10)) "
             "(\"DeselectedImage\" \"off\")) "
             "(control (\"Class\" \"Button\") (\"Name\" \"B\") (\"Hot Spot\" (rect 80 10 10 10)) (\"UpImage\" \"on\")) "
             "(control (\"Class\" \"Group\") (\"Name\" \"G\") (\"List\" (list \"C\" \"R\" \"B\")))");
    Value group = form()->findControl(Value::string("G"));
    velPerform(group, Value::string("Show"), Value::boolean(false));
    EXPECT_FALSE(isTrue(velPerform(group, Value::string("isVisible"), Value())));
    for (int x : {12, 62, 82})
        EXPECT_EQ(pixel(x, 12), kScreen) << x;
    velPerform(group, Value::string("Show"), Value::boolean(true));
    EXPECT_EQ(pixel(62, 12), kOff);
    EXPECT_EQ(pixel(82, 12), kOn);
}

} // namespace
} // namespace vel
