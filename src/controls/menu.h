// Menus.
//
// `Menu` is a control that, when pressed, pops up the texts of its "Items" (at "FixedX", "FixedY",
// or under its hot spot) and follows the mouse and the keys until a choice is made or the pop-up is
// dismissed. An item whose entry in "CascadingItems" is a list opens a cascade of those texts
// beside it (at "CascadeFixedX", "CascadeFixedY" when given). A choice is clicked through to the
// form, which asks "GetResult": the item's entry in "Results" (for a cascade item, the entry of the
// parent's "Results" list, when that entry is a list), or the chosen text when there is none.
//
// `MenuForm` is the dialog that shows a menu as a form of its own: "Items" are texts, or tables
// with "Text", "Result", "Name" and "DlgName"; "---" is a separator; an item named (by "Name", or
// its text) in the global table that "DisabledMenuItemsTable" names is disabled. Choosing an item
// plays "Sound", opens the dialog its "DlgName" names, and then closes the menu with a table of
// "Text", "Result", "Name" and "Index" as the dialog's result, unless its result is "__STAYOPEN__"
// (the menu stays) or "__CLOSE__" (the menu closes with no result). An item with an entry in
// "CascadeTable" (keyed by name or text; a menu definition, or the name of a dialog) opens that
// menu beside it, told its "ParentsList" and "UseDefaultPosition"; its choice becomes this menu's.
#pragma once

#include <memory>
#include <vector>

#include "controls/popup_list.h"
#include "controls/library_control.h"
#include "runtime/dialog.h"

namespace vel {

class Menu final : public velLibraryControl {
public:
    Menu(Engine& engine, const Value& properties);

    Value className() const override;
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

    const Value& result() const { return result_; }

private:
    struct Level {
        std::unique_ptr<PopupList> list;
        int parentRow = -1; // the row of the level above that opened it
    };
    // Opens the cascade of the top level's highlighted row, closing deeper levels first.
    void openCascade(int level, int row);
    void closeLevelsAbove(int level);
    // The deepest level holding the point, or -1.
    int levelAt(int x, int y) const;
    PopupStyle style() const;
    platform::Rect placeBox(int x, int y, int width, int height) const;
    Value resultFor(int row, int subRow) const;
    // The moves of the pop-up keys; true when the menu is finished (chosen or dismissed).
    bool handleKey(int32_t code, bool& chosen);
    bool choose(int level, int row);
    void closeAll();

    std::vector<Level> levels_;
    Value result_;
};

class MenuForm : public velDialogObject {
public:
    MenuForm(Engine& engine, const Value& properties);

    Value className() const override;
    Value createInstance(const Value& data) const override;
    // The argument's entries, and the place computed for the menu, come before the menu's own data
    // while it is open; the data itself is left as it was, for the next time the menu opens.
    bool hasProperty(const Value& key) const override;
    Value getProperty(const Value& key) const override;
    void open(const Value& data) override;
    void close() override;
    void draw() override;
    void mouseDown(int32_t x, int32_t y) override;
    void mouseOver(int32_t x, int32_t y) override;
    void keyDown(int32_t keyCode, int32_t flags) override;
    Value result() override;

    // The items as the menu shows them.
    struct Item {
        std::string text;
        Value result;
        Value name;
        Value dialog;
        bool enabled = true;
        bool separator = false;
    };
    const std::vector<Item>& items() const { return items_; }
    int highlight() const { return highlight_; }
    // Runs the item as a choice (a disabled item or a separator does nothing).
    void choose(int row);

private:
    // An integer property; the fallback when absent or no number.
    int32_t getInteger(const Value& key, int32_t fallback) const;
    void readItems();
    void placeMenu(const Value& data);
    platform::Rect rowRect(int row) const;
    int rowAt(int x, int y) const;
    void drawRow(int row);
    void setHighlight(int row);
    int nextEnabled(int from, int step) const;
    Value cascadeFor(const Item& item) const;

    std::vector<Item> items_;
    int highlight_ = -1;
    Value result_;
    Value argument_;  // a table, or nil
    Value placement_; // a table: "Origin X", "Origin Y", "Width", "Height", "Background Image", "SubItemRect"
    Value soundPlayer_; // a library control over the menu's data: "Sound" plays as a control's sound
};


} // namespace vel
