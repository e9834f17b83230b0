// What the scrollers, sliders, static texts and tables share when their data gives no pictures:
// bevelled faces, arrows and colours, and the small readings of properties and action data that
// must never report an error for a value of another type.
#pragma once

#include <functional>

#include <cstdint>
#include <string_view>

#include "platform/pixels.h"
#include "value/value.h"

namespace vel {

class DrawingSurface;
class Engine;
struct EventRecord;

// A colour reference as the data writes it: red in the low byte.
constexpr int32_t colorRef(int r, int g, int b) { return r | (g << 8) | (b << 16); }

// Whether the action is the string name.
bool isAction(const Value& action, std::string_view name);

// An integer from an action's data: an integer or a float as it is, or the first item of a list
// (actions that take an index and a value). False for anything else.
bool integerOf(const Value& data, int32_t& out);
// The item at index i of a list given as action data; nil when there is none.
Value dataItem(const Value& data, int32_t i);

// A number from data (an integer, or a float cut to one), or the default for anything else.
int32_t numberOr(const Value& v, int32_t defaultValue);

// For a press being followed: the next event of the kinds in mask, its point (x, y) turned into the
// current form's coordinates. False when the program is closing.
bool nextPressEvent(Engine& engine, int32_t mask, EventRecord& event);
// A press held on a part that repeats (a scroll arrow, a track), followed until released: `dragged`
// hears each move of the pointer (form coordinates); `repeat` runs once the framework timer has
// waited `initialRepeat` milliseconds and then every `repeatRate`. The timer ends with the press.
void followRepeatingPress(Engine& engine, int32_t initialRepeat, int32_t repeatRate,
                          const std::function<void(int32_t x, int32_t y)>& dragged,
                          const std::function<void()>& repeat);

// A raised face (light top-left edge, dark bottom-right edge) or, pressed, a sunken one.
void drawBevel(DrawingSurface& surface, const platform::Rect& r, int32_t face, bool pressed);

// The screen under a control, kept from its first drawing so that each redraw starts from it (the
// control draws over a form's picture it does not know).
class SavedBackground {
public:
    // Keeps the area (form coordinates) the first time; later calls keep what was saved.
    void saveOnce(DrawingSurface& surface, const platform::Rect& area);
    // Draws the saved area back where it was taken.
    void restore(DrawingSurface& surface) const;
    // Draws back only the part of the saved area inside r (form coordinates).
    void restore(DrawingSurface& surface, const platform::Rect& r) const;
    bool saved() const { return !image_.isNil(); }
    void forget() { image_ = Value(); }

private:
    Value image_;
    platform::Rect area_;
};

enum class ArrowDirection { Up, Down, Left, Right };
// A filled arrow head centred in the rectangle, as large as it allows.
void drawArrow(DrawingSurface& surface, const platform::Rect& r, ArrowDirection direction, int32_t color);

} // namespace vel
