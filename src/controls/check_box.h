// CheckBox: a box image that shows the selected or deselected state, with a label beside it (a
// picture, "TextBitmap", or "Text" in "Font"), toggled by a click inside the hot spot. The layout
// is made at the first draw: the box at the hot spot's corner (or "SelectedX", "SelectedY"), the
// label in the rest of the hot spot, 5 pixels to the right of the box.
#pragma once

#include "controls/library_control.h"

namespace vel {

class CheckBox final : public velLibraryControl {
public:
    CheckBox(Engine& engine, const Value& properties);

    Value className() const override { return Value::string("CheckBox"); }
    Value createInstance(const Value& data) const override;
    // "IsSelected", "Select" (drawn) and "SelectDontDraw".
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    // True when the click toggled the box.
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

    bool selected() const { return selected_; }

private:
    void layout();
    // The screen under the box first: a masked box never lies over the other state's.
    void drawBox(bool selected);
    void drawLabel();

    bool initialised_ = false;
    bool selected_;
    platform::Rect spot_;
    FormPoint box_;
    platform::Rect label_;
    int format_ = 0;
    Value selectedImage_, deselectedImage_, mask_, labelImage_, font_;
    int32_t foreground_ = 0;
    int64_t background_ = -1;
    Value boxScreen_, labelScreen_;
};

} // namespace vel
