// List boxes: a list of values shown one item a line, with a selection, keys to move it (arrows,
// Home, End, Page Up, Page Down, the first letter of an item), Ctrl+C to copy an item, an image
// scroll bar and click notifications to the form.
//
// `AbstractListBox` holds the whole behaviour and draws; `ListBox` adds "NotSelectable";
// `MultiListBox` keeps a selected flag per item, the selection being the current item. The look is
// read from the properties when the list is first drawn (or on "Initialize"); the items are the
// "List" property itself, so "getList" hands out the list the box shows.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "controls/library_control.h"
#include "controls/list_item_letters.h"
#include "controls/list_scroll_bar.h"

namespace vel {

class List;
class Engine;
class DrawingSurface;

class AbstractListBox : public velLibraryControl {
public:
    AbstractListBox(Engine& engine, const Value& properties);

    Value className() const override { return Value::string("AbstractListBox"); }
    Value createInstance(const Value& data) const override;
    void setProperty(const Value& key, const Value& value) override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    bool canActivate() const override;
    void activate() override;
    void deactivate() override;
    bool key(int32_t keyCode, int32_t flags) override;
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

    int32_t selection() const { return selection_; }
    int32_t topIndex() const { return top_; }
    int32_t visibleLines() const { return visible_; }
    int32_t lineHeight() const { return lineHeight_; }
    int32_t itemCount() const;
    bool doubleClicked() const { return doubleClicked_; }
    const ListScrollBar& scrollBar() const { return scrollBar_; }
    // Reads the look and the items from the properties.
    void initialise();

protected:
    // Whether item `index` is selected ("getSelectionState"), and whether it is drawn so.
    virtual bool isItemSelected(int32_t index) const;
    virtual bool showsSelected(int32_t index) const;
    // A click on an item; `MultiListBox` toggles its flag as well.
    virtual void clickItem(int32_t index);
    // A key's move to an item; `MultiListBox` moves the current item only.
    virtual void moveByKey(int32_t index);
    // Told when items came, went or were replaced, for per-item state.
    virtual void itemsReplaced() {}
    virtual void itemAppended() {}
    virtual void itemErased(int32_t) {}

    // Makes the index the selection (clamped to -1 .. count - 1), brings it into view and redraws;
    // flushes to the screen when asked. Nothing happens when it is the selection already.
    void selectIndex(int32_t index, bool flush);
    // Makes the index the current item and brings it into view, without redrawing.
    void setCurrent(int32_t index);
    void redraw(bool flush);
    // Shows a move of the selection (or current item) from `before`, the top having been `topBefore`:
    // only the two lines when the list did not scroll; when it scrolled by less than a page, the lines
    // that stay are moved and only those that come in are drawn; the whole list otherwise.
    void showMove(int32_t before, int32_t topBefore, bool flush);
    List* items() const;

    int32_t selection_ = -1;

private:
    // What the properties say, read at initialisation.
    struct Look {
        int32_t textTopMargin = 0, selectionGap = 0;
        int32_t background = -1, text = 1, selection = 0xFFFF00, selectionText = 0xFFFFFF, outline = 0x808080,
                border = 1;
        bool drawBorder = false, singleClickNotify = false, doubleClickNotify = true;
        int32_t initialRepeat = 250, repeatRate = 50;
    };

    void adoptItems(const Value& list);
    // Draws item `index`'s line at `y`; `within` cuts it further without moving its outline.
    void drawLine(DrawingSurface& surface, int32_t index, int y, const platform::Rect& within);
    // Draws again, as a whole drawing would leave them, the lines of `before` and of the selection and,
    // when the top moved from `topBefore`, what scrolling brings; false when only a whole drawing can
    // (a picture or the screen behind the list, a picture on the bar).
    bool redrawMove(int32_t before, int32_t topBefore);
    // Moves the lines that stay in view on the screen and adds the rows left to draw.
    bool scrollLines(int32_t topBefore, std::vector<platform::Rect>& rows);
    // The list inside its border, and the part of the rows from `top` to `bottom` that lines are
    // drawn in (short of the bar); none when the bar covers their left end.
    platform::Rect innerRect() const;
    std::optional<platform::Rect> rowsBetween(int top, int bottom) const;
    int32_t textWidth() const;
    bool allFit() const { return itemCount() <= visible_; }
    int32_t pageLines() const { return visible_ > 1 ? visible_ - 1 : 1; }
    void clampTop();
    platform::Rect listRect() const;
    void copySelection();
    bool searchLetter(unsigned char letter);
    Value deleteItem(const Value& data);
    void readScrollBar();
    // Follows a press on the scroll bar until the button is released.
    void trackScrollBar(ListScrollBar::Part part, int32_t x, int32_t y);
    void stepScroll(ListScrollBar::Part part, int32_t pointerY);

    bool initialised_ = false;
    bool initialising_ = false;
    int32_t top_ = 0;
    int32_t lineHeight_ = 1;
    int32_t visible_ = 0;
    bool doubleClicked_ = false;
    ListScrollBar::Part pressed_ = ListScrollBar::Part::None;
    ListScrollBar scrollBar_;
    ListItemLetters letters_;
    Look look_;
    Value savedBackground_;
    Value font_;
    Value backgroundImage_;
};

class ListBox : public AbstractListBox {
public:
    using AbstractListBox::AbstractListBox;
    Value className() const override { return Value::string("ListBox"); }
    Value createInstance(const Value& data) const override;

protected:
    bool showsSelected(int32_t index) const override;
};

class MultiListBox : public AbstractListBox {
public:
    using AbstractListBox::AbstractListBox;
    Value className() const override { return Value::string("MultiListBox"); }
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    bool key(int32_t keyCode, int32_t flags) override;

    bool multipleSelectionsMade() const { return userSelections_ > 1; }

protected:
    bool isItemSelected(int32_t index) const override;
    void clickItem(int32_t index) override;
    void moveByKey(int32_t index) override;
    void itemsReplaced() override;
    void itemAppended() override { flags_.push_back(0); }
    void itemErased(int32_t index) override;

private:
    void toggle(int32_t index);

    std::vector<unsigned char> flags_;
    // Items the person selected since the flags were last set or cleared.
    int32_t userSelections_ = 0;
};

} // namespace vel
