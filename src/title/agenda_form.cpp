#include "title/agenda_form.h"

#include <chrono>

#include "runtime/engine.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr int32_t kHolidayColor = 0x1E28A0; // the agenda's red
constexpr int32_t kPlainColor = 0x191919;
constexpr int32_t kSelectedFill = 0xC8EEF5; // the agenda's light tint, as 0xBBGGRR


Value get(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) ? asTable(table)->get(key) : Value();
}

int32_t integerOr(const Value& v, int32_t fallback)
{
    return v.is(Tag::Int) ? v.asInt() : v.is(Tag::String) ? velIntValue(v) : fallback;
}

bool leapYear(int32_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t monthDays(int32_t month, int32_t year)
{
    static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kDays[month - 1] + (month == 2 && leapYear(year) ? 1 : 0);
}

} // namespace

std::string agendaCellName(int32_t firstWeekday, int32_t day)
{
    const int32_t at = firstWeekday + day - 1;
    const int32_t line = at / 7 + 1, column = at % 7 + 1;
    if (line == 6)
        return column == 1 ? "DomL6" : column == 2 ? "SegL6" : "";
    return "L" + std::to_string(line) + std::to_string(column);
}

int32_t agendaDayOfCell(std::string_view cell, int32_t firstWeekday, int32_t daysInMonth)
{
    int32_t at = -1;
    if (cell == "DomL6" || cell == "SegL6")
        at = 35 + (cell == "SegL6" ? 1 : 0);
    else if (cell.size() == 3 && cell[0] == 'L' && cell[1] >= '1' && cell[1] <= '5' && cell[2] >= '1' && cell[2] <= '7')
        at = (cell[1] - '1') * 7 + (cell[2] - '1');
    const int32_t day = at - firstWeekday + 1;
    return at >= 0 && day >= 1 && day <= daysInMonth ? day : 0;
}

int32_t AGForm::agendaYear() const
{
    // The first day's header ends with the year: "Sexta-feira, 1 de janeiro de 2027".
    Archive* archive = asArchive(days_);
    Value header = archive && archive->count() > 0 ? recordItem(archive->get(0), 4) : Value();
    std::string_view text = header.is(Tag::String) ? textOf(header) : std::string_view();
    const size_t digits = text.find_last_not_of("0123456789");
    const std::string_view year = digits == std::string_view::npos ? text : text.substr(digits + 1);
    const int32_t value = year.size() == 4 ? velIntValue(Value::string(year)) : 0;
    return value >= 1583 && value <= 9999 ? value : 0;
}

int32_t AGForm::firstWeekday() const
{
    return gregorianWeekday(1, month_, year_).value_or(0);
}

int32_t AGForm::daysInMonth() const
{
    return monthDays(month_, year_);
}

int32_t AGForm::dayOfYear() const
{
    int32_t n = day_ - 1;
    for (int32_t m = 1; m < month_; ++m)
        n += monthDays(m, year_);
    return n;
}

void AGForm::open(const Value& data)
{
    days_ = openDataArchive(engine(), "Agenda", "dat");
    const int32_t dataYear = agendaYear();
    // A scripted run (its clock virtual) opens on 1 January, so that its screens are repeatable.
    const auto today = engine().virtualClock()
                           ? std::chrono::year_month_day(std::chrono::year(dataYear ? dataYear : 2026), std::chrono::January,
                                                         std::chrono::day(1))
                           : std::chrono::year_month_day(std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
    year_ = integerOr(get(data, "Year"), dataYear ? dataYear : static_cast<int32_t>(today.year()));
    month_ = integerOr(get(data, "Month"), static_cast<int32_t>(static_cast<unsigned>(today.month())));
    day_ = integerOr(get(data, "Day"), static_cast<int32_t>(static_cast<unsigned>(today.day())));
    if (year_ < 1 || year_ > 9999)
        year_ = static_cast<int32_t>(today.year());
    if (month_ < 1 || month_ > 12)
        month_ = 1;
    Named::open(data);
    playAudio(engine().resources().load(Value::string("AgendaSound")), false);
    calculatorShown_ = false;
    showMonth(month_);
}

void AGForm::showMonth(int32_t month)
{
    month_ = month;
    showCalculator(false);
    for (int32_t m = 1; m <= 12; ++m) {
        const std::string tab = "Tab" + std::to_string(m);
        putOnControl(*this, tab, "Background Color", Value::integer(m == month ? kSelectedFill : -1));
    }
    const int32_t first = firstWeekday(), days = daysInMonth();
    for (int32_t at = 0; at < 37; ++at) {
        const std::string cell = at < 35 ? "L" + std::to_string(at / 7 + 1) + std::to_string(at % 7 + 1)
                                          : (at == 35 ? "DomL6" : "SegL6");
        const int32_t day = agendaDayOfCell(cell, first, days);
        putOnControl(*this, cell, "Disabled", Value::boolean(day == 0));
        putOnControl(*this, cell, "Hidden", Value::boolean(day == 0));
        putOnControl(*this, cell, "Text", Value::string(day ? std::to_string(day) : ""));
    }
    selectDay(std::min(std::max(day_, 1), days));
}

void AGForm::selectDay(int32_t day)
{
    day_ = day;
    const int32_t first = firstWeekday(), days = daysInMonth();
    Archive* archive = asArchive(days_);
    for (int32_t d = 1; d <= days; ++d) {
        int32_t n = d - 1;
        for (int32_t m = 1; m < month_; ++m)
            n += monthDays(m, year_);
        Value record = archive && n < archive->count() ? archive->get(n) : Value();
        Value holiday = recordItem(record, 7);
        const bool marked = holiday.is(Tag::Int) && holiday.asInt() > 0;
        const std::string cell = agendaCellName(first, d);
        putOnControl(*this, cell, "Foreground Color", Value::integer(marked ? kHolidayColor : kPlainColor));
        putOnControl(*this, cell, "Background Color", Value::integer(d == day ? kSelectedFill : -1));
    }
    const int32_t n = dayOfYear();
    Value record = archive && n < archive->count() ? archive->get(n) : Value();
    showControlText(*this, "DayText", recordItem(record, 2));
    showControlText(*this, "LuaText", recordItem(record, 3));
    showControlText(*this, "CurHeader", recordItem(record, 4));
    showControlText(*this, "Texto", recordItem(record, 5));
    Value phase = recordItem(record, 6);
    const bool hasPhase = phase.is(Tag::Int) && phase.asInt() >= 1 && phase.asInt() <= 4;
    putOnControl(*this, "Lua", "Hidden", Value::boolean(!hasPhase));
    if (hasPhase)
        putOnControl(*this, "Lua", "Image", Value::string("Lua" + std::to_string(phase.asInt())));
    // Labels draw over what was there: the page is drawn again as a whole.
    draw();
}

void AGForm::showCalculator(bool on)
{
    if (on == calculatorShown_ && on)
        return;
    const bool changed = on != calculatorShown_;
    calculatorShown_ = on;
    performOnControl(*this, "MonthGroup", "Show", Value::integer(on ? 0 : 1));
    performOnControl(*this, "CalcGroup", "Show", Value::integer(on ? 1 : 0));
    // The other page's controls give their place back.
    if (changed && on)
        draw();
    if (on) {
        calculator_.init();
        display_[0] = 0;
        display_[1] = display_[2] = display_[3] = -1;
        weekday_ = -1;
        showDisplay();
        playAudio(engine().resources().load(Value::string("CalculadoraSound")), false);
    }
}

void AGForm::showDisplay()
{
    for (int32_t i = 0; i < 4; ++i) {
        const std::string cell = "Display" + std::to_string(i);
        putOnControl(*this, cell, "Image", Value::string(display_[i] < 0 ? "NE" : "N" + std::to_string(display_[i])));
        performOnControl(*this, cell, "Draw");
    }
    putOnControl(*this, "DisplayWeek", "Image", Value::string(weekday_ < 0 ? "Non" : "WD" + std::to_string(weekday_)));
    performOnControl(*this, "DisplayWeek", "Draw");
}

void AGForm::keyDigit(int32_t digit)
{
    const bool fresh = calculator_.digits().empty();
    if (!calculator_.key(digit))
        return;
    if (fresh) {
        display_[1] = display_[2] = display_[3] = -1;
        weekday_ = -1;
    } else {
        for (int32_t i = 3; i > 0; --i)
            display_[i] = display_[i - 1];
    }
    display_[0] = digit;
    showDisplay();
}

bool AGForm::handleAction(std::string_view name, const Value& control)
{
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9' && calculatorShown_) {
        keyDigit(name[0] - '0');
    } else if (name == "Enter" && calculatorShown_) {
        const DateCalculator::Entered entered = calculator_.enter();
        if (entered.closed) {
            display_[0] = 0;
            display_[1] = display_[2] = display_[3] = -1;
            if (entered.dateDone)
                weekday_ = entered.weekday.value_or(-1);
            showDisplay();
        }
    } else if (name == "Init" && calculatorShown_) {
        calculator_.init();
        display_[0] = 0;
        display_[1] = display_[2] = display_[3] = -1;
        weekday_ = -1;
        showDisplay();
    } else if (name == "Limpar" && calculatorShown_) {
        calculator_.clear();
        display_[0] = 0;
        display_[1] = display_[2] = display_[3] = -1;
        showDisplay();
    } else if (name == "CalTabD") {
        showCalculator(true);
    } else if (name.starts_with("Tab") && integerOr(Value::string(name.substr(3)), 0) >= 1 &&
               integerOr(Value::string(name.substr(3)), 0) <= 12) {
        showMonth(integerOr(Value::string(name.substr(3)), 1));
    } else if (int32_t day = agendaDayOfCell(name, firstWeekday(), daysInMonth()); day && !calculatorShown_) {
        selectDay(day);
    } else {
        return Named::handleAction(name, control);
    }
    engine().updateScreen();
    return true;
}

Value AGForm::historyState()
{
    Value state = Named::historyState();
    if (!state.is(Tag::Table))
        state = Table::make();
    Table* t = asTable(state);
    t->put(std::string_view("Day"), Value::integer(day_));
    t->put(std::string_view("Month"), Value::integer(month_));
    t->put(std::string_view("Year"), Value::integer(year_));
    t->put(std::string_view("Day of Year"), Value::integer(dayOfYear() + 1));
    t->put(std::string_view("Day of Week"), Value::integer(gregorianWeekday(day_, month_, year_).value_or(0)));
    return state;
}

Value AGForm::historyTitle() const
{
    return Value::string("Agenda em: " + std::to_string(day_) + "/" + std::to_string(month_));
}

} // namespace vel
