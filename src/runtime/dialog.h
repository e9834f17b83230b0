// `velDialogObject`: a form shown modally over the current screen. It saves what it covers, runs its
// own loop until it ends, and can be dragged by its `Drag Rect`.
#pragma once

#include <cstdint>

#include "runtime/form.h"

namespace vel {

class velDialogObject : public velFormObject {
public:
    velDialogObject(Engine& engine, const Value& properties);

    Value className() const override;
    Value createInstance(const Value& data) const override;
    void controlClicked(const Value& control) override;
    void open(const Value& data) override;
    void close() override;
    void mouseDown(int32_t x, int32_t y) override;
    void keyDown(int32_t keyCode, int32_t flags) override;
    void draw() override;

    // Slot 53: what the modal loop returns.
    virtual Value result();
    // Slot 54.
    virtual void end();
    // Slot 55: follows the pointer from a press at (x, y) until the button is released.
    virtual void drag(int32_t x, int32_t y);

    bool done() const { return done_ != 0; }
    // The form (or dialog) the dialog was opened over, while it runs.
    const Value& below() const { return below_; }
    void setBelow(const Value& form) { below_ = form; }
    // Draws the dialog again where it stands, saving what lies under it anew first (the screen
    // beneath was just drawn again at another scale).
    void redrawOverScreen();

private:
    // Draws the saved background back at the dialog's place.
    void restoreBackground();
    void saveBackground();

    Value savedBackground_;
    Value below_;
    int32_t savedOriginX_ = 0, savedOriginY_ = 0;
    int32_t done_ = 0;
    bool shown_ = false;
};

inline velDialogObject* asDialog(const Value& v)
{
    return v.is(Tag::Form) ? dynamic_cast<velDialogObject*>(v.object()) : nullptr;
}

// Opens the dialog over the engine's current form and takes events until it ends; its result.
Value runDialog(Engine& engine, const Value& specification, const Value& data);

// Draws the screen again: the surface's background and the current form's controls, then each dialog
// open over it, bottom up.
void redrawOpenForms(Engine& engine);

} // namespace vel
