// `Scroller`: a free-standing scroll bar (two buttons, a track and a knob) holding an integer value
// within a range. Holding a button or the track repeats on the framework timer; every change of the
// value is told to the form as a click of the scroller, so a form follows the bar by its clicks.
// Active, it takes the keys: the arrows step by one (Up and Left toward the minimum), Page Up and
// Page Down by the page, Home and End go to the ends. Without a "Background Image" it keeps the
// screen it first covered and draws from it, so a moved knob or a hidden bar leaves nothing behind.
#pragma once

#include <cstdint>

#include "controls/library_control.h"
#include "controls/plain_drawing.h"
#include "platform/pixels.h"

namespace vel {

class Scroller : public velLibraryControl {
public:
    Scroller(Engine& engine, const Value& properties);

    Value className() const override;
    Value createInstance(const Value& data) const override;
    // Checks the data, as the form builds its controls.
    void onFormLoad() override;
    // "Value", "Min" and "Max" read the bar's current state.
    Value getProperty(const Value& key) const override;
    void setProperty(const Value& key, const Value& value) override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    // The change is told to the form as the bar's own click; the key itself is never a click.
    bool key(int32_t keyCode, int32_t flags) override;
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

    int32_t value() const { return value_; }
    int32_t minimum() const { return min_; }
    // Never below the minimum: a bar whose data puts the maximum below it holds the one value.
    int32_t maximum() const { return max_ < min_ ? min_ : max_; }

    // The parts, in form coordinates.
    struct Layout {
        platform::Rect bar, up, down, track, knob;
        bool horizontal = false;
    };
    Layout layout() const;

private:
    enum class Part { None, Up, Down, Knob, PageUp, PageDown };

    // Sets the value, clamped; when it changed, redraws and tells the form. True when it changed.
    bool changeValue(int64_t wanted);
    // The data's "Value", "Min", "Max" or "PageInc" put into the state.
    void takeSetting(const Value& key, const Value& value);
    void notifyChange();
    void redraw();
    // One step, then repeats on the timer while the press holds on the part.
    void stepWithRepeat(Part part, int32_t x, int32_t y);
    void dragKnob(int32_t x, int32_t y);
    bool pointStillOn(Part part, int32_t x, int32_t y) const;
    int32_t stepOf(Part part) const;
    // A button's or the knob's length along the bar: its image's when images set it, or the data's.
    int32_t partLength(const char* imageKey, const char* lengthKey) const;
    int32_t along(int32_t x, int32_t y) const { return horizontal() ? x : y; }
    bool horizontal() const { return truth("Horizontal", false); }

    int32_t min_ = 0, max_ = 100, value_ = 0, pageInc_ = 10;
    bool dontDraw_ = false;
    Part held_ = Part::None;
    SavedBackground background_;
};

} // namespace vel
