// The agenda's perpetual calendar: a date keyed digit by digit (day, month, year, each closed by
// "Enter") and its day of the week in the Gregorian calendar. The digit rules refuse most impossible
// days, months and years as they are keyed; a date that is still none (31 April, year 0) gets no
// weekday.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vel {

// 0 Sunday ... 6 Saturday, for a valid Gregorian date (years 1 to 9999); nothing otherwise.
std::optional<int32_t> gregorianWeekday(int32_t day, int32_t month, int32_t year);

class DateCalculator {
public:
    enum Field { Day = 0, Month = 1, Year = 2 };
    static constexpr int32_t kMaxDigits = 4;

    // True when the digit is taken into the current field.
    bool key(int32_t digit);
    // Closes the field (nothing without a digit). After the year, the weekday of the date keyed,
    // or nothing when that is no date, and keying starts again at the day.
    struct Entered {
        bool closed = false;
        bool dateDone = false;
        std::optional<int32_t> weekday;
    };
    Entered enter();
    // Forgets everything and starts again at the day.
    void init() { *this = DateCalculator(); }
    // Forgets the current field's digits.
    void clear() { digits_.clear(); }

    Field field() const { return field_; }
    const std::vector<int32_t>& digits() const { return digits_; }

private:
    Field field_ = Day;
    std::vector<int32_t> digits_;
    int32_t values_[3] = {0, 0, 0};
};

} // namespace vel
