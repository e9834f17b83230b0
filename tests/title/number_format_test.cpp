#include "title/number_format.h"

#include <cmath>
#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(NumberFormat, BrazilianSeparatorsRoundingAndLimits)
{
    const struct {
        double value;
        int decimals;
        const char* shown;
    } cases[] = {
        {1234567.891, 2, "1.234.567,89"}, {0, 0, "0"},           {999, 0, "999"},
        {1000, 0, "1.000"},               {-1234.5, 1, "-1.234,5"}, {0.126, 2, "0,13"},
        {-0.0001, 2, "0,00"},             {999999.999, 2, "1.000.000,00"},
        {1.5, 12, "1,500000000"},         {8515767.049, 0, "8.515.767"},
        {NAN, 2, "-"},                    {INFINITY, 0, "-"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatNumberPtBr(c.value, c.decimals), c.shown) << c.value << " / " << c.decimals;
}

} // namespace
} // namespace vel
