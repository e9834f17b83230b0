#include "discdata/agenda_calendar.h"

#include <algorithm>
#include <cmath>

namespace vel::discdata {

CivilDate easterSunday(int year)
{
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return {year, month, day};
}

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
static long long daysFromCivil(const CivilDate& date)
{
    const long long y = date.year - (date.month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long mp = (date.month + 9) % 12;
    const long long doy = (153 * mp + 2) / 5 + date.day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

static CivilDate civilFromDays(long long z)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0)), month, day};
}

int weekday(const CivilDate& date)
{
    const long long days = daysFromCivil(date); // 1970-01-01 was a Thursday
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

int daysInMonth(int year, int month)
{
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : lengths[month - 1];
}

CivilDate addDays(const CivilDate& date, int days) { return civilFromDays(daysFromCivil(date) + days); }

std::vector<Holiday> brazilianHolidays(int year)
{
    const CivilDate easter = easterSunday(year);
    std::vector<Holiday> days = {
        {{year, 1, 1}, "Confraternização Universal", true},
        {addDays(easter, -48), "Carnaval", false},
        {addDays(easter, -47), "Carnaval", false},
        {addDays(easter, -46), "Quarta-feira de Cinzas", false},
        {addDays(easter, -2), "Paixão de Cristo", true},
        {easter, "Páscoa", false},
        {{year, 4, 21}, "Tiradentes", true},
        {{year, 5, 1}, "Dia do Trabalho", true},
        {addDays(easter, 60), "Corpus Christi", false},
        {{year, 9, 7}, "Independência do Brasil", true},
        {{year, 10, 12}, "Nossa Senhora Aparecida", true},
        {{year, 11, 2}, "Finados", true},
        {{year, 11, 15}, "Proclamação da República", true},
        {{year, 11, 20}, "Dia Nacional de Zumbi e da Consciência Negra", true},
        {{year, 12, 25}, "Natal", true},
    };
    std::stable_sort(days.begin(), days.end(), [](const Holiday& a, const Holiday& b) {
        return daysFromCivil(a.date) < daysFromCivil(b.date);
    });
    return days;
}

static double radians(double degrees) { return degrees * M_PI / 180.0; }

// One phase of lunation k (k whole for a new moon, + 0.25, 0.5, 0.75 for the others).
static double phaseJulianDay(double k)
{
    const double t = k / 1236.85;
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double t4 = t3 * t;
    double jde = 2451550.09766 + 29.530588861 * k + 0.00015437 * t2 - 0.000000150 * t3 + 0.00000000073 * t4;
    const double e = 1 - 0.002516 * t - 0.0000074 * t2;
    const double m = radians(2.5534 + 29.10535670 * k - 0.0000014 * t2 - 0.00000011 * t3);
    const double mp = radians(201.5643 + 385.81693528 * k + 0.0107582 * t2 + 0.00001238 * t3 - 0.000000058 * t4);
    const double f = radians(160.7108 + 390.67050284 * k - 0.0016118 * t2 - 0.00000227 * t3 + 0.000000011 * t4);
    const double omega = radians(124.7746 - 1.56375588 * k + 0.0020672 * t2 + 0.00000215 * t3);
    const double fraction = k - std::floor(k);
    if (fraction < 0.01 || fraction > 0.99 || std::abs(fraction - 0.5) < 0.01) {
        const bool full = std::abs(fraction - 0.5) < 0.01;
        jde += (full ? -0.40614 : -0.40720) * std::sin(mp) + (full ? 0.17302 : 0.17241) * e * std::sin(m) +
               (full ? 0.01614 : 0.01608) * std::sin(2 * mp) + (full ? 0.01043 : 0.01039) * std::sin(2 * f) +
               (full ? 0.00734 : 0.00739) * e * std::sin(mp - m) - (full ? 0.00515 : 0.00514) * e * std::sin(mp + m) +
               (full ? 0.00209 : 0.00208) * e * e * std::sin(2 * m) - 0.00111 * std::sin(mp - 2 * f) -
               0.00057 * std::sin(mp + 2 * f) + 0.00056 * e * std::sin(2 * mp + m) - 0.00042 * std::sin(3 * mp) +
               0.00042 * e * std::sin(m + 2 * f) + 0.00038 * e * std::sin(m - 2 * f) -
               0.00024 * e * std::sin(2 * mp - m) - 0.00017 * std::sin(omega);
    } else {
        jde += -0.62801 * std::sin(mp) + 0.17172 * e * std::sin(m) - 0.01183 * e * std::sin(mp + m) +
               0.00862 * std::sin(2 * mp) + 0.00804 * std::sin(2 * f) + 0.00454 * e * std::sin(mp - m) +
               0.00204 * e * e * std::sin(2 * m) - 0.00180 * std::sin(mp - 2 * f) - 0.00070 * std::sin(mp + 2 * f) -
               0.00040 * std::sin(3 * mp) - 0.00034 * e * std::sin(2 * mp - m) + 0.00032 * e * std::sin(m + 2 * f) +
               0.00032 * e * std::sin(m - 2 * f) - 0.00017 * std::sin(omega);
        const double w = 0.00306 - 0.00038 * e * std::cos(m) + 0.00026 * std::cos(mp) - 0.00002 * std::cos(mp - m) +
                         0.00002 * std::cos(mp + m) + 0.00002 * std::cos(2 * f);
        jde += fraction < 0.5 ? w : -w;
    }
    return jde;
}

std::vector<MoonEvent> moonPhases(int year)
{
    std::vector<MoonEvent> events;
    const double first = std::floor((year - 1 - 2000) * 12.3685) + 11;
    for (double k = first; k < first + 16; k += 1)
        for (int quarter = 0; quarter < 4; ++quarter)
            events.push_back({static_cast<MoonPhase>(quarter + 1), phaseJulianDay(k + quarter * 0.25)});
    return events;
}

CivilDate dateOfJulianDay(double julianDay, double offsetHours, int* minutes)
{
    // Julian day 2440587.5 is 1970-01-01 at 0h UTC.
    const double local = julianDay - 2440587.5 + offsetHours / 24.0;
    const double days = std::floor(local);
    if (minutes)
        *minutes = static_cast<int>(std::floor((local - days) * 1440.0));
    return civilFromDays(static_cast<long long>(days));
}

} // namespace vel::discdata
