// Turns the window system's messages into event records the way the application window's procedure
// does: key codes, modifier bits, click counting and mouse capture.
#pragma once

#include <cstdint>

#include "runtime/event.h"

namespace vel {

namespace platform {
struct Message;
}

class EventQueue;
class Caret;

class InputTranslator {
public:
    // The platform's double-click time and distance; SDL has no setting for them, so these are the
    // usual desktop defaults.
    static constexpr uint32_t DoubleClickMilliseconds = 500;
    static constexpr int DoubleClickDistance = 4;

    InputTranslator(EventQueue& queue, Caret* caret = nullptr);
    ~InputTranslator();
    InputTranslator(const InputTranslator&) = delete;
    InputTranslator& operator=(const InputTranslator&) = delete;

    // Posts what the message means; false for messages that are not input (paint, quit), which the
    // window handles itself.
    bool translate(const platform::Message& message);

    int32_t modifiers() const { return modifiers_; }
    bool captured() const { return captured_; }
    // Fills an event's modifier bits and pointer position with the current ones.
    void stamp(EventRecord& event) const;

private:
    void post(int32_t kind, uint32_t time, int32_t detail);
    void keyDown(const platform::Message& message);
    void keyUp(const platform::Message& message);
    void character(const platform::Message& message);
    void mouseMove(const platform::Message& message);
    void leftDown(const platform::Message& message);
    void leftUp(const platform::Message& message);

    EventQueue& queue_;
    Caret* caret_;
    int32_t modifiers_ = 0;
    int lastKey_ = 0;        // virtual key of the last key pressed
    int32_t pendingKey_ = 0; // the code its key up reports
    bool pointerKnown_ = false;
    int x_ = 0, y_ = 0;
    bool pressedBefore_ = false;
    uint32_t lastPressTime_ = 0;
    int lastPressX_ = 0, lastPressY_ = 0;
    int32_t clickCount_ = 0;
    bool captured_ = false;
};

} // namespace vel
