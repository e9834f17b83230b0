// Scrollers and sliders on a form: the repeats of a held press on the virtual clock, the messages of
// incomplete data, the actions and the bad ranges, and the slider's geometry and thumbs.
#include <gtest/gtest.h>

#include "controls/scroller.h"
#include "controls/slider.h"
#include "control_form_support.h"
#include "runtime/framework_timer.h"
#include "runtime/image_test_support.h"

namespace vel::testing_support {
namespace {

// A vertical bar 200 high at (10, 10): buttons of 16 (up 10..25, down 194..209), track 26..193,
// knob of 10, values 0..1000.
const char* const kBar =
    "(control (\"Class\" \"Scroller\") (\"Name\" \"Bar\") (\"Hot Spot\" (rect 10 10 16 200)) (\"ButtHeight\" 16) "
    "(\"KnobHeight\" 10) (\"Min\" 0) (\"Max\" 1000) (\"PageInc\" 100))";

class ScrollerTest : public ControlFormTest {
protected:
    void SetUp() override
    {
        ControlFormTest::SetUp();
        openRecorded(std::string(kBar) + "(control (\"Class\" \"velControlObject\") (\"Name\" \"Other\") (\"Hot Spot\" (rect 300 0 10 10)))");
    }
    Scroller& bar() { return *&control<Scroller>("Bar"); }
    // The times (from the press) at which the value changed.
    std::vector<uint32_t> stepTimes(uint32_t start)
    {
        std::vector<uint32_t> times;
        int32_t last = -1;
        for (const auto& c : recorder()->clicks)
            if (c.value != last)
                times.push_back(c.time - start), last = c.value;
        return times;
    }
};

TEST_F(ScrollerTest, AHeldArrowStepsAtOnceThenAfterTheInitialDelayThenAtTheRateUntilReleasedOrLeft)
{
    std::vector<uint32_t> steady = {0, 250};
    for (uint32_t t = 300; t <= 1000; t += 50)
        steady.push_back(t);
    const struct {
        std::vector<std::pair<uint32_t, int>> moves; // time, y (off the button when 100)
        uint32_t release;
        std::vector<uint32_t> steps;
    } cases[] = {
        {{}, 1000, steady},
        {{{410, 100}, {710, 200}}, 910, {0, 250, 300, 350, 400, 750, 800, 850, 900}},
    };
    for (const auto& c : cases) {
        bar().perform(Value::string("SetValue"), Value::integer(0));
        recorder()->clicks.clear();
        const uint32_t start = clock().now();
        for (auto [at, y] : c.moves)
            feedAfter(at, event_kind::MouseDrag, 18, y);
        feedAfter(c.release, event_kind::MouseUp, 18, 200);
        pressHeld(18, 200);
        EXPECT_EQ(stepTimes(start), c.steps);
        EXPECT_FALSE(engine.frameworkTimer()->active()) << "no repeat outlives the press";
    }
}

TEST_F(ScrollerTest, TheKnobFollowsTheDragAndPagingStopsWhereTheKnobMeetsThePointer)
{
    feedAfter(10, event_kind::MouseDrag, 18, 31 + 79); // half the knob's travel of 158 pixels
    feedAfter(20, event_kind::MouseUp, 18, 110);
    pressHeld(18, 31);
    EXPECT_EQ(bar().value(), 500);
    feedAfter(2000, event_kind::MouseUp, 18, 190);
    pressHeld(18, 190);
    EXPECT_EQ(bar().value(), 1000);
    feedAfter(2000, event_kind::MouseUp, 18, 100);
    pressHeld(18, 100);
    EXPECT_EQ(bar().value(), 400) << "pages of 100 down to the pointer, and not past it";
}

TEST_F(ScrollerTest, ActionsKeepTheValueInTheRangeAndTellTheFormOfEachChangeAsTheScrollerItself)
{
    form()->setActiveControl(controlValue("Other"), 1);
    const struct {
        const char* action;
        int32_t data, value;
    } steps[] = {{"SetValue", 5000, 1000}, {"SetValue", -5, 0}, {"ScrollUp", 0, 0},  {"End", 0, 1000},
                 {"PageUp", 0, 900},       {"SetPageInc", 0, 900}, {"PageDown", 0, 900}, {"SetMin", 950, 950},
                 {"SetMax", 20, 950},      {"ScrollDown", 0, 950}, {"Home", 0, 950},      {"SetMax", INT32_MAX, 950},
                 {"End", 0, INT32_MAX},    {"ScrollDown", 0, INT32_MAX}};
    for (const auto& s : steps) {
        EXPECT_EQ(velIntValue(bar().perform(Value::string(s.action), Value::integer(s.data))), 1) << s.action;
        EXPECT_EQ(bar().value(), s.value) << s.action;
    }
    ASSERT_EQ(recorder()->clicks.size(), 6u) << "only changes are told";
    for (const auto& c : recorder()->clicks)
        EXPECT_EQ(c.name, "Bar");
    bar().perform(Value::string("SetMax"), Value::integer(20));
    EXPECT_EQ(velIntValue(bar().getProperty(Value::string("Max"))), 20) << "reads the bound as set";
    EXPECT_FALSE(bar().track(18, 200, 0, 1)) << "a bar of one value takes no press and waits for nothing";
}

TEST_F(ScrollerTest, IncompleteDataIsReportedPieceByPieceAndDegenerateBarsStillDraw)
{
    openRecorded("(control (\"Class\" \"Scroller\") (\"Name\" \"A\")) (control (\"Class\" \"Scroller\") (\"Name\" \"B\") "
         "(\"Hot Spot\" (rect 0 0 0 -5)) (\"UpImage\" 1) (\"KnobImage\" 1))");
    EXPECT_EQ(errors(), (std::vector<std::string>{
                            "You must specify Hot Spot in the table file.",
                            "You must specify either ButtHeight or UpImage and DownImage in the table file.",
                            "You must specify either KnobHeight or KnobImage in the table file.",
                            "You must specify either ButtHeight or UpImage and DownImage in the table file."}));
    for (const char* name : {"A", "B"}) {
        auto* s = &control<Scroller>(name);
        s->draw();
        EXPECT_TRUE(s->layout().knob.empty());
        EXPECT_FALSE(s->track(0, 0, 0, 1));
    }
    openRecorded(kBar);
    velControlObject* c = &control<Scroller>("Bar");
    c->setProperty(Value::string("ButtHeight"), Value::integer(0));
    c->setProperty(Value::string("ResizeToAccommodateImages"), Value::boolean(0));
    c->setProperty(Value::string("UpImage"), solidImage(16, 16, 0xFF0000));
    c->draw();
    EXPECT_NE(pixel(12, 23), 0xFF0000u) << "a button of no length shows none of its picture";
}

TEST_F(ScrollerTest, KeysStepAndTheScreenUnderTheBarComesBackWhenTheKnobMovesOrTheBarHides)
{
    using namespace key_code;
    const std::pair<int32_t, int32_t> keys[] = {{Down, 1}, {Right, 2}, {Up, 1}, {PageDown, 101},
                                                {End, 1000}, {PageDown, 1000}, {Home, 0}, {Left, 0}};
    for (auto [key, value] : keys) {
        EXPECT_FALSE(bar().key(key, 0)) << "the change is the bar's click, not the key's";
        EXPECT_EQ(bar().value(), value) << key;
    }
    EXPECT_EQ(recorder()->clicks.size(), 6u);

    std::string unfilled(kBar);
    host.drawing().fill({0, 0, 640, 480}, kScreen);
    openRecorded(unfilled.insert(unfilled.size() - 1, " (\"FillInside\" false)"));
    bar().draw();
    const uint32_t screen = kScreen;
    bar().perform(Value::string("SetValue"), Value::integer(440)); // the knob over y = 100
    EXPECT_NE(pixel(18, 100), screen);
    bar().perform(Value::string("SetValue"), Value::integer(0));
    EXPECT_EQ(pixel(18, 100), screen) << "the knob moved away leaves no trace";
    form()->showControl(controlValue("Bar"), 0);
    bar().draw();
    EXPECT_EQ(pixel(18, 30), screen) << "a hidden bar gives the screen back";
}

TEST_F(ControlFormTest, SliderThumbsSitByTheRangeStayInOrderAndFollowTheDrag)
{
    openRecorded("(control (\"Class\" \"Slider\") (\"Name\" \"S\") (\"Hot Spot\" (rect 0 0 110 20)) (\"Minimum\" 0) "
         "(\"Maximum\" 50) (\"Low\" 25))");
    auto* s = &control<Slider>("S");
    EXPECT_EQ(s->thumbRect(Slider::Thumb::Low).left, 50) << "25 of 50 along a travel of 100";
    perform("S", "SetMaximum", Value::integer(0));
    EXPECT_EQ(s->thumbRect(Slider::Thumb::Low).left, 0) << "a range of one value puts the thumb at the start";
    perform("S", "SetMaximum", Value::integer(100));
    perform("S", "SetDouble", Value::boolean(1));
    perform("S", "SetHigh", Value::integer(60));
    perform("S", "SetLow", Value::integer(80));
    EXPECT_EQ(velIntValue(perform("S", "GetLow")), 60) << "the low thumb stops at the high one";
    perform("S", "SetRange", Value::integer(500));
    EXPECT_EQ(velIntValue(perform("S", "GetHigh")), 100);
    feedAfter(10, event_kind::MouseDrag, 105, 10);
    feedAfter(20, event_kind::MouseUp, 105, 10);
    pressHeld(5, 10); // beside both thumbs, nearer the low one
    EXPECT_EQ(velIntValue(perform("S", "GetPos")), 100);
    EXPECT_EQ(velIntValue(perform("S", "GetRange")), 0);
    EXPECT_TRUE(isTrue(perform("S", "IsDouble")));
}

// A picture loaded from its file lives only as long as the value that holds it.
TEST_F(ControlFormTest, ASliderMeasuresAndDrawsPicturesLoadedFromFiles)
{
    useScratchMediaRoot();
    const image_test::Bytes thumb = image_test::encode(image_test::patterned(12, 20, 24), true);
    disc.write("Media/polegar.bmp", std::string(thumb.begin(), thumb.end()));
    disc.write("Media/barra.bmp", std::string(thumb.begin(), thumb.end()));
    openRecorded("(control (\"Class\" \"Slider\") (\"Name\" \"S\") (\"Hot Spot\" (rect 0 0 112 20)) "
                 "(\"ThumbImage\" \"polegar.bmp\") (\"BarImage\" \"barra.bmp\"))");
    control<Slider>("S").draw();
    EXPECT_EQ(control<Slider>("S").thumbRect(Slider::Thumb::Low).width(), 12);
}

} // namespace
} // namespace vel::testing_support
