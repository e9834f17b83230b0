#include <chrono>
#include <gtest/gtest.h>

#include "title/agenda_form.h"
#include "title/calculator_keys.h"

namespace vel {
namespace {

TEST(AgendaCalculator, DigitRulesKeepToPossibleDaysMonthsAndYears)
{
    const struct {
        const char* keys; // digits, "E" for Enter, "L" for Limpar
        const char* accepted;
        std::optional<int32_t> weekday;
    } cases[] = {
        {"35", "3", {}},          {"1E13", "11", {}},        {"1E21", "11", {}},       {"1E1E9999E", "11", {}},
        {"1E1E3", "11", {}},      {"1E1E21999", "112199", {}}, {"1E03E2000E", "1032000", 3}, {"1E1E2004E", "112004", 4},
        {"1E1E2000E", "112000", 6}, {"31E04E2024E", "31042024", {}}, {"29E02E2024E", "29022024", 4}, {"1E3", "1", {}},
        {"0E1E2000E", "012000", {}}, {"1E1E0000E", "110000", {}}, {"5L7E", "57", {}},
    };
    for (const auto& c : cases) {
        DateCalculator calc;
        std::string accepted;
        std::optional<int32_t> weekday;
        for (const char* k = c.keys; *k; ++k) {
            if (*k == 'E') {
                if (const auto e = calc.enter(); e.dateDone)
                    weekday = e.weekday;
            } else if (*k == 'L') {
                calc.clear();
            } else if (calc.key(*k - '0')) {
                accepted += *k;
            }
        }
        EXPECT_EQ(accepted, c.accepted) << c.keys;
        EXPECT_EQ(weekday, c.weekday) << c.keys;
    }
}

TEST(AgendaCalculator, EveryWeekdayFrom1583To2399MatchesTheStandardLibrary)
{
    using namespace std::chrono;
    for (sys_days d = sys_days(year(1583) / January / 1); d <= sys_days(year(2399) / December / 31); d += days(1)) {
        const year_month_day ymd(d);
        ASSERT_EQ(gregorianWeekday(static_cast<int32_t>(unsigned(ymd.day())), static_cast<int32_t>(unsigned(ymd.month())),
                                   static_cast<int32_t>(ymd.year())),
                  static_cast<int32_t>(weekday(d).c_encoding()))
            << static_cast<int>(ymd.year()) << "-" << unsigned(ymd.month()) << "-" << unsigned(ymd.day());
    }
}

TEST(AgendaCalendar, DaysTakeTheCellsOfTheirWeekdays)
{
    const struct {
        int32_t firstWeekday, day;
        const char* cell;
    } cases[] = {{0, 1, "L11"}, {3, 1, "L14"}, {3, 5, "L21"}, {1, 28, "L51"}, {6, 29, "L57"}, {5, 31, "DomL6"}, {6, 31, "SegL6"}};
    for (const auto& c : cases) {
        EXPECT_EQ(agendaCellName(c.firstWeekday, c.day), c.cell);
        EXPECT_EQ(agendaDayOfCell(c.cell, c.firstWeekday, 31), c.day) << c.cell;
    }
    EXPECT_EQ(agendaDayOfCell("L11", 3, 31), 0);
    EXPECT_EQ(agendaDayOfCell("L57", 0, 28), 0);
    EXPECT_EQ(agendaDayOfCell("Tab1", 0, 31), 0);
}

} // namespace
} // namespace vel
