// The curiosities screen, in two modes. "Você Sabia" shows short texts of a chosen category, drawn
// at random without repeats, with steps back and forward through those shown. "Testes" asks the
// questions of a category the same way, three options each, and keeps the score across categories
// until the screen is left; the explanation shown before answering costs points. Records come from
// "DBVSabia.dat" / "DBTestes.dat", the categories' record numbers from "CVSbCatL.DTT" /
// "CTstCatL.DTT" (a category list: under "Cat" and the button's "CategID", [name, "", records]).
// A did-you-know record is [number, category, title, text]; a question is [number, category,
// question, option 1, option 2, option 3, explanation, the right option's item 3, 4 or 5]
// (docs/section_sources.md).
#pragma once

#include "title/curio_draw.h"
#include "title/menu_bar.h"

namespace vel {

class CurioHForm final : public Named<CurioHForm, BarraMenuForm> {
public:
    static constexpr const char* kClassName = "CurioHForm";
    using Named::Named;

    void open(const Value& data) override;
    void keyDown(int32_t keyCode, int32_t flags) override;

    // For tests: the quiz's counters and the generator.
    const QuizScore& score() const { return score_; }
    RuntimeRandom& random() { return random_; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override { return Value::string("Tela de curiosidades"); }

private:
    enum class Mode { VoceSabia, Testes };
    void enterMode(Mode mode, bool announce);
    void chooseCategory(const Value& control, std::string_view name);
    void showItem(std::optional<int32_t> record);
    void askNext();
    void answer(int32_t option);
    void reveal();
    void showScore();
    void categoryEnded();
    void updateArrows();
    Value record(int32_t number) const;

    Mode mode_ = Mode::VoceSabia;
    Value records_;
    Value categories_;
    ItemDraw draw_;
    QuizScore score_;
    RuntimeRandom random_;
    Value current_;
    bool finished_ = false;
};

// Shown when a quiz category has no questions left: a dialog of the data's, with no code of its own.
class CurioDialog final : public Named<CurioDialog, TitleDialog> {
public:
    static constexpr const char* kClassName = "CurioDialog";
    using Named::Named;
};

} // namespace vel
