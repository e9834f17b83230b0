// The event record: the unit of the event queue and of every handler.
#pragma once

#include <cstdint>

#include "value/value.h"

namespace vel {

namespace event_kind {
constexpr int32_t Null = 0, StartUp = 1, CloseRequest = 2, Activated = 4, Deactivated = 8, MouseOver = 16,
                  MouseDown = 32, MouseDrag = 64, MouseUp = 128, KeyDown = 256, KeyUp = 512, Timer = 1024,
                  Reserved = 2048, ObjectMessage = 4096, MediaNotification = 8192, NativeMessage = 32768;
constexpr int32_t All = -1;
} // namespace event_kind

// Modifier bits of the record.
namespace modifier {
constexpr int32_t Shift = 1, Ctrl = 2, Alt = 4, LeftButton = 8, RightButton = 16;
}

// Special keys' codes are multiples of 65536, so they never collide with characters.
namespace key_code {
constexpr int32_t Unit = 65536;
constexpr int32_t F1 = Unit * 1, F12 = Unit * 12, Insert = Unit * 13, Delete = Unit * 14, Home = Unit * 15,
                  End = Unit * 16, PageUp = Unit * 18, PageDown = Unit * 19, Left = Unit * 20, Right = Unit * 21,
                  Up = Unit * 22, Down = Unit * 23, AltAlone = Unit * 24;
} // namespace key_code

struct EventRecord {
    int32_t kind = event_kind::Null;
    int32_t time = 0;
    int32_t modifiers = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t detail = 0; // key code, or the click count of a mouse down
    Value value1;
    Value value2;
};

} // namespace vel
