// Button: a clickable picture with up, pressed and disabled appearances, each an image with an
// optional mask. The screen under all of them (the "ImageRect", or the smallest rectangle that
// holds the hot spot and every appearance) is kept at the first draw, so that each appearance is
// drawn over the screen as it was and hiding the button draws the screen back. "Redraw" keeps that
// screen again (after the form behind has changed) and draws.
#pragma once

#include "controls/library_control.h"

namespace vel {

class Button : public velLibraryControl {
public:
    Button(Engine& engine, const Value& properties);

    Value className() const override { return Value::string("Button"); }
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    // Follows the press with the pressed image; true when released inside.
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

    // Keeps the screen under the image rectangle.
    virtual void prepareImages();
    // Shows the pressed image for a moment, as a click from the keyboard.
    virtual void flash();

    // Where the pressed and disabled images go.
    FormPoint downPosition() const;
    FormPoint disabledPosition() const;
    // "ImageRect", or the hot spot grown to hold the pressed and disabled images.
    platform::Rect imageRect() const;

private:
    // The kept screen first, so that a masked image never lies over another.
    void drawState(std::string_view image, std::string_view mask, FormPoint at);
    void drawUp();
    void drawDown();

    bool needsPreparing_;
    platform::Rect imageRect_;
    Value background_;
};

} // namespace vel
