// VideoView: a movie played inside a form (or over the whole media area) with an optional frame
// image around it. The movie is found by "VideoName" under "VideoPath", then "AltVideoPath", or
// picked from the movie list a "VideoArchive" holds. Its end comes back as a media notice: under
// "PlayTillStoped" it starts again, otherwise it stops, and with "DismissCompleted" the view then
// disables itself. While the view is set up but not playing, the picture area shows the black
// still "blackvfw.rle" (plain black without one).
//
// The cue sheet ("CueSheet", a table or the name of one) ties frames to actions: each key a frame
// number, each value a list (control name, action, data) that the current form's control of that
// name performs when playback reaches the frame, or a list of such lists, performed in order. Cues
// that one step of the movie passes all fire, in frame order, so that what they set stands as if
// each frame had shown; a movie that ends fires those past its last frame too; a movie that goes
// back (rewound, started again) fires them again. They are
// checked in the idle work of the library's forms.
//
// With "PlayOnClick" a click starts the movie, or pauses it while it plays.
#pragma once

#include <string>
#include <string_view>

#include "controls/control_idle.h"
#include "controls/library_control.h"

namespace vel {

class Configuration;

// The movie file for a name: "." and "VideoExtension" added when it has no dot, then looked for under
// each directory of "VideoPath" and then "AltVideoPath" (a relative one also under the media root).
// The first candidate when none holds it, so that opening it reports.
std::string findMovieFile(const Configuration& configuration, std::string_view name);

class VideoView : public velLibraryControl, public ControlIdleWork {
public:
    VideoView(Engine& engine, const Value& properties);
    ~VideoView() override;

    Value className() const override { return Value::string("VideoView"); }
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    void dataEvent(const Value& first, const Value& second) override;
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;
    // Fires the cues the movie has reached; the time until the next one is due while it plays.
    uint32_t idle() override;

    // The actions, in this order after the base's. Each answers an integer.
    virtual int32_t reinitialize(const Value& movieName);
    virtual int32_t uninitialize();
    virtual int32_t start();
    virtual int32_t stop();
    virtual int32_t isPlaying() const;
    virtual int32_t pause();
    virtual int32_t rewind();
    virtual int32_t reset();
    virtual int32_t forward();

    // Reads the properties and opens the movie; 1.
    int32_t initialize();
    bool initialized() const { return initialized_; }
    const Value& movie() const { return movie_; }
    // findMovieFile with the engine's configuration.
    std::string resolveMovie(std::string_view name) const;

private:
    // The name from "VideoName", or from the movie list of "VideoArchive" when there is one.
    std::string movieName() const;
    platform::Rect pictureArea() const;
    void drawStill();
    // Fires every cue after the last one fired up to the movie's current frame, or all of them.
    void fireCues(bool toTheEnd = false);
    // One cue: (control name, action, data).
    void performCue(const Value& cue);

    Value movie_;
    Value chosenName_; // a name given to "Reinitialize", kept over "VideoName"
    Value cues_;
    int32_t cuedTo_ = -1;    // the frame up to which the cues have fired
    int32_t seenFrame_ = -1; // the movie's frame when they were last looked at
    bool initialized_ = false;
    bool playTillStopped_ = false;
    bool dismissCompleted_ = false;
    bool fullScreen_ = false;
    int32_t videoX_ = 0;
    int32_t videoY_ = 0;
};

} // namespace vel
