#include "runtime/input_translator.h"

#include <cstdlib>

#include "platform/message.h"
#include "runtime/caret.h"
#include "runtime/event_queue.h"

namespace vel {

namespace {

namespace vk = platform::vk;
constexpr int32_t KeyModifiers = modifier::Shift | modifier::Ctrl | modifier::Alt;
constexpr int32_t Buttons = modifier::LeftButton | modifier::RightButton;

// The code of a special key, or 0 for the keys whose characters come as character messages.
int32_t specialKeyCode(int virtualKey)
{
    if (virtualKey >= vk::F1 && virtualKey <= vk::F12)
        return key_code::F1 + (virtualKey - vk::F1) * key_code::Unit;
    switch (virtualKey) {
    case vk::Insert: return key_code::Insert;
    case vk::Delete: return key_code::Delete;
    case vk::Home: return key_code::Home;
    case vk::End: return key_code::End;
    case vk::Prior: return key_code::PageUp;
    case vk::Next: return key_code::PageDown;
    case vk::Left: return key_code::Left;
    case vk::Right: return key_code::Right;
    case vk::Up: return key_code::Up;
    case vk::Down: return key_code::Down;
    default: return 0;
    }
}

bool digitOrCapital(int virtualKey)
{
    return (virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z');
}

int32_t keyModifiersOf(uint32_t state)
{
    int32_t bits = 0;
    if (state & platform::keystate::Shift)
        bits |= modifier::Shift;
    if (state & platform::keystate::Control)
        bits |= modifier::Ctrl;
    if (state & platform::keystate::Alt)
        bits |= modifier::Alt;
    return bits;
}

} // namespace

InputTranslator::InputTranslator(EventQueue& queue, Caret* caret) : queue_(queue), caret_(caret)
{
    queue_.setInput(this);
}

InputTranslator::~InputTranslator()
{
    if (queue_.input() == this)
        queue_.setInput(nullptr);
}

void InputTranslator::stamp(EventRecord& event) const
{
    event.modifiers = modifiers_;
    event.x = x_;
    event.y = y_;
}

bool InputTranslator::translate(const platform::Message& message)
{
    using platform::MessageKind;
    switch (message.kind) {
    case MessageKind::KeyDown: keyDown(message); return true;
    case MessageKind::KeyUp: keyUp(message); return true;
    case MessageKind::Character: character(message); return true;
    case MessageKind::MouseMove: mouseMove(message); return true;
    case MessageKind::LeftDown: leftDown(message); return true;
    case MessageKind::LeftUp: leftUp(message); return true;
    case MessageKind::RightDown: modifiers_ |= modifier::RightButton; return true;
    case MessageKind::RightUp: modifiers_ &= ~modifier::RightButton; return true;
    case MessageKind::FocusGained:
        if (caret_)
            caret_->focusGained();
        post(event_kind::Activated, message.time, 0);
        return true;
    case MessageKind::FocusLost:
        if (caret_)
            caret_->focusLost();
        lastKey_ = 0;
        // Key releases after this go to another window; held modifiers would otherwise stick.
        modifiers_ &= ~KeyModifiers;
        post(event_kind::Deactivated, message.time, 0);
        return true;
    case MessageKind::CloseRequest: {
        EventRecord event;
        event.kind = event_kind::CloseRequest;
        event.time = static_cast<int32_t>(message.time);
        stamp(event);
        queue_.postCloseRequest(event);
        return true;
    }
    default:
        return false;
    }
}

void InputTranslator::post(int32_t kind, uint32_t time, int32_t detail)
{
    EventRecord event;
    event.kind = kind;
    event.time = static_cast<int32_t>(time);
    stamp(event);
    event.detail = detail;
    queue_.post(event);
}

void InputTranslator::keyDown(const platform::Message& message)
{
    const int key = message.virtualKey;
    modifiers_ = (modifiers_ & Buttons) | keyModifiersOf(message.state);
    lastKey_ = key;
    switch (key) {
    case vk::Shift: modifiers_ |= modifier::Shift; return;
    case vk::Control: modifiers_ |= modifier::Ctrl; return;
    case vk::Menu: modifiers_ |= modifier::Alt; return;
    default: break;
    }
    if (int32_t code = specialKeyCode(key)) {
        post(event_kind::KeyDown, message.time, code);
        return;
    }
    if ((modifiers_ & (modifier::Ctrl | modifier::Alt)) && digitOrCapital(key))
        post(event_kind::KeyDown, message.time, key);
}

void InputTranslator::character(const platform::Message& message)
{
    if (modifiers_ & modifier::Alt)
        return;
    const int32_t code = message.character & 0xFF;
    if (code == 0)
        return;
    pendingKey_ = code;
    post(event_kind::KeyDown, message.time, code);
}

void InputTranslator::keyUp(const platform::Message& message)
{
    switch (message.virtualKey) {
    case vk::Shift: modifiers_ &= ~modifier::Shift; return;
    case vk::Control: modifiers_ &= ~modifier::Ctrl; return;
    case vk::Menu:
        modifiers_ &= ~modifier::Alt;
        if (lastKey_ == vk::Menu)
            post(event_kind::KeyUp, message.time, key_code::AltAlone);
        return;
    default: break;
    }
    if (pendingKey_) {
        post(event_kind::KeyUp, message.time, pendingKey_);
        pendingKey_ = 0;
    }
}

void InputTranslator::mouseMove(const platform::Message& message)
{
    if (pointerKnown_ && message.x == x_ && message.y == y_)
        return;
    pointerKnown_ = true;
    x_ = message.x;
    y_ = message.y;
    if (modifiers_ & Buttons) {
        captured_ = true;
        post(event_kind::MouseDrag, message.time, 0);
    } else {
        post(event_kind::MouseOver, message.time, 0);
    }
}

void InputTranslator::leftDown(const platform::Message& message)
{
    modifiers_ |= modifier::LeftButton;
    pointerKnown_ = true;
    x_ = message.x;
    y_ = message.y;
    auto near = [](int a, int b) { return std::llabs(static_cast<long long>(a) - b) <= DoubleClickDistance; };
    const bool again = pressedBefore_ && message.time - lastPressTime_ < DoubleClickMilliseconds &&
                       near(message.x, lastPressX_) && near(message.y, lastPressY_);
    clickCount_ = again ? clickCount_ + 1 : 1;
    post(event_kind::MouseDown, message.time, clickCount_);
    pressedBefore_ = true;
    lastPressTime_ = message.time;
    lastPressX_ = message.x;
    lastPressY_ = message.y;
    captured_ = true;
}

void InputTranslator::leftUp(const platform::Message& message)
{
    modifiers_ &= ~modifier::LeftButton;
    pointerKnown_ = true;
    x_ = message.x;
    y_ = message.y;
    if (captured_) {
        captured_ = false;
        post(event_kind::MouseUp, message.time, 0);
    }
}

} // namespace vel
