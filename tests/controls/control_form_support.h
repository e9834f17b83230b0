// Test support for controls that tell their form of changes while a press is held: a form that
// records each click it hears (the time and what the control then reads), and input fed at given
// times of the virtual clock.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "controls_test_support.h"
#include "value/builtins.h"

namespace vel::testing_support {

class ClickRecordingForm final : public velFormObject {
public:
    using velFormObject::velFormObject;
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(Tag::Form, new ClickRecordingForm(engine_, data));
    }
    Value className() const override { return Value::string("Registo"); }
    void controlClicked(const Value& control) override
    {
        Value v = velGet(control, Value::string("Value"));
        clicks.push_back({engine_.clock().now(), std::string(textOf(velGet(control, Value::string("Name")))),
                          v.is(Tag::Int) ? v.asInt() : 0});
    }
    struct Click {
        uint32_t time;
        std::string name;
        int32_t value;
    };
    std::vector<Click> clicks;
};

class ControlFormTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        engine.classes().add(Value::adopt(Tag::Form, new ClickRecordingForm(engine, Value())));
        // Each event arrives once the clock has reached its time and the code under test asks.
        engine.events()->setIdleWork([this] {
            if (timed_.empty())
                return platform::NothingDue;
            const uint32_t due = static_cast<uint32_t>(timed_.front().time);
            if (due <= clock().now()) {
                engine.events()->post(timed_.front());
                timed_.pop_front();
                return 0u;
            }
            return due - clock().now();
        });
    }
    // Opens a recording form of the given controls, written in the text notation.
    void openRecorded(const std::string& controls)
    {
        formValue = read("(form (\"Class\" \"Registo\") (\"Control List\" (list " + controls + ")))");
        host.setCurrentForm(formValue);
        form()->open(Value());
    }
    ClickRecordingForm* recorder() { return dynamic_cast<ClickRecordingForm*>(formValue.object()); }
    Value controlValue(const char* name) { return form()->findControl(Value::string(name)); }
    Value perform(const char* name, const char* action, const Value& data = Value())
    {
        return velPerform(controlValue(name), Value::string(action), data);
    }
    // A pointer event (or, given a key, a key event) that arrives `after` milliseconds from now.
    void feedAfter(uint32_t after, int32_t kind, int32_t x, int32_t y, int32_t key = 0)
    {
        EventRecord e = pointerEvent(kind, x, y);
        if (key)
            e.detail = key;
        e.time = static_cast<int32_t>(clock().now() + after);
        timed_.push_back(e);
    }
    // A press at (x, y) through the form, followed until the fed release.
    void pressHeld(int32_t x, int32_t y) { form()->onMouseDown(pointerEvent(event_kind::MouseDown, x, y)); }

private:
    std::deque<EventRecord> timed_;
};

} // namespace vel::testing_support
