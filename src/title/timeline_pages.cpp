#include "title/timeline_pages.h"

#include <cctype>

namespace vel {

int32_t TimelinePages::startAt(int32_t start) const
{
    if (start >= count_ - kCells)
        start = count_ - kCells - 1;
    return start > 0 ? start : 0;
}

int32_t TimelinePages::showing(int32_t start, int32_t entry) const
{
    if (entry >= start && entry < start + kCells)
        return start;
    return startAt(entry);
}

std::string TimelinePages::cellName(int32_t i)
{
    return "L" + std::to_string(i / kColumn + 1) + "Col" + std::to_string(i % kColumn + 1) + "Text";
}

std::optional<int32_t> searchedYear(std::string_view typed, int32_t eraSign)
{
    if (typed.size() == 11)
        typed.remove_suffix(2);
    while (!typed.empty() && std::isspace(static_cast<unsigned char>(typed.front())))
        typed.remove_prefix(1);
    int32_t year = 0;
    size_t digits = 0;
    for (char c : typed) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || digits == 9)
            break;
        year = year * 10 + (c - '0');
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    return eraSign < 0 ? -year : year;
}

std::optional<int32_t> firstEntryFrom(const std::vector<std::optional<int32_t>>& years, int32_t year)
{
    for (size_t i = 0; i < years.size(); ++i)
        if (years[i] && *years[i] >= year)
            return static_cast<int32_t>(i);
    return std::nullopt;
}

} // namespace vel
