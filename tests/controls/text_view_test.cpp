#include "controls/text_view.h"

#include <gtest/gtest.h>

#include "controls/control_library.h"
#include "runtime/cursor.h"
#include "runtime/form_test_support.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"

namespace vel {
namespace {

using testing_support::pointerEvent;

class TextViewTest : public testing_support::FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        registerControlLibrary(engine);
    }
    // A view at (20, 30), 200 x 100, over what the screen held; `scroll` adds a "Scroll" table.
    TextView& make(const std::string& rtf, const std::string& scroll = "")
    {
        std::string quoted;
        for (char c : rtf)
            quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
        view_ = read("(control (\"Class\" \"TextView\") (\"Hot Spot\" (rect 20 30 200 100)) (\"ForegroundColor\" 16777215) "
                     "(\"Text\" \"" + quoted + "\")" + (scroll.empty() ? "" : " (\"Scroll\" " + scroll + ")") + ")");
        auto* v = dynamic_cast<TextView*>(view_.object());
        v->onFormLoad();
        v->draw();
        return *v;
    }
    Value act(const char* action, const Value& data = Value()) { return velPerform(view_, Value::string(action), data); }
    std::vector<uint32_t> area(int x0, int y0, int x1, int y1)
    {
        std::vector<uint32_t> out;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                out.push_back(pixel(x, y));
        return out;
    }
    static std::string lines(int n)
    {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += "linha " + std::to_string(i) + "\\par ";
        return text;
    }
    Value view_;
};

TEST_F(TextViewTest, ScrollValueStaysWithinItsBounds)
{
    TextView& v = make(lines(40), "(table)");
    ASSERT_GT(v.scrollMaximum(), 5);
    const struct {
        const char* action;
        int32_t data, expected;
    } steps[] = {{"SetValue", 100000, v.scrollMaximum()}, {"SetValue", -5, 0}, {"LineDown", 0, 1}, {"LineUp", 0, 0},
                 {"LineUp", 0, 0}, {"End", 0, v.scrollMaximum()}, {"Home", 0, 0}};
    for (const auto& s : steps) {
        act(s.action, Value::integer(s.data));
        EXPECT_EQ(act("GetValue"), Value::integer(s.expected)) << s.action;
    }
    // A maximum set below the minimum: End stays at the minimum.
    make(lines(3), "(table (\"Min\" 4) (\"Max\" 2))");
    act("End");
    EXPECT_EQ(act("GetValue"), Value::integer(4));
}

// Text the rich text leaves uncoloured takes the view's "ForegroundColor", and the same text set
// again after the colour changed is drawn in the new one (the quiz colours an answer so).
TEST_F(TextViewTest, UncolouredTextTakesTheViewsColourWhenItChanges)
{
    make("{\\b\\fs48 MMMM}");
    const auto count = [&](uint32_t rgb) {
        int n = 0;
        for (uint32_t p : area(20, 30, 220, 130))
            n += p == rgb;
        return n;
    };
    for (const auto& [colorRef, rgb] : {std::pair{0x0000FF, 0xFF0000u}, {0xFF0000, 0x0000FFu}}) {
        velPut(view_, Value::string("ForegroundColor"), Value::integer(colorRef));
        act("SetText", Value::string("{\\b\\fs48 MMMM}"));
        act("Draw");
        EXPECT_GT(count(rgb), 10) << std::hex << colorRef;
        EXPECT_EQ(count(rgb == 0xFF0000u ? 0x0000FFu : 0xFF0000u), 0) << std::hex << colorRef;
    }
}

TEST_F(TextViewTest, PageBreaksMakePagesOnlyWithoutScrolling)
{
    make("a\\page b\\page c\\page d");
    EXPECT_EQ(act("TotalPages"), Value::integer(4));
    act("NextPage");
    act("NextPage");
    EXPECT_EQ(act("CurrentPage"), Value::integer(3));
    make("a\\page b\\page c\\page d", "(table)");
    EXPECT_EQ(act("TotalPages"), Value::integer(1));
}

// A line's scroll copies what stays and draws the new strip: the result is what a full redraw
// shows at that value.
TEST_F(TextViewTest, ScrollingByALineShowsWhatAFullDrawShows)
{
    TextView& v = make(lines(40), "(table)");
    for (const char* step : {"LineDown", "LineDown", "LineUp", "PageDown"}) {
        act(step);
        std::vector<uint32_t> scrolled = area(20, 30, 204, 130);
        v.draw();
        EXPECT_EQ(scrolled, area(20, 30, 204, 130)) << step;
    }
}

TEST_F(TextViewTest, APressOnHotTextBecomesTheContextAndMarkersAreFound)
{
    TextView& v = make("{\\uldb Sobre}!\\{dialog:sobre.frm\\} texto\\par " + lines(30) + "{\\uldb marker}!\\{m:fim\\}fim",
                       "(table)");
    Value spots = act("hotspotList");
    ASSERT_EQ(asList(spots)->count(), 1);
    const Region* r = asRegion(asList(asList(spots)->get(0))->get(0));
    host.feed(pointerEvent(event_kind::MouseUp, 0, 0));
    EXPECT_TRUE(v.track(20 + r->left + 2, 30 + r->top + 2, 0, 1));
    EXPECT_EQ(act("GetContext"), Value::string("dialog:sobre.frm"));
    host.feed(pointerEvent(event_kind::MouseUp, 0, 0));
    v.track(20 + r->right + 30, 30 + r->top + 2, 0, 1);
    EXPECT_EQ(act("GetContext"), Value());
    EXPECT_EQ(act("GotoMarker", Value::string("absent")), Value::integer(-1));
    EXPECT_EQ(act("GetValue"), Value::integer(0));
    EXPECT_GE(act("GotoMarker", Value::string("fim")).asInt(), 0);
    EXPECT_EQ(v.scrollValue(), v.scrollMaximum()); // the marker is near the end: as far as the view goes
}

// The form asks the view again as the pointer moves within it: the hand over hot text, the arrow off it.
TEST_F(TextViewTest, ThePointerIsTheHandOnlyOverHotText)
{
    Value form = read("(form (\"Control List\" (list (control (\"Class\" \"TextView\") (\"Hot Spot\" (rect 20 30 200 100)) "
                      "(\"Text\" \"{\\\\uldb Sobre}!\\\\{d:x\\\\} mais texto\")))))");
    host.setCurrentForm(form);
    asForm(form)->open(Value());
    Value spots = velPerform(asList(asForm(form)->property("Control List"))->get(0), Value::string("hotspotList"), Value());
    ASSERT_EQ(asList(spots)->count(), 1);
    const Region* r = asRegion(asList(asList(spots)->get(0))->get(0));
    const int32_t y = 30 + r->top + 2;
    for (int32_t x : {20 + r->right + 20, 20 + r->left + 1, 20 + r->left + 3, 20 + r->right + 20})
        asForm(form)->onMouseOver(pointerEvent(event_kind::MouseOver, x, y));
    std::vector<CursorKind> kinds;
    for (const Value& c : host.cursors)
        kinds.push_back(cursorKindOf(c));
    EXPECT_EQ(kinds, (std::vector<CursorKind>{CursorKind::Arrow, CursorKind::Hand, CursorKind::Arrow}));
}

TEST_F(TextViewTest, KeysAndTheScrollBarScroll)
{
    TextView& v = make(lines(40), "(table)");
    v.key(key_code::Down, 0);
    v.key(key_code::Down, 0);
    EXPECT_EQ(v.scrollValue(), 2);
    v.key(key_code::End, 0);
    EXPECT_EQ(v.scrollValue(), v.scrollMaximum());
    // The bar lies along the hot spot's right edge: up arrow at its top, down arrow at its foot.
    host.feed(pointerEvent(event_kind::MouseUp, 0, 0));
    EXPECT_FALSE(v.track(212, 35, 0, 1));
    EXPECT_EQ(v.scrollValue(), v.scrollMaximum() - 1);
    // Dragging the thumb to the top of the track.
    v.perform(Value::string("SetValue"), Value::integer(5));
    const int32_t thumbTop = 46 + (100 - 32 - 16) * 5 / v.scrollMaximum();
    host.feed({pointerEvent(event_kind::MouseDrag, 212, 0), pointerEvent(event_kind::MouseUp, 212, 0)});
    v.track(212, thumbTop + 2, 0, 1);
    EXPECT_EQ(v.scrollValue(), 0);
}

} // namespace
} // namespace vel
