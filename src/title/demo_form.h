// DemoForm: the demo disc's screens until the title's own exist. It is the library's form (tips,
// Tab order, narration, back and forward) with these control actions, each taking the control's
// "Media": "PlaySound" and "PlayMusic" play it, "PlayMovie" shows and plays it in the middle of the
// screen, "OpenDialog" runs the dialog form it names, and "Print" prints the screen as it is drawn.
// A check box's "Show" shows or hides the group of controls it names, and its "Setting" switches
// the environment setting it names (and shows the setting as it stands whenever the form opens).
// The control that has the focus (from Tab) is framed, and Enter presses it; F1 opens the help.
// A text view whose action is "HotText" follows the hot text clicked in it (a dialog to open, a
// form to go to, or a marker to show); "PrintText" prints the text view that "Media" names, under
// the control's "Title".
// Escape ends the program. Controls without one of these actions behave as on any form.
#pragma once

#include "controls/library_form.h"

namespace vel {

class DemoForm final : public velLibraryForm {
public:
    DemoForm(Engine& engine, const Value& properties) : velLibraryForm(engine, properties) {}

    Value className() const override { return Value::string("DemoForm"); }
    Value createInstance(const Value& data) const override;
    void buildControls() override;
    void controlClicked(const Value& control) override;
    void close() override;
    void keyDown(int32_t keyCode, int32_t flags) override;
    void setActiveControl(const Value& control, int32_t flag) override;
    // A movie that has ended is closed, so the screen under it shows again.
    void dataEvent(const Value& first, const Value& second) override;

private:
    void printScreen();
    // The frame around the focused control: drawn over a saved copy of the screen, which goes back.
    void markFocus();
    void unmarkFocus();
    void followHotText(const Value& view);
    void printText(const Value& view, const Value& title);
    // The action "ShowState": the control's state (a table's chosen row, a menu's result, a
    // drop-down list's chosen text, an edit field's text, a slider's range, a scroller's value),
    // after its "Caption", goes into the text control its "Label" names.
    void showState(const Value& control);

    // What plays is kept alive until it is replaced or the form closes.
    Value sound_;
    Value movie_;
    Value focusSaved_;
    int32_t focusX_ = 0, focusY_ = 0;
};

// Enters DemoForm in the engine's class registry.
void registerDemoForm(Engine& engine);

} // namespace vel
