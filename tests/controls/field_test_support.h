// Test support for the text-entry and choice controls: a control made from its data in the text
// notation, and events fed to it while it follows the mouse or the keys, with a close request at the
// end of every feed so that a loop that waits for more can never hang a test.
#pragma once

#include <string>

#include "runtime/event_queue.h"
#include "runtime/form_test_support.h"

namespace vel::testing_support {

class FieldTest : public FormTest {
protected:
    template <class Control>
    Control& make(const std::string& data)
    {
        held = Value::adopt(Tag::Control, new Control(engine, read("(table " + data + ")")));
        return *static_cast<Control*>(held.object());
    }
    // Feeds the events, then a close request; runs the call; drops what is left.
    template <class Call>
    auto during(std::initializer_list<EventRecord> events, Call call)
    {
        host.feed(events);
        EventRecord close;
        close.kind = event_kind::CloseRequest;
        host.feed(close);
        auto result = call();
        while (!host.fedAll())
            host.events().next(event_kind::All, 0);
        host.events().discard(event_kind::All);
        return result;
    }
    static EventRecord key(int32_t code, int32_t modifiers = 0)
    {
        EventRecord e = keyEvent(code);
        e.modifiers = modifiers;
        return e;
    }
    static EventRecord at(int32_t kind, int32_t x, int32_t y) { return pointerEvent(kind, x, y); }
    static std::string textIn(const Value& v) { return std::string(textOf(v)); }

    Value held;
};

} // namespace vel::testing_support
