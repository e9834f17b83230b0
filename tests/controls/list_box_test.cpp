// List boxes: keys and the first-letter search, lists of 0 and 1 items, the list replaced under a
// selection, Ctrl+C of accented text, the scroll arrow's repeat on the virtual clock, bad input, and
// a move drawn line by line or scrolled showing what a whole drawing shows.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "controls/control_library.h"
#include "controls/list_box.h"
#include "platform/headless.h"
#include "runtime/framework_timer.h"
#include "runtime/form_test_support.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {
namespace {

using testing_support::FormTest;
using testing_support::pointerEvent;

class ListBoxTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        registerControlLibrary(engine);
    }
    // A list box 200 x 100 at (20, 20) holding the items, with more properties when given.
    AbstractListBox& box(const std::string& items, const std::string& more = "", const std::string& cls = "ListBox")
    {
        control_ = read("(control (\"Class\" \"" + cls + "\") (\"Hot Spot\" (rect 20 20 200 100)) (\"List\" (list " +
                        items + ")) " + more + ")");
        auto* b = dynamic_cast<AbstractListBox*>(asControl(control_));
        EXPECT_NE(b, nullptr);
        b->draw();
        return *b;
    }
    Value perform(const char* action, const Value& data = Value())
    {
        return asControl(control_)->perform(Value::string(action), data);
    }
    Value control_;
};

TEST_F(ListBoxTest, KeysAndTheFirstLetterSearchWrapAndCycle)
{
    AbstractListBox& b = box("\"banana\" \"Abacaxi\" \"caju\" \"amora\" \"Bacuri\" \"\xc1gua\"");
    struct Step {
        int32_t key;
        int32_t selection;
    } steps[] = {{'z', -1}, // nothing found from no selection: the search ends all the same
                 {'a', 1}, {'A', 3}, {'a', 5}, {0xE1, 1}, // wraps past the end, cycles the a's, accented or not
                 {'b', 4}, {'b', 0}, {'z', 0},
                 {key_code::End, 5}, {key_code::Down, 5}, {key_code::Home, 0}, {key_code::Up, 0},
                 {key_code::PageDown, 5}, {key_code::PageUp, 0}};
    for (const Step& s : steps) {
        EXPECT_FALSE(b.key(s.key, 0));
        EXPECT_EQ(b.selection(), s.selection) << "after key " << s.key;
    }
    EXPECT_FALSE(b.doubleClicked());
    EXPECT_TRUE(b.key(13, 0)); // Enter on a selection is an action
    EXPECT_TRUE(b.doubleClicked());
}

TEST_F(ListBoxTest, ListsOfNoneAndOneItemAndASelectionKeptAcrossAShorterList)
{
    AbstractListBox& empty = box("");
    for (int32_t k : {int32_t('a'), key_code::Down, key_code::End, 13})
        EXPECT_FALSE(empty.key(k, 0));
    EXPECT_FALSE(empty.track(30, 30, 0, 2));
    EXPECT_EQ(empty.selection(), -1);
    EXPECT_EQ(perform("canActivate").asInt(), 0);

    AbstractListBox& one = box(R"("abacate")");
    one.key('a', 0);
    EXPECT_EQ(one.selection(), -1); // one item: the letter search does nothing
    one.key(key_code::Down, 0);
    EXPECT_EQ(one.selection(), 0);

    AbstractListBox& b = box(R"("a" "b" "c" "d" "e" "f")", R"(("SelectionIndex" 4))");
    EXPECT_EQ(b.selection(), 4);
    perform("setList", parseText(R"((list "x" "y" "z" "w" "v"))"));
    EXPECT_EQ(b.selection(), 4);
    perform("setList", parseText(R"((list "x" "y"))"));
    EXPECT_EQ(b.selection(), 1);
    EXPECT_EQ(textOf(perform("getSelectionStr")), "y");
    perform("deleteItem", Value::integer(-1));
    perform("deleteItem", Value::integer(2));
    EXPECT_EQ(b.itemCount(), 2);
    perform("deleteItem");
    EXPECT_EQ(b.itemCount(), 1);
    EXPECT_EQ(b.selection(), 0);
    EXPECT_EQ(perform("addItem", Value::string("q")).asInt(), 1);
}

TEST_F(ListBoxTest, CopyingAnAccentedItemPutsUtf8OnTheDesktopClipboard)
{
    // SDL keeps the desktop's clipboard itself under its dummy driver: what it holds is what a
    // desktop would have received.
    ASSERT_EQ(SDL_setenv("SDL_VIDEODRIVER", "dummy", 1), 0);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    platform::setHeadless(false);
    AbstractListBox& b = box("\"Cora\xe7\xe3o\" \"p\xe9\"", R"(("SelectionIndex" 0))");
    b.key('C', modifier::Ctrl);
    char* text = SDL_GetClipboardText();
    std::string copied = text ? text : "";
    SDL_free(text);
    platform::setHeadless(true);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    EXPECT_EQ(copied, "Cora\xc3\xa7\xc3\xa3o");
}

TEST_F(ListBoxTest, AHeldArrowStepsAtOnceAfter250MsThenEvery50UntilReleasedOrLeft)
{
    std::string items;
    for (int i = 0; i < 100; ++i)
        items += "\"item " + std::to_string(i) + "\" ";
    struct Case {
        uint32_t leaveAt, releaseAt;
        int32_t steps;
    } cases[] = {{0, 990, 16}, {420, 990, 5}, {0, 100, 1}};
    for (const Case& c : cases) {
        AbstractListBox& b = box(items, R"(("ScrollBarWidth" 16))");
        const platform::Rect down = b.scrollBar().layout().downArrow;
        ASSERT_FALSE(down.empty());
        const uint32_t start = clock().now();
        bool left = false, released = false;
        engine.events()->setIdleWork([&] {
            uint32_t t = clock().now() - start;
            if (c.leaveAt && !left && t >= c.leaveAt)
                left = true, engine.events()->post(pointerEvent(event_kind::MouseDrag, 0, 0));
            else if (!released && t >= c.releaseAt)
                released = true, engine.events()->post(pointerEvent(event_kind::MouseUp, 0, 0));
            return platform::NothingDue;
        });
        EXPECT_FALSE(b.track(down.left + 2, down.top + 2, 0, 1));
        EXPECT_EQ(b.topIndex(), c.steps) << "released at " << c.releaseAt;
        EXPECT_FALSE(engine.frameworkTimer()->active());
    }
}

TEST_F(ListBoxTest, TheThumbFollowsADragAndAHeldTrackPagesUntilTheThumbReachesThePointer)
{
    std::string items;
    for (int i = 0; i < 100; ++i)
        items += std::to_string(i) + " ";
    AbstractListBox& b = box(items, R"(("ScrollBarWidth" 16) ("SelectionIndex" 7))");
    const ListScrollBar& bar = b.scrollBar();
    const int32_t last = 100 - b.visibleLines(), x = bar.layout().bar.left + 4, pointer = 70;
    host.feed({pointerEvent(event_kind::MouseDrag, x, 60), pointerEvent(event_kind::MouseDrag, x, 400),
               pointerEvent(event_kind::MouseUp, x, 400)});
    b.track(x, bar.thumbTop(0, 100, b.visibleLines()) + 2, 0, 1);
    EXPECT_EQ(b.topIndex(), last);
    b.perform(Value::string("setSelection"), Value::integer(0));
    ASSERT_EQ(b.topIndex(), 0);
    const uint32_t start = clock().now();
    engine.events()->setIdleWork([&] {
        if (clock().now() - start >= 2000)
            engine.events()->post(pointerEvent(event_kind::MouseUp, x, pointer));
        return platform::NothingDue;
    });
    b.track(x, pointer, 0, 1);
    const int32_t thumbHeight = bar.layout().thumbHeight;
    EXPECT_GT(bar.thumbTop(b.topIndex(), 100, b.visibleLines()) + thumbHeight, pointer);
    EXPECT_LE(bar.thumbTop(b.topIndex() - b.visibleLines(), 100, b.visibleLines()) + thumbHeight, pointer);
    EXPECT_EQ(b.selection(), 0); // scrolling leaves the selection alone
}

TEST_F(ListBoxTest, BadInputNeverDividesByZeroReadsOutsideOrLoops)
{
    const std::string items = R"((list 1 2) (table ("a" 1)) nil "zeta" 3.5)";
    for (const char* spot : {"(rect 20 20 0 0)", "(rect 20 20 -50 -40)", "(rect 20 20 5 1)"}) {
        control_ = read(std::string("(control (\"Class\" \"MultiListBox\") (\"Hot Spot\" ") + spot +
                        ") (\"LineSpacing\" -500) (\"ScrollBarWidth\" 16) (\"List\" (list " + items + ")))");
        auto& b = *dynamic_cast<AbstractListBox*>(asControl(control_));
        b.draw();
        EXPECT_GE(b.lineHeight(), 1);
        b.key(key_code::PageDown, 0);
        b.key(key_code::PageDown, 0);
        EXPECT_EQ(b.selection(), 1) << spot; // a page moves by one line at least
        for (int32_t k : {'z', 'q'})
            b.key(k, 0);
        EXPECT_EQ(b.selection(), 3) << spot; // "zeta" found, then no item with q
        b.track(25, 25, 0, 1);
        b.track(219, 119, 0, 1);
        EXPECT_EQ(textOf(perform("getSelectionStr", Value::integer(3))), "zeta");
        EXPECT_TRUE(perform("getSelectionStr", Value::integer(99)).isNil());
        perform("setSelections", parseText("(list 1 0 1 1 1 1 1 1 1)"));
        EXPECT_EQ(asList(perform("getSelections"))->count(), 5);
    }
    AbstractListBox& b = box(items, "", "ListBox");
    b.key('v', 0);
    EXPECT_EQ(b.selection(), 2); // nil shows as its printed form, VEL_NIL
}

TEST_F(ListBoxTest, AMoveDrawnLineByLineOrScrolledAtScale3ShowsWhatAWholeDrawingShows)
{
    // Spacing -8: a line's rectangle reaches into the next one's text; case 3 is a MultiListBox; from 4 on
    // the list scrolls by less than a page (5 takes the selection out of view, its colour reaching below).
    const std::string bar = R"(("DrawBorder" true) ("ScrollBarWidth" 16) )";
    const std::tuple<std::string, int32_t, int32_t> cases[] = {
        {bar + R"(("SelectionIndex" 2))", key_code::Down, 0},
        {R"(("LineSpacing" -8) ("SelectionColor" 255) ("SelectionIndex" 4))", key_code::Down, 0},
        {R"(("TextTopMargin" 3) ("SelectionGap" 30) ("SelectionIndex" 3))", key_code::Home, 0},
        {bar + R"(("SelectionIndex" 2))", key_code::Down, 0}, {bar + R"(("SelectionIndex" 7))", key_code::Home, -2},
        {bar + R"(("TextTopMargin" 3))", 'm', 1}, {R"(("LineSpacing" -2) ("ScrollBarWidth" 12) ("SelectionIndex" 6))", key_code::Down, 1},
        {R"(("LineSpacing" -2) ("ScrollBarWidth" 12))", key_code::Up, -1}};
    engine.rescaleScreen(3);
    for (int i = 0; i < 8; ++i) {
        const auto& [more, key, shift] = cases[i];
        AbstractListBox& b = box(R"("amora" "Bacuri" "caju" "\xc1gua" "figo" "goiaba" "jambo" "lima" "manga")",
                                 R"(("BackgroundColor" 16777215) )" + more, i == 3 ? "MultiListBox" : "ListBox");
        if (i == 5 || i == 7) // the selection on the top line, lower in the list
            b.key(key_code::End, 0), perform("setSelection", Value::integer(2));
        b.activate();
        host.drawing().invalidateAll(); // shown whole: a scroll may move the frame's pixels too
        engine.updateScreen();
        const int32_t top = b.topIndex();
        b.key(key, 0);
        ASSERT_EQ(b.topIndex(), top + shift) << i;
        const platform::PixelView frame = host.drawing().frame().pixels();
        const std::vector<uint32_t> moved(frame.pixels, frame.pixels + frame.stride * frame.height);
        b.draw();
        engine.updateScreen();
        EXPECT_TRUE(std::equal(moved.begin(), moved.end(), frame.pixels)) << i;
    }
}

} // namespace
} // namespace vel
