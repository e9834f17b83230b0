// The drop-down controls: `ComboBox` (a choice from "List", shown in its text part, with a button
// that drops the list under it) and `ComboEdit` (the same with an edit field as its text part).
// The dropped list is drawn over the form and holds the mouse and the keys until it closes: rows
// light under the pointer, a press on a row chooses it, a held arrow or track repeats, a press
// anywhere else closes the list. A choice tells the form (the control is clicked), which reads it
// with "getSelection" or "getSelectionStr". The list's scroll bar takes the list boxes' keys, its
// rectangles and arrow positions measured from the dropped list's top-left corner; the highlighted
// row shows "SelectionImage" when given.
//
// Geometry: "Hot Spot" is the whole control; "EditHotSpot" the text part (default: the hot spot
// less the button); the button is "DropButtonWidth" wide (default 16) at "DropButtonX",
// "DropButtonY" (default: the hot spot's right end); the list shows "MaxItems" rows (default 8) of
// "LineSpacing" pixels under the control, or above it when there is no room below.
#pragma once

#include <string>
#include <vector>

#include "controls/popup_list.h"
#include "controls/text_field.h"
#include "controls/library_control.h"

namespace vel {

// What both drop-down controls share: the list, the selection, the button and the dropped list.
class DropDownControl : public velLibraryControl {
public:
    DropDownControl(Engine& engine, const Value& properties);

    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    void deactivate() override;
    bool key(int32_t keyCode, int32_t flags) override;
    bool containsPoint(int32_t x, int32_t y) const override;
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

    int selection() const { return selection_; }
    bool isDown() const { return list_.shown(); }
    void drop();
    void closeUp();
    // The items' texts: strings as they are, other values in their printed form.
    std::vector<std::string> itemTexts() const;
    platform::Rect editRect() const;

protected:
    // Makes the row the selection and shows it; `chosen` when the user picked it.
    virtual void select(int row, bool chosen);
    virtual void drawTextPart();
    // A press in the text part while the list is closed; true when it was a click.
    virtual bool trackTextPart(int32_t x, int32_t y, int32_t flags, int32_t clicks);
    void drawButton(bool pressed);
    platform::Rect buttonRect() const;
    // The hot spot less its border, when one is drawn.
    platform::Rect insideBorder() const;
    int32_t color(const char* key, int32_t fallback) const;

    int selection_ = -1;

private:
    enum class Press { Chosen, Closed, Stays };
    // The press that dropped the list, then the open list; true when a row was chosen.
    bool followDrop();
    bool whileOpen();
    // A press in (or outside) the open list, followed until released.
    Press pressInList(int32_t x, int32_t y);
    // Lights the rows under the dragged pointer; the row under the release (-1: none).
    int followRows(bool& released);
    void lightRowAt(int32_t x, int32_t y);
    // An arrow or the track held: a step at once, then on the framework timer ("InitialRepeat",
    // then "RepeatRate" milliseconds) while the pointer stays on it.
    void scrollWithRepeat(PopupList::Part part, int32_t x, int32_t y);
    // The list-box keys of the dropped list's scroll bar, placed for a list at `box`.
    ListScrollBar::Layout scrollBarLayout(const platform::Rect& box, ListScrollBar::Images& images) const;
    void showList();
    // Moves the selection (closed) or the highlight (dropped) by a key; false when not a move.
    bool moveByKey(int32_t keyCode);
    void redraw();

    PopupList list_;
    Value savedBackground_; // the screen under the control, with "SaveBackground"
};

class ComboBox final : public DropDownControl {
public:
    using DropDownControl::DropDownControl;
    Value className() const override;
    Value createInstance(const Value& data) const override;
};

class ComboEdit final : public DropDownControl {
public:
    ComboEdit(Engine& engine, const Value& properties);
    Value className() const override;
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    void activate() override;
    void deactivate() override;
    bool key(int32_t keyCode, int32_t flags) override;
    Value cursorAt(int32_t x, int32_t y) const override;

protected:
    void select(int row, bool chosen) override;
    void drawTextPart() override;
    bool trackTextPart(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

private:
    // The edit part, over this control's own properties ("StringValue" among them).
    Value editorValue_;
    TextField* editor_ = nullptr;
};


} // namespace vel
