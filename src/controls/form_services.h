// What the library's forms and dialogs share beyond the base form: rollover help tips, the Tab
// order of "TabStopList", sounds and narration, the help file, data files on the installed copy or
// the source disk, and the fade to black before a movie that fills the screen. velLibraryForm and
// velLibraryDialog each own one, made with the form it serves, and hand it their events.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "controls/rollover_tip.h"
#include "value/value.h"

namespace vel {

class Engine;
class History;
class velFormObject;

class FormServices {
public:
    FormServices(Engine& engine, velFormObject& form);

    // The pointer entered a control at (x, y), form coordinates: with "RolloverHelp" on (the form's
    // own, else the environment's), the control's help string is asked for and becomes a tip request.
    void controlEntered(const Value& control, int32_t x, int32_t y);
    // Surface coordinates.
    void pointerMoved(int32_t x, int32_t y) { tip_.pointerMoved(x, y); }
    void dismissTip() { tip_.dismiss(); }
    // The form's idle work: the milliseconds until it is next due, or platform::NothingDue.
    uint32_t idle() { return tip_.idle(); }
    RolloverTip& tip() { return tip_; }

    // Moves the focus along "TabStopList" (backwards for Shift+Tab), wrapping, to the next control
    // that can take it; false when the form has no such list.
    bool tab(bool backward);

    // A sound or a sound name (".", then "AudioExtension", added when it has no dot), replacing what
    // the form was playing; with `wait` it plays to its end. True when it started.
    bool playAudio(const Value& sound, bool wait);
    // Plays the form's "Narrator" (a list plays in order). Unless asked for, only with
    // "SoundEffects" and "PlayNarrator" on.
    void narrate(bool onRequest);
    void stopSound();
    const Value& sound() const { return sound_; }
    // A media notification: "ended" or "aborted" for the form's sound forgets it, and a narration
    // goes on to its next part once one has ended.
    void mediaNotified(const Value& notice);

    // The help file's topic (a negative one: its contents) in a dialog; a message saying why, and
    // false, when there is no help file or it cannot be read.
    bool openHelp(int32_t topic);
    // A data file: on the installed copy with "FullInstall", otherwise the first of the candidate
    // directories (separated by ";") holding it, else on "SourceDisk". The path, found or not.
    std::string locateFile(std::string_view name, std::string_view candidates) const;
    // Before a movie shown full screen or double sized: the screen fades to black over "FadeTime".
    void fadeBeforeMovie();

    History& history();
    // The form is going: its tip, its sound and its narration with it.
    void formClosing();

private:
    void playNextNarration();

    Engine& engine_;
    velFormObject& form_;
    RolloverTip tip_;
    Value sound_;
    // The narration's parts still to play.
    Value narration_;
    int32_t nextPart_ = 0;
};

} // namespace vel
