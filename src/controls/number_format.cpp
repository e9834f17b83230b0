#include "controls/number_format.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace vel {

namespace {

// Widths and precisions beyond these only pad: they are refused rather than printed.
constexpr int MaxWidth = 64;
constexpr int MaxPrecision = 30;

// Reads up to two digits at pattern[i]; false when more follow or the number is too large.
bool readSmallNumber(std::string_view pattern, std::size_t& i, int limit)
{
    int n = 0;
    std::size_t start = i;
    while (i < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[i]))) {
        n = n * 10 + (pattern[i] - '0');
        if (n > limit || i - start >= 2)
            return false;
        ++i;
    }
    return true;
}

} // namespace

std::optional<NumberFormat> NumberFormat::parse(std::string_view pattern)
{
    NumberFormat format;
    bool found = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        std::string& literal = found ? format.suffix_ : format.prefix_;
        if (pattern[i] != '%') {
            literal += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            literal += '%';
            ++i;
            continue;
        }
        if (found)
            return std::nullopt;
        std::size_t start = i++;
        while (i < pattern.size() && std::string_view("-+ #0").find(pattern[i]) != std::string_view::npos)
            ++i;
        if (!readSmallNumber(pattern, i, MaxWidth))
            return std::nullopt;
        if (i < pattern.size() && pattern[i] == '.') {
            ++i;
            if (!readSmallNumber(pattern, i, MaxPrecision))
                return std::nullopt;
        }
        if (i + 1 >= pattern.size() || pattern[i] != 'l' || (pattern[i + 1] != 'd' && pattern[i + 1] != 'f'))
            return std::nullopt;
        format.kind_ = pattern[i + 1] == 'd' ? Kind::Integer : Kind::Real;
        ++i;
        format.conversion_ = std::string(pattern.substr(start, i + 1 - start));
        found = true;
    }
    if (!found)
        return std::nullopt;
    return format;
}

std::string NumberFormat::print(double number) const
{
    char out[160];
    if (kind_ == Kind::Integer) {
        // Truncated toward zero, as reading the text as an integer does.
        double whole = std::trunc(std::isfinite(number) ? number : 0.0);
        whole = std::fmin(std::fmax(whole, static_cast<double>(std::numeric_limits<long>::min())),
                          static_cast<double>(std::numeric_limits<long>::max()));
        std::snprintf(out, sizeof out, conversion_.c_str(), static_cast<long>(whole));
    } else {
        // "%lf" is "%f" for printf; the pattern keeps the data's spelling.
        std::snprintf(out, sizeof out, conversion_.c_str(), number);
    }
    return prefix_ + out + suffix_;
}

std::string NumberFormat::apply(std::string_view text) const
{
    std::string copy(text);
    if (kind_ == Kind::Integer)
        return print(static_cast<double>(std::strtol(copy.c_str(), nullptr, 10)));
    return print(std::strtod(copy.c_str(), nullptr));
}

std::optional<double> numberInText(std::string_view text)
{
    std::string copy(text);
    const char* begin = copy.c_str();
    char* end = nullptr;
    double n = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(n))
        return std::nullopt;
    return n;
}

} // namespace vel
