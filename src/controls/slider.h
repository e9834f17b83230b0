// `Slider`: a horizontal or vertical bar with one thumb, or two ("Double") that choose a range. The
// positions live in the property table ("Low", and "High" for the second thumb); "Pos" is the first
// thumb's. A press on a thumb drags it; a press on the bar brings the nearer thumb there and drags it.
#pragma once

#include <cstdint>

#include "controls/plain_drawing.h"
#include "platform/pixels.h"
#include "controls/library_control.h"

namespace vel {

class Slider : public velLibraryControl {
public:
    Slider(Engine& engine, const Value& properties);

    Value className() const override;
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    // True when a thumb moved.
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

    enum class Thumb { None, Low, High };
    int32_t minimum() const;
    // Never below the minimum.
    int32_t maximum() const;
    int32_t low() const;
    // The first thumb's position in single mode.
    int32_t high() const;
    // A thumb's rectangle in form coordinates; empty without a hot spot.
    platform::Rect thumbRect(Thumb thumb) const;

private:
    bool vertical() const { return truth("Vertical", false); }
    bool isDouble() const { return truth("Double", false); }
    // Stores a thumb's position, kept in the range and, with two thumbs, in order.
    void place(Thumb thumb, int64_t position);
    int32_t thumbLength() const;
    // The position a thumb starting at that offset along the bar stands for.
    int64_t positionAt(int32_t offset) const;
    Thumb thumbFor(int32_t x, int32_t y) const;
    int32_t along(int32_t x, int32_t y) const { return vertical() ? y : x; }
    void redraw();

    Thumb dragging_ = Thumb::None;
    SavedBackground background_;
};

} // namespace vel
