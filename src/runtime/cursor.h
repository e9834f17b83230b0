// Cursors (tag 12): the standard arrow, I-beam and wait cursors, and the title's hand, by resource
// number or by resource name.
#pragma once

#include <cstdint>
#include <string_view>

#include "value/value.h"

namespace vel {

enum class CursorKind { Arrow, IBeam, Wait, Hand };

class Cursor final : public Object {
public:
    // The window system's numbers for its own cursors, and the program's hand cursor resource.
    static constexpr int32_t kArrow = 32512, kIBeam = 32513, kWait = 32514, kHand = 32649, kHandResource = 101;

    static Value make(CursorKind kind);
    CursorKind kind() const { return kind_; }

private:
    explicit Cursor(CursorKind kind) : kind_(kind) {}
    CursorKind kind_;
};

// "Cannot find cursor resource: N" for numbers that name no cursor; nil then.
Value loadCursor(int32_t resourceNumber);
// The cursor resource of that name ("HandCursor"), or nil.
Value cursorNamed(std::string_view name);
inline CursorKind cursorKindOf(const Value& cursor)
{
    return cursor.is(Tag::Cursor) ? cursor.as<Cursor>()->kind() : CursorKind::Arrow;
}

} // namespace vel
