// Numbers written the Brazilian way: thousands separated by ".", "," before the decimals
// (1.234.567,89). One function for every figure the title shows or its generator writes: the
// articles' country data, the atlas, the data bank's tables.
#pragma once

#include <string>

namespace vel {

// value rounded to `decimals` places (0 to 9; beyond that 9), grouped by thousands. A value that is
// not finite gives "-".
std::string formatNumberPtBr(double value, int decimals);

} // namespace vel
