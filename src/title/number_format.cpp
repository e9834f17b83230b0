#include "title/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vel {

std::string formatNumberPtBr(double value, int decimals)
{
    if (!std::isfinite(value))
        return "-";
    decimals = std::clamp(decimals, 0, 9);
    // printf rounds correctly and gives the digits; only the separators are ours.
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.*f", decimals, std::fabs(value));
    std::string whole(digits);
    std::string fraction;
    if (const auto point = whole.find('.'); point != std::string::npos) {
        fraction = whole.substr(point + 1);
        whole.resize(point);
    }
    std::string out;
    const bool negative = value < 0 && std::string(digits).find_first_not_of("0.") != std::string::npos;
    if (negative)
        out.push_back('-');
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            out.push_back('.');
        out.push_back(whole[i]);
    }
    if (!fraction.empty())
        out += "," + fraction;
    return out;
}

} // namespace vel
