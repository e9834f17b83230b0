// Static texts and tables on a form: what a label shows, the rows' layout whatever the rows hold,
// a press on a row and the row actions.
#include <gtest/gtest.h>

#include "control_form_support.h"
#include "controls/table_control.h"
#include "value/list.h"

namespace vel::testing_support {
namespace {

class TextAndTableTest : public ControlFormTest {
protected:
    // Pixels of the rectangle that are not the screen's colour.
    int inked(int left, int top, int right, int bottom)
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += pixel(x, y) != kScreen;
        return n;
    }
    TableControl& table() { return *&control<TableControl>("T"); }
};

TEST_F(TextAndTableTest, ALabelShowsItsTextOrItsNameAndGivesItsPlaceBackWhenHidden)
{
    const struct {
        const char* data;
        bool shows;
    } cases[] = {
        {"(\"Text\" 5)", false},
        {"(\"Text\" \"x\") (\"Text Region\" (rect 0 0 -10 20))", false},
        {"(\"Name\" \"Nome\")", true},
        {"(\"Text\" \"Ol\\xe1\")", true},
    };
    for (const auto& c : cases) {
        host.drawing().fill({0, 0, 200, 40}, kScreen);
        openRecorded(std::string("(control (\"Class\" \"StaticText\") (\"Name\" \"L\") (\"Hot Spot\" (rect 0 0 200 40)) "
                         "(\"Foreground Color\" (rgb 255 255 255)) (\"Save Background\" true) ") + c.data + ")");
        EXPECT_EQ(inked(0, 0, 200, 40) > 0, c.shows) << c.data;
    }
    perform("L", "setText", Value::string("Novo"));
    EXPECT_EQ(textOf(perform("L", "getText")), "Novo");
    EXPECT_GT(inked(0, 0, 200, 40), 0);
    control<>("L").setBoolean(Value::string("Hidden"), 1);
    control<>("L").draw();
    EXPECT_EQ(inked(0, 0, 200, 40), 0);
}

TEST_F(TextAndTableTest, RowsOfAnyKindAreLaidOutOneBelowTheOtherAndAPressClicksOnlyWhereItBegan)
{
    openRecorded("(control (\"Class\" \"Table\") (\"Name\" \"T\") (\"Hot Spot\" (rect 10 10 100 300)) (\"Rows\" (list "
         "(table (\"Value\" \"a\") (\"Height\" 30) (\"Action\" \"A0\")) \"texto\" nil (list 1 2) "
         "(table (\"Width\" 50) (\"Height\" -1) (\"Color\" (rgb 255 255 255)) (\"Value\" 7) (\"Action\" \"A4\")))))");
    const std::vector<platform::Rect>& rects = table().layout();
    ASSERT_EQ(rects.size(), 5u);
    EXPECT_EQ(rects[0].height(), 30);
    for (std::size_t i = 1; i < rects.size(); ++i) {
        EXPECT_EQ(rects[i].top, rects[i - 1].bottom);
        EXPECT_GT(rects[i].height(), 8) << "a row without a height takes its font's";
    }
    EXPECT_EQ(rects[4].width(), 50);
    EXPECT_EQ(displayForm(velGet(velGet(velGet(controlValue("T"), Value::string("Rows")), 0), Value::string("Rect"))),
              "(rect 10 10 100 30)");
    EXPECT_GT(inked(rects[4].left, rects[4].top, rects[4].right, rects[4].bottom), 0) << "a number shows its text form";

    const int y4 = rects[4].top + 2, y0 = 20;
    const struct {
        int x, y, releaseY;
        size_t clicks;
        const char* action;
    } presses[] = {{20, y0, y0, 1, "A0"}, {20, y4, y0, 1, "A0"}, {20, y4, y4, 2, "A4"}, {80, y4, y4, 2, "A4"},
                   {20, 290, 290, 2, "A4"}};
    for (const auto& p : presses) {
        feedAfter(5, event_kind::MouseUp, p.x, p.releaseY);
        pressHeld(p.x, p.y);
        EXPECT_EQ(recorder()->clicks.size(), p.clicks) << p.y;
        EXPECT_EQ(textOf(perform("T", "getAction")), p.action) << p.y;
    }
}

TEST_F(TextAndTableTest, RowActionsChangeOnlyRowsThatExist)
{
    openRecorded("(control (\"Class\" \"Table\") (\"Name\" \"T\") (\"Hot Spot\" (rect 0 0 100 100)) (\"Rows\" (list \"um\")))");
    auto rows = [&] { return asList(velGet(controlValue("T"), Value::string("Rows"))); };
    perform("T", "addRow", read("(table (\"Value\" \"dois\"))"));
    EXPECT_TRUE(perform("T", "setValue", read("(list 5 \"x\")")).isNil());
    EXPECT_TRUE(perform("T", "deleteRow", Value::integer(-1)).isNil());
    perform("T", "setHeight", read("(list 0 40)"));
    EXPECT_EQ(table().layout()[1].top, 40) << "a plain row becomes a table to take a setting";
    EXPECT_EQ(textOf(velGet(perform("T", "getRow", Value::integer(0)), Value::string("Value"))), "um");
    perform("T", "deleteRow", Value::integer(0));
    ASSERT_EQ(rows()->count(), 1);
    EXPECT_EQ(textOf(velGet(rows()->get(0), Value::string("Value"))), "dois");
    perform("T", "removeAllRows");
    EXPECT_EQ(rows()->count(), 0);
    EXPECT_TRUE(table().layout().empty());
}

} // namespace
} // namespace vel::testing_support
