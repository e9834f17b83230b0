// The timeline: 15 dated entries a page, moved by a column or a page, entered through the six eras'
// buttons or a year search ("AC" before the Christian era, "DC" after). The entries come from
// "TimeLine.dat" (docs/section_sources.md): the entries [number, year, date text, text, era], or one
// item holding the list of them; the year is a signed number (negative before the Christian era), the
// era its number (0 "BigBang" ... 5 "Contemporanea") or its button's name, and each era button starts
// at its era's first entry. An entry whose year is no number is shown but never found by the search.
// The page start is kept in the history as "RecIndex".
#pragma once

#include <optional>
#include <vector>

#include "title/title_placeholders.h"
#include "title/timeline_pages.h"

namespace vel {

class TimeHForm final : public Named<TimeHForm, AATextForm> {
public:
    static constexpr const char* kClassName = "TimeHForm";
    using Named::Named;

    void open(const Value& data) override;
    Value historyState() override;

    int32_t pageStart() const { return start_; }
    bool dataViewShown() const { return dataView_; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;

private:
    void loadEntries();
    void showDataView(bool on);
    void showPage();
    void moveTo(int32_t start);
    void search();
    Value entry(int32_t i) const;

    Value entries_;
    std::vector<std::optional<int32_t>> years_;
    int32_t start_ = 0;
    int32_t eraSign_ = 1;
    bool dataView_ = false;
};

} // namespace vel
