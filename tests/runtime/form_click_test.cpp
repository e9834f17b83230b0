// The mouse and keyboard protocol between a form and its controls: which control a press reaches,
// the tracking loop that decides whether it was a click, the capture flag, rollover and keys.
#include <gtest/gtest.h>

#include <optional>

#include "form_test_support.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {
namespace {

using testing_support::FormTest;
using testing_support::keyEvent;
using testing_support::pointerEvent;

// A control that writes down what the form and the tracking loop ask of it.
class LoggingControl final : public velControlObject {
public:
    LoggingControl(Engine& engine, const Value& data, std::string* log) : velControlObject(engine, data), log_(log) {}
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(Tag::Control, new LoggingControl(engine_, data, log_));
    }
    Value className() const override { return Value::string("Registo"); }
    void draw() override { note("draw"); }
    void drawPressed() override { note("pressed"); }
    void trackBegin() override { note("begin"); }
    void trackChanged() override { note("changed"); }
    void trackEnd() override { note("end"); }
    bool key(int32_t code, int32_t) override { return note("key"), code == 13; }
    Value mouseEnter(int32_t x, int32_t y) override { return note("enter"), Value::integer(x * 1000 + y); }
    void mouseLeave(const Value& state, int32_t, int32_t) override { note("leave " + std::to_string(state.asInt())); }

private:
    void note(const std::string& what) { *log_ += std::string(textOf(property("Name"))) + ":" + what + " "; }
    std::string* log_;
};

// A form that counts its clicks instead of going anywhere.
class ClickCountingForm final : public velFormObject {
public:
    using velFormObject::velFormObject;
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(Tag::Form, new ClickCountingForm(engine_, data));
    }
    Value className() const override { return Value::string("Contador"); }
    void controlClicked(const Value& control) override { clicked.emplace_back(textOf(asControl(control)->property("Name"))); }
    std::vector<std::string> clicked;
};

using Point = std::pair<int, int>;

class FormClickTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        engine.classes().add(Value::adopt(Tag::Control, new LoggingControl(engine, Value(), &log)));
        engine.classes().add(Value::adopt(Tag::Form, new ClickCountingForm(engine, Value())));
        // Two overlapping buttons on a form whose origin is (100, 50).
        formValue = read("(form (\"Class\" \"Contador\") (\"Origin X\" 100) (\"Origin Y\" 50) (\"Control List\" (list "
                         "(control (\"Class\" \"Registo\") (\"Name\" \"A\") (\"Hot Spot\" (rect 0 0 100 50))) "
                         "(control (\"Class\" \"Registo\") (\"Name\" \"B\") (\"Hot Spot\" (rect 50 25 100 50))))))");
        host.setCurrentForm(formValue);
        form()->open(Value());
        log.clear();
    }
    ClickCountingForm* form() { return dynamic_cast<ClickCountingForm*>(formValue.object()); }
    Value control(const char* name) { return form()->findControl(Value::string(name)); }
    // A press at (x, y) on the surface with the moves and the release fed to the tracking loop.
    void press(int x, int y, const std::vector<Point>& moves = {}, std::optional<Point> release = {})
    {
        for (auto [mx, my] : moves)
            host.feed(pointerEvent(event_kind::MouseDrag, mx, my));
        Point up = release.value_or(Point{x, y});
        host.feed(pointerEvent(event_kind::MouseUp, up.first, up.second));
        form()->onMouseDown(pointerEvent(event_kind::MouseDown, x, y));
        EXPECT_TRUE(host.fedAll());
    }

    std::string log;
    Value formValue;
};

TEST_F(FormClickTest, TheLastPlaceThePointerWasBeforeTheReleaseDecidesTheClick)
{
    const struct {
        std::vector<Point> moves;
        Point release;
        bool clicked;
        const char* log;
    } cases[] = {
        {{}, {112, 62}, true, "A:begin A:pressed A:draw A:end "},
        {{{90, 60}, {80, 40}, {105, 55}}, {105, 55}, true,
         "A:begin A:pressed A:draw A:changed A:pressed A:changed A:draw A:end "},
        {{{300, 300}}, {300, 300}, false, "A:begin A:pressed A:draw A:changed A:end "},
        {{{300, 300}}, {110, 60}, false, "A:begin A:pressed A:draw A:changed A:end "}, // the release's place is not asked
    };
    for (const auto& c : cases) {
        form()->clicked.clear();
        log.clear();
        press(110, 60, c.moves, c.release);
        EXPECT_EQ(form()->clicked.size(), c.clicked ? 1u : 0u) << c.log;
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(form()->activeControl(), control("A")) << "the press activated it";
    }
    ASSERT_FALSE(host.cursors.empty());
    EXPECT_TRUE(host.cursors[0].isNil()) << "the arrow while outside";
}

TEST_F(FormClickTest, TheEarlierOfTwoOverlappingEnabledControlsTakesThePress)
{
    press(170, 90); // inside both A (100..199, 50..99) and B (150..249, 75..124)
    press(230, 110);
    EXPECT_EQ(form()->clicked, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(form()->activeControl(), control("B"));
    EXPECT_FALSE(asControl(control("A"))->isActive());
    form()->enableControl(control("A"), 0);
    press(170, 90);
    EXPECT_EQ(form()->clicked.back(), "B");
    log.clear();
    form()->onMouseDown(pointerEvent(event_kind::MouseDown, 5, 5));
    EXPECT_EQ(log, "") << "nothing there: nothing tracked";
}

TEST_F(FormClickTest, TheCaptureFlagSendsPressesToTheActiveControl)
{
    form()->setActiveControl(control("B"), 1);
    asControl(control("B"))->captureMouse(1);
    press(110, 60); // over A and outside B's hot spot
    EXPECT_EQ(form()->clicked, std::vector<std::string>{"B"});
    EXPECT_EQ(log.rfind("B:begin", 0), 0u) << log;
    asControl(control("B"))->captureMouse(0);
    press(110, 60);
    EXPECT_EQ(form()->clicked, (std::vector<std::string>{"B", "A"}));
}

TEST_F(FormClickTest, APressEndedByTheProgramClosingIsNoClick)
{
    EventRecord close;
    close.kind = event_kind::CloseRequest;
    host.feed(close);
    form()->onMouseDown(pointerEvent(event_kind::MouseDown, 110, 60));
    EXPECT_TRUE(form()->clicked.empty());
    EXPECT_EQ(host.events().next(event_kind::All, 0).kind, event_kind::CloseRequest) << "left for the main loop";
}

TEST_F(FormClickTest, RolloverEntersAndLeavesWithTheStateTheControlGave)
{
    config().putGlobal("Mao", Cursor::make(CursorKind::Hand));
    asControl(control("A"))->setProperty(Value::string("Cursor"), Value::string("Mao"));
    for (auto [x, y] : {Point{110, 60}, Point{120, 70}})
        form()->onMouseOver(pointerEvent(event_kind::MouseOver, x, y));
    EXPECT_EQ(form()->controlUnderPointer(), control("A"));
    EXPECT_EQ(log, "A:enter ");
    ASSERT_EQ(host.cursors.size(), 1u);
    EXPECT_EQ(cursorKindOf(host.cursors[0]), CursorKind::Hand);
    form()->onMouseOver(pointerEvent(event_kind::MouseOver, 230, 110));
    EXPECT_EQ(log, "A:enter A:leave 10010 B:enter ") << "A gets back what it gave on entering at (10, 10)";
    form()->onMouseOver(pointerEvent(event_kind::MouseOver, 600, 400));
    EXPECT_TRUE(form()->controlUnderPointer().isNil());
    EXPECT_TRUE(host.cursors.back().isNil()) << "the default cursor again";
}

TEST_F(FormClickTest, AKeyTheActiveControlTakesAndTheTrackActionAreClicks)
{
    form()->onKeyDown(keyEvent(13));
    EXPECT_TRUE(form()->clicked.empty()) << "no active control";
    form()->setActiveControl(control("B"), 1);
    form()->onKeyDown(keyEvent('x'));
    EXPECT_TRUE(form()->clicked.empty());
    form()->onKeyDown(keyEvent(13));
    EXPECT_EQ(form()->clicked, std::vector<std::string>{"B"});
    EXPECT_EQ(velPerform(control("B"), Value::string("Key"), read("(list 13 0)")), Value::boolean(1));

    host.feed(pointerEvent(event_kind::MouseUp, 110, 60));
    EXPECT_EQ(velPerform(control("A"), Value::string("Track"), read("(list 10 10 0 1)")), Value::boolean(1));
    host.feed(pointerEvent(event_kind::MouseDrag, 0, 0));
    host.feed(pointerEvent(event_kind::MouseUp, 0, 0));
    EXPECT_EQ(velPerform(control("A"), Value::string("Track"), read("(list 10 10 0 1)")), Value::boolean(0));
}

} // namespace
} // namespace vel
