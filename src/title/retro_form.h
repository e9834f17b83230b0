// The retrospective's article screen. Its argument names the article: {"Categoria": category,
// "Artigo": position in the category} or {"Text": headline}. A category's articles are the headlines
// its record in "RTCatLst.DTT" lists (the record whose name is the category); an article is the
// record of "RTArtigo.dat" with that headline, [number, headline, category, text], and its notes the item
// at the same position in "RTNotas.dat". Next and previous wrap around the category and are visits
// in the history. Going to this screen from itself shows the article in place.
#pragma once

#include "title/menu_bar.h"
#include "title/title_placeholders.h"

namespace vel {

class RetroForm final : public Named<RetroForm, AATextForm> {
public:
    static constexpr const char* kClassName = "RetroForm";
    using Named::Named;

    void open(const Value& data) override;
    // Asked for again with another article: shown in place.
    void reopen(const Value& data) override;
    Value historyState() override;

    const Value& headline() const { return headline_; }
    int32_t position() const { return position_; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;

private:
    void findArticle(const Value& data);
    void showArticle();
    void step(int32_t by);
    // Another article on this screen, the one shown kept in the history.
    void visit(const Value& data);
    // The headline's record number in the articles, or -1.
    int32_t recordOf(const Value& headline) const;

    Value articles_;
    Value headlineIndex_; // "RTTitulo": headline -> record number
    Value headlines_; // the category's
    Value category_;
    Value headline_;
    Value text_;
    int32_t position_ = 0;
};

// The retrospective's list of categories: a menu of the data's, under this class name.
class RetroMenuForm final : public Named<RetroMenuForm, MenuDialog> {
public:
    static constexpr const char* kClassName = "RetroMenuForm";
    using Named::Named;
};

} // namespace vel
