// The drop-down controls: choosing by the mouse and the keys, the list's actions, the edit part.
#include <gtest/gtest.h>

#include <tuple>

#include "control_form_support.h"
#include "controls/combo_box.h"
#include "field_test_support.h"
#include "runtime/framework_timer.h"
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
    // A click on the button leaves the list down for a click on a row, or for the keys.
    EXPECT_TRUE(during({at(event_kind::MouseUp, 160, 30), at(event_kind::MouseDown, 50, rowY(1)),
                        at(event_kind::MouseUp, 50, rowY(1))},
                       [&] { return c.track(160, 30, 0, 1); }));
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

class DroppedListTest : public testing_support::ControlFormTest {
protected:
    // A combo box of 27 rows dropped under (20, 20, 150, 22): the list at (20, 42)-(170, 98), rows of
    // 18 from y 43, 3 in view.
    ComboBox& dropped(const std::string& data = "")
    {
        std::string items;
        for (int i = 0; i < 27; ++i)
            items += " \"" + std::to_string(i) + "\"";
        openRecorded("(control (\"Class\" \"ComboBox\") (\"Name\" \"C\") (\"Hot Spot\" (rect 20 20 150 22)) "
                     "(\"MaxItems\" 3) (\"LineSpacing\" 18) (\"List\" (list" + items + ")) " + data + ")");
        form()->setActiveControl(controlValue("C"), 1);
        auto& c = control<ComboBox>("C");
        c.key(key_code::Unit * 4, 0);
        return c;
    }
    // Then the pointer over the first row in view, and Enter: that row is chosen.
    void chooseFirstInView(uint32_t after)
    {
        feedAfter(after, event_kind::MouseOver, 60, 52);
        feedAfter(after + 10, event_kind::KeyDown, 0, 0, 13);
    }
};

TEST_F(DroppedListTest, AHeldArrowRepeatsWhileOnItAndRowsLightUnderThePointer)
{
    ComboBox& c = dropped();
    // The plain bar's down arrow at x 155..169, y 83..96, held for a second and off it from 510 to
    // 710 ms: steps at 0, 250 and every 50 ms to 500, then from 750 to 1000: 13 rows down.
    feedAfter(510, event_kind::MouseDrag, 100, 90);
    feedAfter(710, event_kind::MouseDrag, 160, 90);
    feedAfter(1010, event_kind::MouseUp, 160, 90);
    chooseFirstInView(1020);
    pressHeld(160, 90);
    EXPECT_EQ(c.selection(), 13);
    EXPECT_FALSE(engine.frameworkTimer()->active());
}

TEST_F(DroppedListTest, TheScrollBarAndTheSelectionTakeTheirPicturesAndPlacesFromTheListsCorner)
{
    image("seta", 10, 8, 0x0000FF), image("polegar", 10, 20, 0xFF0000), image("escolha", 200, 30, 0x00FF00);
    ComboBox& c = dropped("(\"ScrollbarHotSpot\" (rect 120 1 10 54)) (\"UpArrowImage\" \"seta\") "
                          "(\"DownArrowImage\" \"seta\") (\"ThumbImage\" \"polegar\") (\"SelectionImage\" \"escolha\")");
    // The bar at x 140..149, y 43..96: arrows of 8, the thumb under the up arrow; rows end at the bar.
    for (auto [x, y, rgb] :
         {std::tuple{145, 46, 0x0000FFu}, {145, 60, 0xFF0000u}, {145, 93, 0x0000FFu}, {160, 60, 0xFFFFFFu}})
        EXPECT_EQ(pixel(x, y), rgb) << x << "," << y;
    feedAfter(10, event_kind::MouseUp, 145, 93);
    chooseFirstInView(20);
    pressHeld(145, 93);
    EXPECT_EQ(c.selection(), 1) << "the down arrow where the data put it";
    c.key(key_code::Unit * 4, 0);
    EXPECT_EQ(pixel(130, 65), 0x00FF00u) << "the chosen row, lit, shows the selection picture";
}

} // namespace
} // namespace vel
