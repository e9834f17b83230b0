// RadioButton: one of a set of choices. A selected radio button is disabled and takes no clicks
// until another one of its "RadioGroup" is chosen; a click on a deselected one selects it and tells
// the group, which deselects the others. All its images are drawn at ("SelectedX", "SelectedY"),
// the hot spot's corner by default; without "DeselectedImage" the deselected look is the screen
// under it.
#pragma once

#include "controls/library_control.h"

namespace vel {

class RadioButton final : public velLibraryControl {
public:
    RadioButton(Engine& engine, const Value& properties);

    Value className() const override { return Value::string("RadioButton"); }
    Value createInstance(const Value& data) const override;
    // "IsSelected", "Select" and "Disable".
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    // A selected radio button is not there for the mouse.
    bool containsPoint(int32_t x, int32_t y) const override;
    // The new selected flag.
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

    bool selected() const { return selected_; }
    // Stores the flag and, when it changes, the matching "Disabled"; redraws once drawn before.
    void applySelected(bool selected);

private:
    void initialise();
    void drawLook(bool selected);

    bool initialised_ = false;
    bool selected_;
    platform::Rect imageRect_;
    FormPoint at_;
    Value screen_;
};

} // namespace vel
