#include "runtime/cursor.h"

#include <string>

#include "value/error.h"

namespace vel {

Value Cursor::make(CursorKind kind)
{
    return Value::adopt(Tag::Cursor, new Cursor(kind));
}

Value loadCursor(int32_t number)
{
    switch (number) {
    case Cursor::kArrow: return Cursor::make(CursorKind::Arrow);
    case Cursor::kIBeam: return Cursor::make(CursorKind::IBeam);
    case Cursor::kWait: return Cursor::make(CursorKind::Wait);
    case Cursor::kHand:
    case Cursor::kHandResource: return Cursor::make(CursorKind::Hand);
    default:
        velError("Cannot find cursor resource: " + std::to_string(number));
        return Value();
    }
}

Value cursorNamed(std::string_view name)
{
    if (name == "HandCursor")
        return Cursor::make(CursorKind::Hand);
    if (name == "WaitCursor")
        return Cursor::make(CursorKind::Wait);
    if (name == "IBeamCursor")
        return Cursor::make(CursorKind::IBeam);
    if (name == "ArrowCursor")
        return Cursor::make(CursorKind::Arrow);
    return Value();
}

} // namespace vel
