#include "runtime/movie.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

#include "platform/audio_mixer.h"
#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/media_path.h"
#include "platform/message_box.h"
#include "runtime/application.h"
#include "runtime/environment.h"
#include "runtime/event.h"
#include "runtime/media_notifications.h"
#include "runtime/resources.h"
#include "runtime/surface.h"
#include "value/list.h"

namespace vel {

using platform::PixelView;
using platform::Rect;

namespace {

constexpr std::string_view AviDevice = "AVIVideo";
constexpr std::string_view MpegDevice = "MPEGVideo";
// The report's number when a device type cannot be opened: there is no library text for it, so the
// report names the operation.
constexpr int DeviceUnavailable = 100;

// The device types behind the extensions when the profile names none: AVI through the AVI reader
// alone, everything else through the device that reads whatever FFmpeg does.
constexpr std::pair<std::string_view, std::string_view> BuiltInDeviceTypes[] = {
    {"AVI", AviDevice},   {"MPG", MpegDevice},  {"MPEG", MpegDevice}, {"MPE", MpegDevice},  {"M1V", MpegDevice},
    {"MPV", MpegDevice},  {"M2V", MpegDevice},  {"DAT", MpegDevice},  {"VOB", MpegDevice},  {"MOV", MpegDevice},
    {"QT", MpegDevice},   {"MP4", MpegDevice},  {"M4V", MpegDevice},  {"ASF", MpegDevice},  {"WMV", MpegDevice},
    {"MKV", MpegDevice},  {"WEBM", MpegDevice}, {"OGV", MpegDevice},  {"FLV", MpegDevice},
};

void showNotice(std::string_view text) { platform::showMessageBox(kProductTitle, text); }

class MixerSound final : public MovieSoundSink {
public:
    int rate() const override { return platform::AudioMixer::Rate; }
    int channels() const override { return platform::AudioMixer::Channels; }
    void start() override
    {
        platform::AudioMixer& mixer = platform::audioMixer();
        mixer.ensureOpen();
        mixer.clearMovieSamples();
    }
    void queue(const int16_t* samples, size_t frames) override
    {
        platform::audioMixer().pushMovieSamples(samples, frames, Channels, Rate);
    }
    void end() override { platform::audioMixer().finishMovieSamples(); }
    void stop() override { platform::audioMixer().clearMovieSamples(); }

private:
    static constexpr int Rate = platform::AudioMixer::Rate;
    static constexpr int Channels = platform::AudioMixer::Channels;
};

MixerSound& mixerSound()
{
    static MixerSound sink;
    return sink;
}

struct MovieState {
    std::optional<std::vector<std::pair<std::string, std::string>>> deviceTypes;
    std::string profileFile; // empty: the application's
    std::map<std::string, int32_t> openDevices;
    uint64_t generation = 1; // bumped when close all forgets the open devices
    std::vector<Value> playing;
    std::vector<Movie*> live;
    Movie* sounding = nullptr;
    MovieSoundSink* sink = &mixerSound();
    DrawingSurface* surface = nullptr;
    MovieNoticeHook notice = showNotice;
};

MovieState& movies()
{
    // Never destroyed: a movie value held by some other static may go after it at exit.
    static MovieState* state = new MovieState;
    return *state;
}

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(toUpper1252(static_cast<unsigned char>(c)));
    return out;
}

bool sameName(std::string_view a, std::string_view b) { return platform::sameNameIgnoringCase(a, b); }

void notice(const std::string& text) { movies().notice(text); }

DrawingSurface* stageSurface()
{
    if (movies().surface)
        return movies().surface;
    velApplication* app = velApplication::current();
    return app && app->hasWindow() ? &app->surface() : nullptr;
}

// The containers each device type reads; empty: any that has pictures.
std::string_view containersOf(std::string_view deviceType)
{
    return sameName(deviceType, AviDevice) ? "avi" : "";
}

bool deviceAvailable(std::string_view deviceType)
{
    if (sameName(deviceType, AviDevice))
        return platform::VideoDecoder::containerAvailable("avi");
    if (sameName(deviceType, MpegDevice))
        return platform::VideoDecoder::containerAvailable("mpeg");
    return false;
}

void reportError(int code, std::string_view text, std::string_view operation)
{
    if (environment::getTruth("ShowVideoErrors", false))
        notice(movieErrorReport(code, text, operation));
}

void loadDeviceTypes()
{
    MovieState& state = movies();
    if (state.deviceTypes)
        return;
    state.deviceTypes.emplace();
    // The profile's section stands in for the system's list of extensions; its entries come first.
    std::string profileFile = state.profileFile;
    if (profileFile.empty())
        if (velApplication* app = velApplication::current())
            profileFile = standardConfigurationSources(app->moduleDirectory()).profileFile;
    if (auto profile = profileFile.empty() ? std::nullopt : platform::IniFile::load(profileFile))
        for (auto& [extension, type] : profile->section("mci extensions"))
            if (!type.empty())
                state.deviceTypes->emplace_back(upper(extension), type);
    for (auto [extension, type] : BuiltInDeviceTypes)
        state.deviceTypes->emplace_back(std::string(extension), std::string(type));
}

void leavePlaying(const Movie* movie)
{
    auto& playing = movies().playing;
    for (auto it = playing.begin(); it != playing.end(); ++it) {
        if (it->object() == movie) {
            // Moved out first: dropping the list's reference may end the movie's life.
            Value gone = std::move(*it);
            playing.erase(it);
            return;
        }
    }
}

bool inPlaying(const Movie* movie)
{
    for (const Value& v : movies().playing)
        if (v.object() == movie)
            return true;
    return false;
}

Value makeMovieForPath(const std::string& path) { return movieFromFile(path); }

} // namespace

// ---- the movie ----

Value Movie::make(const std::string& path, std::string_view extension)
{
    auto* movie = new Movie(path, upper(extension));
    movies().live.push_back(movie);
    return Value::adopt(Tag::Movie, movie);
}

Movie::~Movie()
{
    MovieState& state = movies();
    if (state.sounding == this) {
        if (state.sink)
            state.sink->stop();
        state.sounding = nullptr;
    }
    if (opened_ && deviceGeneration_ == state.generation) {
        auto it = state.openDevices.find(deviceType_);
        if (it != state.openDevices.end() && --it->second <= 0)
            state.openDevices.erase(it);
    }
    std::erase(state.live, this);
}

double Movie::frameRate() const { return opened_ ? decoder_.info().frameRate : 0; }

int64_t Movie::frameMs(int64_t frame) const
{
    double rate = opened_ ? decoder_.info().frameRate : 25.0;
    return static_cast<int64_t>(std::llround(static_cast<double>(frame) * 1000.0 / rate));
}

bool Movie::open()
{
    if (opened_)
        return true;
    if (failed_)
        return false;
    MovieState& state = movies();

    deviceType_ = movieDeviceType(extension_);
    if (deviceType_.empty()) {
        failed_ = true;
        notice("Unrecognized movie file type: " + extension_);
        return false;
    }
    auto device = state.openDevices.find(deviceType_);
    const bool deviceWasOpen = device != state.openDevices.end();
    if (!deviceWasOpen) {
        if (!deviceAvailable(deviceType_)) {
            failed_ = true;
            reportError(DeviceUnavailable, {}, "open " + deviceType_);
            notice("Cannot initialize video subsystem with this MCI driver: " + deviceType_);
            return false;
        }
        device = state.openDevices.emplace(deviceType_, 0).first;
    }
    ++device->second;

    if (state.sink)
        decoder_.setSoundOutput(state.sink->rate(), state.sink->channels());
    if (!decoder_.open(path_, containersOf(deviceType_))) {
        // The device's count goes back down: a movie that never opened holds no device.
        if (--device->second <= 0)
            state.openDevices.erase(device);
        failed_ = true;
        reportError(decoder_.errorCode(), decoder_.errorText(), "open element ");
        notice("Cannot instantiate movie: " + path_);
        return false;
    }
    deviceGeneration_ = state.generation;
    naturalWidth_ = decoder_.info().width;
    naturalHeight_ = decoder_.info().height;
    if (!sized_)
        placed_ = onScreen_ = Rect::sized(placed_.left, placed_.top, naturalWidth_, naturalHeight_);
    opened_ = true;
    state_ = State::Stopped;
    return true;
}

void Movie::place(int32_t x, int32_t y, int32_t width, int32_t height, bool fullScreen)
{
    DrawingSurface* surface = stageSurface();
    if (fullScreen || (environment::getTruth("FullScreenVideo", false) && environment::getTruth("MaximizeWindow", false))) {
        int32_t w = surface ? surface->width() : mediaWidth();
        int32_t h = surface ? surface->height() : mediaHeight();
        placed_ = onScreen_ = Rect::sized(0, 0, w, h);
        sized_ = true;
        return;
    }
    int32_t left = x >= 0 ? x : placed_.left;
    int32_t top = y >= 0 ? y : placed_.top;
    int32_t w = width > 0 ? width : placed_.width();
    int32_t h = height > 0 ? height : placed_.height();
    placed_ = Rect::sized(left, top, w, h);
    onScreen_ = surface ? surface->toSurface(placed_) : placed_;
    sized_ = sized_ || width > 0 || height > 0;
}

bool Movie::showAndPlay(int32_t x, int32_t y, int32_t width, int32_t height, bool fullScreen)
{
    Value keep = self();
    if (!open())
        return false;
    // The steps that switch off the window's background erasing, give the movie the screen palette
    // and give the MPEG overlay its key colour have nothing to do here: the surface is true colour,
    // nothing erases it, and movies are drawn into it rather than overlaid.
    if (width > platform::VideoDecoder::MaxDimension || height > platform::VideoDecoder::MaxDimension)
        return false;
    restoreArea();
    place(x, y, width, height, fullScreen);
    visible_ = true;
    return play(-1, -1, false);
}

bool Movie::play(int32_t from, int32_t to, bool wait)
{
    Value keep = self();
    if (!open())
        return false;
    MovieState& state = movies();
    if (state_ == State::Playing)
        postMediaNotification(self(), "aborted"); // the earlier play is superseded
    if (from >= 0) {
        if (!seek(from))
            return false;
    } else if (atEnd_ || (decodedAll_ && !decoder_.hasUpcoming())) {
        // Played on from its end, a movie would end at once; it starts again instead.
        if (!seek(0))
            return false;
    }
    endMs_ = to >= 0 ? frameMs(static_cast<int64_t>(to) + 1) : -1;
    startMs_ = decoder_.hasCurrent() ? decoder_.currentMs() : 0;
    startClock_ = platform::clock().now();
    atEnd_ = false;
    state_ = State::Playing;
    visible_ = true;
    if (!inPlaying(this))
        state.playing.push_back(self());
    if (state.sounding && state.sounding != this && state.sink)
        state.sink->stop();
    state.sounding = this;
    if (state.sink && decoder_.info().hasSound)
        state.sink->start();
    draw();
    advance();
    if (wait) {
        platform::Clock& clock = platform::clock();
        const auto step = static_cast<uint32_t>(std::max<int64_t>(1, frameMs(1)));
        while (state_ == State::Playing) {
            clock.sleep(step);
            advance();
        }
    }
    return true;
}

int64_t Movie::clockMs() const
{
    return startMs_ + static_cast<int64_t>(static_cast<uint32_t>(platform::clock().now() - startClock_));
}

void Movie::pumpSound()
{
    MovieState& state = movies();
    if (!decoder_.takeSound(sound_))
        return;
    // Sound decoded for another sink's format (the sink changed since the movie opened) is dropped:
    // the sink would read it with its own channel count.
    if (state.sink && state.sounding == this && state_ == State::Playing &&
        state.sink->channels() == decoder_.soundChannels() && state.sink->rate() == decoder_.soundRate())
        state.sink->queue(sound_.data(), sound_.size() / static_cast<size_t>(decoder_.soundChannels()));
    sound_.clear();
}

void Movie::advance()
{
    if (state_ != State::Playing)
        return;
    Value keep = self();
    const int64_t now = clockMs();
    bool changed = false;
    for (;;) {
        if (!decoder_.hasUpcoming() && !decodedAll_) {
            platform::VideoDecoder::Step step = decoder_.decodeNext();
            pumpSound();
            if (step == platform::VideoDecoder::Step::End)
                decodedAll_ = true;
            else if (step == platform::VideoDecoder::Step::Pending)
                break;
        }
        if (decoder_.hasUpcoming() && decoder_.upcomingMs() <= now &&
            (endMs_ < 0 || decoder_.upcomingMs() < endMs_)) {
            decoder_.takeUpcoming();
            changed = true;
            continue;
        }
        break;
    }
    if (changed)
        draw();

    const int64_t lastOver = decoder_.hasCurrent() ? decoder_.currentMs() + frameMs(1) : startMs_;
    const bool noMore = decodedAll_ && !decoder_.hasUpcoming();
    const bool over = (noMore && now >= lastOver) || (endMs_ >= 0 && now >= endMs_);
    if (over) {
        atEnd_ = true;
        finish("ended");
    }
}

void Movie::finish(const char* word)
{
    Value keep = self();
    MovieState& state = movies();
    state_ = State::Stopped;
    if (state.sounding == this) {
        if (state.sink) {
            if (std::string_view(word) == "ended")
                state.sink->end();
            else
                state.sink->stop();
        }
        state.sounding = nullptr;
    }
    postMediaNotification(keep, word);
    leavePlaying(this);
}

void Movie::stop()
{
    if (state_ == State::Playing || state_ == State::Paused)
        finish("aborted");
}

bool Movie::pause()
{
    if (state_ != State::Playing)
        return false;
    state_ = State::Paused;
    MovieState& state = movies();
    if (state.sounding == this && state.sink)
        state.sink->stop();
    return true;
}

bool Movie::seek(int32_t frame)
{
    if (!open() || frame < 0)
        return false;
    if (!decoder_.seek(frameMs(frame))) {
        reportError(decoder_.errorCode(), decoder_.errorText(), "seek");
        return false;
    }
    decodedAll_ = false;
    atEnd_ = false;
    // The frame sought becomes the current one, so that a shown movie shows it.
    decodeCurrentFrame();
    if (state_ == State::Playing) {
        startMs_ = decoder_.hasCurrent() ? decoder_.currentMs() : 0;
        startClock_ = platform::clock().now();
    }
    draw();
    return true;
}

bool Movie::rewind() { return seek(0); }

void Movie::decodeCurrentFrame()
{
    for (int rounds = 0; rounds < 1024; ++rounds) {
        platform::VideoDecoder::Step step = decoder_.decodeNext();
        pumpSound();
        if (step == platform::VideoDecoder::Step::Frame) {
            decoder_.takeUpcoming();
            break;
        }
        if (step == platform::VideoDecoder::Step::End) {
            decodedAll_ = true;
            break;
        }
    }
    // The sound decoded on the way belongs before the frame: none of it is played.
    sound_.clear();
}

int32_t Movie::position() const
{
    if (!opened_ || !decoder_.hasCurrent())
        return -1;
    return static_cast<int32_t>(std::llround(decoder_.currentMs() * decoder_.info().frameRate / 1000.0));
}

bool Movie::show()
{
    Value keep = self();
    if (!open())
        return false;
    visible_ = true;
    if (!decoder_.hasCurrent() && !decodedAll_) {
        decodeCurrentFrame();
    }
    draw();
    return true;
}

bool Movie::hide()
{
    if (!open())
        return false;
    visible_ = false;
    restoreArea();
    return true;
}

bool Movie::move(int32_t x, int32_t y)
{
    if (!open())
        return false;
    restoreArea();
    place(x, y, -1, -1, false);
    draw();
    return true;
}

bool Movie::setSize(int32_t width, int32_t height)
{
    if (!open() || width > platform::VideoDecoder::MaxDimension || height > platform::VideoDecoder::MaxDimension)
        return false;
    restoreArea();
    place(-1, -1, width, height, false);
    draw();
    return true;
}

void Movie::close()
{
    Value keep = self();
    if (!opened_)
        return;
    stop();
    leavePlaying(this); // a paused movie leaves too
    visible_ = false;
    restoreArea();
    MovieState& state = movies();
    if (deviceGeneration_ == state.generation) {
        auto it = state.openDevices.find(deviceType_);
        if (it != state.openDevices.end() && --it->second <= 0)
            state.openDevices.erase(it);
    }
    decoder_.close();
    opened_ = false;
    decodedAll_ = false;
    atEnd_ = false;
    state_ = State::Closed;
}

void Movie::repaint() { draw(); }

void Movie::draw()
{
    DrawingSurface* surface = stageSurface();
    if (!surface || !visible_ || !opened_ || !decoder_.hasCurrent())
        return;
    const Rect visible = onScreen_.intersect(Rect{0, 0, surface->width(), surface->height()});
    if (visible.empty())
        return;
    PixelView frame = surface->frame().pixels();
    const int w = onScreen_.width(), h = onScreen_.height();
    if (visible.left == onScreen_.left && visible.top == onScreen_.top && visible.right == onScreen_.right &&
        visible.bottom == onScreen_.bottom) {
        // Scaled straight into the presented frame: no copy in between.
        PixelView area{frame.row(visible.top) + visible.left, w, h, frame.stride};
        if (!decoder_.convertCurrent(area))
            return;
    } else {
        // Partly outside: scaled whole aside, then the visible part copied. A picture far larger than
        // the surface is not worth the memory; it is not drawn.
        if (static_cast<int64_t>(w) * h > 4 * static_cast<int64_t>(surface->width()) * surface->height())
            return;
        scratch_.resize(static_cast<size_t>(w) * h);
        PixelView whole{scratch_.data(), w, h, w};
        if (!decoder_.convertCurrent(whole))
            return;
        for (int y = visible.top; y < visible.bottom; ++y)
            std::memcpy(frame.row(y) + visible.left,
                        whole.row(y - onScreen_.top) + (visible.left - onScreen_.left),
                        static_cast<size_t>(visible.width()) * sizeof(uint32_t));
    }
    surface->frame().changed();
    drawn_ = visible;
    surface->present();
}

void Movie::restoreArea()
{
    DrawingSurface* surface = stageSurface();
    if (!surface || drawn_.empty())
        return;
    surface->frame().copyFrom(surface->offscreen(), drawn_, drawn_.left, drawn_.top);
    drawn_ = Rect{};
    surface->present();
}

int32_t Movie::width() const
{
    if (!sized_)
        const_cast<Movie*>(this)->open();
    return placed_.width();
}

int32_t Movie::height() const
{
    if (!sized_)
        const_cast<Movie*>(this)->open();
    return placed_.height();
}

int32_t Movie::collectionCount() const
{
    if (!const_cast<Movie*>(this)->open())
        return 0;
    return static_cast<int32_t>(std::min<int64_t>(decoder_.info().frameCount, INT32_MAX));
}

// ---- the process-wide movie state ----

Value movieFromFile(const std::string& path, std::string_view extension)
{
    return Movie::make(path, extension.empty() ? platform::extensionOf(path) : extension);
}

void advancePlayingMovies()
{
    if (movies().playing.empty())
        return;
    // A copy: advancing may end a movie, which leaves the list.
    std::vector<Value> playing = movies().playing;
    for (const Value& v : playing)
        if (Movie* movie = asMovie(v))
            movie->advance();
}

bool anyMoviePlaying()
{
    for (const Value& v : movies().playing)
        if (Movie* movie = asMovie(v); movie && movie->isPlaying())
            return true;
    return false;
}

void repaintMovies()
{
    for (Movie* movie : std::vector<Movie*>(movies().live))
        movie->repaint();
}

void closeAllMovies()
{
    MovieState& state = movies();
    std::vector<Value> playing = state.playing;
    for (auto it = playing.rbegin(); it != playing.rend(); ++it)
        if (Movie* movie = asMovie(*it))
            movie->close();
    state.playing.clear();
    state.openDevices.clear();
    ++state.generation;
}

std::string movieDeviceType(std::string_view extension)
{
    loadDeviceTypes();
    for (const auto& [known, type] : *movies().deviceTypes)
        if (sameName(known, extension))
            return type;
    return {};
}

int32_t movieDeviceUseCount(std::string_view deviceType)
{
    for (const auto& [type, count] : movies().openDevices)
        if (sameName(type, deviceType))
            return count;
    return 0;
}

void resetMovieDeviceTypes(const std::string& profileFile)
{
    movies().deviceTypes.reset();
    movies().profileFile = profileFile;
}

void setMovieStage(DrawingSurface* surface) { movies().surface = surface; }

MovieSoundSink& mixerMovieSound() { return mixerSound(); }

void setMovieSoundSink(MovieSoundSink* sink)
{
    MovieState& state = movies();
    if (state.sink && state.sounding)
        state.sink->stop();
    state.sounding = nullptr;
    state.sink = sink;
}

MovieNoticeHook setMovieNoticeHook(MovieNoticeHook hook)
{
    MovieNoticeHook previous = movies().notice;
    movies().notice = hook ? hook : showNotice;
    return previous;
}

std::string movieErrorReport(int code, std::string_view text, std::string_view operation)
{
    return "MCI error (" + std::to_string(code) + "): " + std::string(text.empty() ? operation : text);
}

void installMovieMaker()
{
    // Installing reads the makers in place; the sound members go back as they were.
    MediaMakers makers = installMediaMakers(MediaMakers{nullptr, nullptr, nullptr});
    makers.movieForPath = makeMovieForPath;
    installMediaMakers(makers);
    addMediaIdleCheck(advancePlayingMovies);
}

} // namespace vel
