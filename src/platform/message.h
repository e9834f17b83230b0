// What the window system delivers, in the shape of the messages the runtime was written for: key
// messages carry Windows virtual-key codes, character messages Windows-1252 character codes (with the
// control characters Enter, Escape, Tab, Backspace and Ctrl+letter produce), pointer positions are in
// media-area pixels. The SDL window and the script runner both produce these.
#pragma once

#include <cstdint>

namespace vel::platform {

enum class MessageKind {
    None,
    CloseRequest, // the user asked the window to close
    FocusGained,
    FocusLost,
    MouseMove,
    LeftDown,
    LeftUp,
    RightDown,
    RightUp,
    KeyDown,
    KeyUp,
    Character,
    Expose, // the window needs repainting
    Quit,   // the platform is ending the program
};

// Virtual-key codes as the window system reports them; letters and digits are their capital ASCII codes.
namespace vk {
constexpr int Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11, Menu = 0x12, Escape = 0x1B,
              Space = 0x20, Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24, Left = 0x25, Up = 0x26,
              Right = 0x27, Down = 0x28, Insert = 0x2D, Delete = 0x2E, F1 = 0x70, F12 = 0x7B;
}

// Keyboard and button state at the time of the message.
namespace keystate {
constexpr uint32_t Shift = 1, Control = 2, Alt = 4, LeftButton = 8, RightButton = 16;
}

struct Message {
    MessageKind kind = MessageKind::None;
    uint32_t time = 0;
    int x = 0, y = 0;
    int virtualKey = 0;   // key messages
    int character = 0;    // character messages, 1..255
    uint32_t state = 0;   // keystate bits
};

// A source of messages: the window, or a script standing in for a person.
class MessageSource {
public:
    virtual ~MessageSource() = default;
    // Takes the next message without waiting; false when there is none.
    virtual bool poll(Message& out) = 0;
    // Blocks until a message may be there or the milliseconds pass (-1: no limit).
    virtual void wait(int milliseconds) = 0;
};

} // namespace vel::platform
