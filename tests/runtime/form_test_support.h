// Test support for forms, dialogs and controls: an application stand-in with a drawing surface, an
// event queue fed one event at a time while the code under test waits for input, and the look-ups
// through the current form; forms and controls written in the text notation.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "config_test_support.h"
#include "platform/clock.h"
#include "runtime/control.h"
#include "runtime/cursor.h"
#include "runtime/dialog.h"
#include "runtime/event_queue.h"
#include "runtime/form.h"
#include "runtime/image_context.h"
#include "runtime/surface.h"
#include "value/makers.h"
#include "value/reader.h"
#include "value/string.h"

namespace vel::testing_support {

// What the application does for forms, kept small: events go to the current form as the
// application forwards them; a close request closes it and ends the program.
class TestFormHost final : public FormHost {
public:
    explicit TestFormHost(Engine& engine) : engine_(engine) {}

    // Each event waiting in the feed arrives only once the code under test asks for input, so that a
    // dialog's discard of earlier mouse events leaves them alone.
    void attach()
    {
        engine_.attach(this);
        engine_.events()->setIdleWork([this] {
            if (!feed_.empty())
                engine_.events()->post(feed_.front()), feed_.pop_front();
            return platform::NothingDue;
        });
    }

    Value currentForm() const { return engine_.currentForm(); }
    void setCurrentForm(const Value& form) { engine_.setCurrentForm(form); }
    int handleEvent(const EventRecord& e) override
    {
        auto* form = asForm(engine_.currentForm());
        if (!form)
            return 1;
        switch (e.kind) {
        case event_kind::CloseRequest: return form->onClose(), 0;
        case event_kind::MouseOver: return form->onMouseOver(e), 1;
        case event_kind::MouseDown: return form->onMouseDown(e), 1;
        case event_kind::MouseDrag: return form->onMouseDrag(e), 1;
        case event_kind::MouseUp: return form->onMouseUp(e), 1;
        case event_kind::KeyDown: return form->onKeyDown(e), 1;
        default: return 1;
        }
    }
    bool quitting() const { return engine_.quitting(); }
    void setCursor(const Value& cursor) override { cursors.push_back(cursor); }

    void feed(const EventRecord& e) { feed_.push_back(e); }
    void feed(std::initializer_list<EventRecord> events) { feed_.insert(feed_.end(), events); }
    bool fedAll() const { return feed_.empty(); }
    DrawingSurface& drawing() { return *engine_.surface(); }
    EventQueue& events() { return *engine_.events(); }

    std::vector<Value> cursors;

private:
    Engine& engine_;
    std::deque<EventRecord> feed_;
};

inline EventRecord pointerEvent(int32_t kind, int32_t x, int32_t y)
{
    EventRecord e;
    e.kind = kind, e.x = x, e.y = y, e.detail = kind == event_kind::MouseDown;
    return e;
}

inline EventRecord keyEvent(int32_t code)
{
    EventRecord e;
    e.kind = event_kind::KeyDown, e.detail = code;
    return e;
}

// A configured test whose engine has the host above.
class FormTest : public ConfiguredTest {
protected:
    void SetUp() override
    {
        ConfiguredTest::SetUp();
        clock().advance(1000);
        host.attach();
    }
    void TearDown() override
    {
        host.setCurrentForm(Value());
        engine.attach(nullptr);
        ConfiguredTest::TearDown();
    }

    static Value read(const std::string& text) { return parseText(text); }

    uint32_t pixel(int x, int y) { return host.drawing().offscreen().pixels().row(y)[x] & 0xFFFFFF; }
    uint32_t shownPixel(int x, int y) { return host.drawing().frame().pixels().row(y)[x] & 0xFFFFFF; }

    static Value solidImage(int32_t width, int32_t height, uint32_t rgb)
    {
        Value image = ContextImage::make(width, height);
        const platform::PixelView& view = asContextImage(image)->context().view();
        for (int y = 0; y < view.height; ++y)
            std::fill(view.row(y), view.row(y) + view.width, 0xFF000000u | rgb);
        return image;
    }

    TestFormHost host{engine};
};

// Records what go to form leaves behind.
class RecordingHistory final : public NavigationHistory {
public:
    void record(const Value& formName, const Value& state) override
    {
        names.emplace_back(textOf(formName));
        states.push_back(state);
    }
    std::vector<std::string> names;
    std::vector<Value> states;
};

} // namespace vel::testing_support
