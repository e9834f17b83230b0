// The main screen (MainForm): one button per section, quit, audio help, and the brand video, which
// plays on the first visit of a run only (the environment's "VantaPlayedAlready"); later visits and
// a stopped video show its still picture ("VantaVideoBmp"). While the video plays, a press outside
// the buttons or a key only stops it; once it has ended or been stopped by its end, the screen's
// narration follows.
#pragma once

#include "title/title_form.h"

namespace vel {

class MainForm final : public Named<MainForm, TitleScreen> {
public:
    static constexpr const char* kClassName = "MainForm";
    using Named::Named;

    void open(const Value& data) override;
    void afterOpen() override;
    void close() override;
    void mouseDown(int32_t x, int32_t y) override;
    void keyDown(int32_t keyCode, int32_t flags) override;
    void dataEvent(const Value& first, const Value& second) override;

    bool videoPlaying() const { return playing_; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;

private:
    void startVideo();
    void stopVideo();
    void showStill();

    bool playing_ = false;
};

} // namespace vel
