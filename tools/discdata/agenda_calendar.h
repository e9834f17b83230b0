// The calendar arithmetic of the agenda: Easter and Brazil's national holidays, weekdays, and the
// moon's principal phases. Free of the generator's I/O so that the tests can check it alone.
#pragma once

#include <string>
#include <vector>

namespace vel::discdata {

struct CivilDate {
    int year = 0;
    int month = 0; // 1-12
    int day = 0;   // 1-31
    bool operator==(const CivilDate&) const = default;
};

// Easter Sunday of a Gregorian year (the anonymous Gregorian algorithm of Meeus, Jones and Butcher).
CivilDate easterSunday(int year);
// 0 = Sunday ... 6 = Saturday.
int weekday(const CivilDate& date);
int daysInMonth(int year, int month);
// The date `days` after (or before) `date`.
CivilDate addDays(const CivilDate& date, int days);

struct Holiday {
    CivilDate date;
    std::string name;    // UTF-8
    bool holiday = true; // false: an optional day off for federal workers (ponto facultativo)
};
// Brazil's national holidays of the year, and the optional days off that follow from Easter
// (Carnival, Ash Wednesday, Corpus Christi), in date order.
std::vector<Holiday> brazilianHolidays(int year);

enum class MoonPhase { New = 1, FirstQuarter = 2, Full = 3, LastQuarter = 4 };
struct MoonEvent {
    MoonPhase phase;
    double julianDay; // dynamical time
};
// The principal phases from the start of `year` - 1 month to its end + 1 month, in order (Meeus,
// "Astronomical Algorithms", chapter 49, without the planetary terms: within a few minutes).
std::vector<MoonEvent> moonPhases(int year);
// The civil date and the minutes past midnight of a Julian day at a fixed offset from UTC (hours).
CivilDate dateOfJulianDay(double julianDay, double offsetHours, int* minutes = nullptr);

} // namespace vel::discdata
