#include "title/curio_draw.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace vel {
namespace {

TEST(CurioDraw, APassDrawsEveryRecordOnceAndTheStepsBackReplayBeforeANewDraw)
{
    RuntimeRandom random(12345);
    ItemDraw draw;
    for (int pass = 0; pass < 2; ++pass) {
        draw.start({4, 8, 15, 16, 23, 42});
        std::set<int32_t> seen;
        while (auto r = draw.draw(random))
            EXPECT_TRUE(seen.insert(*r).second) << "drawn twice: " << *r;
        EXPECT_EQ(seen, (std::set<int32_t>{4, 8, 15, 16, 23, 42}));
    }
    draw.start({1, 2, 3, 4});
    std::vector<int32_t> shown;
    for (int i = 0; i < 3; ++i)
        shown.push_back(*draw.next(random));
    EXPECT_EQ(draw.previous(), shown[1]);
    EXPECT_EQ(draw.previous(), shown[0]);
    EXPECT_EQ(draw.previous(), std::nullopt);
    EXPECT_EQ(draw.next(random), shown[1]);
    EXPECT_EQ(draw.next(random), shown[2]);
    const auto fresh = draw.next(random);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), *fresh), 0);
    EXPECT_FALSE(draw.canGoForward());
    EXPECT_EQ(draw.next(random), std::nullopt);
}

TEST(CurioDraw, TheGeneratorIsTheCRuntimes)
{
    RuntimeRandom random(1);
    for (int32_t expected : {41, 18467, 6334, 26500})
        EXPECT_EQ(random.next(), expected);
}

TEST(QuizScore, AnswersAndExplanationsMakeTheSentence)
{
    const struct {
        // per question: the option chosen (0: none), then whether the explanation was shown before (1)
        // or after (2) answering
        std::vector<std::pair<int32_t, int32_t>> questions;
        const char* sentence;
    } cases[] = {
        {{{3, 0}, {4, 0}, {3, 0}}, "De {\\b 3} voc\xEA acertou {\\b 2} somando {\\b 200} pontos."},
        {{{4, 0}}, "De {\\b 1} voc\xEA acertou {\\b 0} somando {\\b 0} pontos."},
        {{{0, 1}}, "De {\\b 1} voc\xEA acertou {\\b 0} somando {\\b -150} pontos."},
        {{{3, 2}}, "De {\\b 1} voc\xEA acertou {\\b 1} somando {\\b 100} pontos."},
        {{{3, 1}, {0, 1}}, "De {\\b 2} voc\xEA acertou {\\b 1} somando {\\b -200} pontos."},
    };
    for (const auto& c : cases) {
        QuizScore score;
        for (const auto& [chosen, reveal] : c.questions) {
            score.ask();
            if (reveal == 1)
                score.reveal(), score.reveal();
            if (chosen)
                score.answer(chosen, 3), score.answer(3, 3);
            if (reveal == 2)
                score.reveal();
        }
        EXPECT_EQ(score.sentence(), c.sentence);
    }
}

} // namespace
} // namespace vel
