#include "title/timeline_pages.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(TimelinePages, MovesStopAtTheFirstEntryAndNeverPassCountLess16)
{
    const struct {
        int32_t count, start, step;
        bool forward;
        int32_t expected;
    } cases[] = {
        {100, 10, 15, false, 0}, {100, 10, 5, false, 5}, {100, 3, 5, false, 0},  {100, 60, 15, true, 75},
        {100, 70, 15, true, 84}, {100, 84, 5, true, 84}, {100, 79, 5, true, 84}, {100, 78, 5, true, 83},
        {10, 0, 15, true, 0},    {0, 0, 5, true, 0},
    };
    for (const auto& c : cases) {
        const TimelinePages pages(c.count);
        EXPECT_EQ(c.forward ? pages.forward(c.start, c.step) : pages.back(c.start, c.step), c.expected)
            << c.count << " " << c.start << " " << c.step;
    }
    const TimelinePages pages(100);
    EXPECT_EQ(pages.showing(20, 34), 20);
    EXPECT_EQ(pages.showing(20, 35), 35);
    EXPECT_EQ(pages.showing(20, 19), 19);
    EXPECT_EQ(pages.showing(20, 90), 84);
    EXPECT_EQ(TimelinePages::cellName(0), "L1Col1Text");
    EXPECT_EQ(TimelinePages::cellName(7), "L2Col3Text");
    EXPECT_EQ(TimelinePages::cellName(14), "L3Col5Text");
}

TEST(TimelinePages, TheYearSearchFindsTheFirstEntryFromTheYearOn)
{
    const std::vector<std::optional<int32_t>> years = {-3000, -776, std::nullopt, -490, -44, 476, 1500, 2000};
    const struct {
        const char* typed;
        int32_t sign;
        std::optional<int32_t> entry;
    } cases[] = {
        {"500", -1, 3},     {"500", 1, 6},       {"776", -1, 1},      {"0000", 1, 5},   {"0000", -1, 5},
        {"9999", 1, {}},    {"abc", 1, {}},      {"", -1, {}},        {" 44", -1, 4},   {"1500 ", 1, 6},
        {"00000150099", 1, 6}, {"99999999999999", 1, {}},
    };
    for (const auto& c : cases) {
        const auto year = searchedYear(c.typed, c.sign);
        EXPECT_EQ(year ? firstEntryFrom(years, *year) : std::nullopt, c.entry) << c.typed << " " << c.sign;
    }
}

} // namespace
} // namespace vel
