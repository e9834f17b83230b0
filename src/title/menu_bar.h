// The menu bar every section screen inherits (BarraMenuForm): the product, help and Internet
// pop-up menus, the article search, back, the history dialog, minimise and quit. The pop-up menus
// are PopUpMenu dialogs made from the "MenusPopUp" entry (one definition per button name), kept
// when the screen opens; only the chosen entry's "Text" decides what follows. MenuDialog and
// PopUpMenu are the library's menu form under the title's class names.
#pragma once

#include <string_view>

#include "controls/menu.h"
#include "title/title_form.h"

namespace vel {

class BarraMenuForm : public Named<BarraMenuForm, TitleScreen> {
public:
    static constexpr const char* kClassName = "BarraMenuForm";
    using Named::Named;

    void open(const Value& data) override;

protected:
    bool handleAction(std::string_view name, const Value& control) override;

    // Runs PopUpMenu with the kept definition of that name (a copy), its "Background" the image
    // entry named, placed at (x, y) when `placed`; the menu's result (nil without a definition).
    Value popUp(std::string_view menu, std::string_view background, bool placed = false, const Value& x = Value(),
                const Value& y = Value());
    const Value& menus() const { return menus_; }

private:
    void productMenu();
    void helpMenu();
    void internetMenu();
    void search();
    void historyDialog();

    Value menus_;
};

// The "Text" of a menu's or dialog's result; nil when it chose nothing.
Value chosenText(const Value& result);

// The article search's text, kept for the next search of the run.
Value savedSearchState(Engine& engine);

class MenuDialog : public Named<MenuDialog, MenuForm> {
public:
    static constexpr const char* kClassName = "MenuDialog";
    using Named::Named;
};

class PopUpMenu final : public Named<PopUpMenu, MenuDialog> {
public:
    static constexpr const char* kClassName = "PopUpMenu";
    using Named::Named;
};

} // namespace vel
