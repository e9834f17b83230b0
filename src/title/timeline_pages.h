// The timeline's paging, apart from the screen: a page shows 15 entries in three columns of five,
// and moves by a column (5) or a page (15) without leaving the entries. The year search finds the
// first entry from a year on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

class TimelinePages {
public:
    static constexpr int32_t kCells = 15;
    static constexpr int32_t kColumn = 5;

    explicit TimelinePages(int32_t count) : count_(count < 0 ? 0 : count) {}

    int32_t count() const { return count_; }
    // A page start moved back, stopping at the first entry.
    int32_t back(int32_t start, int32_t step) const { return start - step > 0 ? start - step : 0; }
    // A page start moved on; near the end it stays at count - 16, as the screen always did.
    int32_t forward(int32_t start, int32_t step) const { return startAt(start + step); }
    // The page start that shows the entry: unchanged when the entry is already on the page.
    int32_t showing(int32_t start, int32_t entry) const;
    // The page that starts at the entry, or the last page near the end.
    int32_t startAt(int32_t entry) const;
    // The control that shows the page's i-th entry (0 to 14).
    static std::string cellName(int32_t i);

private:
    int32_t count_;
};

// The year typed for the search: its digits (an 11-character text loses its last two), times the
// era's sign (-1 before the Christian era). Nothing when there is no number.
std::optional<int32_t> searchedYear(std::string_view typed, int32_t eraSign);

// The first entry whose year is the year or later; entries without a year are passed over.
std::optional<int32_t> firstEntryFrom(const std::vector<std::optional<int32_t>>& years, int32_t year);

} // namespace vel
