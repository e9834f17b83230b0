// The curiosities' drawing and scoring, apart from the screen: the runtime's pseudo-random
// generator, the items of a category drawn once each a pass with the steps back through those
// already shown, and the quiz's running score with its sentence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vel {

// The C runtime's generator (values 0 to 32767), so that a seed gives the same draws everywhere.
class RuntimeRandom {
public:
    explicit RuntimeRandom(uint32_t seed = 1) : state_(seed) {}
    void seed(uint32_t seed) { state_ = seed; }
    int32_t next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int32_t>((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_;
};

// A category's records, each drawn at most once until the category is chosen again. What was
// drawn stays in order, so the reader can step back through it and forward again before a new
// record is drawn.
class ItemDraw {
public:
    void start(std::vector<int32_t> records);
    // A record not drawn before in this pass; nothing when every one was.
    std::optional<int32_t> draw(RuntimeRandom& random);
    // Forward: the next record already shown, else a new draw.
    std::optional<int32_t> next(RuntimeRandom& random);
    // Back one record; nothing at the first.
    std::optional<int32_t> previous();
    bool canGoBack() const { return shown_.size() > static_cast<size_t>(offset_) + 1; }
    bool canGoForward() const { return offset_ > 0 || !remaining_.empty(); }
    bool exhausted() const { return remaining_.empty(); }

private:
    std::vector<int32_t> remaining_;
    std::vector<int32_t> shown_;
    int32_t offset_ = 0; // steps back from the last record shown
};

// The quiz's counters: questions asked, right answers, points.
class QuizScore {
public:
    static constexpr int32_t kRightPoints = 100;
    static constexpr int32_t kExplanationCost = 150;

    void reset() { *this = QuizScore(); }
    void ask()
    {
        ++asked_;
        answered_ = revealed_ = false;
    }
    // The chosen option's item against the right one's; true when right. A question is answered
    // once: a second answer changes nothing and counts as wrong.
    bool answer(int32_t chosenItem, int32_t rightItem);
    // The explanation shown, once a question: it costs points unless the question was answered first.
    void reveal();
    bool answered() const { return answered_; }
    int32_t asked() const { return asked_; }
    int32_t right() const { return right_; }
    int32_t points() const { return points_; }
    // The score in rich text, the three numbers in bold.
    std::string sentence() const;

private:
    int32_t asked_ = 0;
    int32_t right_ = 0;
    int32_t points_ = 0;
    bool answered_ = false;
    bool revealed_ = false;
};

} // namespace vel
