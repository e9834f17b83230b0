// `TextField`: a single-line edit field that draws its own text, selection and caret. Its text is
// kept in "StringValue" (Windows-1252, as typed text arrives). What may be typed is limited by
// "Filter", "MaxLength", the numeric bounds "MinValue"/"MaxValue" and, unless "Scrollable", the
// field's width; a refused key or edit beeps and changes nothing. "Format" ("%ld" or "%lf" with
// printf flags) reformats the text as a number on "setText" and when the field is left, where the
// text is also brought inside the numeric bounds.
//
// `TextCombo` is the same field answering "isDuplicate" against its "List".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "controls/edit_text.h"
#include "controls/library_control.h"
#include "platform/pixels.h"

namespace vel {

class TextField : public velLibraryControl {
public:
    TextField(Engine& engine, const Value& properties);
    ~TextField() override;

    Value className() const override;
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    void activate() override;
    void deactivate() override;
    // Typed characters, Backspace, Delete, the arrows with Home and End (Shift extends the
    // selection), Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+V. True for Enter (the text then checked as on
    // leaving), and for every key taken when "NotifyOnEachKey" is set: the form is then told.
    bool key(int32_t keyCode, int32_t flags) override;
    // Places the caret at the press (Shift extends the selection, a double click selects all) and
    // follows the pointer until the button is released. Never a click.
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;
    Value cursor() const override;

    // The field's text, its caret and selection.
    const EditText& edit() const { return edit_; }
    // "setText": formatted with "Format", checked against the limits, all selected. False (with a
    // beep) when refused.
    bool setText(std::string_view text);
    // "replaceSel": the selection replaced when the result respects the limits.
    bool replaceSelection(std::string_view text);

protected:
    // What "Hot Spot" gives the field; a combo's edit part is given another area.
    virtual platform::Rect fieldRect() const;
    // The control the form makes active for this field; a combo's edit part answers its combo.
    virtual const velControlObject* focusHolder() const { return this; }
    // Stores the text in "StringValue" and shows it.
    void changed();

private:
    enum class Source { Typing, Paste, Program };
    // Whether the text may become `candidate` (beeping when not).
    bool accepts(const std::string& candidate, std::string_view inserted, Source source);
    bool insert(std::string_view text, Source source);
    // The text as a number when it should be brought inside the bounds or formatted on leaving.
    void applyLeavingRules();
    // Adopts "StringValue" when someone else has changed it.
    void syncFromProperty();
    void copySelection();
    // Caret position nearest to x in form coordinates.
    int positionAt(int x);
    // Where the text starts, after scrolling to keep the caret in view.
    int textLeft(const platform::Rect& inner, int textWidth, int caretOffset);
    platform::Rect innerRect() const;
    void redraw();
    // The caret's blink turned: the field drawn again in the new phase.
    void blinkCaret();

    EditText edit_;
    bool blinking_ = false;
    bool paintsCaret_ = false;
    int scroll_ = 0; // pixels of text hidden at the left
    bool synced_ = false;
};

class TextCombo final : public TextField {
public:
    using TextField::TextField;
    Value className() const override;
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
};


} // namespace vel
