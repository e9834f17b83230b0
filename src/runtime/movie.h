// Movies (tag 20): a movie file opened through its device type, shown at a destination rectangle of
// the media area (or over all of it) and played at its own rate on the engine's clock, with its sound
// through the movie sound output. Frames are drawn into the drawing surface's presented frame, as the
// movie window lay over the main window: the off-screen surface keeps the form beneath, so hiding
// or closing a movie gives the form back its area. A playing movie advances in the event fetch's
// idle work (Movies::advancePlaying); its end and its interruption come back as media notifications,
// "ended" and "aborted". A movie that fails to open says so once and then does nothing.
//
// Positions (play's from and to, position, the count) are frame numbers, as the movie devices count
// by default.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pixels.h"
#include "platform/video_decoder.h"
#include "runtime/movie_devices.h"
#include "value/protocols.h"
#include "value/value.h"

namespace vel {

class DrawingSurface;
class Engine;
class Movies;

class Movie final : public Object, public GeometryProtocol, public MediaProtocol, public CollectionProtocol {
public:
    // Not opened yet: that happens on first use.
    static Value make(Movies& movies, const std::string& path, std::string_view extension);
    ~Movie() override;

    const std::string& path() const { return path_; }
    // The extension, upper-cased, as the device-type table is keyed.
    const std::string& extension() const { return extension_; }
    // Empty until opened.
    const std::string& deviceType() const { return deviceType_; }

    // Opens on first use; false when it failed (now or before).
    bool open();
    bool opened() const { return opened_; }
    bool failed() const { return failed_; }
    int32_t naturalWidth() const { return naturalWidth_; }
    int32_t naturalHeight() const { return naturalHeight_; }
    double frameRate() const;

    // Places the movie (a position or size below 0 keeps the current one; full screen, or the
    // settings FullScreenVideo with MaximizeWindow, fill the media area), shows it and plays it to
    // the end with notification.
    bool showAndPlay(int32_t x, int32_t y, int32_t width, int32_t height, bool fullScreen = false);

    // from < 0 plays on from the current frame (from the first when the movie is at its end); to < 0
    // plays to the end. wait: returns when playing is over, the clock having run the movie.
    bool play(int32_t from, int32_t to, bool wait) override;
    void stop() override;
    bool isPlaying() const override { return state_ == State::Playing; }
    bool show() override;
    bool hide() override;
    bool move(int32_t x, int32_t y) override;
    bool setSize(int32_t width, int32_t height) override;
    bool isShown() const { return visible_; }

    // Holds the picture; play goes on from there.
    bool pause();
    bool isPaused() const { return state_ == State::Paused; }
    // Back to the first frame, which is shown when the movie is.
    bool rewind();
    bool seek(int32_t frame);
    // The frame shown last, or -1 when none is.
    int32_t position() const;

    // Stops (with "aborted" when it played), hides and releases the file and the device type.
    void close();

    // Draws the frame that is due, and ends the play when the last is over; the idle work's step.
    void advance();
    // Draws the current frame again, after something was drawn over the movie's area.
    void repaint();

    int32_t left() const override { return placed_.left; }
    int32_t top() const override { return placed_.top; }
    int32_t width() const override;
    int32_t height() const override;
    // The movie's length in frames.
    int32_t collectionCount() const override;

private:
    enum class State { Closed, Stopped, Playing, Paused };
    Movie(Movies& movies, std::string path, std::string extension)
        : movies_(movies), path_(std::move(path)), extension_(std::move(extension))
    {
    }
    Value self() const { return Value::share(Tag::Movie, this); }
    void place(int32_t x, int32_t y, int32_t width, int32_t height, bool fullScreen);
    void restoreArea();
    void draw();
    // Dialogs opened over the form the movie plays on lie above it, as windows stacked over it would:
    // their pixels go back over the frame just drawn.
    void keepDialogsOnTop(DrawingSurface& surface, const platform::Rect& visible);
    void finish(const char* word);
    void pumpSound();
    // Decodes up to the next picture and makes it the current one.
    void decodeCurrentFrame();
    int64_t clockMs() const;
    int64_t frameMs(int64_t frame) const;

    Movies& movies_;
    std::string path_;
    std::string extension_;
    std::string deviceType_;
    uint64_t deviceGeneration_ = 0;
    platform::VideoDecoder decoder_;
    bool opened_ = false;
    bool failed_ = false;
    int32_t naturalWidth_ = 0;
    int32_t naturalHeight_ = 0;

    State state_ = State::Closed;
    bool visible_ = false;
    bool sized_ = false;
    bool atEnd_ = false;
    bool decodedAll_ = false;
    platform::Rect placed_;   // as asked, in the coordinates of the form that placed it
    platform::Rect onScreen_; // in surface pixels
    platform::Rect drawn_;    // the surface area the last frame covered
    const Object* playedOn_ = nullptr; // the form current when play began; only compared, never followed
    uint32_t startClock_ = 0;
    int64_t startMs_ = 0;
    int64_t endMs_ = -1;
    std::vector<uint32_t> scratch_;
    std::vector<int16_t> sound_;
};

inline Movie* asMovie(const Value& v) { return v.is(Tag::Movie) ? dynamic_cast<Movie*>(v.object()) : nullptr; }

// The movie's sound leaves through this. One movie sounds at a time: the one started last.
class MovieSoundSink {
public:
    virtual ~MovieSoundSink() = default;
    // The samples wanted: interleaved 16-bit at this rate and channel count.
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    virtual void start() = 0;
    virtual void queue(const int16_t* samples, size_t frames) = 0;
    // No more will come: what is queued plays out.
    virtual void end() = 0;
    // Silence at once.
    virtual void stop() = 0;
};
// The MCI error report: "MCI error (N): text", or the operation's name when there is no text.
std::string movieErrorReport(int code, std::string_view text, std::string_view operation);

// The movies of an engine. They draw into its surface, post their notifications to its queue, say
// their failures in its message boxes and sound through its mixer unless given another sink.
class Movies {
public:
    explicit Movies(Engine& engine);
    ~Movies();

    // Movie from file: extension empty takes the path's own.
    Value open(const std::string& path, std::string_view extension = {});

    // The idle work's movie step: advances every playing movie.
    void advancePlaying();
    bool anyPlaying() const;
    // Draws every shown movie's current frame again (after the surface was updated over them).
    void repaintAll();
    // Stops and closes every movie in the playing list, last first, then forgets the opened device
    // types.
    void closeAll();

    // The device type for an extension (any case), from the table of built-in entries and the
    // profile file's "mci extensions" section; empty when there is none.
    std::string deviceType(std::string_view extension);
    // How many open movies use the device type; 0 when it is not open.
    int32_t deviceUseCount(std::string_view deviceType) const { return devices_.useCount(deviceType); }
    // Forgets the device-type table, so that the next look-up reads it again: from the profile file
    // given, or when none is, from the application's.
    void resetDeviceTypes(const std::string& profileFile = {});

    // The audio mixer's movie source: the sink movies use unless told otherwise.
    MovieSoundSink& mixerSound() { return *mixerSound_; }
    // nullptr: movies opened from now on decode no sound.
    void useSoundSink(MovieSoundSink* sink);

private:
    friend class Movie;
    DrawingSurface* stage();
    void notice(const std::string& text);
    void reportError(int code, std::string_view text, std::string_view operation);
    void leavePlaying(const Movie* movie);
    bool inPlaying(const Movie* movie) const;

    Engine& engine_;
    MovieDevices devices_;
    std::string profileFile_; // empty: the application's
    std::vector<Value> playing_;
    std::vector<Movie*> live_;
    Movie* sounding_ = nullptr;
    std::unique_ptr<MovieSoundSink> mixerSound_;
    MovieSoundSink* sink_ = nullptr;
};

} // namespace vel
