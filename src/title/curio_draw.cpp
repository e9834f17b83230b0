#include "title/curio_draw.h"

namespace vel {

void ItemDraw::start(std::vector<int32_t> records)
{
    remaining_ = std::move(records);
    shown_.clear();
    offset_ = 0;
}

std::optional<int32_t> ItemDraw::draw(RuntimeRandom& random)
{
    if (remaining_.empty())
        return std::nullopt;
    const size_t at = static_cast<size_t>(random.next()) % remaining_.size();
    const int32_t record = remaining_[at];
    remaining_.erase(remaining_.begin() + static_cast<std::ptrdiff_t>(at));
    shown_.push_back(record);
    offset_ = 0;
    return record;
}

std::optional<int32_t> ItemDraw::next(RuntimeRandom& random)
{
    if (offset_ == 0)
        return draw(random);
    --offset_;
    return shown_[shown_.size() - 1 - static_cast<size_t>(offset_)];
}

std::optional<int32_t> ItemDraw::previous()
{
    if (!canGoBack())
        return std::nullopt;
    ++offset_;
    return shown_[shown_.size() - 1 - static_cast<size_t>(offset_)];
}

bool QuizScore::answer(int32_t chosenItem, int32_t rightItem)
{
    if (answered_)
        return false;
    answered_ = true;
    if (chosenItem != rightItem)
        return false;
    points_ += kRightPoints;
    ++right_;
    return true;
}

void QuizScore::reveal()
{
    if (!answered_ && !revealed_)
        points_ -= kExplanationCost;
    revealed_ = true;
}

std::string QuizScore::sentence() const
{
    return "De {\\b " + std::to_string(asked_) + "} voc\xEA acertou {\\b " + std::to_string(right_) + "} somando {\\b " +
           std::to_string(points_) + "} pontos.";
}

} // namespace vel
