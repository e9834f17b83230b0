#include "title/calculator_keys.h"

namespace vel {

std::optional<int32_t> gregorianWeekday(int32_t day, int32_t month, int32_t year)
{
    static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return std::nullopt;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0))
        return std::nullopt;
    // Sakamoto's method: March starts the counted year, so February's leap day falls at its end.
    static constexpr int32_t kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int32_t y = month < 3 ? year - 1 : year;
    return (y + y / 4 - y / 100 + y / 400 + kOffsets[month - 1] + day) % 7;
}

bool DateCalculator::key(int32_t digit)
{
    if (digit < 0 || digit > 9)
        return false;
    const size_t c = digits_.size();
    if (c >= kMaxDigits || (field_ != Year && c >= 2))
        return false;
    if (field_ == Year && c == 0 && digit >= 3)
        return false;
    if (field_ == Day && c == 1 && digits_[0] >= 3 && digit >= 2)
        return false;
    if (field_ == Month && ((c == 0 && digit >= 2) || (c == 1 && digits_[0] == 1 && digit >= 3)))
        return false;
    digits_.push_back(digit);
    return true;
}

DateCalculator::Entered DateCalculator::enter()
{
    Entered result;
    if (digits_.empty())
        return result;
    int32_t value = 0;
    for (int32_t d : digits_)
        value = value * 10 + d;
    values_[field_] = value;
    digits_.clear();
    result.closed = true;
    if (field_ != Year) {
        field_ = static_cast<Field>(field_ + 1);
        return result;
    }
    result.dateDone = true;
    result.weekday = gregorianWeekday(values_[Day], values_[Month], values_[Year]);
    field_ = Day;
    return result;
}

} // namespace vel
