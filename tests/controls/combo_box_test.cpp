// The drop-down controls: choosing by the mouse and the keys, the list's actions, the edit part.
#include <gtest/gtest.h>

#include "controls/combo_box.h"
#include "field_test_support.h"
#include "value/builtins.h"

namespace vel {
namespace {

class ComboBoxTest : public testing_support::FieldTest {
protected:
    static constexpr const char* Data =
        "(\"Hot Spot\" (rect 20 20 150 22)) (\"List\" (list \"Norte\" \"Sul\" \"Leste\" 7 nil)) (\"MaxItems\" 3) "
        "(\"LineSpacing\" 18)";
    static int rowY(int row) { return 43 + row * 18 + 9; }
    Value act(velControlObject& c, const char* action, const Value& data = Value()) { return c.perform(Value::string(action), data); }
};

TEST_F(ComboBoxTest, ChoosingByTheMouseAndTheKeys)
{
    host.drawing().fill({0, 0, 640, 480}, 0x00FF00);
    ComboBox& c = make<ComboBox>(Data);
    EXPECT_EQ(c.selection(), -1);
    EXPECT_FALSE(during({at(event_kind::MouseUp, 160, 30)}, [&] { return c.track(160, 30, 0, 1); }));
    EXPECT_EQ(act(c, "isDown").asInt(), 1) << "a click on the button leaves the list down";
    EXPECT_TRUE(c.containsPoint(50, rowY(1)));
    EXPECT_TRUE(during({at(event_kind::MouseUp, 50, rowY(1))}, [&] { return c.track(50, rowY(1), 0, 1); }));
    EXPECT_EQ(textIn(act(c, "getSelectionStr")), "Sul");
    EXPECT_EQ(act(c, "isDown").asInt(), 0);
    EXPECT_EQ(pixel(50, rowY(1)), 0x00FF00u) << "the screen under the list is back";

    EXPECT_TRUE(c.key(key_code::Down, 0));
    EXPECT_TRUE(c.key(key_code::Down, 0));
    EXPECT_EQ(textIn(act(c, "getSelectionStr")), "7") << "items of any type show their printed form";
    c.key(key_code::Unit * 4, 0); // F4 drops the list
    c.key(key_code::Up, 0);
    EXPECT_TRUE(c.key(13, 0));
    EXPECT_EQ(c.selection(), 2);
    // A press elsewhere closes the list and changes nothing.
    act(c, "onKey", Value::integer(key_code::Unit * 4));
    EXPECT_FALSE(during({at(event_kind::MouseUp, 400, 400)}, [&] { return c.track(400, 400, 0, 1); }));
    EXPECT_EQ(act(c, "isDown").asInt(), 0);
    EXPECT_EQ(c.selection(), 2);
}

TEST_F(ComboBoxTest, ListActionsAndTheEditPart)
{
    ComboBox& c = make<ComboBox>(Data);
    act(c, "setSelectionStr", Value::string("Leste"));
    EXPECT_EQ(act(c, "getSelection").asInt(), 2);
    act(c, "setList", read("(list \"Um\")"));
    EXPECT_EQ(c.selection(), -1) << "a selection past the new list's end goes";
    EXPECT_EQ(velCount(act(c, "getList")), 1);

    host.drawing().fill({0, 0, 640, 480}, 0x00FF00);
    ComboBox& saving = make<ComboBox>(std::string(Data) + " (\"SaveBackground\" true)");
    saving.draw();
    EXPECT_NE(pixel(30, 30), 0x00FF00u);
    act(saving, "drawFlag", Value::boolean(0));
    EXPECT_EQ(pixel(30, 30), 0x00FF00u) << "hidden, it gives back the screen it covered";

    ComboEdit& e = make<ComboEdit>(Data);
    e.activate();
    e.key('o', 0);
    EXPECT_EQ(textIn(act(e, "stringValue")), "o");
    e.key(key_code::Down, 0);
    EXPECT_EQ(textIn(act(e, "stringValue")), "Norte") << "a chosen item fills the edit part";
    EXPECT_EQ(textIn(act(e, "getSelectionStr")), "Norte");
}

} // namespace
} // namespace vel
