// The article search dialog (BuscaDialog), opened from the menu bar's "Busca". The reader types
// words into "What2Find" (the query language of search_query.h), narrows the search with the
// category boxes "Todas", "Brasil", "Ciência", "Cultura", "Esportes" and "Mundo", and runs it with
// "Procurar" or Enter; "ResultsListBox" lists the hits by name and "ResultCountText" counts them.
// "Ok" or a double click on a hit closes with {"Text", "BrowseList", "Index", "SelList",
// "SearchedText"} for the article screen's search-results mode; "Cancelar" closes without a
// choice; "Limpar" empties the query and the results.
//
// The menu bar keeps the search between openings: it passes its saved state as the argument and
// keeps the result's "BuscaText" (present after Ok and Cancelar alike): {"Query", "SelList",
// "Results" (names), "BrowseList" (identifiers)}. The index is "KeyWord.idx" with "KeyWord.dat",
// found through the media search; the article names come from the "DAT" look-up files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "title/search_query.h"
#include "title/title_form.h"

namespace vel {

class BuscaDialog final : public Named<BuscaDialog, TitleDialog> {
public:
    static constexpr const char* kClassName = "BuscaDialog";
    using Named::Named;
    ~BuscaDialog() override;

    void open(const Value& data) override;
    void keyDown(int32_t keyCode, int32_t flags) override;
    Value result() override;

protected:
    bool handleAction(std::string_view name, const Value& control) override;

private:
    void openFiles();
    void search();
    void clear();
    // The category boxes' rule after a click on one: "Todas" clears the others; the last specific
    // one cleared selects "Todas" again.
    void categoryClicked(std::string_view name);
    void showResults();
    void restore(const Value& state);
    Value state() const;
    std::vector<std::string> selectedCategories() const;
    Value control(std::string_view name) const;
    void select(std::string_view box, bool selected);
    bool isSelected(std::string_view box) const;

    std::unique_ptr<KeywordIndex> words_;
    std::unique_ptr<ArticleCatalog> catalog_;
    std::string query_;
    SearchHits hits_;
    bool chosen_ = false;
};

} // namespace vel
