// The agenda's calendar arithmetic and the refusals of the sections' generator (discdata).
#include <gtest/gtest.h>

#include <string>

#include "discdata/agenda_calendar.h"
#include "support/scratch_dir.h"
#include "support/subprocess.h"

namespace {

using namespace vel::discdata;

TEST(AgendaCalendar, EasterAndTheHolidaysItMoves)
{
    // Easter Sundays known from the calendars, the earliest and the latest possible among them.
    const struct {
        int year;
        CivilDate easter, carnivalTuesday, goodFriday, corpusChristi;
    } years[] = {
        {2000, {2000, 4, 23}, {2000, 3, 7}, {2000, 4, 21}, {2000, 6, 22}},
        {2024, {2024, 3, 31}, {2024, 2, 13}, {2024, 3, 29}, {2024, 5, 30}},
        {2027, {2027, 3, 28}, {2027, 2, 9}, {2027, 3, 26}, {2027, 5, 27}},
        {1818, {1818, 3, 22}, {1818, 2, 3}, {1818, 3, 20}, {1818, 5, 21}},
        {2038, {2038, 4, 25}, {2038, 3, 9}, {2038, 4, 23}, {2038, 6, 24}},
    };
    for (const auto& y : years) {
        EXPECT_EQ(easterSunday(y.year), y.easter) << y.year;
        std::vector<CivilDate> found;
        for (const Holiday& h : brazilianHolidays(y.year))
            if (h.name == "Carnaval" || h.name == "Paixão de Cristo" || h.name == "Corpus Christi")
                found.push_back(h.date);
        ASSERT_EQ(found.size(), 4u) << y.year;
        EXPECT_EQ(found[1], y.carnivalTuesday) << y.year;
        EXPECT_EQ(found[2], y.goodFriday) << y.year;
        EXPECT_EQ(found[3], y.corpusChristi) << y.year;
        EXPECT_EQ(weekday(found[3]), 4) << y.year; // always a Thursday
    }
    EXPECT_EQ(brazilianHolidays(2027).size(), 15u);
    EXPECT_EQ(weekday({2000, 3, 1}), 3);
    EXPECT_EQ(weekday({2004, 1, 1}), 4);
    EXPECT_EQ(weekday({2000, 1, 1}), 6);
    EXPECT_EQ(daysInMonth(2000, 2), 29);
    EXPECT_EQ(daysInMonth(1900, 2), 28);
}

TEST(AgendaCalendar, MoonPhasesOnEclipseDays)
{
    // A solar eclipse happens at new moon, a lunar one at full moon (dates in UTC).
    const struct {
        int year;
        MoonPhase phase;
        CivilDate day;
    } eclipses[] = {
        {2024, MoonPhase::New, {2024, 4, 8}},
        {2022, MoonPhase::Full, {2022, 11, 8}},
        {2017, MoonPhase::New, {2017, 8, 21}},
        {2027, MoonPhase::New, {2027, 8, 2}},
    };
    for (const auto& e : eclipses) {
        int near = 0;
        for (const MoonEvent& event : moonPhases(e.year))
            if (event.phase == e.phase && dateOfJulianDay(event.julianDay, 0) == e.day)
                ++near;
        EXPECT_EQ(near, 1) << e.year;
    }
}

class SectionGenerator : public ::testing::Test {
protected:
    vel::testing_support::ScratchDirectory dir;

    // Runs one section on the sources written under dir/src; standard output and error together.
    vel::testing_support::ProcessResult run(const std::string& section) const
    {
        return vel::testing_support::runProcess({std::string(VEL_BIN_DIR) + "/discdata", section, dir / "src",
                                                 dir / "disc", dir / "work", dir / "npm"});
    }
};

TEST_F(SectionGenerator, RefusesBadRecordsNamingFileAndLine)
{
    dir.write("src/tempo/linha.txt", "# eras\nEra: BigBang\n-13800000000 | Há muito | O começo.\nmil | 1000 | Um ano.\n");
    vel::testing_support::ProcessResult result = run("tempo");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.output.find("linha.txt:4: the year \"mil\" is not a number"), std::string::npos) << result.output;

    dir.write("src/curio/vocesabia.txt", "Categoria: Saúde\nTítulo: T\nTexto: X\n");
    dir.write("src/curio/testes.txt", "Categoria: Geral\nPergunta: P?\nOpção: A\nOpção: B\nCerta: 1\nExplicação: E\n");
    result = run("curio");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.output.find("testes.txt:1: a question needs three options"), std::string::npos) << result.output;

    dir.write("src/agenda/agenda.txt", "Ano: 2027\n30/02 | Dia | Não existe.\n");
    result = run("agenda");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.output.find("agenda.txt:2:"), std::string::npos) << result.output;
}

TEST_F(SectionGenerator, WrappedLinesKeepTheirColons)
{
    // A wrapped line that starts with a word and a colon still continues the text above it.
    dir.write("src/retro/artigos.txt", "Categoria: Ciência\nManchete: M\nTexto: Uma frase\ncurta: com dois-pontos.\n");
    const vel::testing_support::ProcessResult result = run("retro");
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(dir.read("work/dados/RTArtigo.dat.lst").find("\"Uma frase curta: com dois-pontos.\""), std::string::npos);
}

} // namespace
