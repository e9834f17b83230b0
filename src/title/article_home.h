// The articles' home (VerbHForm) and the category menus the article screen shares with it. The
// category list file "IDCatLst" keeps, under "Categorias", each category with its sub-categories'
// names and identifiers; a category button pops up its sub-categories (VerbeteMenuForm's look,
// through PopUpMenu), and the one chosen opens the alphabetical list of its articles (VerbetesDlg);
// the article chosen there opens on the article screen. "Indice" lists every article.
#pragma once

#include <string_view>

#include "title/section_homes.h"

namespace vel {

// The identifier of the sub-category of that category the reader picks from a pop-up menu placed
// at (x, y); nil when none is picked or the category has none.
Value chooseSubCategory(Engine& engine, std::string_view category, const Value& x, const Value& y);
// The article the reader picks from the list of a category; its VerbForm argument, or nil.
Value chooseArticle(Engine& engine, const Value& category, const Value& x, const Value& y);

class VerbHForm final : public Named<VerbHForm, SectionHome<BarraMenuForm>> {
public:
    static constexpr const char* kClassName = "VerbHForm";
    using Named::Named;

protected:
    const HomeSection& section() const override;
    bool handleAction(std::string_view name, const Value& control) override;
};

} // namespace vel
