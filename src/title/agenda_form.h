// The agenda: a binder with a page a month. The month's days sit in a grid of seven columns (Sunday
// first) from the column of its first weekday: cells "L" line column for the first five lines, and
// "DomL6" and "SegL6" for a sixth line's Sunday and Monday. The selected day shows its texts from
// "Agenda.dat", one record per day of the agenda's year in order (1 January first): [day of the year,
// day number, short text, moon note, header (which ends with the year), long text, moon phase (1 new
// ... 4 last quarter), holiday mark (0 none)] (docs/section_sources.md). The binder shows that year;
// a day without a record shows blank texts. The tab "CalTabD" turns it into the perpetual calendar
// of calculator_keys.h.
#pragma once

#include <string>

#include "title/calculator_keys.h"
#include "title/title_placeholders.h"

namespace vel {

// The cell that shows the day in a month whose 1st falls on firstWeekday (0 Sunday).
std::string agendaCellName(int32_t firstWeekday, int32_t day);
// The day a cell shows (1 to daysInMonth), or 0 when it shows none.
int32_t agendaDayOfCell(std::string_view cell, int32_t firstWeekday, int32_t daysInMonth);

class AGForm final : public Named<AGForm, AATextForm> {
public:
    static constexpr const char* kClassName = "AGForm";
    using Named::Named;

    void open(const Value& data) override;
    Value historyState() override;

    const DateCalculator& calculator() const { return calculator_; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;

private:
    void showMonth(int32_t month);
    void selectDay(int32_t day);
    void showCalculator(bool on);
    void keyDigit(int32_t digit);
    void showDisplay();
    // The year the records are of; 0 when they do not say.
    int32_t agendaYear() const;
    int32_t firstWeekday() const;
    int32_t daysInMonth() const;
    int32_t dayOfYear() const;

    Value days_;
    int32_t year_ = 2000, month_ = 1, day_ = 1;
    bool calculatorShown_ = false;
    DateCalculator calculator_;
    // The display's four cells, newest digit in cell 0; -1 blank.
    int32_t display_[4] = {0, -1, -1, -1};
    int32_t weekday_ = -1;
};

} // namespace vel
