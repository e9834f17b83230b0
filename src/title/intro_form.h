// IntroForm: the opening screen. It plays the intro movie over the whole media area, the screen
// faded out before and in after; a click on its "ScreenHotspot", any key, or the movie's end takes
// the reader on to the main screen, which start-up put in the history before opening the intro.
// Opened with a list: the movie's name (a name without a dot takes "VideoExtension"), then the
// player's wait flag. A movie that is missing or cannot play goes straight on.
#pragma once

#include "controls/library_form.h"

namespace vel {

class IntroForm : public velLibraryForm {
public:
    IntroForm(Engine& engine, const Value& properties) : velLibraryForm(engine, properties) {}

    Value className() const override { return Value::string("IntroForm"); }
    Value createInstance(const Value& data) const override;
    void open(const Value& data) override;
    void afterOpen() override;
    // A quit while the intro plays stops the movie first.
    void close() override;
    void controlClicked(const Value& control) override;
    void keyDown(int32_t keyCode, int32_t flags) override;
    void dataEvent(const Value& first, const Value& second) override;

private:
    // Starts the movie; false when there is none to play.
    bool playMovie(const Value& name, bool wait);
    void stopMovie();
    // Stops the movie, fades out and goes back to the screen under the intro in the history.
    void finish();
    void fade(bool out);

    Value movie_;
    bool finished_ = false;
};

} // namespace vel
