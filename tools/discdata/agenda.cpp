// Section "agenda": one record per day of the disc's year (Agenda.dat) from disc/title/agenda/
// agenda.txt (the year and the notes of the days) with Brazil's national holidays and the moon's
// phases worked out here (agenda_calendar.h). docs/section_sources.md gives the record.
#include <algorithm>
#include <cstdio>
#include <map>

#include "discdata/agenda_calendar.h"
#include "discdata/section_blocks.h"
#include "discdata/sections.h"
#include "value/list.h"

namespace vel::discdata {
namespace {

const char* const kMonths[] = {"janeiro", "fevereiro", "março", "abril", "maio", "junho", "julho",
                               "agosto", "setembro", "outubro", "novembro", "dezembro"};
const char* const kWeekdays[] = {"Domingo", "Segunda-feira", "Terça-feira", "Quarta-feira",
                                 "Quinta-feira", "Sexta-feira", "Sábado"};
const char* const kPhases[] = {"", "Lua nova", "Quarto crescente", "Lua cheia", "Quarto minguante"};

// Brasília time, the country's legal time, has no summer time since 2019.
constexpr double kBrasilia = -3.0;
// The phases come in dynamical time, about 69 seconds ahead of civil time in these years.
constexpr double kDeltaT = 69.0 / 86400.0;

struct Note {
    std::string title;
    std::string text;
};

int dayKey(int month, int day) { return month * 100 + day; }

} // namespace

void makeAgenda(const Context& context)
{
    const fs::path path = context.source / "agenda" / "agenda.txt";
    int year = 0;
    std::map<int, std::vector<Note>> notes;
    forEachSourceLine(path, [&](int number, const std::string& text) {
        char rest = 0;
        if (text.rfind("Ano:", 0) == 0) {
            if (std::sscanf(text.c_str() + 4, "%d %c", &year, &rest) != 1 || year < 1583 || year > 9999)
                failIn(path, number, "the year must be a Gregorian year from 1583 to 9999");
            return;
        }
        if (year == 0)
            failIn(path, number, "the \"Ano:\" line comes first");
        const std::vector<std::string> parts = splitBars(text);
        int day = 0;
        int month = 0;
        if (parts.size() != 3 || std::sscanf(parts[0].c_str(), "%d/%d%c", &day, &month, &rest) != 2 || month < 1 ||
            month > 12 || day < 1 || day > daysInMonth(year, month) || parts[1].empty() || parts[2].empty())
            failIn(path, number, "a note is \"DD/MM | title | text\" with a date of the year");
        to1252(parts[1] + parts[2], whereIn(path, number));
        notes[dayKey(month, day)].push_back({parts[1], parts[2]});
    });
    if (year == 0)
        fail(path.string() + ": no \"Ano:\" line");

    std::map<int, std::vector<Holiday>> holidays;
    for (const Holiday& h : brazilianHolidays(year))
        holidays[dayKey(h.date.month, h.date.day)].push_back(h);
    // The phase in effect on each day: the last one that began before the day ended.
    const std::vector<MoonEvent> phases = moonPhases(year);
    std::map<int, std::pair<MoonEvent, int>> phaseDays; // day key -> phase of that day, its minute
    for (const MoonEvent& event : phases) {
        int minutes = 0;
        const CivilDate date = dateOfJulianDay(event.julianDay - kDeltaT, kBrasilia, &minutes);
        if (date.year == year)
            phaseDays[dayKey(date.month, date.day)] = {event, minutes};
    }
    MoonPhase current = MoonPhase::New;
    for (const MoonEvent& event : phases)
        if (dateOfJulianDay(event.julianDay - kDeltaT, kBrasilia).year < year)
            current = event.phase;

    Value records = ValueList::make(366);
    const std::string where = path.string();
    int dayOfYear = 0;
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= daysInMonth(year, month); ++day) {
            ++dayOfYear;
            const int key = dayKey(month, day);
            std::string dayText;
            std::string body;
            int mark = 0;
            for (const Holiday& h : holidays[key]) {
                dayText += (dayText.empty() ? "" : " - ") + h.name;
                body += "{\\b " + escapedRich(h.name) + "} - " +
                        (h.holiday              ? "feriado nacional."
                         : h.name == "Páscoa" ? "data móvel: o domingo seguinte à lua cheia que ocorre a partir de "
                                                "21 de março, pelo cálculo da Igreja."
                                              : "ponto facultativo.") +
                        "\\par ";
                mark = h.holiday ? 1 : std::max(mark, 2);
            }
            for (const Note& note : notes[key]) {
                if (dayText.empty())
                    dayText = note.title;
                body += (body.empty() ? "" : "\\par ") + std::string("{\\b ") + escapedRich(note.title) + "}\\par " +
                        escapedRich(note.text) + "\\par ";
            }
            std::string moon;
            const auto phase = phaseDays.find(key);
            if (phase != phaseDays.end()) {
                current = phase->second.first.phase;
                char time[32];
                std::snprintf(time, sizeof time, " às %dh%02d", phase->second.second / 60, phase->second.second % 60);
                moon = std::string(kPhases[static_cast<int>(current)]) + time;
            } else {
                moon = kPhases[static_cast<int>(current)];
            }
            const CivilDate date{year, month, day};
            const std::string header = std::string(kWeekdays[weekday(date)]) + ", " + std::to_string(day) + " de " +
                                       kMonths[month - 1] + " de " + std::to_string(year);
            asList(records)->append(listOf({Value::integer(dayOfYear), Value::string(std::to_string(day)),
                                            text1252(dayText.empty() ? " " : dayText, where), text1252(moon, where),
                                            text1252(header, where), text1252(body, where),
                                            Value::integer(static_cast<int>(current)), Value::integer(mark)}));
        }
    writeArchiveSource(context, "Agenda.dat", records);
}

} // namespace vel::discdata
