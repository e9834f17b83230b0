// The credits: a tall picture ("CreditsImage") rolled upwards through the window "CreditsRect" on
// the timer ("ScrollTimeout" milliseconds a step) with the music "CreditsMusic". It comes up from
// the window's foot and stops once it has left the top; a click or a key goes back to the screen
// before. Leaving stops the roll and the music and gives the title its usual timer back.
#pragma once

#include "title/title_form.h"

namespace vel {

class CreditsForm final : public Named<CreditsForm, TitleScreen> {
public:
    static constexpr const char* kClassName = "CreditsForm";
    static constexpr int32_t kStep = 2;

    using Named::Named;

    void open(const Value& data) override;
    void close() override;
    void timer() override;
    void mouseDown(int32_t x, int32_t y) override;
    void keyDown(int32_t keyCode, int32_t flags) override;

    int32_t offset() const { return offset_; }
    // True once the picture has rolled out of the window.
    bool ended() const;

private:
    void drawRoll();
    void leave();

    Value image_;
    Value music_;
    int32_t offset_ = 0;
    bool leaving_ = false;
};

} // namespace vel
